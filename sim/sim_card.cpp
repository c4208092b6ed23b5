#include "sim/sim_card.h"

#include <dshow.h>

#include "platform/identities.h"
#include "sim/sim_filter.h"
#include "sim/sim_graph_builder.h"
#include "sim/sim_services.h"

SimCard::SimCard()
{
    channel.Attach(SimPropertySet::Create());
}

std::wstring SimCard::TunerPath() const
{
    return deviceInstance.empty() ? std::wstring()
                                  : deviceInstance + L"#{71985f48-1ca1-11d3-9cc8-00c04f7971e0}\\{8b884e32-f8fe-4d0c-8c16-9a3a1f2c3e01}";
}

std::wstring SimCard::ReceiverPath() const
{
    return deviceInstance.empty() ? std::wstring()
                                  : deviceInstance + L"#{fd0a5af4-b41d-11d2-9c95-00c04f7971e0}\\{8b884e32-f8fe-4d0c-8c16-9a3a1f2c3e02}";
}

void SimCard::Join(const SimCard& first, const std::wstring& instance, const std::wstring& id)
{
    devices = first.devices;
    tuningSpaces = first.tuningSpaces;
    deviceInstance = instance;
    instanceId = id;
}

std::wstring SimCard::DeviceStartedEvent() const
{
    std::wstring id;
    for (const wchar_t c : instanceId)
        id += c == L'&' ? std::wstring(L"&amp;") : std::wstring(1, c);
    return L"<Event><System><Provider Name='Microsoft-Windows-Kernel-PnP'/><EventID>410</EventID>"
           L"<Channel>Microsoft-Windows-Kernel-PnP/Configuration</Channel></System><EventData>"
           L"<Data Name='DeviceInstanceId'>" + id + L"</Data><Data Name='DriverName'>vko8317.inf</Data>"
           L"</EventData></Event>";
}

void SimCard::JoinCrossed(const SimCard& first, const std::function<void()>& install)
{
    Join(first, L"\\\\?\\pci#ven_1131&dev_7160&subsys_83171131&rev_03#4&3a5e91d2&0&00e6",
         L"PCI\\VEN_1131&DEV_7160&SUBSYS_83171131&REV_03\\4&3A5E91D2&0&00E6");
    AddCaptureDevice();
    install();
    AddTunerDevice();
}

void SimCard::AddCaptureDevice()
{
    SimDevice capture(L"VKO 8317 Capture 0");
    capture.devicePath = ReceiverPath();
    capture.makeFilter = [opens = this->capture, once = captureOpensOnce,
                          connections = receiverConnections]() -> IBaseFilter* {
        std::shared_ptr<void> claim;
        if (once && !(claim = opens->Claim()))
            return nullptr;
        SimFilter* filter = SimFilter::Create(L"VKO 8317 Capture 0",
                                              {{L"MPEG2 Transport In", PINDIR_INPUT},
                                               {L"MPEG2 Transport Out", PINDIR_OUTPUT}});
        filter->deviceClaim = std::move(claim);
        filter->Pin(0).onConnected = [connections] { ++*connections; };
        return filter;
    };
    devices->Add(KSCATEGORY_BDA_RECEIVER_COMPONENT, capture);
}

void SimCard::AddTunerDevice()
{
    SimDevice tuner(L"VKO 8317 Tuner 0");
    tuner.devicePath = TunerPath();
    tuner.makeFilter = [channel = channel, input0 = input0Present,
                        withChannel = input0HasPropertySet]() -> IBaseFilter* {
        SimFilter* filter = SimFilter::Create(L"VKO 8317 Tuner 0");
        SimPin& input = filter->AddPin(input0 ? L"Input0" : L"Antenna In", PINDIR_INPUT);
        if (withChannel)
            input.propertySet = channel;
        filter->AddPin(L"MPEG2 Transport", PINDIR_OUTPUT);
        return filter;
    };
    devices->Add(KSCATEGORY_BDA_NETWORK_TUNER, tuner);
}

void SimCard::Install(SimServices& services, bool platformGraph)
{
    if (tunerPresent)
        AddTunerDevice();
    if (capturePresent)
        AddCaptureDevice();
    if (transportInformationPresent) {
        SimDevice tif(L"BDA MPEG2 Transport Information Filter");
        tif.makeFilter = [] {
            return SimFilter::Create(L"BDA MPEG2 Transport Information Filter",
                                     {{L"Input", PINDIR_INPUT}});
        };
        devices->Add(KSCATEGORY_BDA_TRANSPORT_INFORMATION, tif);
    }

    services.AddClass(CLSID_SystemDeviceEnum,
                      [devices = devices] { return CreateSimDeviceEnumerator(devices); });
    services.AddClass(CLSID_InfTee, [] { return static_cast<IUnknown*>(SimFilter::CreateInfiniteTee()); });
    services.AddClass(CLSID_MPEG2Demultiplexer,
                      [] { return static_cast<IUnknown*>(SimFilter::CreateDemultiplexer()); });
    AddSimTuningModel(services, tuningSpaces);
    services.AddClass(CLSID_FilterGraph, [platformGraph]() -> IUnknown* {
        if (!platformGraph)
            return static_cast<IGraphBuilder*>(SimGraphBuilder::Create());
        IUnknown* graph = nullptr;
        const HRESULT ignored = ::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                                   IID_IUnknown, reinterpret_cast<void**>(&graph));
        (void)ignored;
        return graph;
    });
}

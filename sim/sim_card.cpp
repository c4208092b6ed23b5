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

void SimCard::AddCaptureDevice()
{
    SimDevice capture(L"VKO 8317 Capture 0");
    capture.makeFilter = [opens = this->capture, once = captureOpensOnce]() -> IBaseFilter* {
        std::shared_ptr<void> claim;
        if (once && !(claim = opens->Claim()))
            return nullptr;
        SimFilter* filter = SimFilter::Create(L"VKO 8317 Capture 0",
                                              {{L"MPEG2 Transport In", PINDIR_INPUT},
                                               {L"MPEG2 Transport Out", PINDIR_OUTPUT}});
        filter->deviceClaim = std::move(claim);
        return filter;
    };
    devices->Add(KSCATEGORY_BDA_RECEIVER_COMPONENT, capture);
}

void SimCard::AddTunerDevice()
{
    SimDevice tuner(L"VKO 8317 Tuner 0");
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

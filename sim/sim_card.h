#pragma once
// The simulated VKO 8317 card with everything around it that a graph build needs: the tuner,
// capture and transport information devices, the stock demultiplexer and tee, the tuning model
// and a filter graph manager. Tests and the simulated platform install it into a services
// table; each scenario is a field.
#include <windows.h>

#include <functional>
#include <memory>

#include "platform/com_ptr.h"
#include "sim/sim_devices.h"
#include "sim/sim_exclusive_device.h"
#include "sim/sim_property_set.h"
#include "sim/sim_tuning.h"

class SimServices;

struct SimCard {
    SimCard();

    // The card's property channel (and with it the two mode bytes), shared by every tuner
    // filter made for the card.
    ComPtr<SimPropertySet> channel;
    std::shared_ptr<SimDeviceCatalog> devices = std::make_shared<SimDeviceCatalog>();
    std::shared_ptr<SimTuningSpaceStore> tuningSpaces = std::make_shared<SimTuningSpaceStore>();

    // Scenarios, read by Install.
    bool tunerPresent = true;
    bool capturePresent = true;
    bool transportInformationPresent = true;
    bool input0Present = true;
    bool input0HasPropertySet = true;
    bool captureOpensOnce = false;  // a second capture filter is refused while one is alive

    // The capture device's opens, for the scenario in which it opens only once.
    std::shared_ptr<SimExclusiveDevice> capture = std::make_shared<SimExclusiveDevice>();

    // The card's place in the PC: the device instance its tuner's and receiver's device paths
    // begin with (none, for devices without paths), and how often a graph connected its
    // receiver. A second card shares the first one's devices and tuning spaces (see Join).
    std::wstring deviceInstance = L"\\\\?\\pci#ven_1131&dev_7160&subsys_83171131&rev_03#4&2b1c8c1f&0&00e5";
    std::shared_ptr<int> receiverConnections = std::make_shared<int>(0);
    // The tuner's device instance id as the system writes it in its records, such as the event
    // of the device's start.
    std::wstring instanceId = L"PCI\\VEN_1131&DEV_7160&SUBSYS_83171131&REV_03\\4&2B1C8C1F&0&00E5";
    // The record Windows writes when the tuner's driver starts (event 410 of the Kernel-PnP
    // Configuration log), as the event's XML, without its namespace.
    std::wstring DeviceStartedEvent() const;
    std::wstring TunerPath() const;
    std::wstring ReceiverPath() const;
    // Makes this card another one in the PC of the card given: in its device lists and its
    // tuning spaces, at another place. Its own devices are added with AddTunerDevice and
    // AddCaptureDevice, in the order the test chooses; Install is for the first card alone.
    void Join(const SimCard& first, const std::wstring& instance, const std::wstring& id);
    // Makes this card the second one of the first's PC, at the second card's place, listed
    // crossed with the first: its receiver before the devices that install adds, its tuner after.
    void JoinCrossed(const SimCard& first, const std::function<void()>& install);

    // Registers the devices and classes with the services. The graph manager is the simulated
    // one unless platformGraph is true (then the real CLSID_FilterGraph is created through
    // CoCreateInstance, which needs COM initialised).
    void Install(SimServices& services, bool platformGraph = false);

    // The capture device arrives now (for scenarios where it appears late).
    void AddCaptureDevice();
    // The tuner device arrives now, with the card's channel (for a driver that starts late).
    void AddTunerDevice();
};

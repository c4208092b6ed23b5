#pragma once
// The simulated VKO 8317 card with everything around it that a graph build needs: the tuner,
// capture and transport information devices, the stock demultiplexer and tee, the tuning model
// and a filter graph manager. Tests and the simulated platform install it into a services
// table; each scenario is a field.
#include <windows.h>

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

    // Registers the devices and classes with the services. The graph manager is the simulated
    // one unless platformGraph is true (then the real CLSID_FilterGraph is created through
    // CoCreateInstance, which needs COM initialised).
    void Install(SimServices& services, bool platformGraph = false);

    // The capture device arrives now (for scenarios where it appears late).
    void AddCaptureDevice();
    // The tuner device arrives now, with the card's channel (for a driver that starts late).
    void AddTunerDevice();
};

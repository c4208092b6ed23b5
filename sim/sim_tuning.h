#pragma once
// The simulated BDA tuning model: the system tuning-space container over a store that tests
// preload and inspect, DVB and DVB-S tuning spaces that make tune requests, DVB-S/T/C
// locators, and the DVB-S/T/C network provider filters, which record what they were given.
#include <windows.h>
#include <tuner.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/com_ptr.h"
#include "sim/sim_dispatch.h"
#include "sim/sim_faults.h"
#include "sim/sim_filter.h"

class SimServices;

// The system's tuning spaces, in enumeration order; they outlive every container object.
struct SimTuningSpaceStore {
    std::vector<ComPtr<ITuningSpace>> spaces;
    int addCount = 0;  // tuning spaces offered to Add, accepted or not
    // Told of each tuning space the container accepts (to keep it beyond this process).
    std::function<void(ITuningSpace*)> onAdd;

    // Failure injection for the container.
    HRESULT addResult = S_OK;  // a failure keeps the tuning space out of the store
    HRESULT enumResult = S_OK;
    bool enumDeliversNothing = false;
};

class SimTuningSpace : public SimDispatchObject<IDVBSTuningSpace> {
public:
    // A tuning space of the DVB class, or of the DVB-S class when satellite is true.
    static SimTuningSpace* Create(bool satellite);

    // The stored values, and the setters called, in order (by property name).
    std::wstring uniqueName, friendlyName, frequencyMapping = L"(unset)", inputRange = L"(unset)";
    GUID networkType = GUID_NULL;
    DVBSystemType systemType = DVB_Cable;
    ComPtr<ILocator> defaultLocator;
    LONG networkID = -1, lowOscillator = 0, highOscillator = 0, lnbSwitch = 0;
    SpectralInversion spectralInversion = BDA_SPECTRAL_INVERSION_NORMAL;
    std::vector<std::string> puts;

    // Failure injection.
    HRESULT getUniqueNameResult = S_OK;
    HRESULT createTuneRequestResult = S_OK;
    bool offersSatelliteInterface;  // the DVB-S class offers IDVBSTuningSpace unless cleared
    int tuneRequestsMade = 0;

    bool IsSatelliteClass() const { return m_satellite; }

    // ITuningSpace
    HRESULT STDMETHODCALLTYPE get_UniqueName(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE put_UniqueName(BSTR name) override;
    HRESULT STDMETHODCALLTYPE get_FriendlyName(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE put_FriendlyName(BSTR name) override;
    HRESULT STDMETHODCALLTYPE get_CLSID(BSTR* clsid) override;
    HRESULT STDMETHODCALLTYPE get_NetworkType(BSTR* type) override;
    HRESULT STDMETHODCALLTYPE put_NetworkType(BSTR type) override;
    HRESULT STDMETHODCALLTYPE get__NetworkType(GUID* type) override;
    HRESULT STDMETHODCALLTYPE put__NetworkType(REFCLSID type) override;
    HRESULT STDMETHODCALLTYPE CreateTuneRequest(ITuneRequest** request) override;
    HRESULT STDMETHODCALLTYPE EnumCategoryGUIDs(IEnumGUID** guids) override;
    HRESULT STDMETHODCALLTYPE EnumDeviceMonikers(IEnumMoniker** monikers) override;
    HRESULT STDMETHODCALLTYPE get_DefaultPreferredComponentTypes(IComponentTypes** types) override;
    HRESULT STDMETHODCALLTYPE put_DefaultPreferredComponentTypes(IComponentTypes* types) override;
    HRESULT STDMETHODCALLTYPE get_FrequencyMapping(BSTR* mapping) override;
    HRESULT STDMETHODCALLTYPE put_FrequencyMapping(BSTR mapping) override;
    HRESULT STDMETHODCALLTYPE get_DefaultLocator(ILocator** locator) override;
    HRESULT STDMETHODCALLTYPE put_DefaultLocator(ILocator* locator) override;
    HRESULT STDMETHODCALLTYPE Clone(ITuningSpace** copy) override;
    // IDVBTuningSpace, IDVBTuningSpace2
    HRESULT STDMETHODCALLTYPE get_SystemType(DVBSystemType* type) override;
    HRESULT STDMETHODCALLTYPE put_SystemType(DVBSystemType type) override;
    HRESULT STDMETHODCALLTYPE get_NetworkID(LONG* id) override;
    HRESULT STDMETHODCALLTYPE put_NetworkID(LONG id) override;
    // IDVBSTuningSpace
    HRESULT STDMETHODCALLTYPE get_LowOscillator(LONG* value) override;
    HRESULT STDMETHODCALLTYPE put_LowOscillator(LONG value) override;
    HRESULT STDMETHODCALLTYPE get_HighOscillator(LONG* value) override;
    HRESULT STDMETHODCALLTYPE put_HighOscillator(LONG value) override;
    HRESULT STDMETHODCALLTYPE get_LNBSwitch(LONG* value) override;
    HRESULT STDMETHODCALLTYPE put_LNBSwitch(LONG value) override;
    HRESULT STDMETHODCALLTYPE get_InputRange(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_InputRange(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_SpectralInversion(SpectralInversion* value) override;
    HRESULT STDMETHODCALLTYPE put_SpectralInversion(SpectralInversion value) override;

protected:
    void* FindInterface(REFIID iid) override;

private:
    // A setter: an injection point of its own, then recorded and stored.
    template <class Field, class Value>
    HRESULT Store(const char* method, const char* property, Field& field, Value&& value)
    {
        const HRESULT injected = SimFaults::Check(std::string("ITuningSpace::") + method);
        if (FAILED(injected))
            return injected;
        puts.push_back(property);
        field = std::forward<Value>(value);
        return S_OK;
    }

    explicit SimTuningSpace(bool satellite)
        : offersSatelliteInterface(satellite), m_satellite(satellite)
    {
    }
    bool m_satellite;
};

// A DVB network provider: a filter with one output pin that takes a tuning space and a tune
// request through ITuner.
class SimNetworkProvider : public SimFilter, public ITuner {
public:
    static SimNetworkProvider* Create(REFCLSID networkType);

    ComPtr<ITuningSpace> tuningSpace;
    ComPtr<ITuneRequest> tuneRequest;
    std::vector<std::string> tunerCalls;  // "put_TuningSpace", "put_TuneRequest", in order
    bool offersTuner = true;              // false: the provider has no ITuner

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override
    {
        return SimFilter::QueryInterface(iid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return SimFilter::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return SimFilter::Release(); }

    HRESULT STDMETHODCALLTYPE get_TuningSpace(ITuningSpace** space) override;
    HRESULT STDMETHODCALLTYPE put_TuningSpace(ITuningSpace* space) override;
    HRESULT STDMETHODCALLTYPE EnumTuningSpaces(IEnumTuningSpaces** spaces) override;
    HRESULT STDMETHODCALLTYPE get_TuneRequest(ITuneRequest** request) override;
    HRESULT STDMETHODCALLTYPE put_TuneRequest(ITuneRequest* request) override;
    HRESULT STDMETHODCALLTYPE Validate(ITuneRequest* request) override;
    HRESULT STDMETHODCALLTYPE get_PreferredComponentTypes(IComponentTypes** types) override;
    HRESULT STDMETHODCALLTYPE put_PreferredComponentTypes(IComponentTypes* types) override;
    HRESULT STDMETHODCALLTYPE get_SignalStrength(LONG* strength) override;
    HRESULT STDMETHODCALLTYPE TriggerSignalEvents(LONG interval) override;

protected:
    void* FindInterface(REFIID iid) override;

private:
    using SimFilter::SimFilter;

    // A setter: an injection point of its own, then recorded and stored.
    template <class Field, class Value>
    HRESULT Store(const char* method, Field& field, Value&& value)
    {
        const HRESULT injected = SimFaults::Check(std::string("ITuner::") + method);
        if (FAILED(injected))
            return injected;
        tunerCalls.push_back(method);
        field = std::forward<Value>(value);
        return S_OK;
    }
};

// Makes the system tuning-space container over the store, with one reference.
ITuningSpaceContainer* CreateSimTuningSpaceContainer(std::shared_ptr<SimTuningSpaceStore> store);

// Makes a locator of the given class (DVB-S, DVB-T or DVB-C), with one reference, or null.
ILocator* CreateSimLocator(REFCLSID locatorClass);

// Every class of the tuning model: the container over the store it is given at each creation,
// both tuning-space classes, the three locators and the three network providers.
using SimClassList = std::vector<std::pair<GUID, std::function<IUnknown*()>>>;
SimClassList SimTuningModelClasses(std::function<std::shared_ptr<SimTuningSpaceStore>()> store);

// Registers every class of the tuning model with the services, over one store.
void AddSimTuningModel(SimServices& services, std::shared_ptr<SimTuningSpaceStore> store);

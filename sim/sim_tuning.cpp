#include "sim/sim_tuning.h"

#include <algorithm>

#include "platform/identities.h"
#include "sim/sim_enumerator.h"
#include "sim/sim_faults.h"
#include "sim/sim_services.h"

namespace {

HRESULT CopyText(const std::wstring& text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

std::wstring TextOf(BSTR text)
{
    return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
}

template <class T>
HRESULT Give(T value, T* out)
{
    if (!out)
        return E_POINTER;
    *out = value;
    return S_OK;
}

template <class T>
HRESULT GiveReference(const ComPtr<T>& held, T** out)
{
    if (!out)
        return E_POINTER;
    *out = held.Get();
    if (*out)
        (*out)->AddRef();
    return *out ? S_OK : S_FALSE;
}

template <class T>
HRESULT NotImplemented(T** out)
{
    if (out)
        *out = nullptr;
    return E_NOTIMPL;
}

// ---- tune requests -------------------------------------------------------------------------

class SimTuneRequest : public SimDispatchObject<ITuneRequest> {
public:
    explicit SimTuneRequest(ITuningSpace* space) : m_space(space) {}

    HRESULT STDMETHODCALLTYPE get_TuningSpace(ITuningSpace** space) override
    {
        return GiveReference(m_space, space);
    }
    HRESULT STDMETHODCALLTYPE get_Components(IComponents** components) override
    {
        return NotImplemented(components);
    }
    HRESULT STDMETHODCALLTYPE Clone(ITuneRequest** copy) override
    {
        if (!copy)
            return E_POINTER;
        *copy = new SimTuneRequest(m_space.Get());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Locator(ILocator** locator) override
    {
        return GiveReference(m_locator, locator);
    }
    HRESULT STDMETHODCALLTYPE put_Locator(ILocator* locator) override
    {
        m_locator = locator;
        return S_OK;
    }

private:
    ComPtr<ITuningSpace> m_space;
    ComPtr<ILocator> m_locator;
};

// ---- locators ------------------------------------------------------------------------------

template <class I>
class SimLocator : public SimDispatchObject<I> {
public:
    HRESULT STDMETHODCALLTYPE get_CarrierFrequency(LONG* value) override { return Give(m_frequency, value); }
    HRESULT STDMETHODCALLTYPE put_CarrierFrequency(LONG value) override { m_frequency = value; return S_OK; }
    HRESULT STDMETHODCALLTYPE get_InnerFEC(FECMethod* value) override { return Give(m_innerFec, value); }
    HRESULT STDMETHODCALLTYPE put_InnerFEC(FECMethod value) override { m_innerFec = value; return S_OK; }
    HRESULT STDMETHODCALLTYPE get_InnerFECRate(BinaryConvolutionCodeRate* value) override { return Give(m_innerRate, value); }
    HRESULT STDMETHODCALLTYPE put_InnerFECRate(BinaryConvolutionCodeRate value) override { m_innerRate = value; return S_OK; }
    HRESULT STDMETHODCALLTYPE get_OuterFEC(FECMethod* value) override { return Give(m_outerFec, value); }
    HRESULT STDMETHODCALLTYPE put_OuterFEC(FECMethod value) override { m_outerFec = value; return S_OK; }
    HRESULT STDMETHODCALLTYPE get_OuterFECRate(BinaryConvolutionCodeRate* value) override { return Give(m_outerRate, value); }
    HRESULT STDMETHODCALLTYPE put_OuterFECRate(BinaryConvolutionCodeRate value) override { m_outerRate = value; return S_OK; }
    HRESULT STDMETHODCALLTYPE get_Modulation(ModulationType* value) override { return Give(m_modulation, value); }
    HRESULT STDMETHODCALLTYPE put_Modulation(ModulationType value) override { m_modulation = value; return S_OK; }
    HRESULT STDMETHODCALLTYPE get_SymbolRate(LONG* value) override { return Give(m_symbolRate, value); }
    HRESULT STDMETHODCALLTYPE put_SymbolRate(LONG value) override { m_symbolRate = value; return S_OK; }
    HRESULT STDMETHODCALLTYPE Clone(ILocator** copy) override { return NotImplemented(copy); }

protected:
    void* FindInterface(REFIID iid) override
    {
        if (iid == IID_ILocator || iid == __uuidof(IDigitalLocator))
            return static_cast<I*>(this);
        return SimDispatchObject<I>::FindInterface(iid);
    }

private:
    // -1 is "not set" throughout the tuning model.
    LONG m_frequency = -1, m_symbolRate = -1;
    FECMethod m_innerFec = BDA_FEC_METHOD_NOT_SET, m_outerFec = BDA_FEC_METHOD_NOT_SET;
    BinaryConvolutionCodeRate m_innerRate = BDA_BCC_RATE_NOT_SET, m_outerRate = BDA_BCC_RATE_NOT_SET;
    ModulationType m_modulation = BDA_MOD_NOT_SET;
};

class SimDVBSLocator : public SimLocator<IDVBSLocator> {
public:
    HRESULT STDMETHODCALLTYPE get_SignalPolarisation(Polarisation* value) override { return Give(m_polarisation, value); }
    HRESULT STDMETHODCALLTYPE put_SignalPolarisation(Polarisation value) override { m_polarisation = value; return S_OK; }
    HRESULT STDMETHODCALLTYPE get_WestPosition(VARIANT_BOOL* value) override { return Give(m_west, value); }
    HRESULT STDMETHODCALLTYPE put_WestPosition(VARIANT_BOOL value) override { m_west = value; return S_OK; }
    HRESULT STDMETHODCALLTYPE get_OrbitalPosition(LONG* value) override { return Give(m_orbital, value); }
    HRESULT STDMETHODCALLTYPE put_OrbitalPosition(LONG value) override { m_orbital = value; return S_OK; }
    HRESULT STDMETHODCALLTYPE get_Azimuth(LONG* value) override { return Give(m_azimuth, value); }
    HRESULT STDMETHODCALLTYPE put_Azimuth(LONG value) override { m_azimuth = value; return S_OK; }
    HRESULT STDMETHODCALLTYPE get_Elevation(LONG* value) override { return Give(m_elevation, value); }
    HRESULT STDMETHODCALLTYPE put_Elevation(LONG value) override { m_elevation = value; return S_OK; }

private:
    Polarisation m_polarisation = BDA_POLARISATION_NOT_SET;
    VARIANT_BOOL m_west = VARIANT_FALSE;
    LONG m_orbital = -1, m_azimuth = -1, m_elevation = -1;
};

class SimDVBTLocator : public SimLocator<IDVBTLocator> {
public:
    HRESULT STDMETHODCALLTYPE get_Bandwidth(LONG* value) override { return Give(m_bandwidth, value); }
    HRESULT STDMETHODCALLTYPE put_Bandwidth(LONG value) override { m_bandwidth = value; return S_OK; }
    HRESULT STDMETHODCALLTYPE get_LPInnerFEC(FECMethod* value) override { return Give(m_lpFec, value); }
    HRESULT STDMETHODCALLTYPE put_LPInnerFEC(FECMethod value) override { m_lpFec = value; return S_OK; }
    HRESULT STDMETHODCALLTYPE get_LPInnerFECRate(BinaryConvolutionCodeRate* value) override { return Give(m_lpRate, value); }
    HRESULT STDMETHODCALLTYPE put_LPInnerFECRate(BinaryConvolutionCodeRate value) override { m_lpRate = value; return S_OK; }
    HRESULT STDMETHODCALLTYPE get_HAlpha(HierarchyAlpha* value) override { return Give(m_alpha, value); }
    HRESULT STDMETHODCALLTYPE put_HAlpha(HierarchyAlpha value) override { m_alpha = value; return S_OK; }
    HRESULT STDMETHODCALLTYPE get_Guard(GuardInterval* value) override { return Give(m_guard, value); }
    HRESULT STDMETHODCALLTYPE put_Guard(GuardInterval value) override { m_guard = value; return S_OK; }
    HRESULT STDMETHODCALLTYPE get_Mode(TransmissionMode* value) override { return Give(m_mode, value); }
    HRESULT STDMETHODCALLTYPE put_Mode(TransmissionMode value) override { m_mode = value; return S_OK; }
    HRESULT STDMETHODCALLTYPE get_OtherFrequencyInUse(VARIANT_BOOL* value) override { return Give(m_otherFrequency, value); }
    HRESULT STDMETHODCALLTYPE put_OtherFrequencyInUse(VARIANT_BOOL value) override { m_otherFrequency = value; return S_OK; }

private:
    LONG m_bandwidth = -1;
    FECMethod m_lpFec = BDA_FEC_METHOD_NOT_SET;
    BinaryConvolutionCodeRate m_lpRate = BDA_BCC_RATE_NOT_SET;
    HierarchyAlpha m_alpha = BDA_HALPHA_NOT_SET;
    GuardInterval m_guard = BDA_GUARD_NOT_SET;
    TransmissionMode m_mode = BDA_XMIT_MODE_NOT_SET;
    VARIANT_BOOL m_otherFrequency = VARIANT_FALSE;
};

class SimDVBCLocator : public SimLocator<IDVBCLocator> {};

// ---- the container -------------------------------------------------------------------------

class SimTuningSpaceContainer : public SimDispatchObject<ITuningSpaceContainer> {
public:
    explicit SimTuningSpaceContainer(std::shared_ptr<SimTuningSpaceStore> store)
        : m_store(std::move(store))
    {
    }

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override
    {
        return Give(static_cast<LONG>(m_store->spaces.size()), count);
    }
    HRESULT STDMETHODCALLTYPE get__NewEnum(IEnumVARIANT** enumerator) override
    {
        return NotImplemented(enumerator);
    }
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT, ITuningSpace** space) override
    {
        return NotImplemented(space);
    }
    HRESULT STDMETHODCALLTYPE put_Item(VARIANT, ITuningSpace*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TuningSpacesForCLSID(BSTR, ITuningSpaces** spaces) override
    {
        return NotImplemented(spaces);
    }
    HRESULT STDMETHODCALLTYPE _TuningSpacesForCLSID(REFCLSID, ITuningSpaces** spaces) override
    {
        return NotImplemented(spaces);
    }
    HRESULT STDMETHODCALLTYPE TuningSpacesForName(BSTR, ITuningSpaces** spaces) override
    {
        return NotImplemented(spaces);
    }
    HRESULT STDMETHODCALLTYPE FindID(ITuningSpace*, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Add(ITuningSpace* space, VARIANT* index) override
    {
        if (!space)
            return E_POINTER;
        const HRESULT injected = SimFaults::Check("ITuningSpaceContainer::Add");
        if (FAILED(injected))
            return injected;
        ++m_store->addCount;
        if (FAILED(m_store->addResult))
            return m_store->addResult;
        m_store->spaces.emplace_back(space);
        if (m_store->onAdd)
            m_store->onAdd(space);
        if (index) {
            (void)::VariantClear(index);
            V_VT(index) = VT_I4;
            V_I4(index) = static_cast<LONG>(m_store->spaces.size());
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_EnumTuningSpaces(IEnumTuningSpaces** enumerator) override
    {
        if (!enumerator)
            return E_POINTER;
        *enumerator = nullptr;
        const HRESULT injected = SimFaults::Check("ITuningSpaceContainer::get_EnumTuningSpaces");
        if (FAILED(injected))
            return injected;
        if (FAILED(m_store->enumResult))
            return m_store->enumResult;
        // It starts past the last tuning space: only a caller that resets it first sees any.
        if (!m_store->enumDeliversNothing) {
            *enumerator = new SimEnumerator<IEnumTuningSpaces, ITuningSpace>(
                "IEnumTuningSpaces", m_store->spaces, m_store->spaces.size());
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Remove(VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MaxCount(LONG* count) override { return Give(LONG(1000), count); }
    HRESULT STDMETHODCALLTYPE put_MaxCount(LONG) override { return E_NOTIMPL; }

private:
    std::shared_ptr<SimTuningSpaceStore> m_store;
};

}  // namespace

// ---- SimTuningSpace ----------------------------------------------------------------------------

SimTuningSpace* SimTuningSpace::Create(bool satellite)
{
    return new SimTuningSpace(satellite);
}

void* SimTuningSpace::FindInterface(REFIID iid)
{
    if (iid == IID_IDVBSTuningSpace && !(m_satellite && offersSatelliteInterface))
        return nullptr;
    if (iid == IID_ITuningSpace || iid == IID_IDVBTuningSpace || iid == IID_IDVBTuningSpace2)
        return static_cast<IDVBSTuningSpace*>(this);
    return SimDispatchObject::FindInterface(iid);
}

HRESULT SimTuningSpace::get_UniqueName(BSTR* name)
{
    if (name)
        *name = nullptr;
    const HRESULT injected = SimFaults::Check("ITuningSpace::get_UniqueName");
    if (FAILED(injected))
        return injected;
    if (FAILED(getUniqueNameResult))
        return getUniqueNameResult;
    return CopyText(uniqueName, name);
}

HRESULT SimTuningSpace::put_UniqueName(BSTR name)
{
    return Store("put_UniqueName", "UniqueName", uniqueName, TextOf(name));
}

HRESULT SimTuningSpace::get_FriendlyName(BSTR* name)
{
    return CopyText(friendlyName, name);
}

HRESULT SimTuningSpace::put_FriendlyName(BSTR name)
{
    return Store("put_FriendlyName", "FriendlyName", friendlyName, TextOf(name));
}

HRESULT SimTuningSpace::get_CLSID(BSTR* clsid)
{
    WCHAR text[40] = {};
    ::StringFromGUID2(m_satellite ? CLSID_DVBSTuningSpace : CLSID_DVBTuningSpace, text, 40);
    return CopyText(text, clsid);
}

HRESULT SimTuningSpace::get_NetworkType(BSTR* type)
{
    if (type)
        *type = nullptr;
    const HRESULT injected = SimFaults::Check("ITuningSpace::get_NetworkType");
    if (FAILED(injected))
        return injected;
    WCHAR text[40] = {};
    ::StringFromGUID2(networkType, text, 40);
    return CopyText(text, type);
}

HRESULT SimTuningSpace::put_NetworkType(BSTR type)
{
    GUID parsed = GUID_NULL;
    const HRESULT readable = ::CLSIDFromString(type, &parsed);
    if (FAILED(readable))
        return readable;
    return Store("put_NetworkType", "NetworkType", networkType, parsed);
}

HRESULT SimTuningSpace::get__NetworkType(GUID* type)
{
    return Give(networkType, type);
}

HRESULT SimTuningSpace::put__NetworkType(REFCLSID type)
{
    return Store("put__NetworkType", "NetworkType", networkType, type);
}

HRESULT SimTuningSpace::CreateTuneRequest(ITuneRequest** request)
{
    if (!request)
        return E_POINTER;
    *request = nullptr;
    const HRESULT injected = SimFaults::Check("ITuningSpace::CreateTuneRequest");
    if (FAILED(injected))
        return injected;
    if (FAILED(createTuneRequestResult))
        return createTuneRequestResult;
    ++tuneRequestsMade;
    *request = new SimTuneRequest(this);
    return S_OK;
}

HRESULT SimTuningSpace::EnumCategoryGUIDs(IEnumGUID** guids)
{
    return NotImplemented(guids);
}

HRESULT SimTuningSpace::EnumDeviceMonikers(IEnumMoniker** monikers)
{
    return NotImplemented(monikers);
}

HRESULT SimTuningSpace::get_DefaultPreferredComponentTypes(IComponentTypes** types)
{
    return NotImplemented(types);
}

HRESULT SimTuningSpace::put_DefaultPreferredComponentTypes(IComponentTypes*)
{
    return E_NOTIMPL;
}

HRESULT SimTuningSpace::get_FrequencyMapping(BSTR* mapping)
{
    return CopyText(frequencyMapping, mapping);
}

HRESULT SimTuningSpace::put_FrequencyMapping(BSTR mapping)
{
    return Store("put_FrequencyMapping", "FrequencyMapping", frequencyMapping, TextOf(mapping));
}

HRESULT SimTuningSpace::get_DefaultLocator(ILocator** locator)
{
    return GiveReference(defaultLocator, locator);
}

HRESULT SimTuningSpace::put_DefaultLocator(ILocator* locator)
{
    return Store("put_DefaultLocator", "DefaultLocator", defaultLocator, locator);
}

HRESULT SimTuningSpace::Clone(ITuningSpace** copy)
{
    return NotImplemented(copy);
}

HRESULT SimTuningSpace::get_SystemType(DVBSystemType* type)
{
    return Give(systemType, type);
}

HRESULT SimTuningSpace::put_SystemType(DVBSystemType type)
{
    return Store("put_SystemType", "SystemType", systemType, type);
}

HRESULT SimTuningSpace::get_NetworkID(LONG* id)
{
    return Give(networkID, id);
}

HRESULT SimTuningSpace::put_NetworkID(LONG id)
{
    return Store("put_NetworkID", "NetworkID", networkID, id);
}

HRESULT SimTuningSpace::get_LowOscillator(LONG* value)
{
    return Give(lowOscillator, value);
}

HRESULT SimTuningSpace::put_LowOscillator(LONG value)
{
    return Store("put_LowOscillator", "LowOscillator", lowOscillator, value);
}

HRESULT SimTuningSpace::get_HighOscillator(LONG* value)
{
    return Give(highOscillator, value);
}

HRESULT SimTuningSpace::put_HighOscillator(LONG value)
{
    return Store("put_HighOscillator", "HighOscillator", highOscillator, value);
}

HRESULT SimTuningSpace::get_LNBSwitch(LONG* value)
{
    return Give(lnbSwitch, value);
}

HRESULT SimTuningSpace::put_LNBSwitch(LONG value)
{
    return Store("put_LNBSwitch", "LNBSwitch", lnbSwitch, value);
}

HRESULT SimTuningSpace::get_InputRange(BSTR* value)
{
    return CopyText(inputRange, value);
}

HRESULT SimTuningSpace::put_InputRange(BSTR value)
{
    return Store("put_InputRange", "InputRange", inputRange, TextOf(value));
}

HRESULT SimTuningSpace::get_SpectralInversion(SpectralInversion* value)
{
    return Give(spectralInversion, value);
}

HRESULT SimTuningSpace::put_SpectralInversion(SpectralInversion value)
{
    return Store("put_SpectralInversion", "SpectralInversion", spectralInversion, value);
}

// ---- SimNetworkProvider ------------------------------------------------------------------------

SimNetworkProvider* SimNetworkProvider::Create(REFCLSID networkType)
{
    auto* provider = new SimNetworkProvider(L"Network Provider", networkType);
    provider->AddPin(L"Antenna Out", PINDIR_OUTPUT);
    return provider;
}

void* SimNetworkProvider::FindInterface(REFIID iid)
{
    if (iid == IID_ITuner)
        return offersTuner ? static_cast<ITuner*>(this) : nullptr;
    return SimFilter::FindInterface(iid);
}

HRESULT SimNetworkProvider::get_TuningSpace(ITuningSpace** space)
{
    return GiveReference(tuningSpace, space);
}

HRESULT SimNetworkProvider::put_TuningSpace(ITuningSpace* space)
{
    return Store("put_TuningSpace", tuningSpace, space);
}

HRESULT SimNetworkProvider::EnumTuningSpaces(IEnumTuningSpaces** spaces)
{
    return NotImplemented(spaces);
}

HRESULT SimNetworkProvider::get_TuneRequest(ITuneRequest** request)
{
    return GiveReference(tuneRequest, request);
}

HRESULT SimNetworkProvider::put_TuneRequest(ITuneRequest* request)
{
    return Store("put_TuneRequest", tuneRequest, request);
}

HRESULT SimNetworkProvider::Validate(ITuneRequest*)
{
    return S_OK;
}

HRESULT SimNetworkProvider::get_PreferredComponentTypes(IComponentTypes** types)
{
    return NotImplemented(types);
}

HRESULT SimNetworkProvider::put_PreferredComponentTypes(IComponentTypes*)
{
    return E_NOTIMPL;
}

HRESULT SimNetworkProvider::get_SignalStrength(LONG* strength)
{
    return Give(LONG(0), strength);
}

HRESULT SimNetworkProvider::TriggerSignalEvents(LONG)
{
    return S_OK;
}

// ---- creation ----------------------------------------------------------------------------------

ITuningSpaceContainer* CreateSimTuningSpaceContainer(std::shared_ptr<SimTuningSpaceStore> store)
{
    return new SimTuningSpaceContainer(std::move(store));
}

ILocator* CreateSimLocator(REFCLSID locatorClass)
{
    if (locatorClass == CLSID_DVBSLocator)
        return new SimDVBSLocator();
    if (locatorClass == CLSID_DVBTLocator)
        return new SimDVBTLocator();
    if (locatorClass == CLSID_DVBCLocator)
        return new SimDVBCLocator();
    return nullptr;
}

SimClassList SimTuningModelClasses(std::function<std::shared_ptr<SimTuningSpaceStore>()> store)
{
    SimClassList classes;
    classes.emplace_back(CLSID_SystemTuningSpaces, [store] {
        return static_cast<IUnknown*>(CreateSimTuningSpaceContainer(store()));
    });
    classes.emplace_back(CLSID_DVBTuningSpace,
                         [] { return static_cast<IUnknown*>(SimTuningSpace::Create(false)); });
    classes.emplace_back(CLSID_DVBSTuningSpace,
                         [] { return static_cast<IUnknown*>(SimTuningSpace::Create(true)); });
    for (const GUID& locator : {CLSID_DVBSLocator, CLSID_DVBTLocator, CLSID_DVBCLocator})
        classes.emplace_back(locator, [locator] { return static_cast<IUnknown*>(CreateSimLocator(locator)); });
    for (const GUID& network : {DVB_SATELLITE_TV_NETWORK_TYPE, DVB_TERRESTRIAL_TV_NETWORK_TYPE,
                                DVB_CABLE_TV_NETWORK_TYPE}) {
        classes.emplace_back(network, [network] {
            return static_cast<IUnknown*>(static_cast<IBaseFilter*>(SimNetworkProvider::Create(network)));
        });
    }
    return classes;
}

void AddSimTuningModel(SimServices& services, std::shared_ptr<SimTuningSpaceStore> store)
{
    for (auto& entry : SimTuningModelClasses([store] { return store; }))
        services.AddClass(entry.first, std::move(entry.second));
}

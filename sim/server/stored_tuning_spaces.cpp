#include "sim/server/stored_tuning_spaces.h"

#include <string>

#include "sim/server/sim_registry.h"

namespace {

std::string KeyOf(size_t index)
{
    return std::string(SimRegistry::kTuningSpaces) + "\\" + std::to_string(index);
}

std::wstring TextOfGuid(const GUID& guid)
{
    WCHAR text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

GUID GuidOfText(const std::wstring& text)
{
    GUID guid = GUID_NULL;
    if (FAILED(::CLSIDFromString(text.c_str(), &guid)))
        return GUID_NULL;
    return guid;
}

// The locator's class, told by the interface it answers.
GUID LocatorClass(ILocator* locator)
{
    ComPtr<IUnknown> probe;
    if (!locator)
        return GUID_NULL;
    if (SUCCEEDED(locator->QueryInterface(IID_IDVBSLocator, reinterpret_cast<void**>(probe.GetAddressOf()))))
        return CLSID_DVBSLocator;
    if (SUCCEEDED(locator->QueryInterface(IID_IDVBTLocator, reinterpret_cast<void**>(probe.ReleaseAndGetAddressOf()))))
        return CLSID_DVBTLocator;
    if (SUCCEEDED(locator->QueryInterface(IID_IDVBCLocator, reinterpret_cast<void**>(probe.ReleaseAndGetAddressOf()))))
        return CLSID_DVBCLocator;
    return GUID_NULL;
}

void Store(ITuningSpace* offered, size_t index)
{
    auto* space = dynamic_cast<SimTuningSpace*>(offered);
    if (!space)
        return;  // not one of ours: nothing that could be stored
    using namespace SimRegistry;
    const std::string key = KeyOf(index);
    WriteNumber(key.c_str(), "Satellite", space->IsSatelliteClass());
    WriteText(key.c_str(), "UniqueName", space->uniqueName);
    WriteText(key.c_str(), "FriendlyName", space->friendlyName);
    WriteText(key.c_str(), "NetworkType", TextOfGuid(space->networkType));
    WriteNumber(key.c_str(), "SystemType", static_cast<DWORD>(space->systemType));
    WriteText(key.c_str(), "FrequencyMapping", space->frequencyMapping);
    WriteText(key.c_str(), "DefaultLocator", TextOfGuid(LocatorClass(space->defaultLocator.Get())));
    WriteText(key.c_str(), "InputRange", space->inputRange);
    WriteNumber(key.c_str(), "HighOscillator", static_cast<DWORD>(space->highOscillator));
    WriteNumber(key.c_str(), "LowOscillator", static_cast<DWORD>(space->lowOscillator));
    WriteNumber(key.c_str(), "LNBSwitch", static_cast<DWORD>(space->lnbSwitch));
    WriteNumber(key.c_str(), "SpectralInversion", static_cast<DWORD>(space->spectralInversion));
    WriteNumber(kTuningSpaces, "Count", static_cast<DWORD>(index + 1));
}

}  // namespace

std::shared_ptr<SimTuningSpaceStore> LoadStoredTuningSpaces()
{
    using namespace SimRegistry;
    auto store = std::make_shared<SimTuningSpaceStore>();
    const DWORD count = ReadNumber(kTuningSpaces, "Count", 0);
    for (DWORD index = 0; index < count; ++index) {
        const std::string key = KeyOf(index);
        ComPtr<SimTuningSpace> space;
        space.Attach(SimTuningSpace::Create(ReadNumber(key.c_str(), "Satellite", 0) != 0));
        space->uniqueName = ReadText(key.c_str(), "UniqueName", L"");
        space->friendlyName = ReadText(key.c_str(), "FriendlyName", L"");
        space->networkType = GuidOfText(ReadText(key.c_str(), "NetworkType", L""));
        space->systemType = static_cast<DVBSystemType>(ReadNumber(key.c_str(), "SystemType", 0));
        space->frequencyMapping = ReadText(key.c_str(), "FrequencyMapping", L"");
        space->defaultLocator.Attach(CreateSimLocator(GuidOfText(ReadText(key.c_str(), "DefaultLocator", L""))));
        space->inputRange = ReadText(key.c_str(), "InputRange", L"");
        space->highOscillator = static_cast<LONG>(ReadNumber(key.c_str(), "HighOscillator", 0));
        space->lowOscillator = static_cast<LONG>(ReadNumber(key.c_str(), "LowOscillator", 0));
        space->lnbSwitch = static_cast<LONG>(ReadNumber(key.c_str(), "LNBSwitch", 0));
        space->spectralInversion =
            static_cast<SpectralInversion>(ReadNumber(key.c_str(), "SpectralInversion", 0));
        store->spaces.emplace_back(space);
    }
    SimTuningSpaceStore* raw = store.get();
    store->onAdd = [raw](ITuningSpace* space) { Store(space, raw->spaces.size() - 1); };
    return store;
}

#include <cwchar>

#include "framework/memory_exception.h"
#include "graph/bda_graph.h"
#include "platform/com_holders.h"
#include "platform/identities.h"
#include "platform/system_services.h"

namespace {

// What tells the tool's three tuning spaces apart. The unique names are how later runs find
// them again in the system container: they must stay exactly as they are.
struct TuningSpaceKind {
    const CLSID* spaceClass;
    const CLSID* locatorClass;
    const IID* locatorInterface;
    GUID networkType;
    DVBSystemType systemType;
    const wchar_t* friendlyName;
    const wchar_t* uniqueName;
};

const TuningSpaceKind& KindOf(TuningStandard standard)
{
    static const TuningSpaceKind satellite = {
        &CLSID_DVBSTuningSpace, &CLSID_DVBSLocator, &IID_IDVBSLocator,
        DVB_SATELLITE_TV_NETWORK_TYPE, DVB_Satellite, L"Local DVBS Tuner", L"quorvantel dvb-s"};
    static const TuningSpaceKind cable = {
        &CLSID_DVBTuningSpace, &CLSID_DVBCLocator, &IID_IDVBCLocator,
        DVB_CABLE_TV_NETWORK_TYPE, DVB_Cable, L"Local DVB-C digital antenna", L"quorvantel dvb-c"};
    static const TuningSpaceKind terrestrial = {
        &CLSID_DVBTuningSpace, &CLSID_DVBTLocator, &IID_IDVBTLocator,
        DVB_TERRESTRIAL_TV_NETWORK_TYPE, DVB_Terrestrial, L"Local DVB-T digital antenna",
        L"quorvantel dvb-t"};
    return ForStandard(standard, satellite, terrestrial, cable);
}

// A text for a tuning-space property; running out of memory here is an exception, so that no
// tuning space is ever stored with a property missing.
class PropertyText : public BstrHolder {
public:
    explicit PropertyText(const wchar_t* text)
    {
        *ReleaseAndGetAddressOf() = Services().AllocString(text);
        if (!Get())
            AfxThrowMemoryException();
    }
};

bool IsUniqueName(BSTR name, const wchar_t* wanted)
{
    const size_t length = std::wcslen(wanted);
    return name && ::SysStringLen(name) == length && std::wmemcmp(name, wanted, length) == 0;
}

}  // namespace

ComPtr<IDVBTuningSpace2> CBDAGraph::CreateTuningSpace(TuningStandard standard)
{
    const TuningSpaceKind& kind = KindOf(standard);

    ComPtr<ILocator> locator;  // delivered as the standard's own locator interface
    HRESULT ignored = Services().CreateInstance(*kind.locatorClass, nullptr, CLSCTX_INPROC_SERVER,
                                                *kind.locatorInterface,
                                                reinterpret_cast<void**>(locator.ReleaseAndGetAddressOf()));
    ComPtr<IDVBTuningSpace2> space;
    ignored = Services().CreateInstance(*kind.spaceClass, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IDVBTuningSpace2,
                                        reinterpret_cast<void**>(space.ReleaseAndGetAddressOf()));
    (void)ignored;
    if (!space)
        return nullptr;

    // The stored values are not read back: a tuning space that refuses one still serves.
    (void)space->put__NetworkType(kind.networkType);
    (void)space->put_SystemType(kind.systemType);
    if (locator)
        (void)space->put_DefaultLocator(locator.Get());
    (void)space->put_FrequencyMapping(PropertyText(L"").Get());
    (void)space->put_FriendlyName(PropertyText(kind.friendlyName).Get());
    (void)space->put_UniqueName(PropertyText(kind.uniqueName).Get());

    if (standard == TuningStandard::DVBS) {
        // -1 leaves each satellite setting unset.
        ComPtr<IDVBSTuningSpace> satellite;
        if (SUCCEEDED(space.As(&satellite))) {
            (void)satellite->put_HighOscillator(-1);
            (void)satellite->put_InputRange(PropertyText(L"-1").Get());
            (void)satellite->put_LNBSwitch(-1);
            (void)satellite->put_LowOscillator(-1);
            (void)satellite->put_SpectralInversion(BDA_SPECTRAL_INVERSION_NOT_SET);
        }
    }
    return space;
}

ComPtr<ITuningSpace> CBDAGraph::LoadTuningSpace(TuningStandard standard)
{
    const TuningSpaceKind& kind = KindOf(standard);

    ComPtr<ITuningSpaceContainer> container;
    if (FAILED(Services().CreateInstance(CLSID_SystemTuningSpaces, nullptr, CLSCTX_ALL,
                                         IID_ITuningSpaceContainer,
                                         reinterpret_cast<void**>(container.ReleaseAndGetAddressOf()))) ||
        !container)
        return nullptr;

    // The first tuning space registered under the unique name, exactly as enumerated.
    ComPtr<ITuningSpace> found;
    ComPtr<IEnumTuningSpaces> spaces;
    const HRESULT ignored = container->get_EnumTuningSpaces(spaces.ReleaseAndGetAddressOf());
    (void)ignored;
    if (spaces) {  // a container without an enumerator counts as empty
        (void)spaces->Reset();
        ComPtr<ITuningSpace> space;
        while (spaces->Next(1, space.ReleaseAndGetAddressOf(), nullptr) == S_OK && space) {
            BstrHolder name;
            if (SUCCEEDED(space->get_UniqueName(name.ReleaseAndGetAddressOf())) &&
                IsUniqueName(name.Get(), kind.uniqueName)) {
                found = std::move(space);
                break;
            }
        }
    }

    if (!found) {
        // Used whether or not the container keeps it; a refused one is made again next run.
        ComPtr<IDVBTuningSpace2> created = CreateTuningSpace(standard);
        if (created) {
            VariantHolder index;
            (void)container->Add(created.Get(), index.Get());
            found = created;
        }
    }
    return found;
}

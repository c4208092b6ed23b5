#include "framework/message_box.h"
#include "graph/bda_graph.h"
#include "graph/pin_name.h"
#include "platform/system_services.h"

namespace {

// The first pin of the filter in the given direction that has no peer, or null. A pin counts
// as connected exactly when ConnectedTo hands back a peer, whatever it reports; a pin whose
// information cannot be read is passed over, and pins that cannot be enumerated count as none.
ComPtr<IPin> FindFreePin(IBaseFilter* filter, PIN_DIRECTION direction)
{
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf())) || !pins)
        return nullptr;
    (void)pins->Reset();
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK && pin) {
        ComPtr<IPin> peer;
        const HRESULT ignored = pin->ConnectedTo(peer.ReleaseAndGetAddressOf());
        (void)ignored;
        if (peer)
            continue;
        PIN_INFO info = {};
        if (FAILED(pin->QueryPinInfo(&info)))
            continue;
        ComPtr<IBaseFilter> owner;
        owner.Attach(info.pFilter);
        if (info.dir == direction)
            return pin;
    }
    return nullptr;
}

void ShowArgumentMissing(const char* text)
{
    Services().ShowMessageBox(nullptr, text, "error", MB_OK);
}

}  // namespace

ComPtr<IPin> CBDAGraph::FindNamedPin(IBaseFilter* filter)
{
    ComPtr<IEnumPins> pins;
    if (filter->EnumPins(pins.ReleaseAndGetAddressOf()) != S_OK || !pins)
        return nullptr;
    (void)pins->Reset();

    // Every pin is examined: of several matches the last one is kept.
    ComPtr<IPin> found;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK && pin) {
        PIN_INFO info = {};
        if (pin->QueryPinInfo(&info) != S_OK)
            continue;
        ComPtr<IBaseFilter> owner;
        owner.Attach(info.pFilter);
        char name[kPinNameBufferSize];
        PinNameToAnsi(info.achName, name);
        if (ContainsText(name, "Input0"))
            found = pin;
    }
    return found;
}

void CBDAGraph::ConnectPins(IGraphBuilder* builder, IBaseFilter* out_from, IBaseFilter* in_to)
{
    if (!builder) {
        ShowArgumentMissing("ConnectPins builder == NULL");
        return;
    }
    if (!out_from) {
        ShowArgumentMissing("ConnectPins out_from == NULL");
        return;
    }
    if (!in_to) {
        ShowArgumentMissing("ConnectPins in_to == NULL");
        return;
    }

    const ComPtr<IPin> output = FindFreePin(out_from, PINDIR_OUTPUT);
    if (!output) {
        AfxMessageBox("CBDAGraph::ConnectPins() - No output pin found on filter\r\n");
        return;
    }
    const ComPtr<IPin> input = FindFreePin(in_to, PINDIR_INPUT);
    if (!input) {
        AfxMessageBox("CBDAGraph::ConnectPins() - No input pin found on filter\r\n");
        return;
    }
    // The platform may put filters in between; a refused connection goes unreported.
    const HRESULT ignored = builder->Connect(output.Get(), input.Get());
    (void)ignored;
}

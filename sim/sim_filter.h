#pragma once
// Simulated DirectShow filters and their pins, complete enough for a filter graph manager
// (ours or Wine's) to add, connect, disconnect and remove them. As in DirectShow, a pin has no
// count of its own: it lives as long as its filter, and its references count on the filter.
// A connected pin holds its peer; the graph breaks those cycles by disconnecting.
#include <windows.h>
#include <strmif.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/com_ptr.h"
#include "sim/sim_object.h"

class SimFilter;

class SimPin : public IPin {
public:
    SimPin(SimFilter& owner, std::wstring name, PIN_DIRECTION direction);
    ~SimPin();
    SimPin(const SimPin&) = delete;
    SimPin& operator=(const SimPin&) = delete;

    // Failure injection.
    HRESULT queryPinInfoResult = S_OK;
    HRESULT connectResult = S_OK;       // refuses Connect/ReceiveConnection with this failure
    HRESULT connectedToResult = S_OK;   // replaces the result ConnectedTo reports, not its peer
    // The property channel answered through QueryInterface(IKsPropertySet), if any: one
    // shared channel, or a new channel made for each request.
    ComPtr<IKsPropertySet> propertySet;
    std::function<IKsPropertySet*(SimPin&)> makePropertySet;
    // Called each time an input pin takes a connection (which card's device was connected).
    std::function<void()> onConnected;

    SimFilter& Owner() const { return m_owner; }

    const std::wstring& Name() const { return m_name; }
    IPin* Peer() const { return m_peer.Get(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector,
                                                const AM_MEDIA_TYPE* mediaType) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* mediaType) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* mediaType) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                         double rate) override;

private:
    SimFilter& m_owner;
    std::wstring m_name;
    PIN_DIRECTION m_direction;
    ComPtr<IPin> m_peer;
};

class SimFilter : public SimObject<IBaseFilter> {
public:
    struct PinSpec {
        const wchar_t* name;
        PIN_DIRECTION direction;
    };

    static SimFilter* Create(const wchar_t* name, std::initializer_list<PinSpec> pins = {},
                             REFCLSID clsid = GUID_NULL);
    // The stand-ins for the platform's stock filters: one input, one output each.
    static SimFilter* CreateInfiniteTee();
    static SimFilter* CreateDemultiplexer();

    SimPin& AddPin(const wchar_t* name, PIN_DIRECTION direction);
    SimPin& Pin(size_t index) { return *m_pins.at(index); }
    size_t PinCount() const { return m_pins.size(); }
    const std::wstring& Name() const { return m_name; }

    // Failure injection for EnumPins: a failure result, or success without an enumerator.
    HRESULT enumPinsResult = S_OK;
    bool enumPinsDeliversNothing = false;

    // What the graph told the filter when it joined (or left: null graph, empty name).
    IFilterGraph* joinedGraph = nullptr;  // not counted, as in DirectShow
    std::wstring nameInGraph;
    int joinCount = 0;
    FILTER_STATE state = State_Stopped;
    // Held for as long as the filter lives: the claim on a device that opens only once.
    std::shared_ptr<void> deviceClaim;

    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    // IMediaFilter
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeout, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
    // IBaseFilter
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* vendorInfo) override;

protected:
    SimFilter(std::wstring name, REFCLSID clsid) : m_name(std::move(name)), m_clsid(clsid) {}
    void* FindInterface(REFIID iid) override;

private:
    std::wstring m_name;
    CLSID m_clsid;
    std::vector<std::unique_ptr<SimPin>> m_pins;
};

#pragma once
// A simulated filter graph manager with its media control: it records what it is asked to do,
// connects pins directly, fails on request, and behaves like the platform's graph at the end:
// removing a filter, or the graph's final release, disconnects the filter's pins and tells the
// filter it left the graph.
#include <windows.h>
#include <control.h>
#include <strmif.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/com_ptr.h"
#include "sim/sim_object.h"

class SimGraphBuilder : public SimObject<IGraphBuilder, IMediaControl> {
public:
    static SimGraphBuilder* Create() { return new SimGraphBuilder(); }
    // How many simulated graph managers exist right now.
    static long Instances();

    // One line per call, in order: "AddFilter <name>", "RemoveFilter <name>",
    // "Connect <filter>.<pin> -> <filter>.<pin>", "Stop".
    std::vector<std::wstring> calls;
    // The filters in the graph, with the names they were added under.
    std::vector<std::pair<ComPtr<IBaseFilter>, std::wstring>> filters;

    HRESULT addFilterResult = S_OK;     // a failure adds nothing
    HRESULT removeFilterResult = S_OK;  // a failure removes nothing
    HRESULT connectResult = S_OK;       // a failure connects nothing
    HRESULT stopResult = S_OK;
    bool offersMediaControl = true;  // false: a graph manager without IMediaControl

    // IFilterGraph
    HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter* filter, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter* filter) override;
    HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters** filters) override;
    HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR name, IBaseFilter** filter) override;
    HRESULT STDMETHODCALLTYPE ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) override;
    HRESULT STDMETHODCALLTYPE Reconnect(IPin* pin) override;
    HRESULT STDMETHODCALLTYPE Disconnect(IPin* pin) override;
    HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override;
    // IGraphBuilder
    HRESULT STDMETHODCALLTYPE Connect(IPin* out, IPin* in) override;
    HRESULT STDMETHODCALLTYPE Render(IPin* out) override;
    HRESULT STDMETHODCALLTYPE RenderFile(LPCWSTR file, LPCWSTR playList) override;
    HRESULT STDMETHODCALLTYPE AddSourceFilter(LPCWSTR file, LPCWSTR name,
                                              IBaseFilter** filter) override;
    HRESULT STDMETHODCALLTYPE SetLogFile(DWORD_PTR file) override;
    HRESULT STDMETHODCALLTYPE Abort() override;
    HRESULT STDMETHODCALLTYPE ShouldOperationContinue() override;
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argError) override;
    // IMediaControl
    HRESULT STDMETHODCALLTYPE Run() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE GetState(LONG timeout, OAFilterState* state) override;
    HRESULT STDMETHODCALLTYPE RenderFile(BSTR file) override;
    HRESULT STDMETHODCALLTYPE AddSourceFilter(BSTR file, IDispatch** filter) override;
    HRESULT STDMETHODCALLTYPE get_FilterCollection(IDispatch** collection) override;
    HRESULT STDMETHODCALLTYPE get_RegFilterCollection(IDispatch** collection) override;
    HRESULT STDMETHODCALLTYPE StopWhenReady() override;

protected:
    void* FindInterface(REFIID iid) override;

private:
    SimGraphBuilder();
    ~SimGraphBuilder() override;
    static void DisconnectPins(IBaseFilter* filter);

    // Pins joined through Connect, disconnected again when the graph goes.
    std::vector<std::pair<ComPtr<IPin>, ComPtr<IPin>>> m_connections;
};

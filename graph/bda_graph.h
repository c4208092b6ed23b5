#pragma once
// The tuner graph: the card's BDA filters and the platform's stock filters put together in a
// filter graph, so that the tuner's "Input0" pin can carry the demodulator-mode property.
// Never instantiated: its operations are static.
#include <windows.h>
#include <strmif.h>
#include <control.h>
#include <tuner.h>

#include <functional>

#include "graph/device_search.h"
#include "graph/graph_host.h"
#include "graph/tuning_standard.h"
#include "platform/com_ptr.h"

class CBDAGraph {
public:
    CBDAGraph() = delete;

    // The first installed device of the category whose friendly name is text that begins with
    // the given name (exact UTF-16 code units, case-sensitive); with no name, the first device
    // whose name can be read, of whatever type, and that binds. Null when none qualifies.
    static ComPtr<IBaseFilter> FindFilter(const WCHAR* friendlyName, GUID category);
    // The same search, with the device path of the device found (empty when it has none).
    static ComPtr<IBaseFilter> FindFilter(const WCHAR* friendlyName, GUID category, DevicePath& devicePath);
    // The device of the category with that name that belongs to the card of the device path
    // given (the same device instance); the first one with that name, as FindFilter finds it,
    // when the card has none of its own or a path is missing. Null when none qualifies.
    static ComPtr<IBaseFilter> FindFilterOfCard(const WCHAR* friendlyName, GUID category,
                                                const DevicePath& cardDevicePath);
    // New instances of the platform's stock filters, or null.
    static ComPtr<IBaseFilter> CreateMPEG2Demultiplexer();
    static ComPtr<IBaseFilter> CreateInfinitePinTee();
    // The filter's pin whose name contains "Input0" (the last of several), or null.
    static ComPtr<IPin> FindNamedPin(IBaseFilter* filter);
    // Connects the first free output pin of out_from to the first free input pin of in_to,
    // telling the user when an argument or a free pin is missing.
    static void ConnectPins(IGraphBuilder* builder, IBaseFilter* out_from, IBaseFilter* in_to);

    // A new tuning space of the tool's own for the standard, not yet in the system container;
    // null when none can be made. Raises CMemoryException when its texts cannot be allocated.
    static ComPtr<IDVBTuningSpace2> CreateTuningSpace(TuningStandard standard);
    // The tool's tuning space for the standard from the system container, found by its unique
    // name or else made and added; null when the container cannot be reached or no tuning
    // space can be made.
    static ComPtr<ITuningSpace> LoadTuningSpace(TuningStandard standard);
    // Load the standard's tuning space into the host's TuningSpace(), then create the network
    // provider the tuning space names and hand it the tuning space and an empty tune request.
    // Null when there is no tuning space or no provider.
    static ComPtr<IBaseFilter> CreateDVBSNetworkProvider(IGraphHost& host);
    static ComPtr<IBaseFilter> CreateDVBTNetworkProvider(IGraphHost& host);
    static ComPtr<IBaseFilter> CreateDVBCNetworkProvider(IGraphHost& host);

    // Builds the graph for the standard around the card's filters and opens the property
    // channel on the tuner's "Input0" pin; may be called again to replace an earlier build.
    // False after a failed step (most are reported in a message box owned by the dialog), with
    // everything obtained so far kept. True with an empty channel when the tuner has no
    // "Input0" pin.
    static bool BuildGraph(IGraphHost& dialog, TuningStandard standard);
    // Builds the graph for DVB-S, then DVB-T, then DVB-C, as long as the property channel of
    // the graph just built fails the support test; the DVB-C graph is kept untested. Each
    // support test made is handed to tested, when given. Only the support tests decide; what
    // the builds return is not examined.
    static void BuildGraphForProperty(IGraphHost& host,
                                      const std::function<void(TuningStandard, bool)>& tested = {});
    // Stops the graph, releases every graph reference, ends COM on the thread and destroys the
    // dialog's window; returns what the window destruction returns.
    static BOOL TearDownGraph(IGraphHost& dialog);

    // The graph state: one of each for the whole process, filled by the build and emptied by
    // the teardown. Counted references still held at process exit are released then, in
    // reverse order, unless the teardown has ended COM (see ReleaseAtExit).
    static ComPtr<IGraphBuilder> m_pGraphBuilder;
    static ComPtr<IMediaControl> m_pMediaControl;
    static ComPtr<IBaseFilter> m_pCaptureDevice;
    static ComPtr<IBaseFilter> m_pTunerDevice;  // kept from start-up's probe when found there
    // The device path of m_pTunerDevice, found with it, so that the receiver taken is the one of
    // the tuner's own card; empty when the tuner has none.
    static DevicePath m_tunerDevicePath;
    static ComPtr<IBaseFilter> m_pNetworkProvider;
    static ComPtr<IBaseFilter> m_pDemux;
    static ComPtr<IBaseFilter> m_pInfTee;
    static ComPtr<IBaseFilter> m_pTIF;
    static ComPtr<IPin> m_pTunerPin;
    // The property channel: the tuner pin's IKsPropertySet. A plain pointer owning one
    // reference, released only by the build (before it opens the channel again) and the
    // teardown.
    static IKsPropertySet* m_pKsPropertySet;
    // Set by the teardown once it has ended COM on the thread, balancing start-up: from then on
    // no interface may be released.
    static bool m_bComUninitialized;

    // What becomes of the counted references still held when the process exits (run then by
    // the graph state itself): each is released, from m_pTunerPin back to m_pGraphBuilder;
    // but once the teardown has ended COM, the objects behind them went with it, and each is
    // abandoned instead. The property channel is left as it is.
    static void ReleaseAtExit();

private:
    static ComPtr<IBaseFilter> CreateNetworkProvider(IGraphHost& host, TuningStandard standard);
};

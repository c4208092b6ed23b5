#pragma once
// The tuner graph: the card's BDA filters and the platform's stock filters put together in a
// filter graph, so that the tuner's "Input0" pin can carry the demodulator-mode property.
// Never instantiated: its operations are static.
#include <windows.h>
#include <strmif.h>
#include <tuner.h>

#include "graph/graph_host.h"
#include "graph/tuning_standard.h"
#include "platform/com_ptr.h"

class CBDAGraph {
public:
    CBDAGraph() = delete;

    // The first installed device of the category whose friendly name begins with the given
    // name (exact UTF-16 code units, case-sensitive); with no name, the first device that
    // binds and has a readable name. Null when none qualifies.
    static ComPtr<IBaseFilter> FindFilter(const WCHAR* friendlyName, GUID category);
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

private:
    static ComPtr<IBaseFilter> CreateNetworkProvider(IGraphHost& host, TuningStandard standard);
};

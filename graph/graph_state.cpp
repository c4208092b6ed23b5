#include "graph/bda_graph.h"

// Declaration order is release order reversed: at process exit the counted references go
// from m_pTunerPin back to m_pGraphBuilder.
ComPtr<IGraphBuilder> CBDAGraph::m_pGraphBuilder;
ComPtr<IMediaControl> CBDAGraph::m_pMediaControl;
ComPtr<IBaseFilter> CBDAGraph::m_pCaptureDevice;
ComPtr<IBaseFilter> CBDAGraph::m_pTunerDevice;
DevicePath CBDAGraph::m_tunerDevicePath;
ComPtr<IBaseFilter> CBDAGraph::m_pNetworkProvider;
ComPtr<IBaseFilter> CBDAGraph::m_pDemux;
ComPtr<IBaseFilter> CBDAGraph::m_pInfTee;
ComPtr<IBaseFilter> CBDAGraph::m_pTIF;
ComPtr<IPin> CBDAGraph::m_pTunerPin;
IKsPropertySet* CBDAGraph::m_pKsPropertySet = nullptr;
bool CBDAGraph::m_bComUninitialized = false;

void CBDAGraph::ReleaseAtExit()
{
    // Whether COM is still up is what the program itself did, not what the apartment answers:
    // another thread of the process may keep a multithreaded apartment alive, and this thread
    // would then still be told that it is in one.
    const bool abandon = m_bComUninitialized;
    const auto end = [abandon](auto& reference) {
        if (abandon)
            (void)reference.Detach();
        else
            reference.Reset();
    };
    end(m_pTunerPin);
    end(m_pTIF);
    end(m_pInfTee);
    end(m_pDemux);
    end(m_pNetworkProvider);
    end(m_pTunerDevice);
    end(m_pCaptureDevice);
    end(m_pMediaControl);
    end(m_pGraphBuilder);
}

namespace {

// Destroyed just before the references above, which it leaves empty.
struct GraphStateAtExit {
    ~GraphStateAtExit() { CBDAGraph::ReleaseAtExit(); }
} g_graphStateAtExit;

}  // namespace

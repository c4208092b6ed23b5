#include <objbase.h>

#include "graph/bda_graph.h"

// Declaration order is release order reversed: at process exit the counted references go
// from m_pTunerPin back to m_pGraphBuilder.
ComPtr<IGraphBuilder> CBDAGraph::m_pGraphBuilder;
ComPtr<IMediaControl> CBDAGraph::m_pMediaControl;
ComPtr<IBaseFilter> CBDAGraph::m_pCaptureDevice;
ComPtr<IBaseFilter> CBDAGraph::m_pTunerDevice;
ComPtr<IBaseFilter> CBDAGraph::m_pNetworkProvider;
ComPtr<IBaseFilter> CBDAGraph::m_pDemux;
ComPtr<IBaseFilter> CBDAGraph::m_pInfTee;
ComPtr<IBaseFilter> CBDAGraph::m_pTIF;
ComPtr<IPin> CBDAGraph::m_pTunerPin;
IKsPropertySet* CBDAGraph::m_pKsPropertySet = nullptr;

namespace {

// Destroyed just before the references above. When COM has already ended on this thread, the
// objects behind any reference still held are gone with it: the references are abandoned
// instead of released.
struct ReleaseOnlyWhileComIsUp {
    ~ReleaseOnlyWhileComIsUp()
    {
        APTTYPE type;
        APTTYPEQUALIFIER qualifier;
        if (SUCCEEDED(::CoGetApartmentType(&type, &qualifier)))
            return;
        (void)CBDAGraph::m_pTunerPin.Detach();
        (void)CBDAGraph::m_pTIF.Detach();
        (void)CBDAGraph::m_pInfTee.Detach();
        (void)CBDAGraph::m_pDemux.Detach();
        (void)CBDAGraph::m_pNetworkProvider.Detach();
        (void)CBDAGraph::m_pTunerDevice.Detach();
        (void)CBDAGraph::m_pCaptureDevice.Detach();
        (void)CBDAGraph::m_pMediaControl.Detach();
        (void)CBDAGraph::m_pGraphBuilder.Detach();
    }
} g_releaseOnlyWhileComIsUp;

}  // namespace

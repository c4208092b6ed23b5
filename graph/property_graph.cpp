#include "graph/bda_graph.h"
#include "modes/demod_property.h"

void CBDAGraph::BuildGraphForProperty(IGraphHost& host,
                                      const std::function<void(TuningStandard, bool)>& tested)
{
    for (TuningStandard standard : {TuningStandard::DVBS, TuningStandard::DVBT}) {
        (void)BuildGraph(host, standard);
        const bool supported = QueryDemodModeSupport(m_pKsPropertySet);
        if (tested)
            tested(standard, supported);
        if (supported)
            return;
    }
    (void)BuildGraph(host, TuningStandard::DVBC);
}

#pragma once
// The fault matrices' common part: a program path run on a fresh simulated card with one
// injection point failing, what the run left behind, and the walk over every injection point
// that any run reaches.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "graph/bda_graph.h"
#include "platform/system_services.h"
#include "sim/sim_card.h"
#include "sim/sim_faults.h"
#include "sim/sim_object.h"
#include "sim/sim_services.h"

// Whether the graph state holds nothing, as after a teardown.
inline bool GraphIsEmpty()
{
    return !CBDAGraph::m_pGraphBuilder && !CBDAGraph::m_pMediaControl && !CBDAGraph::m_pTunerDevice &&
           !CBDAGraph::m_pCaptureDevice && !CBDAGraph::m_pNetworkProvider && !CBDAGraph::m_pDemux &&
           !CBDAGraph::m_pInfTee && !CBDAGraph::m_pTIF && !CBDAGraph::m_pTunerPin &&
           !CBDAGraph::m_pKsPropertySet;
}

struct FaultRunTrace {
    std::vector<std::string> messageBoxes;  // their texts
    bool graphEmpty = true;
    long releasesWithoutCom = 0;
    long liveObjects = 0;  // after the services and the card are gone
};

// Runs the path with the point armed (none for "") inside a services table of its own on which
// the simulated card is installed.
inline FaultRunTrace RunWithFault(const std::string& point, const std::function<void(SimServices&)>& path)
{
    FaultRunTrace trace;
    {
        SimServices services;
        ScopedSystemServices scope(services);
        SimCard card;
        card.Install(services);
        if (!point.empty())
            SimFaults::Arm(point, E_FAIL);
        SimLiveObjects::WatchApartment(true);
        path(services);
        SimFaults::Disarm();
        trace.graphEmpty = GraphIsEmpty();
        for (const auto& box : services.messageBoxes)
            trace.messageBoxes.push_back(box.text);
        trace.releasesWithoutCom = SimLiveObjects::ReleasesWithoutCom();
        SimLiveObjects::WatchApartment(false);
        services.ForgetClasses();
    }
    trace.liveObjects = SimLiveObjects::Count();
    return trace;
}

// Calls check for the path with nothing failing ("") and then for every injection point that
// a run has passed, until no new one turns up; the points walked come back, "" among them.
inline std::set<std::string> WalkInjectionPoints(const std::function<void(const std::string&)>& check)
{
    std::vector<std::string> queue = {""};
    std::set<std::string> walked;
    while (!queue.empty()) {
        const std::string point = queue.front();
        queue.erase(queue.begin());
        walked.insert(point);
        check(point);
        for (const std::string& found : SimFaults::Known()) {
            if (!walked.count(found) && std::find(queue.begin(), queue.end(), found) == queue.end())
                queue.push_back(found);
        }
    }
    return walked;
}

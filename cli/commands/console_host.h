#pragma once
// What stands where the dialog stands for the graph in tessmorctl: it holds the second
// reference to the tuner filter and the tuning space of the graph last built, and has no
// window, so the graph's messages have no owner and there is nothing to destroy at teardown.
#include "graph/graph_host.h"

class CConsoleHost : public IGraphHost {
public:
    HWND GraphOwnerWindow() const override { return nullptr; }
    ComPtr<IBaseFilter>& TunerFilter() override { return m_pTunerFilter; }
    ComPtr<ITuningSpace>& TuningSpace() override { return m_pTuningSpace; }
    BOOL DestroyHostWindow() override { return TRUE; }

private:
    ComPtr<IBaseFilter> m_pTunerFilter;
    ComPtr<ITuningSpace> m_pTuningSpace;
};

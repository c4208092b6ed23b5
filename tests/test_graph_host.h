#pragma once
// Stands in for the mode dialog as the window a graph is built for.
#include "graph/graph_host.h"

class TestGraphHost : public IGraphHost {
public:
    HWND GraphOwnerWindow() const override { return owner; }
    ComPtr<IBaseFilter>& TunerFilter() override { return tunerFilter; }
    ComPtr<ITuningSpace>& TuningSpace() override { return tuningSpace; }
    BOOL DestroyHostWindow() override
    {
        ++windowsDestroyed;
        return destroyResult;
    }

    HWND owner = nullptr;
    ComPtr<IBaseFilter> tunerFilter;
    ComPtr<ITuningSpace> tuningSpace;
    int windowsDestroyed = 0;
    BOOL destroyResult = TRUE;
};

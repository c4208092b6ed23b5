#pragma once
// The window a tuner graph is built for: it owns the build's message boxes, and holds the
// second reference to the tuner filter and the tuning space of the graph last built.
#include <windows.h>
#include <strmif.h>
#include <tuner.h>

#include "platform/com_ptr.h"

class IGraphHost {
public:
    virtual HWND GraphOwnerWindow() const = 0;
    virtual ComPtr<IBaseFilter>& TunerFilter() = 0;
    virtual ComPtr<ITuningSpace>& TuningSpace() = 0;
    // The framework's own destruction of the window (not an override of it).
    virtual BOOL DestroyHostWindow() = 0;

protected:
    ~IGraphHost() = default;
};

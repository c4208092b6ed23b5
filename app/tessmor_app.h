#pragma once
// The application: prepares the framework and COM, looks for the card's tuner once, and then
// either says that there is no card or runs the mode dialog. Either way the program then ends.
#include "framework/win_app.h"

class CTessmorApp : public CWinApp {
public:
    CTessmorApp() = default;
    ~CTessmorApp() override = default;

    const CMessageMap* GetMessageMap() const override;
    // Always FALSE: the application has no message loop of its own and ends when this returns.
    BOOL InitInstance() override;

    // One search for the card's tuner, kept as the graph's tuner; whether one was found.
    bool ProbeTunerDevice();
};

#pragma once
// One use of the card by tessmorctl, from COM's start to its end: the tuner is searched for
// once, without the dialog program's pause, then the graph is built as the dialog builds it
// (DVB-S, then DVB-T, then DVB-C, until the property channel passes the support test), and at
// the end it is torn down as the dialog's end tears it down.
#include <windows.h>
#include <strmif.h>

#include "cli/console_host.h"
#include "cli/reporter.h"

class CModeSession {
public:
    explicit CModeSession(Reporter& reporter) : m_reporter(reporter) {}
    // Releases every reference, the host's first, and ends COM.
    ~CModeSession();
    CModeSession(const CModeSession&) = delete;
    CModeSession& operator=(const CModeSession&) = delete;

    // kExitSuccess with a channel that supports the property; otherwise the exit status, with
    // the reason reported: the card (its tuner or its receiver) is not found, or no graph
    // carries the property.
    int Open();
    IKsPropertySet* Channel() const;

private:
    Reporter& m_reporter;
    CConsoleHost m_host;
    bool m_comStarted = false;
};

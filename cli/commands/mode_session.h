#pragma once
// One use of the card by tessmorctl, from COM's start to its end: the tuner is searched for,
// without the dialog program's pause, then the graph is built as the dialog builds it (DVB-S,
// then DVB-T, then DVB-C, until the property channel passes the support test), and at the end
// it is torn down as the dialog's end tears it down. With time allowed (--timeout), a tuner
// not found is searched for again about once a second, and so is a receiver the build did not
// find in any of its builds, with the whole fallback built again once it is there, until the
// time, counted from the program's start, is up.
#include <windows.h>
#include <strmif.h>

#include "cli/options/command_line.h"
#include "cli/commands/console_host.h"
#include "cli/commands/patience.h"
#include "cli/console/reporter.h"

class CModeSession {
public:
    CModeSession(Reporter& reporter, Clock& clock, DWORD timeoutSeconds)
        : m_reporter(reporter), m_patience(clock, 0, timeoutSeconds)
    {
    }
    // Releases every reference, the host's first, and ends COM.
    ~CModeSession();
    CModeSession(const CModeSession&) = delete;
    CModeSession& operator=(const CModeSession&) = delete;

    // kExitSuccess with a channel that supports the property; otherwise the exit status, with
    // the reason and what to do about it reported: the card (its tuner or its receiver) is not
    // found, or no graph carries the property.
    int Open();
    IKsPropertySet* Channel() const;
    // The card to use, from --card or --device (by default the first tuner that opens).
    void ChooseCard(const CtlRequest& request) { m_choice = request; }

private:
    // Searches for the tuner until it is found or the time is up; false, reported, without it.
    bool FindTuner();
    // Builds the graphs until one carries the property; whether one does, and whether any build
    // went without the receiver (so that its standard was never tested).
    bool BuildForProperty(bool& receiverMissing);

    // The tuner of the card chosen, with its path; false, with the reason, when the card is not
    // there now.
    bool SearchChosenTuner(std::wstring& reason, bool& listedButClosed);

    Reporter& m_reporter;
    CtlRequest m_choice;
    Patience m_patience;
    CConsoleHost m_host;
    bool m_comStarted = false;
};

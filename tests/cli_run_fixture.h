#pragma once
// tessmorctl run in-process on the simulated card: the fixture that runs it on recorded streams
// and checks what every run must leave, and the lines many tests expect.
#include <dshow.h>
#include <gmock/gmock.h>

#include <new>
#include <numeric>
#include <string>
#include <vector>

#include "cli/console/console_streams.h"
#include "cli/console/program_clock.h"
#include "cli/program/tessmorctl.h"
#include "fault_walk.h"
#include "sim/sim_card.h"
#include "sim_test.h"

struct RecordedStreams : ConsoleStreams {
    void Out(const std::wstring& line) override { out.push_back(line); }
    void Err(const std::wstring& line) override { err.push_back(line); }
    std::vector<std::wstring> out;
    std::vector<std::wstring> err;
};

// Streams that run out of memory at the first line of results.
struct StreamsOutOfMemory : RecordedStreams {
    void Out(const std::wstring&) override { throw std::bad_alloc(); }
};

// A run's time as if each pause it asked for had been slept: the program's own work takes none.
struct SleptClock : Clock {
    explicit SleptClock(const SimServices& recorded) : services(recorded) {}
    void Start() { firstSleep = services.sleeps.size(); }
    ULONGLONG Milliseconds() override
    {
        return before + std::accumulate(services.sleeps.begin() + firstSleep, services.sleeps.end(), ULONGLONG(0));
    }
    const SimServices& services;
    size_t firstSleep = 0;
    ULONGLONG before = 0;  // how long the program had run when it was handed its arguments
};

// Every run ends with COM ended, the graph emptied, nothing released after COM's end, and no
// message box shown.
class CtlTest : public SimTest {
protected:
    ~CtlTest() override
    {
        EXPECT_THAT(services.messageBoxes, ::testing::IsEmpty()) << "a message box would wait for a person";
    }

    // The card's devices and classes, once; a test may add devices before or after.
    void Install()
    {
        if (!m_installed)
            card.Install(services);
        m_installed = true;
    }

    int Run(std::vector<std::wstring> arguments)
    {
        return RunChecked([&] { return RunTessmorCtl(arguments, streams, clock, L"tessmorctl"); });
    }

    // One run of the program on fresh streams, and the checks of what every run must leave.
    template <class Program>
    int RunChecked(Program run)
    {
        Install();
        streams = RecordedStreams();
        clock.Start();
        SimLiveObjects::WatchApartment(true);
        const int status = run();
        EXPECT_FALSE(ComIsUp()) << "COM was left running";
        EXPECT_EQ(SimLiveObjects::ReleasesWithoutCom(), 0) << "released after CoUninitialize";
        SimLiveObjects::WatchApartment(false);
        EXPECT_TRUE(GraphIsEmpty());
        return status;
    }

    // The Set calls the card received, as their two bytes.
    std::vector<std::vector<BYTE>> Writes() const
    {
        std::vector<std::vector<BYTE>> writes;
        for (const auto& call : card.channel->calls) {
            if (call.call == SimPropertySet::Call::Set)
                writes.push_back(call.data);
        }
        return writes;
    }
    std::vector<SimPropertySet::Call> Calls() const
    {
        std::vector<SimPropertySet::Call> calls;
        for (const auto& call : card.channel->calls)
            calls.push_back(call.call);
        return calls;
    }

    // The sleeps of this run, in order.
    std::vector<DWORD> RunSleeps() const
    {
        return std::vector<DWORD>(services.sleeps.begin() + clock.firstSleep, services.sleeps.end());
    }

    SimCard card;
    RecordedStreams streams;
    SleptClock clock{services};

private:
    bool m_installed = false;
};

using Call = SimPropertySet::Call;

const wchar_t kUsage[] =
    L"Usage: tessmorctl [get | set MODE0 MODE1 [--wait] [--force | --dry-run] | list | devices | autostart ACTION] [OPTIONS]";
const wchar_t kNoCardAdvice[] =
    L"tessmorctl: check that the card is installed with its driver; at logon, --timeout SECONDS "
    L"(such as --timeout 60) gives the driver time to start";
const wchar_t kNoTuner[] = L"tessmorctl: No VKO DVBS device! (\"tessmorctl devices\" shows the devices the system lists)";
const wchar_t kUnsupported[] =
    L"tessmorctl: the card's demodulator-mode property is supported under none of DVB-S, DVB-T and DVB-C";
const wchar_t kUnsupportedAdvice[] =
    L"tessmorctl: the driver installed may not be the card's own, or too old for it: install the card's current driver";


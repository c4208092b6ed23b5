// Times Tessmor.exe on the simulated card against the baseline dialog, run alternately in the
// same prefix: launch until both "Current Mode" fields are filled, and a click on "Write" until
// the process has ended; once with the property everywhere, once only under DVB-C (three graph
// builds); and tessmorctl get, start to exit, against a console program that only starts and
// ends. Prints medians and ratios as a Markdown table.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "console_program.h"
#include "program_under_test.h"
#include "sim/server/sim_registry.h"

namespace {

constexpr DWORD kPatience = 30000;
constexpr int kFieldA = 1014, kFieldB = 1015, kWrite = 1013, kTunerA = 1016, kTunerB = 1017;

struct Timing {
    double launch = -1;  // milliseconds from start to both fields filled
    double write = -1;   // milliseconds from the click to the process's end
};

std::string Field(HWND dialog, int id)
{
    char text[64] = {};
    SendMessageA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

double Now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * double(counter.QuadPart) / double(frequency.QuadPart);
}

Timing Measure(const char* variable, const char* title, bool tool)
{
    Timing timing;
    const double start = Now();
    ProgramUnderTest program(ProgramUnderTest::WindowsPath(variable, ""));
    HWND dialog = program.WaitForWindow(title, kPatience);
    if (!dialog)
        return timing;
    while (Field(dialog, kFieldA).empty() || Field(dialog, kFieldB).empty()) {
        if (Now() - start > kPatience)
            return timing;
        Sleep(1);
    }
    timing.launch = Now() - start;

    if (tool) {
        // A pair that the tool accepts: DVB-T/T2 and DVB-S/S2 again, so the card stays as it was.
        for (int list : {kTunerA, kTunerB}) {
            SendMessageA(GetDlgItem(dialog, list), CB_SETCURSEL, list == kTunerA ? 0 : 1, 0);
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, list)));
        }
    }
    const double click = Now();
    PostMessageA(GetDlgItem(dialog, kWrite), BM_CLICK, 0, 0);
    if (tool) {
        HWND done = program.WaitForWindow("VKO Changed Mode Tool", kPatience);
        if (!done)
            return timing;
        ProgramUnderTest::PressOk(done);
    }
    if (program.WaitForExit(kPatience) == STILL_ACTIVE)
        return timing;
    timing.write = Now() - click;
    return timing;
}

// Milliseconds from the start of a console program to its end, or -1 when it failed or did not
// end in time.
double MeasureConsole(const char* variable, const std::vector<std::string>& arguments)
{
    const double start = Now();
    const ConsoleRun run = RunConsoleProgram(ProgramUnderTest::WindowsPath(variable, ""), arguments, kPatience);
    if (!run.started || run.exitCode != 0)
        return -1;
    return Now() - start;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    struct Row {
        const char* what;
        std::vector<double> baseline, tool;
    };
    Row rows[] = {{"launch to both fields filled", {}, {}},
                  {"Write click to exit", {}, {}},
                  {"launch to both fields filled, property only under DVB-C", {}, {}},
                  {"Write click to exit, property only under DVB-C", {}, {}},
                  {"tessmorctl get, start to exit (baseline: a console program that only ends)", {}, {}}};

    for (const wchar_t* networks : {L"STC", L"C"}) {
        SimScenario scenario;
        scenario.supportedNetworks = networks;
        scenario.Write();
        Row* launch = networks[1] ? &rows[0] : &rows[2];
        Row* write = launch + 1;
        Measure("TESSMOR_EXE", "VKO8305 Change Mode Tool", true);  // warms the prefix and caches
        for (int run = 0; run < runs; ++run) {
            const Timing floor = Measure("BENCH_BASELINE_EXE", "Bench Baseline", false);
            const Timing tool = Measure("TESSMOR_EXE", "VKO8305 Change Mode Tool", true);
            if (floor.launch < 0 || floor.write < 0 || tool.launch < 0 || tool.write < 0) {
                std::fprintf(stderr, "bench: a run did not complete\n");
                return 1;
            }
            launch->baseline.push_back(floor.launch);
            launch->tool.push_back(tool.launch);
            write->baseline.push_back(floor.write);
            write->tool.push_back(tool.write);
        }
    }
    SimScenario().Write();
    Row& ctl = rows[4];
    (void)MeasureConsole("TESSMOR_CTL_EXE", {"get"});  // warms the prefix and caches
    for (int run = 0; run < runs; ++run) {
        const double floor = MeasureConsole("BENCH_CONSOLE_BASELINE_EXE", {});
        const double tool = MeasureConsole("TESSMOR_CTL_EXE", {"get"});
        if (floor < 0 || tool < 0) {
            std::fprintf(stderr, "bench: a console run did not complete\n");
            return 1;
        }
        ctl.baseline.push_back(floor);
        ctl.tool.push_back(tool);
    }
    SimRegistry::Delete(SimRegistry::kScenario);

    std::printf("| timing (median of %d) | baseline ms | Tessmor ms | ratio |\n|---|---|---|---|\n", runs);
    bool withinTarget = true;
    for (const Row& row : rows) {
        const double floor = Median(row.baseline), tool = Median(row.tool);
        const double ratio = tool / floor;
        // The target is the dialog's: its baseline does all the work but the tool's own.
        if (&row != &ctl)
            withinTarget = withinTarget && ratio <= 1.05;
        std::printf("| %s | %.0f | %.0f | %.3f |\n", row.what, floor, tool, ratio);
    }
    std::printf("\nEach ratio of the dialog %s the target of 1.05.\n", withinTarget ? "is within" : "is NOT within");
    return 0;
}

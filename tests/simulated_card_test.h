#pragma once
// Base of the tests that run a real program of the tool in the private Wine prefix on the
// simulated card: the card's server is registered once, every test starts from a card with its
// default modes and no tuning spaces under the scenario the test writes, and what the card kept
// and reported can be read back.
#include <gmock/gmock.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "program_under_test.h"
#include "sim/server/sim_registry.h"

class SimulatedCardTest : public ::testing::Test {
protected:
    static constexpr DWORD kPatience = 30000;

    static void SetUpTestSuite()
    {
        // A run under another code page must really run under it.
        if (const char* expected = std::getenv("TESSMOR_EXPECT_CODE_PAGE")) {
            ASSERT_EQ(GetACP(), UINT(std::atoi(expected)));
        }
        std::string command = "regsvr32 /s \"" + ProgramUnderTest::WindowsPath("TESSMOR_SIM_DLL", "TessmorSim.dll") + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(ProgramUnderTest::StartProcess(command, FALSE, startup, process));
        WaitForSingleObject(process.hProcess, kPatience);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        ASSERT_EQ(code, 0u) << "the simulated card could not be registered";
    }

    void SetUp() override
    {
        SimRegistry::Delete(SimRegistry::kRoot);
        scenario.Write();
    }
    void TearDown() override { SimRegistry::Delete(SimRegistry::kRoot); }

    // After a run that used the card: everything the simulated platform made was released, and
    // while COM was up. How many windows the program had while it used the card comes back.
    DWORD ExpectReleasedInTime()
    {
        EXPECT_EQ(SimRegistry::ReadNumber(SimRegistry::kReport, "LiveObjects", 99), 0u);
        EXPECT_EQ(SimRegistry::ReadNumber(SimRegistry::kReport, "ReleasesWithoutCom", 99), 0u);
        const DWORD windows = SimRegistry::ReadNumber(SimRegistry::kReport, "WindowsSeen", 99);
        captureRefusals = SimRegistry::ReadNumber(SimRegistry::kReport, "CaptureRefusals", 99);
        SimRegistry::Delete(SimRegistry::kReport);
        return windows;
    }
    // From the same report: how often the run was refused the capture device as open already.
    DWORD captureRefusals = 0;

    // The modes the card holds (or the second card, given SimRegistry::kSecondCard).
    std::vector<BYTE> CardModes(const char* card = SimRegistry::kCard)
    {
        BYTE modes[2] = {};
        if (!SimRegistry::ReadBytes(card, "Modes", modes, 2))
            return {};
        return {modes[0], modes[1]};
    }
    void SetCardModes(BYTE a, BYTE b)
    {
        const BYTE modes[2] = {a, b};
        SimRegistry::WriteBytes(SimRegistry::kCard, "Modes", modes, 2);
    }
    // A PC with the server's second card beside the first, listed crossed with it, and the two
    // cards' modes.
    void UseTwoCards(BYTE a, BYTE b, BYTE secondA, BYTE secondB)
    {
        scenario.cards = 2;
        scenario.Write();
        SetCardModes(a, b);
        const BYTE second[2] = {secondA, secondB};
        SimRegistry::WriteBytes(SimRegistry::kSecondCard, "Modes", second, 2);
    }
    // How often a graph connected the receiver of the card (SimRegistry::kCard or kSecondCard).
    static DWORD ReceiverConnections(const char* card)
    {
        return SimRegistry::ReadNumber(card, "ReceiverConnections", 0);
    }

    std::vector<std::wstring> TuningSpaceNames()
    {
        std::vector<std::wstring> names;
        const DWORD count = SimRegistry::ReadNumber(SimRegistry::kTuningSpaces, "Count", 0);
        for (DWORD i = 0; i < count; ++i) {
            const std::string key = std::string(SimRegistry::kTuningSpaces) + "\\" + std::to_string(i);
            names.push_back(SimRegistry::ReadText(key.c_str(), "UniqueName", L"?"));
        }
        return names;
    }

    SimScenario scenario;
};

#pragma once
// Where the simulated card keeps what must outlive one run, in the Wine prefix's registry
// under HKLM\Software\TessmorSim: the scenario a test or tools/run chose, the card's mode bytes,
// the system's tuning spaces, and the report the server leaves when it unloads.
#include <windows.h>

#include <string>

namespace SimRegistry {

constexpr char kScenario[] = "Software\\TessmorSim\\Scenario";
constexpr char kCard[] = "Software\\TessmorSim\\Card";
// Modes a Set wrote that the card reports only once the scenario's delay has passed.
constexpr char kPendingModes[] = "Software\\TessmorSim\\PendingModes";
constexpr char kTuningSpaces[] = "Software\\TessmorSim\\TuningSpaces";
constexpr char kReport[] = "Software\\TessmorSim\\Report";
constexpr char kRoot[] = "Software\\TessmorSim";

DWORD ReadNumber(const char* key, const char* name, DWORD fallback);
std::wstring ReadText(const char* key, const char* name, const std::wstring& fallback);
// Whether the value exists with exactly this many bytes; then they are copied out.
bool ReadBytes(const char* key, const char* name, BYTE* bytes, DWORD count);

void WriteNumber(const char* key, const char* name, DWORD value);
void WriteText(const char* key, const char* name, const std::wstring& value);
void WriteBytes(const char* key, const char* name, const BYTE* bytes, DWORD count);

// Removes a key with everything below it.
void Delete(const char* key);

}  // namespace SimRegistry

// The scenario the simulated card plays, read anew each time it matters.
struct SimScenario {
    bool cardPresent = true;
    bool getFails = false;
    bool setFails = false;
    bool setIgnored = false;  // a Set succeeds but the card keeps its old modes
    bool transportInformationPresent = true;
    bool input0Present = true;
    bool input0HasPropertySet = true;
    DWORD captureDelayMilliseconds = 0;  // the capture device appears this long after start
    bool captureOpensOnce = false;  // the capture device refuses a second open while one is alive
    DWORD tunerDelayMilliseconds = 0;    // the tuner opens only this long after start
    DWORD setDelayMilliseconds = 0;      // a Set's modes are reported only this long after it
    std::wstring setTuners = L"01";      // the tuners (0, 1) whose mode a Set changes
    std::wstring supportedNetworks = L"STC";  // S, T and C: where the property is supported

    static SimScenario Read();
    void Write() const;
};

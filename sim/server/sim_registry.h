#pragma once
// Where the simulated card keeps what must outlive one run, in the Wine prefix's registry
// under HKLM\Software\TessmorSim: the scenario a test or tools/run chose, the card's mode bytes,
// the system's tuning spaces, and the report the server leaves when it unloads.
#include <windows.h>

#include <string>

namespace SimRegistry {

constexpr char kScenario[] = "Software\\TessmorSim\\Scenario";
constexpr char kCard[] = "Software\\TessmorSim\\Card";
// The second card of a simulated PC with two: its modes and what reached it, as kCard has them.
constexpr char kSecondCard[] = "Software\\TessmorSim\\Card2";
// Modes a Set wrote that the card reports only once the scenario's delay has passed.
constexpr char kPendingModes[] = "Software\\TessmorSim\\PendingModes";
constexpr char kTuningSpaces[] = "Software\\TessmorSim\\TuningSpaces";
constexpr char kReport[] = "Software\\TessmorSim\\Report";
// What the simulated TV server's service counts: its starts and its stops.
constexpr char kService[] = "Software\\TessmorSim\\Service";
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

// A class or category id as the registry's keys name it: {XXXXXXXX-...}.
std::string GuidText(const GUID& guid);

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
    // The PC holds this many cards (1 or 2). The second card's devices are listed crossed with
    // the first's: its receiver before the first card's, its tuner after.
    DWORD cards = 1;
    std::wstring secondSupportedNetworks = L"STC";  // where the second card supports the property

    static SimScenario Read();
    // Also lists the second card's devices in the system, or takes them out again.
    void Write() const;
};

// The second card's filters: their class ids, and the device paths they are listed with.
extern const GUID CLSID_SimSecondTuner;
extern const GUID CLSID_SimSecondCapture;
extern const char kSecondTunerPath[];
extern const char kSecondCapturePath[];

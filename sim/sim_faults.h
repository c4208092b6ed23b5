#pragma once
// The injection points of the simulated platform: every simulated call that a caller may see
// fail names itself here when it starts. A point becomes known the first time it is passed, so
// a test can walk all of them without a list of its own; an armed point fails every call.
#include <windows.h>

#include <string>
#include <vector>

class SimFaults {
public:
    // At the start of a call that can fail: the failure to return, or S_OK to go on.
    static HRESULT Check(const std::string& point);
    // The points passed so far, in the order they were first passed.
    static const std::vector<std::string>& Known();
    static void Arm(const std::string& point, HRESULT failure);
    static void Disarm();
    // How often the armed point failed a call since it was armed.
    static int Failures();

    // Every point passed since the last ForgetPassed, once per call, in order: a trace of the
    // simulated calls that tests read to see what the program asked for.
    static const std::vector<std::string>& Passed();
    static void ForgetPassed();

    // The point name for a QueryInterface of the interface.
    static std::string QueryInterfacePoint(REFIID iid);
    // The point name for a creation of the class.
    static std::string CreationPoint(REFCLSID clsid);
};

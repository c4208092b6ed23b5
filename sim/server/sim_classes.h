#pragma once
// What the simulated platform's server offers: its own card devices, and stand-ins under the
// stock class ids for what Wine lacks.
#include <windows.h>

#include <functional>
#include <vector>

struct SimServerClass {
    GUID clsid;
    const char* name;
    const GUID* deviceCategory;     // listed as a device of this category, or null
    const wchar_t* friendlyName;    // its name in the category
    std::function<IUnknown*()> make;  // one new object with one reference, or null
    const char* devicePath = nullptr;  // its "DevicePath" in the category, if it has one
};

// Every class the server registers and creates.
const std::vector<SimServerClass>& SimServerClasses();

// How often this process was refused the capture device because it was open already.
int SimCaptureRefusals();

#include "sim/sim_faults.h"

#include <algorithm>

namespace {

std::vector<std::string>& KnownPoints()
{
    static std::vector<std::string> points;
    return points;
}

std::vector<std::string> g_passed;
std::string g_armed;
HRESULT g_failure = S_OK;
int g_failures = 0;

}  // namespace

HRESULT SimFaults::Check(const std::string& point)
{
    std::vector<std::string>& known = KnownPoints();
    if (std::find(known.begin(), known.end(), point) == known.end())
        known.push_back(point);
    g_passed.push_back(point);
    if (!g_armed.empty() && point == g_armed) {
        ++g_failures;
        return g_failure;
    }
    return S_OK;
}

const std::vector<std::string>& SimFaults::Known()
{
    return KnownPoints();
}

const std::vector<std::string>& SimFaults::Passed()
{
    return g_passed;
}

void SimFaults::ForgetPassed()
{
    g_passed.clear();
}

void SimFaults::Arm(const std::string& point, HRESULT failure)
{
    g_armed = point;
    g_failure = failure;
    g_failures = 0;
}

void SimFaults::Disarm()
{
    g_armed.clear();
    g_failure = S_OK;
}

int SimFaults::Failures()
{
    return g_failures;
}

namespace {
std::string TextOf(REFGUID guid)
{
    WCHAR text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return std::string(text, text + lstrlenW(text));
}
}  // namespace

std::string SimFaults::QueryInterfacePoint(REFIID iid)
{
    return "QueryInterface " + TextOf(iid);
}

std::string SimFaults::CreationPoint(REFCLSID clsid)
{
    return "CoCreateInstance " + TextOf(clsid);
}

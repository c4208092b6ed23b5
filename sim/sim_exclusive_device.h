#pragma once
// A device that can be open only once at a time, as some kernel-streaming filters are: while
// the filter of one open is alive, a second open is refused. The filter keeps its claim for as
// long as it lives.
#include <memory>

class SimExclusiveDevice {
public:
    // A claim for a new filter of the device, or null while an earlier filter is still alive.
    std::shared_ptr<void> Claim()
    {
        if (!m_open.expired()) {
            ++refusals;
            return nullptr;
        }
        auto claim = std::make_shared<int>(0);
        m_open = claim;
        return claim;
    }

    int refusals = 0;  // opens refused while the device was open

private:
    std::weak_ptr<void> m_open;
};

#include "cli/commands/patience.h"

#include "platform/system_services.h"

namespace {
constexpr ULONGLONG kRetryPause = 1000;
}  // namespace

bool Patience::PauseBeforeNextTry()
{
    const ULONGLONG now = m_clock.Milliseconds();
    if (now >= m_end)
        return false;
    const ULONGLONG left = m_end - now;
    Services().Sleep(static_cast<DWORD>(left < kRetryPause ? left : kRetryPause));
    ++m_try;
    return true;
}

#include "cli/commands/com_start.h"

#include <objbase.h>

#include "cli/console/text.h"

bool StartCom(Reporter& reporter)
{
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_SPEED_OVER_MEMORY);
    if (FAILED(com)) {
        reporter.Error(Concat({"COM cannot be started (", ResultCode(com), ")"}));
        return false;
    }
    return true;
}

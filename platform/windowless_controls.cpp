// The common controls' entry of the system services for a program that makes no window: there
// are no controls to register, and the common-controls library, which the loader would look for
// in the program's own folder first, is never imported.
#include "platform/system_services.h"

BOOL SystemServices::InitCommonControls(const INITCOMMONCONTROLSEX&)
{
    ::SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

// The common controls' entry of the system services, as Windows gives it.
#include "platform/system_services.h"

BOOL SystemServices::InitCommonControls(const INITCOMMONCONTROLSEX& controls)
{
    return ::InitCommonControlsEx(&controls);
}

#include "cli/commands/card_names.h"

#include "cli/console/text.h"

std::wstring TryNote(bool again, ULONGLONG milliseconds)
{
    if (!again)
        return {};
    return L" again (" + Decimal(static_cast<unsigned long>(milliseconds / 1000)) + L"." +
           Decimal(static_cast<unsigned long>(milliseconds % 1000 / 100)) + L" s after the start)";
}

#include "cli/commands/card_names.h"

#include "cli/console/text.h"

std::wstring TryNote(bool again, ULONGLONG milliseconds)
{
    if (!again)
        return {};
    return Concat({" again (", Decimal(static_cast<unsigned long>(milliseconds / 1000)), ".",
                   Decimal(static_cast<unsigned long>(milliseconds % 1000 / 100)), " s after the start)"});
}

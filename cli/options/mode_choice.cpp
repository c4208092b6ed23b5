#include "cli/options/mode_choice.h"

#include "cli/options/mode_names.h"
#include "cli/console/text.h"

bool ParseModeChoice(const std::wstring& text, ModeChoice& choice)
{
    if (EqualsIgnoringCase(text, "keep")) {
        choice = {true, DemodModeNone};
        return true;
    }
    // A code is one digit; "04" or " 4" name nothing.
    if (text.size() == 1 && text[0] >= L'1' && text[0] < L'1' + kDemodModeCount) {
        choice = {false, static_cast<DemodMode>(text[0] - L'0')};
        return true;
    }
    for (int code = 1; code <= kDemodModeCount; ++code) {
        if (EqualsIgnoringCase(text, DemodModeName(static_cast<DemodMode>(code)))) {
            choice = {false, static_cast<DemodMode>(code)};
            return true;
        }
    }
    const DemodMode alias = ModeOfAlias(text);
    if (alias == DemodModeNone)
        return false;
    choice = {false, alias};
    return true;
}

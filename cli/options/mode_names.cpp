#include "cli/options/mode_names.h"

#include <algorithm>

#include "cli/console/text.h"

namespace {

struct Alias {
    const char* name;
    DemodMode mode;
};

const Alias kAliases[] = {
    {"DVB-T", DemodModeDvbT}, {"DVB-T2", DemodModeDvbT}, {"DVBT", DemodModeDvbT},  {"DVBT2", DemodModeDvbT},
    {"DVB-S", DemodModeDvbS}, {"DVB-S2", DemodModeDvbS}, {"DVBS", DemodModeDvbS},  {"DVBS2", DemodModeDvbS},
    {"DVBC", DemodModeDvbC},  {"ISDBT", DemodModeIsdbT}, {"MCNS", DemodModeMcnsQamB},  {"QAMB", DemodModeMcnsQamB},
    {"QAM-B", DemodModeMcnsQamB}, {"DVB-C2", DemodModeDvbC2},
};

wchar_t Lower(wchar_t c)
{
    return c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c;
}

// How many letters must be put in, taken out or changed to turn one text into the other,
// letters compared without regard to case.
size_t EditDistance(const std::wstring& typed, const char* name)
{
    const std::wstring other = Widen(name);
    std::vector<size_t> row(other.size() + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= typed.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= other.size(); ++j) {
            const size_t above = row[j];
            const size_t change = diagonal + (Lower(typed[i - 1]) == Lower(other[j - 1]) ? 0 : 1);
            row[j] = std::min({above + 1, row[j - 1] + 1, change});
            diagonal = above;
        }
    }
    return row[other.size()];
}

}  // namespace

std::vector<const char*> ModeAliases(DemodMode mode)
{
    std::vector<const char*> names;
    for (const Alias& alias : kAliases) {
        if (alias.mode == mode)
            names.push_back(alias.name);
    }
    return names;
}

DemodMode ModeOfAlias(const std::wstring& text)
{
    for (const Alias& alias : kAliases) {
        if (EqualsIgnoringCase(text, alias.name))
            return alias.mode;
    }
    return DemodModeNone;
}

const char* NearestModeName(const std::wstring& text)
{
    // Long texts are nothing a user meant as a mode; they are not compared at all.
    if (text.size() > 20)
        return nullptr;
    std::vector<const char*> names = {"keep"};
    for (int code = 1; code <= kDemodModeCount; ++code) {
        const DemodMode mode = static_cast<DemodMode>(code);
        if (mode == DemodModeAtsc)
            continue;  // never suggested: it is refused anyway
        names.push_back(DemodModeName(mode));
        for (const char* alias : ModeAliases(mode))
            names.push_back(alias);
    }
    const char* nearest = nullptr;
    size_t best = 0;
    for (const char* name : names) {
        const size_t distance = EditDistance(text, name);
        if (!nearest || distance < best) {
            nearest = name;
            best = distance;
        }
    }
    // Near enough: at most two letters off, and fewer than half of what was typed.
    return best <= 2 && best * 2 < text.size() ? nearest : nullptr;
}

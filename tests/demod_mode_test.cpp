#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "modes/demod_mode.h"

TEST(DemodModeName, NamesTheSevenModesInListOrder)
{
    const char* expected[] = {"DVB-T/T2", "DVB-S/S2", "ATSC", "DVB-C", "ISDB-T", "MCNS/QAMB",
                              "DVBC2"};
    for (int code = 1; code <= kDemodModeCount; ++code)
        EXPECT_STREQ(DemodModeName(static_cast<DemodMode>(code)), expected[code - 1]) << code;
}

TEST(DemodModeName, EachNamedCodeIsTheCardsCodeForItsStandard)
{
    // The codes the driver knows, by value: a named code that drifted would write another mode.
    const std::pair<DemodMode, const char*> codes[] = {
        {DemodModeDvbT, "DVB-T/T2"}, {DemodModeDvbS, "DVB-S/S2"},   {DemodModeAtsc, "ATSC"},
        {DemodModeDvbC, "DVB-C"},    {DemodModeIsdbT, "ISDB-T"},   {DemodModeMcnsQamB, "MCNS/QAMB"},
        {DemodModeDvbC2, "DVBC2"},
    };
    int expected = 1;
    for (const auto& [code, name] : codes) {
        EXPECT_EQ(code, expected++) << name;
        EXPECT_STREQ(DemodModeName(code), name);
    }
    EXPECT_EQ(DemodModeNone, 0);
    EXPECT_STREQ(DemodModeName(DemodModeNone), "NO Set");
}

TEST(DemodModeName, EveryOtherByteIsNotSet)
{
    EXPECT_STREQ(DemodModeName(0), "NO Set");
    for (int code = 8; code <= 255; ++code)
        EXPECT_STREQ(DemodModeName(static_cast<DemodMode>(code)), "NO Set") << code;
}

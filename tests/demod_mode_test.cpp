#include <gtest/gtest.h>

#include <string>

#include "modes/demod_mode.h"

TEST(DemodModeName, NamesTheSevenModesInListOrder)
{
    const char* expected[] = {"DVB-T/T2", "DVB-S/S2", "ATSC", "DVB-C", "ISDB-T", "MCNS/QAMB",
                              "DVBC2"};
    for (int code = 1; code <= kDemodModeCount; ++code)
        EXPECT_STREQ(DemodModeName(static_cast<DemodMode>(code)), expected[code - 1]) << code;
    EXPECT_STREQ(DemodModeName(DemodModeAtsc), "ATSC");
}

TEST(DemodModeName, EveryOtherByteIsNotSet)
{
    EXPECT_STREQ(DemodModeName(0), "NO Set");
    for (int code = 8; code <= 255; ++code)
        EXPECT_STREQ(DemodModeName(static_cast<DemodMode>(code)), "NO Set") << code;
}

// The real Tessmor.exe on a system without the card.
#include <gtest/gtest.h>

#include "program_under_test.h"

namespace {

constexpr int kMessageBoxIcon = 0x0440;  // the icon control of the platform's message box

TEST(WithoutTheCard, TheProgramSaysSoAfterItsPauseAndEndsWhenTold)
{
    ProgramUnderTest program;
    ASSERT_TRUE(program.Started()) << ProgramUnderTest::ExecutablePath();

    HWND box = program.WaitForWindow("Tessmor", 30000);
    ASSERT_NE(box, nullptr) << "no message box titled Tessmor";
    EXPECT_GE(program.Elapsed(), 1000u) << "the message came before the one-second pause";
    EXPECT_EQ(ProgramUnderTest::MessageText(box), "No VKO DVBS device!");
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
    for (int other : {IDCANCEL, IDYES, IDNO, IDRETRY, IDABORT, IDIGNORE})
        EXPECT_EQ(GetDlgItem(box, other), nullptr) << other;
    HWND icon = GetDlgItem(box, kMessageBoxIcon);
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(IsWindowVisible(icon));
    // Which icon it is (the warning icon) is the box's type, checked where the box is made;
    // from another process it can only be seen that the box shows one.
    EXPECT_NE(SendMessageA(icon, STM_GETICON, 0, 0), 0);
    EXPECT_FALSE(program.HasWindow("VKO8305 Change Mode Tool"));

    ProgramUnderTest::PressOk(box);
    EXPECT_EQ(program.WaitForExit(30000), 0u);
}

}  // namespace

// Runs with a double-byte ANSI code page (932): pin names whose ANSI form is longer than their
// character count, and double-byte characters whose second byte is an ASCII letter.
#include <gtest/gtest.h>

#include <string>

#include "graph/bda_graph.h"
#include "graph/pin_name.h"
#include "sim/sim_filter.h"
#include "sim_test.h"

namespace {

class DoubleBytePinNameTest : public SimTest {
protected:
    void SetUp() override { ASSERT_EQ(GetACP(), 932u) << "this suite needs code page 932"; }

    static std::string Ansi(const std::wstring& name)
    {
        WCHAR wide[MAX_PIN_NAME] = {};
        name.copy(wide, MAX_PIN_NAME - 1);
        char ansi[kPinNameBufferSize];
        PinNameToAnsi(wide, ansi);
        return ansi;
    }
};

// U+3042 (hiragana a) is 82 A0 in code page 932; U+30AA (katakana o) is 83 49, whose second
// byte is 'I'.
const wchar_t kHiraganaA = L'\x3042';
const wchar_t kKatakanaO = L'\x30AA';

TEST_F(DoubleBytePinNameTest, LongNamesKeepWholeCharactersWithin79Bytes)
{
    // 100 double-byte characters: 200 bytes of ANSI text for 100 characters.
    const std::string kept = Ansi(std::wstring(100, kHiraganaA));
    EXPECT_EQ(kept.size(), 78u);  // 39 whole characters; the 40th would need byte 80
    std::string expected;
    for (int i = 0; i < 39; ++i)
        expected += "\x82\xA0";
    EXPECT_EQ(kept, expected);

    // One single-byte character first: the cut falls after byte 79 exactly.
    EXPECT_EQ(Ansi(L"x" + std::wstring(100, kHiraganaA)).size(), 79u);
}

TEST_F(DoubleBytePinNameTest, InputZeroIsFoundOnlyWhereItStandsAsCharacters)
{
    ComPtr<SimFilter> tuner;
    tuner.Attach(SimFilter::Create(L"tuner", {}));
    // "Input0" made of a trail byte and "nput0" is no match.
    tuner->AddPin((std::wstring(1, kKatakanaO) + L"nput0").c_str(), PINDIR_INPUT);
    EXPECT_FALSE(CBDAGraph::FindNamedPin(tuner.Get()));

    // Within the first 79 bytes after 36 double-byte characters (72 bytes + 6): found.
    const std::wstring within = std::wstring(36, kHiraganaA) + L"Input0";
    // After 37 of them (74 bytes + 6 = 80): beyond the buffer.
    const std::wstring beyond = std::wstring(37, kHiraganaA) + L"Input0";
    tuner->AddPin(within.c_str(), PINDIR_INPUT);
    tuner->AddPin(beyond.c_str(), PINDIR_INPUT);
    ComPtr<IPin> found = CBDAGraph::FindNamedPin(tuner.Get());
    ASSERT_TRUE(found);
    EXPECT_EQ(static_cast<SimPin*>(found.Get())->Name(), within);
}

}  // namespace

#include <gtest/gtest.h>

#include "platform/win/CodePage.h"

namespace {

TEST(CodePageTest, ConvertsBothWays) {
    auto sjis = win::Utf8ToCp932("コメント_a.txt");
    ASSERT_TRUE(sjis);
    EXPECT_EQ(*sjis, "\x83\x52\x83\x81\x83\x93\x83\x67_a.txt");
    EXPECT_EQ(win::Cp932ToUtf8(*sjis), "コメント_a.txt");
    EXPECT_EQ(win::Utf8ToCp932(""), "");
    EXPECT_EQ(win::Utf8ToCp932("～"), "\x81\x60");  // the Windows mapping of the wave dash
}

TEST(CodePageTest, RefusesWhatCannotBeRepresented) {
    EXPECT_FALSE(win::Utf8ToCp932("emoji 😀"));
    EXPECT_FALSE(win::Utf8ToCp932("\xff\xfe"));  // not UTF-8
    EXPECT_FALSE(win::Cp932ToUtf8("\x83"));      // a lead byte cut short
    EXPECT_FALSE(win::IsCp932Encodable("한국어"));
    EXPECT_TRUE(win::IsCp932Encodable("日本語 ascii"));
}

TEST(CodePageTest, OnlyTextThatReadsBackTheSameRoundTrips) {
    EXPECT_TRUE(win::RoundTripsCp932("報告書 2024-04.txt"));
    EXPECT_TRUE(win::RoundTripsCp932(""));
    EXPECT_FALSE(win::RoundTripsCp932("emoji 😀"));
    // Written as the folder separator's byte.
    EXPECT_TRUE(win::IsCp932Encodable("a¥b.txt"));
    EXPECT_FALSE(win::RoundTripsCp932("a¥b.txt"));
    // Of each pair sharing bytes, exactly one reads back as itself.
    for (auto [one, other] : {std::pair{"〜", "～"}, {"‖", "∥"}, {"−", "－"}}) {
        EXPECT_EQ(win::Utf8ToCp932(one), win::Utf8ToCp932(other)) << one;
        EXPECT_NE(win::RoundTripsCp932(one), win::RoundTripsCp932(other)) << one;
    }
}

TEST(CodePageTest, LongTextsConvertWhole) {
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += "あ";
    auto sjis = win::Utf8ToCp932(text);
    ASSERT_TRUE(sjis);
    EXPECT_EQ(sjis->size(), 10000u);
    EXPECT_EQ(win::Cp932ToUtf8(*sjis), text);
}

}  // namespace

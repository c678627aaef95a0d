// UTF-8 decoding and the UTF-8 <-> UTF-16 conversion, checked against the examples of the
// Unicode standard for ill-formed input.
#include <gtest/gtest.h>

#include <string>

#include "text/unicode_case.h"
#include "text/utf.h"

namespace {

struct Utf8Case {
  const char* what;
  std::string utf8;
  std::u16string utf16;  // with U+FFFD for each maximal ill-formed part
};

class Utf8ToUtf16Rules : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8ToUtf16Rules, ConvertAndValidateAlike) {
  const Utf8Case& c = GetParam();
  EXPECT_EQ(text::Utf8ToUtf16(c.utf8), c.utf16) << c.what;
  EXPECT_EQ(text::IsValidUtf8(c.utf8), c.utf16.find(u'\xFFFD') == std::u16string::npos) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Text, Utf8ToUtf16Rules,
    testing::Values(
        Utf8Case{"empty", "", u""},
        Utf8Case{"one to four bytes, shortest and longest",
                 "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
                 u"\x007F\x0080\x07FF\x0800\xFFFF\xD800\xDC00\xDBFF\xDFFF"},
        Utf8Case{"Chinese and an emoji", u8"中文😀", u"中文\xD83D\xDE00"},
        Utf8Case{"overlong forms", "\xC0\xAF\xE0\x80\xAF\xF0\x80\x80\xAF",
                 u"\xFFFD\xFFFD\xFFFD\xFFFD\xFFFD\xFFFD\xFFFD\xFFFD\xFFFD"},
        Utf8Case{"a surrogate written in UTF-8", "\xED\xA0\x80x", u"\xFFFD\xFFFD\xFFFDx"},
        Utf8Case{"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},
        Utf8Case{"bytes that never occur", "\xF5\xFE\xFF", u"\xFFFD\xFFFD\xFFFD"},
        Utf8Case{"truncated at the end", "a\xE4\xB8", u"a\xFFFD"},
        // The Unicode standard's own example of maximal parts (U+FFFD substitution).
        Utf8Case{"truncated sequences between characters",
                 "\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
                 u"a\xFFFD\xFFFD\xFFFD"
                 u"b\xFFFD"
                 u"c\xFFFD\xFFFD"
                 u"d"}));

TEST(Utf16ToUtf8, PairsJoinAndLoneSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(text::Utf16ToUtf8(u"A\xD83D\xDE00"
                              u"中"),
            u8"A😀中");
  EXPECT_EQ(text::Utf16ToUtf8(std::u16string(u"\xD83D"
                                             u"A")),
            "\xEF\xBF\xBD"
            "A");
  EXPECT_EQ(text::Utf16ToUtf8(std::u16string(u"A\xDE00")), "A\xEF\xBF\xBD");
  EXPECT_EQ(text::Utf16ToUtf8(std::u16string(u"\xDE00\xD83D")), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(text::Utf16ToUtf8(std::u16string(u"A\xD83D")), "A\xEF\xBF\xBD");
}

TEST(Utf8, DecodingMovesPastOneCharacterAtATime) {
  const std::string s = u8"a中😀";
  std::size_t pos = 0;
  char32_t c = 0;
  for (char32_t expected : {U'a', U'中', U'😀'}) {
    ASSERT_TRUE(text::DecodeUtf8(s, &pos, &c));
    EXPECT_EQ(c, expected);
  }
  EXPECT_EQ(pos, s.size());
}

struct CaseRule {
  std::string upper, lower;
};

class LowerCaseRules : public testing::TestWithParam<CaseRule> {};

TEST_P(LowerCaseRules, LowerOnlyTheLettersThatHaveACapital) {
  std::string lowered;
  ASSERT_TRUE(text::LowerUtf8(GetParam().upper, lowered));
  EXPECT_EQ(lowered, GetParam().lower);
}

INSTANTIATE_TEST_SUITE_P(Text, LowerCaseRules,
                         testing::Values(CaseRule{"ABC xyz 09", "abc xyz 09"},
                                         CaseRule{u8"ÀÉÞ×ß", u8"àéþ×ß"},
                                         CaseRule{u8"ĀĹŁŸŽİı", u8"āĺłÿžİı"},
                                         CaseRule{u8"ΆΈΌΏΑΩ", u8"άέόώαω"},
                                         CaseRule{u8"ЀЏАЯ", u8"ѐџая"}, CaseRule{u8"ⅠⅫ", u8"ⅰⅻ"},
                                         CaseRule{u8"ＡＺ中", u8"ａｚ中"}));

TEST(LowerCaseRules, IllFormedTextIsRefused) {
  std::string lowered;
  EXPECT_FALSE(text::LowerUtf8("A\xC0\xAF", lowered));
}

}  // namespace

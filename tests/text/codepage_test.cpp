// Code pages: the bytes of known characters in each ANSI code page in use, what a code page
// lacks, and the "?" of the replacing form.
#include <gtest/gtest.h>

#include <string>

#include "text/codepage.h"

namespace {

struct CodePageCase {
  unsigned code_page;
  std::string utf8;
  std::string bytes;
};

class CodePageRoundTrip : public testing::TestWithParam<CodePageCase> {};

TEST_P(CodePageRoundTrip, EncodesToTheKnownBytesAndDecodesBack) {
  const CodePageCase& c = GetParam();
  std::string out;
  ASSERT_TRUE(text::EncodeCodePage(c.code_page, c.utf8, &out)) << c.code_page;
  EXPECT_EQ(out, c.bytes) << c.code_page;
  ASSERT_TRUE(text::DecodeCodePage(c.code_page, c.bytes, &out)) << c.code_page;
  EXPECT_EQ(out, c.utf8) << c.code_page;
  EXPECT_EQ(text::EncodeCodePageReplacing(c.code_page, c.utf8), c.bytes) << c.code_page;
}

INSTANTIATE_TEST_SUITE_P(
    Text, CodePageRoundTrip,
    testing::Values(CodePageCase{936, u8"第一章 测试", "\xB5\xDA\xD2\xBB\xD5\xC2 \xB2\xE2\xCA\xD4"},
                    CodePageCase{936, u8"碩", "\xB4\x54"},  // an ASCII-looking trail byte
                    CodePageCase{932, u8"日本", "\x93\xFA\x96\x7B"},
                    CodePageCase{949, u8"한", "\xC7\xD1"}, CodePageCase{950, u8"中", "\xA4\xA4"},
                    CodePageCase{1252, u8"café", "caf\xE9"}, CodePageCase{1251, u8"Я", "\xDF"},
                    CodePageCase{1253, u8"Ω", "\xD9"}, CodePageCase{936, "plain", "plain"}));

struct MissingCase {
  unsigned code_page;
  std::string utf8;
  std::string replaced;  // EncodeCodePageReplacing
};

class CodePageLacks : public testing::TestWithParam<MissingCase> {};

TEST_P(CodePageLacks, StrictFailsAndReplacingWritesOneMarkPerUtf16Unit) {
  const MissingCase& c = GetParam();
  std::string out;
  EXPECT_FALSE(text::EncodeCodePage(c.code_page, c.utf8, &out)) << c.utf8;
  EXPECT_EQ(text::EncodeCodePageReplacing(c.code_page, c.utf8), c.replaced) << c.utf8;
}

INSTANTIATE_TEST_SUITE_P(
    Text, CodePageLacks,
    testing::Values(MissingCase{936, u8"A😀B", "A??B"},  // beyond the BMP: two units
                    MissingCase{1252, u8"测试", "??"},
                    MissingCase{1252, u8"Ω≈é", "??\xE9"},         // no look-alike: not "O", not "="
                    MissingCase{936, "A\xFF\xC0\xAF", "A???"}));  // ill-formed UTF-8

TEST(CodePage, BytesTheCodePageCannotReadFailToDecode) {
  std::string out;
  EXPECT_FALSE(text::DecodeCodePage(936, "\x81\x20", &out)) << "lead byte with an ASCII trail";
  EXPECT_FALSE(text::DecodeCodePage(936, "a\xD6", &out)) << "lead byte at the end";
  EXPECT_TRUE(text::CodePageSupported(936));
  EXPECT_FALSE(text::CodePageSupported(12345));
}

TEST(CodePage, LeadBytesAreThoseOfTheDoubleByteCodePagesOnly) {
  struct Lead {
    unsigned code_page;
    unsigned char byte;
    bool lead;
  };
  for (const Lead& c : {Lead{936, 0x81, true}, Lead{936, 0xFE, true}, Lead{936, 0x80, false},
                        Lead{936, 0xFF, false}, Lead{936, 'A', false}, Lead{932, 0x9F, true},
                        Lead{932, 0xA0, false}, Lead{932, 0xE0, true}, Lead{932, 0xFD, false},
                        Lead{949, 0xC7, true}, Lead{950, 0xA4, true}, Lead{1252, 0xB5, false}}) {
    EXPECT_EQ(text::IsLeadByte(c.code_page, c.byte), c.lead)
        << c.code_page << " " << static_cast<int>(c.byte);
    EXPECT_EQ(text::IsDbcsCodePage(c.code_page), c.code_page < 1000) << c.code_page;
  }
}

TEST(CodePage, LanguageChoosesTheAnsiCodePage) {
  EXPECT_EQ(text::CodePageForLcid(0x804), 936u);
  EXPECT_EQ(text::CodePageForLcid(0x404), 950u);
  EXPECT_EQ(text::CodePageForLcid(0x411), 932u);
  EXPECT_EQ(text::CodePageForLcid(0x412), 949u);
  EXPECT_EQ(text::CodePageForLcid(0x419), 1251u);
  EXPECT_EQ(text::CodePageForLcid(0x409), 1252u);
  EXPECT_EQ(text::CodePageForLcid(0x10804), 936u) << "the sort bits do not matter";
}

}  // namespace

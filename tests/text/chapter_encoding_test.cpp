// How a chapter's encoding is decided from its own bytes: byte-order marks, declarations of
// every kind, and UTF-8 recognised by its form.
#include <gtest/gtest.h>

#include <string>

#include "text/chapter_encoding.h"

namespace {

using text::Encoding;

struct EncodingCase {
  const char* what;
  std::string head;
  Encoding encoding;
  unsigned code_page = 0;
};

class PageEncoding : public testing::TestWithParam<EncodingCase> {};

TEST_P(PageEncoding, IsDecidedFromTheBytesAsABrowserWould) {
  const EncodingCase& c = GetParam();
  const text::ChapterEncoding got = text::DecidePageEncoding(c.head, c.head.size(), 936);
  EXPECT_EQ(got.encoding, c.encoding) << c.what;
  EXPECT_EQ(got.code_page, c.code_page) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Text, PageEncoding,
    testing::Values(
        EncodingCase{"UTF-8 mark", "\xEF\xBB\xBF<title>x</title>", Encoding::kUtf8},
        EncodingCase{"UTF-16 LE mark", "\xFF\xFE<\0t\0", Encoding::kUtf16Le},
        EncodingCase{"UTF-16 BE mark", "\xFE\xFF\0<\0t", Encoding::kUtf16Be},
        EncodingCase{"meta charset, quoted", "<meta charset=\"utf-8\">", Encoding::kUtf8},
        EncodingCase{"META CHARSET unquoted, upper case", "<META CHARSET=UTF-8>", Encoding::kUtf8},
        EncodingCase{"single quotes and blanks around =", "<meta charset = 'utf8' />",
                     Encoding::kUtf8},
        EncodingCase{"http-equiv content",
                     "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">",
                     Encoding::kUtf8},
        EncodingCase{"XML declaration", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                     Encoding::kUtf8},
        EncodingCase{"gb2312 is the ANSI code page itself",
                     "<meta content=text/html;charset=gb2312>\xE4\xB8\x80", Encoding::kAnsi},
        EncodingCase{"GBK whose bytes are UTF-8 by form: the declaration wins",
                     "<meta charset=gbk><title>\xE7\x9A\x84\xE7\x9A\x84</title>", Encoding::kAnsi},
        EncodingCase{"big5 is another code page", "<meta charset=big5>", Encoding::kCodePage, 950},
        EncodingCase{"Latin-1 means windows-1252", "<meta charset=ISO-8859-1>", Encoding::kCodePage,
                     1252},
        EncodingCase{"windows-1251", "<meta charset=windows-1251>", Encoding::kCodePage, 1251},
        EncodingCase{"UTF-16 declared in 8-bit text means UTF-8", "<meta charset=utf-16>",
                     Encoding::kUtf8},
        EncodingCase{"the first declaration wins", "<meta charset=big5><meta charset=utf-8>",
                     Encoding::kCodePage, 950},
        EncodingCase{"an unknown charset: the form decides", "<meta charset=x-unknown>\xE4\xB8\x80",
                     Encoding::kUtf8},
        EncodingCase{"charset= outside a tag is text, not a declaration",
                     "<p>charset=big5</p>\xE4\xB8\x80", Encoding::kUtf8},
        EncodingCase{"undeclared UTF-8 with a multi-byte character",
                     "<title>\xE7\xAC\xAC\xE4\xB8\x80</title>", Encoding::kUtf8},
        EncodingCase{"ASCII alone stays ANSI", "<title>plain</title>", Encoding::kAnsi},
        EncodingCase{"GBK bytes are not UTF-8", "<title>\xB5\xDA\xD2\xBB</title>", Encoding::kAnsi},
        EncodingCase{"one ill-formed byte after good UTF-8 makes it ANSI", "\xE4\xB8\x80 \xB5\xDA",
                     Encoding::kAnsi},
        EncodingCase{"GBK that is UTF-8 by chance: U+033C is no GBK character",
                     "<img src=\"\xCD\xBC.png\">", Encoding::kAnsi},
        EncodingCase{"UTF-8 by form with Latin and Greek letters GBK has",
                     "\xC3\xA9\xCE\xB1\xE4\xB8\x80", Encoding::kUtf8},
        EncodingCase{"UTF-8 by form with an emoji GBK lacks", "\xF0\x9F\x98\x80\xE4\xB8\x80",
                     Encoding::kUtf8},
        EncodingCase{"an overlong form is not UTF-8", "\xC0\xAF\xE4\xB8\x80", Encoding::kAnsi}));

TEST(PageEncoding, ACharacterCutAtTheEndOfTheHeadIsNotHeldAgainstIt) {
  const std::string page = "\xE4\xB8\x80\xE4\xB8\x80";
  EXPECT_EQ(text::DecidePageEncoding(page, 5, 936).encoding, Encoding::kUtf8);
  EXPECT_EQ(text::DecidePageEncoding(page.substr(0, 5) + "x", 6, 936).encoding, Encoding::kAnsi);
}

TEST(CharsetSniffer, FindsATagAndACharacterSplitAcrossPieces) {
  text::CharsetSniffer sniffer(950);
  sniffer.Feed("<html><meta http-equiv=\"Content-Type\"");
  sniffer.Feed(" content=\"text/html; charset=big5\"> \xE4");
  sniffer.Feed("\xB8\x80");
  EXPECT_EQ(sniffer.declared(), "big5");
  EXPECT_TRUE(sniffer.LooksLikeUtf8());
  EXPECT_EQ(sniffer.Decide().encoding, Encoding::kAnsi);
}

TEST(CharsetLabels, NameTheCodePagesBothPlatformsRead) {
  EXPECT_EQ(text::CodePageForCharset(" GB2312 "), 936u);
  EXPECT_EQ(text::CodePageForCharset("gb18030"), 54936u);
  EXPECT_EQ(text::CodePageForCharset("Shift_JIS"), 932u);
  EXPECT_EQ(text::CodePageForCharset("cp1258"), 1258u);
  EXPECT_EQ(text::CodePageForCharset("windows-1259"), 0u);
  EXPECT_EQ(text::CodePageForCharset(""), 0u);
}

}  // namespace

// The title rules on real files: what a chapter is called in the book's contents and index.
#include <gtest/gtest.h>

#include "book/titles.h"
#include "book_test_support.h"
#include "text/unicode_case.h"

using namespace testing_support;

namespace {

struct TitleCase {
  const char* what;
  std::string file_bytes;
  std::string expected_title;
};

class TitleRules : public ::testing::TestWithParam<TitleCase> {};

TEST_P(TitleRules, ReadsTheTitleOfTheFirstLineWithTheMarker) {
  ScratchFolder dir;
  WriteFile(dir / "c.htm", GetParam().file_bytes);
  RecordingPlatform p;
  std::string title, reason;
  ASSERT_TRUE(book::ReadChapterTitle(p, dir / "c.htm", title, reason)) << reason;
  EXPECT_EQ(title, GetParam().expected_title) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Files, TitleRules,
    ::testing::Values(
        TitleCase{"upper-case tags and capitals", "<HTML>\r\n<TITLE>Hello World</TITLE>\r\n",
                  "hello world"},
        TitleCase{"mixed-case tags", "<TiTlE>Mixed</tItLe>", "mixed"},
        TitleCase{"both ends of the alphabet", "<TITLE>AZ Zoo az</TITLE>", "az zoo az"},
        TitleCase{"title spanning lines keeps the rest of the first line",
                  "<title>First part\r\nsecond part</title>\r\n", "first part"},
        TitleCase{"empty title", "<title></title>\r\n", ""},
        TitleCase{"second opening marker cuts the title", "<title>one<title>two</title>", "one"},
        TitleCase{"tag with attributes is not the marker; the next line's is",
                  "<title lang=\"en\">Not this</title>\r\n<title>This</title>\r\n", "this"},
        TitleCase{"same line holds a plain marker after an attributed one",
                  "<title id=x>a</title><title>B</title>", "b"},
        TitleCase{"blanks between the markers stay", "<title>  spaced out  </title>",
                  "  spaced out  "},
        TitleCase{"no marker at all", "<html><body>text</body></html>\r\n", ""},
        TitleCase{"empty file", "", ""},
        TitleCase{"lines ending in CR only", "line one\rline two\r<title>CR</title>\rlast", "cr"},
        TitleCase{"LF-only file is one line up to its first CR", "a\nb\n<title>Found</title>\nc\n",
                  "found"},
        TitleCase{"LF stays in the line's text", "<title>a\nb</title>\r\n", "a\nb"},
        TitleCase{"last line without an end", "x\r\n<title>Tail", "tail"},
        TitleCase{"character references are not decoded", "<title>A &amp; B</title>", "a &amp; b"},
        TitleCase{"inner tags are kept", "<title><b>Bold</b></title>", "<b>bold</b>"}));

TEST(TitleEncodings, GbkTitleKeepsItsBytesAndLowersOnlyLetters) {
  ScratchFolder dir;
  // A GBK trail byte can look like an ASCII capital ("T" is 0x54): lower-casing byte by byte
  // would corrupt the character. 碩 is B4 54 in GBK.
  WriteFile(dir / "c.htm", Gbk(u8"<title>碩河ＡＢＣ ΑΒΓ ДЖ Ⅳ</title>"));
  RecordingPlatform p;
  std::string title, reason;
  ASSERT_TRUE(book::ReadChapterTitle(p, dir / "c.htm", title, reason));
  EXPECT_EQ(title, Gbk(u8"碩河ａｂｃ αβγ дж ⅳ"));
}

// The chapter files under tests/book/encodings, written as editors and browsers write them.
struct EncodedChapter {
  const char* file;
  const char* title;  // UTF-8; the entry name is its GBK form
};

const EncodedChapter kEncodedChapters[] = {
    {"01-utf8-bom.htm", u8"第一章 春天"},
    {"02-utf8-meta-charset.htm", u8"第二章 夏天"},
    {"03-utf8-http-equiv.htm", u8"第三章 秋天"},
    {"04-utf8-xml.htm", u8"第四章 冬天"},
    {"05-utf8-undeclared.txt", u8"第五章 无声明"},
    {"06-utf16le.txt", u8"第六章 小端 unicode"},
    {"07-utf16be.txt", u8"第七章 大端"},
    {"08-gbk-gb2312.htm", u8"第八章 国标"},
    // Its GBK bytes are also the UTF-8 of "的的"; it declares gb2312, so GBK it is.
    {"09-gbk-looks-utf8.htm", u8"鐨勭殑 09"},
    {"10-mht-quoted-printable.mht", u8"第十章 网页存档 qp"},
    {"11-mht-base64.mht", u8"第十一章 base64 存档"},
    {"12-mht-subject-only.mht", u8"第十二章 只有主题"},
    {"13-english-utf8.htm", u8"english title in utf-8 – été"},
    {"14-big5.htm", u8"第十四章 繁體"},
};

TEST(TitleEncodings, EachFormOfChapterGivesItsTitleInTheCodePage) {
  RecordingPlatform p;
  for (const EncodedChapter& c : kEncodedChapters) {
    std::string name, reason;
    ASSERT_TRUE(book::ChapterEntryName(p, FOLIVANE_SOURCE_DIR "/tests/book/encodings", c.file, name,
                                       reason))
        << c.file << ": " << reason;
    EXPECT_EQ(name, Gbk(c.title)) << c.file;
  }
}

TEST(TitleEncodings, WhatTheTextSaysDecides) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string title;  // GBK
  } cases[] = {
      {"undeclared UTF-8 that is also GBK by its bytes reads as UTF-8",
       "<title>\xE7\x9A\x84\xE7\x9A\x84</title>", Gbk(u8"的的")},
      {"a short GBK title that is UTF-8 by chance stays GBK", Gbk(u8"<title>图</title>"),
       Gbk(u8"图")},
      {"one line of GBK before the title keeps the whole file GBK",
       Gbk(u8"正文\r\n<title>第一章</title>"), Gbk(u8"第一章")},
      {"a declaration after the title line comes too late",
       "<title>\xE7\x9A\x84</title>\r<meta charset=gbk>", Gbk(u8"的")},
      {"a character the code page lacks becomes ?",
       "<meta charset=utf-8><title>A\xF0\x9F\x98\x80</title>", "a??"},
      {"ill-formed bytes in a page said to be UTF-8 become ?",
       "<meta charset=utf-8><title>x\xFFy</title>", "x?y"},
      {"UTF-16 keeps the line rules: the first line holding the marker, up to its end",
       std::string("\xFF\xFE<\0t\0i\0t\0l\0e\0>\0A\0\n\0B\0\r\0\n\0x\0", 26), "a\nb"},
      {"a .mht name alone does not make a web archive", "<title>Plain</title>", "plain"},
  };
  ScratchFolder dir;
  RecordingPlatform p;
  for (const Case& c : cases) {
    WriteFile(dir / "c.mht", c.bytes);
    std::string title, reason;
    ASSERT_TRUE(book::ReadChapterTitle(p, dir / "c.mht", title, reason)) << c.what;
    EXPECT_EQ(title, c.title) << c.what;
  }
}

TEST(TitleEncodings, UnreadableChapterIsAFailureWithAReason) {
  RecordingPlatform p;
  std::string title, reason;
  EXPECT_FALSE(book::ReadChapterTitle(p, "/nonexistent/folder/c.htm", title, reason));
  EXPECT_FALSE(reason.empty());
}

// The case table at the ends of each range it maps, and the letters inside a range it must skip.
TEST(LowerCase, EveryRangeOfTheTableFromEndToEnd) {
  const std::pair<char32_t, char32_t> kPairs[] = {
      {U'A', U'a'},   {U'Z', U'z'},   {U'@', U'@'},   {U'[', U'['},   {U'À', U'à'},   {U'Þ', U'þ'},
      {U'×', U'×'},   {U'ß', U'ß'},   {U'Ā', U'ā'},   {U'ā', U'ā'},   {U'İ', U'İ'},   {U'Ĺ', U'ĺ'},
      {U'Ň', U'ň'},   {U'Ÿ', U'ÿ'},   {U'Ž', U'ž'},   {U'ſ', U'ſ'},   {U'Ά', U'ά'},   {U'Έ', U'έ'},
      {U'Ί', U'ί'},   {U'Ό', U'ό'},   {U'Ύ', U'ύ'},   {U'Ώ', U'ώ'},   {U'Α', U'α'},   {U'Ϋ', U'ϋ'},
      {0x3A2, 0x3A2}, {U'Ѐ', U'ѐ'},   {U'Џ', U'џ'},   {U'А', U'а'},   {U'Я', U'я'},   {U'Ⅰ', U'ⅰ'},
      {U'Ⅿ', U'ⅿ'},   {U'Ａ', U'ａ'}, {U'Ｚ', U'ｚ'}, {U'［', U'［'}, {U'中', U'中'},
  };
  for (const auto& [upper, lower] : kPairs) {
    EXPECT_EQ(static_cast<std::uint32_t>(text::LowerCodePoint(upper)),
              static_cast<std::uint32_t>(lower))
        << std::hex << static_cast<std::uint32_t>(upper);
  }
}

TEST(TextBetweenRule, CutsBetweenMarkers) {
  EXPECT_EQ(book::TextBetween("a<t>b</t>c", "<t>", "</t>"), "b");
  EXPECT_EQ(book::TextBetween("<t>b", "<t>", "</t>"), "b");
  EXPECT_EQ(book::TextBetween("<t>b<t>c</t>", "<t>", "</t>"), "b");
  EXPECT_EQ(book::TextBetween("<t></t>", "<t>", "</t>"), "");
  EXPECT_EQ(book::TextBetween("<T>x</T>", "<t>", "</t>"), "");
}

TEST(EntryName, FallsBackToTheFileNameAsListed) {
  ScratchFolder dir;
  WriteFile(dir / u8"无题.HTM", "<p>no title here</p>");
  WriteFile(dir / "named.htm", "<title></title>\r\n<title>later</title>");
  RecordingPlatform p;
  std::string name, reason;
  ASSERT_TRUE(book::ChapterEntryName(p, dir.path(), u8"无题.HTM", name, reason));
  EXPECT_EQ(name, Gbk(u8"无题.HTM"));
  ASSERT_TRUE(book::ChapterEntryName(p, dir.path(), "named.htm", name, reason));
  EXPECT_EQ(name, "named.htm") << "the first line with the marker decides, even when empty";
}

}  // namespace

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

TEST(TitleEncodings, Utf8FileGivesItsBytesUnchangedWhereTheCodePageCannotReadThem) {
  ScratchFolder dir;
  const std::string utf8_title = u8"第一章 Ünïcode";
  WriteFile(dir / "c.htm", "<title>" + utf8_title + "</title>");
  RecordingPlatform p;
  std::string title, reason;
  ASSERT_TRUE(book::ReadChapterTitle(p, dir / "c.htm", title, reason));
  // Read as GBK the bytes are mostly other Chinese characters, which have no case; what the
  // code page cannot read stays byte for byte, so nothing is lost or turned into "?".
  EXPECT_EQ(title.size(), utf8_title.size());
  EXPECT_EQ(title.find('?'), std::string::npos);
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

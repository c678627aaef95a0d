// The three generated text files, byte for byte, as the help compiler reads them.
#include <gtest/gtest.h>

#include "book/build_book.h"
#include "book_test_support.h"

using namespace testing_support;

namespace {

std::vector<std::string> GbkLines(std::initializer_list<const char*> utf8_lines) {
  std::vector<std::string> out;
  for (const char* l : utf8_lines) out.push_back(Gbk(l));
  return out;
}

TEST(GeneratedFiles, OneUntitledChapterGivesTheFullContentsIndexAndProject) {
  ScratchFolder dir;
  WriteFile(dir / "a.txt", "plain text, no title\r\n");
  RecordingPlatform p;
  ASSERT_EQ(book::BuildBook(p, dir.path(), {"a.txt"}, u8"我的书"), book::BuildResult::kStarted);

  EXPECT_EQ(SplitCrLf(ReadFile(dir / "chm_hhc.hhc")),
            GbkLines({"<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">",
                      "<HTML>",
                      "<HEAD>",
                      "<meta name=\"GENERATOR\" content=\"Microsoft&reg; HTML Help Workshop 4.1\">",
                      "<!-- Sitemap 1.0 -->",
                      "</HEAD><BODY>",
                      "<OBJECT type=\"text/site properties\">",
                      "<param name=\"ImageType\" value=\"Folder\">",
                      "</OBJECT>",
                      "<UL>",
                      "<LI> <OBJECT type=\"text/sitemap\">",
                      u8"<param name=\"Name\" value=\"目录\">",
                      "</OBJECT>",
                      "<UL> ;32",
                      "<LI> <OBJECT type=\"text/sitemap\">",
                      "<param name=\"Name\" value=\"a.txt\">",
                      "<param name=\"Local\" value=\"a.txt\">",
                      "</OBJECT>",
                      "",
                      "</UL>",
                      "<LI> <OBJECT type=\"text/sitemap\">",
                      u8"<param name=\"Name\" value=\"关于Folivane\">",
                      "<param name=\"Local\" value=\"chm_about.htm\">",
                      "<param name=\"ImageNumber\" value=\"10\">",
                      "</OBJECT>",
                      "</UL>",
                      "</BODY></HTML>"}));

  EXPECT_EQ(
      SplitCrLf(ReadFile(dir / "chm_hhk.hhk")),
      GbkLines({"<HTML>", "<HEAD>",
                "<meta name=\"GENERATOR\" content=\"Microsoft&reg; HTML Help Workshop 4.1\">",
                "<!-- Sitemap 1.0 -->", "</HEAD><BODY>", "<UL>",
                "<LI> <OBJECT type=\"text/sitemap\">", "<param name=\"Name\" value=\"a.txt\">",
                "<param name=\"Local\" value=\"a.txt\">", "</OBJECT>", "", "</UL>",
                "</BODY></HTML>"}));

  const std::string project = ReadFile(dir / "chm_hhp.hhp");
  EXPECT_EQ(SplitCrLf(project),
            GbkLines({"[OPTIONS]", "Compatibility=1.1 or later", u8"Compiled file=我的书.chm",
                      "Contents file=chm_hhc.hhc", "Default Window=chm_window",
                      "Default topic=chm_about.htm", "Display compile progress=No",
                      "Index file=chm_hhk.hhk", u8"Language=0x804 中文(中国)", "[WINDOWS]",
                      u8"chm_window=我的书,\"chm_hhc.hhc\",\"chm_hhk.hhk\",\"chm_about.htm\",,,,"
                      u8"\"chm_about.htm\",\"关于...\",0x2120,,0x8380e,[84,25,648,513],,,,,,,0",
                      "[FILES]", "a.txt", "[INFOTYPES]", "", "", ""}));
  EXPECT_EQ(project.substr(project.size() - 19), "[INFOTYPES]\r\n\r\n\r\n\r\n");
}

TEST(GeneratedFiles, LineCountsFollowTheChapterCount) {
  ScratchFolder dir;
  std::vector<std::string> names;
  for (int i = 0; i < 7; ++i) {
    names.push_back("c" + std::to_string(i) + ".htm");
    WriteFile(dir / names.back(), "<title>T" + std::to_string(i) + "</title>");
  }
  RecordingPlatform p;
  ASSERT_EQ(book::BuildBook(p, dir.path(), names, "b"), book::BuildResult::kStarted);
  const std::size_t n = names.size();
  auto contents = SplitCrLf(ReadFile(dir / "chm_hhc.hhc"));
  auto index = SplitCrLf(ReadFile(dir / "chm_hhk.hhk"));
  ASSERT_EQ(contents.size(), 4 * n + 23);
  ASSERT_EQ(index.size(), 4 * n + 9);
  // Project: n+15 slots, the template of [INFOTYPES] carrying one more line end.
  EXPECT_EQ(SplitCrLf(ReadFile(dir / "chm_hhp.hhp")).size(), n + 16);
  EXPECT_EQ(contents[4 * n + 14], "") << "the empty line before the closing list";
  EXPECT_EQ(index[4 * n + 6], "");
  for (std::size_t k = 0; k < n; ++k) {
    const std::string name = "<param name=\"Name\" value=\"t" + std::to_string(k) + "\">";
    EXPECT_EQ(contents[14 + 4 * k + 1], name) << "contents keeps the list order";
    EXPECT_EQ(index[6 + 4 * k + 1], name) << "index keeps the list order";
  }
}

TEST(GeneratedFiles, QuoteInANameIsEscapedInSitemapsAndRawInTheProject) {
  ScratchFolder dir;
  WriteFile(dir / "say \"hi\".htm", "<title>A \"quoted\" &amp; title</title>");
  WriteFile(dir / "b&c.htm", "no title");
  RecordingPlatform p;
  ASSERT_EQ(book::BuildBook(p, dir.path(), {"b&c.htm", "say \"hi\".htm"}, "q"),
            book::BuildResult::kStarted);
  auto contents = SplitCrLf(ReadFile(dir / "chm_hhc.hhc"));
  EXPECT_EQ(contents[15], "<param name=\"Name\" value=\"b&c.htm\">");
  EXPECT_EQ(contents[19], "<param name=\"Name\" value=\"a &quot;quoted&quot; &amp; title\">");
  EXPECT_EQ(contents[20], "<param name=\"Local\" value=\"say &quot;hi&quot;.htm\">");
  auto index = SplitCrLf(ReadFile(dir / "chm_hhk.hhk"));
  EXPECT_EQ(index[12], "<param name=\"Local\" value=\"say &quot;hi&quot;.htm\">");
  auto project = SplitCrLf(ReadFile(dir / "chm_hhp.hhp"));
  EXPECT_EQ(project[13], "say \"hi\".htm");
}

TEST(GeneratedFiles, BookNameIsUsedAsTypedOrDefaulted) {
  struct Case {
    std::string typed, compiled, window;
  };
  for (const Case& c : {Case{"", u8"Compiled file=电子书.chm", u8"chm_window=电子书,"},
                        Case{"   ", "Compiled file=   .chm", "chm_window=   ,"},
                        Case{"book.chm", "Compiled file=book.chm.chm", "chm_window=book.chm,"},
                        Case{u8"A😀B", "Compiled file=A??B.chm", "chm_window=A??B,"}}) {
    ScratchFolder dir;
    WriteFile(dir / "a.htm", "x");
    RecordingPlatform p;
    ASSERT_EQ(book::BuildBook(p, dir.path(), {"a.htm"}, c.typed), book::BuildResult::kStarted);
    auto project = SplitCrLf(ReadFile(dir / "chm_hhp.hhp"));
    EXPECT_EQ(project[2], Gbk(c.compiled)) << "typed: [" << c.typed << "]";
    EXPECT_EQ(project[10].substr(0, Gbk(c.window).size()), Gbk(c.window));
  }
}

}  // namespace

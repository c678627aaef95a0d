// The project, window-line, sitemap and link readers on their own.
#include <gtest/gtest.h>

#include "help/window_def.h"
#include "hhc/link_scan.h"
#include "hhc/project.h"
#include "hhc/sitemap.h"
#include "itsf/error.h"
#include "tests/support/chm_support.h"

namespace chm {
namespace {

using chm_test::Gbk;

ErrorCode CodeOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const CompileFailure& e) {
    return e.error().code;
  }
  ADD_FAILURE() << "no failure reported";
  return ErrorCode::kUsage;
}

std::string BuilderProject() {
  std::string text;
  for (const std::string& l :
       chm_test::ProjectLines("测试书", {{"a.htm", "", ""}, {"第二章.htm", "", ""}})) {
    text += l + "\r\n";
  }
  return Gbk(text);
}

TEST(ProjectReader, ReadsEveryLineTheBookBuilderWrites) {
  Project p = ParseProject(BuilderProject(), "chm_hhp.hhp");
  EXPECT_EQ(p.lcid, 0x804u);
  EXPECT_EQ(p.code_page, 936u);
  EXPECT_FALSE(p.compatibility_1_0);
  EXPECT_EQ(p.compiled_file, "测试书.chm");
  EXPECT_EQ(p.contents_file, "chm_hhc.hhc");
  EXPECT_EQ(p.index_file, "chm_hhk.hhk");
  EXPECT_EQ(p.default_topic, "chm_about.htm");
  EXPECT_EQ(p.default_window, "chm_window");
  EXPECT_EQ(p.files, (std::vector<std::string>{"a.htm", "第二章.htm"}));
  EXPECT_TRUE(p.infotypes.empty());
  EXPECT_TRUE(p.ignored.empty());
  ASSERT_EQ(p.windows.size(), 1u);
  WindowDef w = ParseWindowDef(p.windows[0], "x");
  EXPECT_EQ(w.caption, "测试书");
  EXPECT_EQ(w.toc, "chm_hhc.hhc");
  EXPECT_EQ(w.file, "chm_about.htm");
  EXPECT_EQ(w.jump2_url, "chm_about.htm");
  EXPECT_EQ(w.jump2_text, "关于...");
  EXPECT_EQ(w.properties, 0x2120u);
  EXPECT_EQ(w.buttons, 0x8380Eu);
  EXPECT_EQ(w.rect[0], 84);
  EXPECT_EQ(w.rect[3], 513);
  // Properties, rect and toolbar were given; the empty width gets a visible default; the tab
  // position is always marked, as Microsoft's compiler does.
  EXPECT_EQ(w.valid, kWinParamProperties | kWinParamRect | kWinParamToolbarFlags |
                         kWinParamNavWidth | kWinParamTabPos);
  EXPECT_EQ(w.nav_width, kDefaultNavWidth);
}

TEST(ProjectReader, DecodesBeforeSplittingSoTrailBytesLikeBracketsStayInNames) {
  // "乕" is 81 5B in GBK: its trail byte is '['.
  std::string text = Gbk("[OPTIONS]\r\nLanguage=0x804\r\nTitle=乕]\r\n[FILES]\r\n乕.htm\r\n");
  Project p = ParseProject(text, "x.hhp");
  EXPECT_EQ(p.title, "乕]");
  EXPECT_EQ(p.files, std::vector<std::string>{"乕.htm"});
}

TEST(ProjectReader, KeysAreCaseInsensitiveAndUnknownOnesAreSetAside) {
  Project p = ParseProject(
      "[options]\r\ndefault TOPIC=x.htm\r\nBinary Index=No\r\nFull-text search=Yes\r\n"
      "Binary TOC=yes\r\nError log file=log.txt\r\nFlat=Yes\r\n[MAP]\r\n#define A 1\r\n",
      "x.hhp");
  EXPECT_EQ(p.default_topic, "x.htm");
  EXPECT_FALSE(p.binary_index);
  EXPECT_TRUE(p.full_text_search);
  EXPECT_TRUE(p.binary_toc);
  EXPECT_EQ(p.error_log_file, "log.txt");
  EXPECT_EQ(p.lcid, 0x409u);
  EXPECT_EQ(p.code_page, 1252u);
  EXPECT_EQ(p.ignored, (std::vector<std::string>{"[OPTIONS] Flat", "[MAP]"}));
}

TEST(ProjectReader, RefusesBytesThatAreNotTextInTheCodePage) {
  EXPECT_EQ(CodeOf([] { ParseProject("[OPTIONS]\r\nLanguage=0x804\r\nTitle=\x81\x20\r\n", "x"); }),
            ErrorCode::kBadProjectText);
}

TEST(ProjectReader, RefusesWindowLinesWithTooFewFields) {
  EXPECT_EQ(CodeOf([] { ParseProject("[WINDOWS]\r\nw=\"t\",\"a.hhc\",,,\r\n", "x"); }),
            ErrorCode::kBadWindow);
  EXPECT_EQ(CodeOf([] { ParseProject("[WINDOWS]\r\njust a name\r\n", "x"); }),
            ErrorCode::kBadWindow);
}

TEST(ProjectReader, RefusesTextBeforeAnySectionOptionsWithoutValueAndBadLanguages) {
  for (const char* text : {"hello\r\n[OPTIONS]\r\n", "[OPTIONS]\r\nTitle\r\n",
                           "[OPTIONS]\r\nLanguage=0x804x\r\n", "[OPTIONS]\r\nLanguage=0\r\n",
                           "[OPTIONS]\r\nLanguage=0x10000\r\n", "[OPTIONS]\r\nLanguage=\r\n"}) {
    EXPECT_EQ(CodeOf([text] { ParseProject(text, "x"); }), ErrorCode::kBadProjectLine) << text;
  }
  // The code page's name may follow the number after a blank.
  EXPECT_EQ(ParseProject("[OPTIONS]\r\nLanguage=2052 Chinese\r\n", "x").lcid, 0x804u);
}

// Notepad saves with a UTF-8 byte-order mark.
TEST(ProjectReader, SkipsAByteOrderMark) {
  const Project p = ParseProject("\xEF\xBB\xBF[OPTIONS]\r\nTitle=t\r\n", "x");
  EXPECT_EQ(p.title, "t");
}

TEST(WindowLine, QuotedAndBareFieldsCommasInsideQuotesAndBrackets) {
  std::vector<std::string> f = SplitWindowFields(" Bare title ,\"a, b\" , [1, 2,3,4],,\" x \"");
  ASSERT_EQ(f.size(), 5u);
  EXPECT_EQ(f[0], "Bare title");
  EXPECT_EQ(f[1], "a, b");
  EXPECT_EQ(f[2], "[1, 2,3,4]");
  EXPECT_EQ(f[3], "");
  EXPECT_EQ(f[4], " x ");
}

TEST(WindowLine, MalformedNumbersAndRectanglesAreRefused) {
  WindowLine line;
  line.name = "w";
  line.fields[9] = "0x2q";
  EXPECT_EQ(CodeOf([&] { ParseWindowDef(line, "x"); }), ErrorCode::kBadWindow);
  line.fields[9] = "";
  line.fields[12] = "[1,2,3]";
  EXPECT_EQ(CodeOf([&] { ParseWindowDef(line, "x"); }), ErrorCode::kBadWindow);
  line.fields[12] = "[1,2,3,4]";
  line.fields[10] = "150";
  WindowDef w = ParseWindowDef(line, "x");
  EXPECT_EQ(w.nav_width, 150u);
  EXPECT_EQ(w.valid, kWinParamRect | kWinParamNavWidth | kWinParamTabPos);
}

TEST(Sitemap, ReadsItemsDepthsAndPropertiesLeniently) {
  const char* text =
      "<html><object TYPE=\"text/site properties\"><PARAM name=ImageType value='Folder'></object>"
      "<ul>text ;32<LI><Object type=\"text/sitemap\"><param name=\"Name\" value=\"Top\"></OBJECT>"
      "<UL><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"A &amp; B\">"
      "<param name=\"Local\" value=\"a.htm#x>"  // closing quote missing
      "\n<li><object type=\"text/sitemap\"><param name=Local value=b.htm></object></ul></UL>";
  Sitemap m = ParseSitemap(text, "t.hhc");
  EXPECT_EQ(SitemapParam(m.properties, "imagetype"), "Folder");
  ASSERT_EQ(m.items.size(), 3u);
  EXPECT_EQ(m.items[0].depth, 1);
  EXPECT_EQ(SitemapParam(m.items[0].params, "Name"), "Top");
  EXPECT_EQ(m.items[1].depth, 2);
  EXPECT_EQ(SitemapParam(m.items[1].params, "Name"), "A & B");
  EXPECT_EQ(SitemapParam(m.items[1].params, "Local"), "a.htm#x");
  EXPECT_EQ(SitemapParam(m.items[2].params, "local"), "b.htm");
}

TEST(Sitemap, NumericPropertiesAreHexOrDecimalAnd32BitsAtMost) {
  const struct {
    const char* text;
    bool ok;
    std::uint32_t value;
  } cases[] = {{"0x27", true, 0x27},
               {" 39 ", true, 39},
               {"0xFFFFFFFF", true, 0xFFFFFFFF},
               {"0x100000000", false, 0},
               {"-1", false, 0},
               {"0x2q", false, 0},
               {"", false, 0}};
  for (const auto& c : cases) {
    std::uint32_t v = 0;
    EXPECT_EQ(ParseSitemapNumber(c.text, &v), c.ok) << c.text;
    if (c.ok) EXPECT_EQ(v, c.value) << c.text;
  }
}

// Each fault names the line where it lies, whatever ends the lines.
TEST(Sitemap, UnbalancedListsAndUnterminatedMarkupAreRefusedWithTheirLine) {
  const struct {
    const char* text;
    const char* detail;
  } cases[] = {
      {"<UL>\n<UL>\r\n</UL>", "line 1: <UL> not closed (1 in all)"},
      {"<UL>\n<UL>\n<UL>\n</UL>", "line 2: <UL> not closed (2 in all)"},
      {"<UL></UL>\r\r</UL>", "line 3: </UL> without <UL>"},
      {"<UL>\n\n<!-- open </UL>", "line 3: comment not closed"},
      {"<UL></UL>\n<param\nname=", "line 2: tag <param> not closed"},
  };
  for (const auto& c : cases) {
    try {
      ParseSitemap(c.text, "t.hhc");
      ADD_FAILURE() << c.text;
    } catch (const CompileFailure& e) {
      EXPECT_EQ(e.error().code, ErrorCode::kBadSitemap);
      EXPECT_EQ(e.error().file, "t.hhc");
      EXPECT_EQ(e.error().detail, c.detail) << c.text;
    }
  }
  Sitemap m = ParseSitemap(
      "<UL>\r\n<LI><OBJECT type=\"text/sitemap\">\r\n\r\n<LI>\n"
      "<OBJECT\ntype=\"text/sitemap\"></UL>",
      "t.hhc");
  ASSERT_EQ(m.items.size(), 2u);
  EXPECT_EQ(m.items[0].line, 2);
  EXPECT_EQ(m.items[1].line, 5);
}

TEST(LinkScan, FindsSrcHrefBackgroundAndCssUrls) {
  auto refs = FindReferences(
      "<IMG SRC=\"a.png\"><a href = b.htm>x</a><body background='c.gif'>"
      "<div data-src=\"no.png\" style=\"background: url( 'd.jpg' "
      ")\"><style>p{x:url(e.css)}</style>");
  EXPECT_EQ(refs, (std::vector<std::string>{"a.png", "b.htm", "c.gif", "d.jpg", "e.css"}));
}

TEST(LinkScan, KeepsOnlyLocalTargetsInsideTheProject) {
  std::string n;
  EXPECT_TRUE(ResolveReference("sub/page.htm", "../img/a%20b.png?v=1#top", &n));
  EXPECT_EQ(n, "img/a b.png");
  EXPECT_TRUE(ResolveReference("page.htm", ".\\pics\\x.png", &n));
  EXPECT_EQ(n, "pics/x.png");
  for (const char* external : {"http://x.org/a.png", "mailto:a@b", "javascript:void(0)", "#anchor",
                               "ms-its:other.chm::/a.htm", "/etc/passwd", "../outside.png",
                               "sub/../../outside.png", "C:\\x.png", "//host/x.png"}) {
    EXPECT_FALSE(ResolveReference("page.htm", external, &n)) << external;
  }
}

TEST(LinkScan, PageTitleIsTheTitleElementText) {
  EXPECT_EQ(FindPageTitle("<html><HEAD><TITLE lang=zh> Chapter\r\nOne </Title>"), "Chapter  One");
  EXPECT_EQ(FindPageTitle("<html><body>no title</body>"), "");
}

}  // namespace
}  // namespace chm

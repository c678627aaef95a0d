// What the search index takes from a page: the text a reader sees, split into the words
// Windows' help compiler stores.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "help/fulltext_index.h"
#include "help/fulltext_words.h"
#include "hhc/page_text.h"
#include "tests/support/chm_support.h"

namespace chm_test {
namespace {

using Words = std::vector<std::string>;

Words Split(const std::string& text, unsigned code_page) {
  Words out;
  std::string scratch;
  chm::WordBreaker(code_page).ForEachWord(text, &scratch,
                                          [&](std::string_view w) { out.emplace_back(w); });
  return out;
}

struct PageCase {
  const char* fault;
  std::string page;
  bool utf8;
  unsigned code_page;
  Words title, body;
};

TEST(PageText, IndexesWhatAReaderSeesAndNothingElse) {
  const std::string gbk_page = Gbk("<title>模板</title><p>模板引擎，API接口v2</p>");
  const PageCase cases[] = {
      {"script, style and comment text indexed",
       "<html><head><title>T One</title><style>p{x:hidden}</style><script>var s=\"<p>\";"
       "</script></head><body><!-- note --><p>Seen text</p></body></html>",
       false,
       1252,
       {"t", "one"},
       {"seen", "text"}},
      {"a tag not taken as a word break",
       "<p>one<br>two</p><b>three</b>four",
       false,
       1252,
       {},
       {"one", "two", "three", "four"}},
      {"'>' inside a quoted attribute ends the tag",
       "<p title=\"a>b\" class='c>d'>text</p>",
       false,
       1252,
       {},
       {"text"}},
      {"an unterminated script hides the page's end only",
       "before<script>after",
       false,
       1252,
       {},
       {"before"}},
      {"an unterminated comment", "x<!-- y", false, 1252, {}, {"x"}},
      {"'<' that opens no tag swallows text",
       "a < b and 3<4",
       false,
       1252,
       {},
       {"a", "b", "and", "3", "4"}},
      {"character references not decoded",
       "Caf&eacute; &amp; na&#239;ve &#x52;ock &nbsp;x&copy;y &bogus;z",
       false,
       1252,
       {},
       {"caf\xE9", "na\xEFve", "rock", "x", "y", "z"}},
      {"a reference the code page lacks kept as bytes", "a&#x4E2D;b", false, 1252, {}, {"a", "b"}},
      {"CJK not split per character",
       gbk_page,
       false,
       936,
       {Gbk("模"), Gbk("板")},
       {Gbk("模"), Gbk("板"), Gbk("引"), Gbk("擎"), Gbk("，"), "api", Gbk("接"), Gbk("口"), "v2"}},
      {"a UTF-8 page not converted to the code page",
       "\xEF\xBB\xBF<title>\xE4\xB8\xAD</title>\xE6\x96\x87 &#x4E2D;",
       true,
       936,
       {Gbk("中")},
       {Gbk("文"), Gbk("中")}},
      {"numbers, file names and apostrophes split as Microsoft does not",
       "Version 1.2.3, 0.bin, 1,000 and 0..maxint; don't ISPP's 'quoted' a.b x_y 10'A",
       false,
       1252,
       {},
       {"version", "1.2.3", "0.bin", "1000", "and", "0..maxint", "dont", "ispps", "quoted", "a",
        "b", "x_y", "10", "a"}},
      {"upper-case letters of the code page not folded",
       "\xC9T\xC9 \xD7",
       false,
       1252,
       {},
       {"\xE9t\xE9"}},
  };
  for (const PageCase& c : cases) {
    chm::PageText text = chm::ExtractPageText(c.page, c.utf8, c.code_page);
    EXPECT_EQ(Split(text.title, c.code_page), c.title) << c.fault;
    EXPECT_EQ(Split(text.body, c.code_page), c.body) << c.fault;
  }
}

TEST(PageText, HostilePagesStayLinear) {
  std::string nested;
  for (int i = 0; i < 200000; ++i) nested += "<div>";
  nested += "deep";
  std::string quotes(300000, '"');
  const std::string pages[] = {nested, "<p a=" + quotes, std::string(500000, '<'),
                               std::string(500000, '&'), "<script" + std::string(400000, 'x')};
  for (const std::string& page : pages) {
    chm::PageText text = chm::ExtractPageText(page, false, 1252);
    EXPECT_LE(text.body.size(), page.size());
  }
  EXPECT_EQ(Split(chm::ExtractPageText(nested, false, 1252).body, 1252), Words{"deep"});
}

TEST(FullTextIndex, OverlongWordsAndStopWordsAreLeftOutButStillCountAsPositions) {
  chm::FullTextIndex index(1252, 0x409);
  index.SetStopWords("the\r\nAND of");
  index.AddPage(0, "",
                std::string(chm::kMaxIndexedWord + 1, 'x') + " the cat and " +
                    std::string(chm::kMaxIndexedWord, 'y'));
  EXPECT_EQ(index.word_count(), 2u);  // "cat" and the longest word kept
  chm::Bytes built = index.Build();
  ASSERT_GE(built.size(), 0x400u + 0x1000u);
  // The header's longest word and total words (stop words and the overlong word counted).
  EXPECT_EQ(built[0x3E], chm::kMaxIndexedWord);
  EXPECT_EQ(built[0x42], 4);
}

}  // namespace
}  // namespace chm_test

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

// A page in UTF-16 with its byte-order mark, from UTF-8.
std::string Utf16(const std::string& utf8, bool big_endian) {
  std::u32string chars;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    const size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    char32_t v = n == 1 ? c : c & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) v = (v << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    chars.push_back(v);
    i += n;
  }
  std::string out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  auto unit = [&](char32_t u) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out += big_endian ? std::string{hi, lo} : std::string{lo, hi};
  };
  for (char32_t v : chars) {
    if (v >= 0x10000) {
      unit(0xD800 + ((v - 0x10000) >> 10));
      unit(0xDC00 + ((v - 0x10000) & 0x3FF));
    } else {
      unit(v);
    }
  }
  return out;
}

const text::ChapterEncoding kAnsi{}, kUtf8{text::Encoding::kUtf8, 0},
    kUtf16Le{text::Encoding::kUtf16Le, 0}, kUtf16Be{text::Encoding::kUtf16Be, 0};
text::ChapterEncoding CodePage(unsigned code_page) {
  return {text::Encoding::kCodePage, code_page};
}

struct PageCase {
  const char* fault;
  std::string page;
  text::ChapterEncoding encoding;
  unsigned code_page;
  Words title, body;
};

TEST(PageText, IndexesWhatAReaderSeesAndNothingElse) {
  const std::string gbk_page = Gbk("<title>模板</title><p>模板引擎，API接口v2</p>");
  const PageCase cases[] = {
      {"script, style and comment text indexed",
       "<html><head><title>T One</title><style>p{x:hidden}</style><script>var s=\"<p>\";"
       "</script></head><body><!-- note --><p>Seen text</p></body></html>",
       kAnsi,
       1252,
       {"t", "one"},
       {"seen", "text"}},
      {"a tag not taken as a word break",
       "<p>one<br>two</p><b>three</b>four",
       kAnsi,
       1252,
       {},
       {"one", "two", "three", "four"}},
      {"'>' inside a quoted attribute ends the tag",
       "<p title=\"a>b\" class='c>d'>text</p>",
       kAnsi,
       1252,
       {},
       {"text"}},
      {"an unterminated script hides the page's end only",
       "before<script>after",
       kAnsi,
       1252,
       {},
       {"before"}},
      {"an unterminated comment", "x<!-- y", kAnsi, 1252, {}, {"x"}},
      {"'<' that opens no tag swallows text",
       "a < b and 3<4",
       kAnsi,
       1252,
       {},
       {"a", "b", "and", "3", "4"}},
      {"character references not decoded",
       "Caf&eacute; &amp; na&#239;ve &#x52;ock &nbsp;x&copy;y &bogus;z",
       kAnsi,
       1252,
       {},
       {"caf\xE9", "na\xEFve", "rock", "x", "y", "z"}},
      {"a reference the code page lacks kept as bytes", "a&#x4E2D;b", kAnsi, 1252, {}, {"a", "b"}},
      {"CJK not split per character",
       gbk_page,
       kAnsi,
       936,
       {Gbk("模"), Gbk("板")},
       {Gbk("模"), Gbk("板"), Gbk("引"), Gbk("擎"), Gbk("，"), "api", Gbk("接"), Gbk("口"), "v2"}},
      {"a UTF-8 page not converted to the code page",
       "\xEF\xBB\xBF<title>\xE4\xB8\xAD</title>\xE6\x96\x87 &#x4E2D;",
       kUtf8,
       936,
       {Gbk("中")},
       {Gbk("文"), Gbk("中")}},
      {"numbers, file names and apostrophes split as Microsoft does not",
       "Version 1.2.3, 0.bin, 1,000 and 0..maxint; don't ISPP's 'quoted' a.b x_y 10'A",
       kAnsi,
       1252,
       {},
       {"version", "1.2.3", "0.bin", "1000", "and", "0..maxint", "dont", "ispps", "quoted", "a",
        "b", "x_y", "10", "a"}},
      {"upper-case letters of the code page not folded",
       "\xC9T\xC9 \xD7",
       kAnsi,
       1252,
       {},
       {"\xE9t\xE9"}},
      {"a UTF-8 page's characters the code page lacks joined to the words beside them",
       "x&#160;y\xE2\x86\x92z \xC3\x9C"
       "ber \xC5\x92uvre \xFFq\xC3",
       kUtf8,
       1252,
       {},
       {"x", "y", "z",
        "\xFC"
        "ber",
        "\x9Cuvre", "q"}},
      {"a UTF-16 page indexed from its raw bytes",
       Utf16("<title>中文</title><p>文件 aกb &#x4E2D;😀z</p>", false),
       kUtf16Le,
       936,
       {Gbk("中"), Gbk("文")},
       {Gbk("文"), Gbk("件"), "a", "b", Gbk("中"), "z"}},
      {"a big-endian UTF-16 page indexed from its raw bytes",
       Utf16("Café 中 Naïve", true),
       kUtf16Be,
       1252,
       {},
       {"caf\xE9", "na\xEFve"}},
      {"a Big5 page in a GBK book indexed in its own code page",
       "<title>\xC1\x63\xC5\xE9</title>\xA4\xA4\xA4\xE5 ok",
       CodePage(950),
       936,
       {Gbk("繁"), Gbk("體")},
       {Gbk("中"), Gbk("文"), "ok"}},
      {"a Cyrillic page in a Western book indexed as Latin letters",
       "\xCF\xF0\xE8\xE2\xE5\xF2 hello \xC0\xE1",
       CodePage(1251),
       1252,
       {},
       {"hello"}},
      {"bytes the page's code page lacks drop the page's other words",
       "\x80\xA4\xA4 one \xFF\xFF two \xA4<b>three",
       CodePage(950),
       936,
       {},
       {Gbk("中"), "one", "two", "three"}},
  };
  for (const PageCase& c : cases) {
    chm::PageText text = chm::ExtractPageText(c.page, c.encoding, c.code_page);
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
    chm::PageText text = chm::ExtractPageText(page, kAnsi, 1252);
    EXPECT_LE(text.body.size(), page.size());
  }
  EXPECT_EQ(Split(chm::ExtractPageText(nested, kAnsi, 1252).body, 1252), Words{"deep"});
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

// The one-pass page scan: the links, title and charset it finds, checked against plain
// separate searches on awkward and random markup.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>

#include "hhc/link_scan.h"
#include "hhc/sitemap.h"
#include "text/ascii.h"

namespace chm {
namespace {

using Refs = std::vector<std::string>;

// The slow, obvious way: one search of the whole text per word.
struct SlowScan {
  Refs refs;
  std::vector<size_t> at;  // where each reference's word begins
  std::string title;
  bool utf8 = false;
};

std::string_view SlowValue(std::string_view s, size_t p) {
  if (p >= s.size()) return {};
  if (s[p] == '"' || s[p] == '\'') {
    size_t end = s.find(s[p], p + 1);
    if (end == std::string_view::npos || end - p > 2048) return {};
    return s.substr(p + 1, end - p - 1);
  }
  size_t end = p;
  while (end < s.size() && !text::IsBlank(s[end]) && s[end] != '>' && end - p < 2048) ++end;
  return s.substr(p, end - p);
}

SlowScan ScanSlowly(std::string_view page, size_t head_size) {
  SlowScan out;
  for (std::string_view attr : {"src", "href", "background"}) {
    for (size_t at = 0; (at = text::FindNoCase(page, attr, at)) != std::string_view::npos; ++at) {
      if (at > 0 && (std::isalnum(static_cast<unsigned char>(page[at - 1])) ||
                     page[at - 1] == '-' || page[at - 1] == '_')) {
        continue;
      }
      size_t p = at + attr.size();
      while (p < page.size() && text::IsBlank(page[p])) ++p;
      if (p >= page.size() || page[p] != '=') continue;
      ++p;
      while (p < page.size() && text::IsBlank(page[p])) ++p;
      std::string_view v = text::Trim(SlowValue(page, p));
      if (!v.empty()) {
        out.refs.push_back(DecodeHtmlEntities(v));
        out.at.push_back(at);
      }
    }
  }
  for (size_t at = 0; (at = text::FindNoCase(page, "url(", at)) != std::string_view::npos; ++at) {
    size_t end = page.find(')', at + 4);
    if (end == std::string_view::npos || end - at - 4 > 2048) continue;
    std::string_view v = text::Trim(page.substr(at + 4, end - at - 4));
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
      v = v.substr(1, v.size() - 2);
    v = text::Trim(v);
    if (!v.empty()) {
      out.refs.push_back(DecodeHtmlEntities(v));
      out.at.push_back(at);
    }
  }
  std::string_view head = page.substr(0, head_size);
  size_t open = text::FindNoCase(head, "<title");
  size_t gt = open == std::string_view::npos ? open : head.find('>', open);
  size_t close = gt == std::string_view::npos ? gt : text::FindNoCase(head, "</title", gt + 1);
  if (close != std::string_view::npos) {
    for (char c : text::Trim(head.substr(gt + 1, close - gt - 1)).substr(0, 1024)) {
      if (c != '\0') out.title += (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
    }
  }
  return out;
}

void ExpectSameAsSlowScan(const std::string& page, size_t head_size) {
  const PageScan fast = ScanPage(page, head_size, 936);
  const SlowScan slow = ScanSlowly(page, head_size);
  EXPECT_EQ(fast.references, slow.refs) << page;
  EXPECT_EQ(fast.offsets, slow.at) << page;
  EXPECT_EQ(fast.title, slow.title) << page;
}

TEST(PageScan, UppercaseNamesBlanksAroundEqualsAndQuotedUrlsAreFound) {
  const PageScan scan = ScanPage(
      "<IMG\r\nSRC\t=\n'a b.png'><A\tHREF=b.htm>x</A><TD BACKGROUND =\"c.gif\">"
      "<p style=\"x: URL( \t\"d e.jpg\" )\">",
      0, 936);
  EXPECT_EQ(scan.references, (Refs{"a b.png", "b.htm", "c.gif", "d e.jpg"}));
}

TEST(PageScan, WordsEndingLongerNamesOrCutByTheEndOfThePageAreNotLinks) {
  EXPECT_EQ(ScanPage("<img data-src=a.png x_href=b.htm my-background=c.gif>", 0, 936).references,
            Refs{});
  for (const char* cut : {"<img src", "<img src=", "<img src =  ", "<img src=\"a.png", "url(",
                          "url( a.png", "<a hre", "s", "u"}) {
    EXPECT_EQ(ScanPage(cut, 0, 936).references, Refs{}) << cut;
  }
  EXPECT_EQ(ScanPage("<img src=a.png", 0, 936).references, Refs{"a.png"});
}

TEST(PageScan, TitleAndCharsetAreLookedForOnlyInTheHead) {
  const std::string page = "<meta charset=\"UTF-8\"><TITLE>Head</TITLE>";
  auto encoding = [](const std::string& p, size_t head) {
    return ScanPage(p, head, 936).encoding.encoding;
  };
  PageScan scan = ScanPage(page, page.size(), 936);
  EXPECT_EQ(scan.title, "Head");
  EXPECT_EQ(scan.encoding.encoding, text::Encoding::kUtf8);
  scan = ScanPage(page, page.size() - 2, 936);  // the closing tag crosses the limit
  EXPECT_EQ(scan.title, "");
  EXPECT_EQ(scan.encoding.encoding, text::Encoding::kUtf8);
  EXPECT_EQ(encoding(page, page.find("UTF-8") + 4), text::Encoding::kAnsi);  // so does the value
  EXPECT_EQ(ScanPage("<title>a</title><title>b</title>", 100, 936).title, "a");
  EXPECT_EQ(ScanPage("<title>x", 100, 936).title, "");
  EXPECT_EQ(ScanPage("<title>x</title>", 0, 936).title, "");
  EXPECT_EQ(encoding("<meta charset=utf-8>", 0), text::Encoding::kAnsi);
}

// The page's encoding comes from the same code as the book's chapter titles.
TEST(PageScan, EncodingIsDecidedAsForChapterTitles) {
  auto encoding = [](const std::string& p) { return ScanPage(p, p.size(), 936).encoding; };
  EXPECT_EQ(encoding("<title>\xE7\xAC\xAC</title>").encoding, text::Encoding::kUtf8);
  EXPECT_EQ(encoding("<meta charset=gb2312><title>\xE7\xAC\xAC</title>").encoding,
            text::Encoding::kAnsi);
  EXPECT_EQ(encoding("<?xml version='1.0' encoding='big5'?>").code_page, 950u);
  EXPECT_EQ(encoding("\xEF\xBB\xBF<title>x</title>").encoding, text::Encoding::kUtf8);
  // UTF-16 is scanned as UTF-8: its links and title come back readable.
  const std::string utf16 =
      std::string("\xFF\xFE", 2) + std::string(
                                       "<\0t\0i\0t\0l\0e\0>\0\x2C\x7B<\0/\0t\0i\0t\0l\0e\0>\0"
                                       "<\0a\0 \0h\0r\0e\0f\0=\0b\0.\0h\0t\0m\0>\0",
                                       60);
  const PageScan scan = ScanPage(utf16, utf16.size(), 936);
  EXPECT_EQ(scan.encoding.encoding, text::Encoding::kUtf16Le);
  EXPECT_EQ(scan.title, u8"第");
  EXPECT_EQ(scan.references, Refs{"b.htm"});
  EXPECT_EQ(ScanPage(utf16, 18, 936).title, "") << "the head ends inside the title";
}

// Random soups of the words the scan reacts to, in every case, with the separators that
// decide whether they count.
TEST(PageScan, FindsWhatSeparateSearchesFindOnRandomMarkup) {
  const char* const pieces[] = {"src",        "SRC",        "Src",      "href",     "HREF",
                                "background", "BackGround", "url(",     "URL(",     ")",
                                "=",          " ",          "\t",       "\r\n",     "\"",
                                "'",          ">",          "<",        "a.png",    "b c",
                                "&amp;",      "data-",      "x",        "<title",   "<TITLE>",
                                "</title",    "</Title>",   "charset=", "CHARSET=", "utf-8",
                                "\"UTF-8",    "s",          "h",        "b",        "u",
                                "c",          "\0"};
  std::mt19937 rng(7);
  for (int round = 0; round < 3000; ++round) {
    std::string page;
    const int count = 1 + static_cast<int>(rng() % 40);
    for (int i = 0; i < count; ++i) {
      const char* p = pieces[rng() % (sizeof pieces / sizeof pieces[0])];
      page += *p ? std::string(p) : std::string(1, '\0');
    }
    ExpectSameAsSlowScan(page, rng() % (page.size() + 2));
    if (HasFailure()) return;
  }
}

// Lines as an editor counts them (LF, CR LF and a lone CR each end one), and whether a
// reference is markup or words about markup in the text.
TEST(PageScan, PlacesOfReferencesGiveTheirLinesAndWhetherTheyAreMarkup) {
  const std::string text = "a\r\nb\rc\nd\r\r\ne";
  std::vector<size_t> offsets(text.size() + 2);
  for (size_t i = 0; i < offsets.size(); ++i) offsets[i] = i;
  std::vector<int> lines;
  for (const LinkPlace& p : PlacesAt(text, offsets)) lines.push_back(p.line);
  EXPECT_EQ(lines, (std::vector<int>{1, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 6}));

  const std::string page =
      "<p>write &lt;img src=\"a.png\"&gt;</p>\r\n<IMG\nSRC=b.png><STYLE>\n"
      "p { background: url(c.png) }</Style> url(d.png)\n<p style=\"x: url(e.png)\">";
  const PageScan scan = ScanPage(page, 0, 936);
  ASSERT_EQ(scan.references, (Refs{"a.png", "b.png", "c.png", "d.png", "e.png"}));
  std::vector<size_t> at = scan.offsets;
  std::sort(at.begin(), at.end());
  ASSERT_EQ(at, scan.offsets);
  std::string seen;
  for (const LinkPlace& p : PlacesAt(page, at)) {
    seen += std::to_string(p.line) + (p.in_markup ? "m " : "t ");
  }
  EXPECT_EQ(seen, "1t 3m 4m 4t 5m ");
}

}  // namespace
}  // namespace chm

// libFuzzer target for the readers that take untrusted text: the project file, its window
// lines, the sitemaps, the page link scan and the page text the search index takes (with its
// word breaking and index building in a single-byte and a double-byte code page) and the binary
// keyword index; and for the
// binary readers of the book check: the LZX decoder and the container's headers and directory.
// Failures must be reported (CompileFailure, or false with a reason), never as a crash, a hang or a
// read out of bounds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "help/fulltext_index.h"
#include "help/keyword_index.h"
#include "help/window_def.h"
#include "hhc/link_scan.h"
#include "hhc/page_text.h"
#include "hhc/project.h"
#include "hhc/sitemap.h"
#include "itsf/error.h"
#include "itsf/self_check.h"
#include "lzx/decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    chm::Project p = chm::ParseProject(text, "fuzz.hhp");
    for (const chm::WindowLine& w : p.windows) {
      try {
        chm::ParseWindowDef(w, "fuzz.hhp");
      } catch (const chm::CompileFailure&) {
      }
    }
  } catch (const chm::CompileFailure&) {
  }
  try {
    chm::Sitemap m = chm::ParseSitemap(text, "fuzz.hhc");
    for (const chm::SitemapItem& item : m.items) {
      std::string name;
      chm::ResolveReference("a/b.htm", chm::SitemapParam(item.params, "Local"), &name);
    }
  } catch (const chm::CompileFailure&) {
  }
  // A head limit inside the text, so that words cut by it are tried too.
  const chm::PageScan scan = chm::ScanPage(text, size / 2 + size % 7, 936);
  for (const std::string& ref : scan.references) {
    std::string name;
    chm::ResolveReference("dir/page.htm", ref, &name);
  }
  for (unsigned code_page : {1252u, 936u}) {
    // The page in each encoding the link scan may decide, by the first byte.
    const text::ChapterEncoding encodings[] = {
        {text::Encoding::kAnsi, 0},       {text::Encoding::kUtf8, 0},
        {text::Encoding::kUtf16Le, 0},    {text::Encoding::kUtf16Be, 0},
        {text::Encoding::kCodePage, 950}, {text::Encoding::kCodePage, 1251}};
    const text::ChapterEncoding encoding = encodings[size > 0 ? data[0] % 6 : 0];
    const chm::PageText page = chm::ExtractPageText(text, encoding, code_page);
    chm::FullTextIndex index(code_page, 0x409);
    index.SetStopWords(text.substr(0, size / 4));
    index.AddPage(0, page.title, page.body);
    index.AddPage(3, page.body, page.title);
    chm::Bytes built = index.Build();
    if (built.size() < 0x400 + 0x1000) __builtin_trap();
  }
  // Lines as keywords of a binary index, each linking to a topic numbered by its first byte.
  {
    std::vector<chm::Keyword> keywords;
    for (size_t start = 0; start < size;) {
      size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = size;
      std::string line(text.substr(start, end - start));
      const std::uint32_t topic = line.empty() ? 0 : static_cast<std::uint8_t>(line[0]);
      keywords.push_back(chm::Keyword{std::move(line), {topic, topic / 2}});
      start = end + 1;
    }
    chm::KeywordIndex index = chm::BuildKeywordIndex(keywords, 1252, 0x409);
    if (!index.btree.empty() && (index.btree.size() - 0x4C) % 2048 != 0) __builtin_trap();
  }
  // The bytes as an LZX stream of one to four frames, split at even points; then as a book.
  if (size > 0) {
    const std::size_t frames = 1 + data[0] % 4;
    std::vector<std::uint64_t> offsets;
    for (std::size_t k = 0; k < frames; ++k) offsets.push_back((size - 1) * k / frames / 2 * 2);
    std::vector<std::uint8_t> out;
    std::string error;
    chm::DecodeLzxStream(data + 1, size - 1, offsets, 2, &out, &error);
  }
  const std::vector<std::uint8_t> image(data, data + size);
  chm::MemoryBookImage book(&image);
  chm::BookExpectation expected;
  expected.frame_digests.resize(1);
  chm::CheckBook(&book, expected);
  return 0;
}

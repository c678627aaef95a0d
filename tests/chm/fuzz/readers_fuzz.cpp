// libFuzzer target for the readers that take untrusted text: the project file, its window
// lines, the sitemaps and the page link scan. Failures must be reported as CompileFailure,
// never as a crash, a hang or a read out of bounds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "chm/error.h"
#include "chm/link_scan.h"
#include "chm/project.h"
#include "chm/sitemap.h"
#include "chm/window_def.h"

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
  const chm::PageScan scan = chm::ScanPage(text, size / 2 + size % 7);
  for (const std::string& ref : scan.references) {
    std::string name;
    chm::ResolveReference("dir/page.htm", ref, &name);
  }
  return 0;
}

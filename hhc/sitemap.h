// Reader for HTML Help sitemaps (.hhc contents, .hhk index): as lenient as the viewers about
// case, quotes, unclosed <LI> and stray text, strict only about the nesting of <UL>.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace chm {

using SitemapParams = std::vector<std::pair<std::string, std::string>>;  // name, value

struct SitemapItem {
  int depth = 0;  // number of enclosing <UL>
  int line = 0;   // of its <OBJECT> tag, from 1
  SitemapParams params;
};

struct Sitemap {
  SitemapParams properties;  // from <OBJECT type="text/site properties">
  std::vector<SitemapItem> items;
};

// Values keep the file's bytes (its code page), with HTML character references decoded.
// Throws CompileFailure (kBadSitemap) for unbalanced <UL>/</UL> or an unterminated comment
// or tag, with the line where the fault lies; `label` names the file.
Sitemap ParseSitemap(std::string_view bytes, const std::string& label);

// The value of the first parameter called `name` (case-insensitive), or empty.
std::string SitemapParam(const SitemapParams& params, std::string_view name);

// A numeric property such as "Window Styles": "0x27" or "39". False when malformed or wider
// than 32 bits.
bool ParseSitemapNumber(std::string_view text, std::uint32_t* value);

// Decodes &amp; &lt; &gt; &quot; &apos; &#N; &#xN; (others are left as written).
std::string DecodeHtmlEntities(std::string_view text);

}  // namespace chm

#include "hhc/link_scan.h"

#include <algorithm>
#include <cstdint>

#include "hhc/sitemap.h"
#include "text/ascii.h"
#include "text/chapter_encoding.h"

namespace chm {
namespace {

bool IsAttrNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_';
}

// The attribute value starting at `pos` (after '=' and blanks).
std::string_view ReadAttributeValue(std::string_view s, size_t pos) {
  if (pos >= s.size()) return {};
  char q = s[pos];
  if (q == '"' || q == '\'') {
    size_t end = s.find(q, pos + 1);
    if (end == std::string_view::npos || end - pos > 2048) return {};
    return s.substr(pos + 1, end - pos - 1);
  }
  size_t end = pos;
  while (end < s.size() && !text::IsBlank(s[end]) && s[end] != '>' && end - pos < 2048) ++end;
  return s.substr(pos, end - pos);
}

// The value of the attribute whose name ends just before `p`, when an '=' follows (blanks
// allowed around it): trimmed and with character references decoded. False when no value.
bool AttributeValueAfterName(std::string_view s, size_t p, std::string* value) {
  while (p < s.size() && text::IsBlank(s[p])) ++p;
  if (p >= s.size() || s[p] != '=') return false;
  ++p;
  while (p < s.size() && text::IsBlank(s[p])) ++p;
  std::string_view v = text::Trim(ReadAttributeValue(s, p));
  if (v.empty()) return false;
  *value = DecodeHtmlEntities(v);
  return true;
}

// The inside of a CSS url( ) whose opening parenthesis ends just before `p`: blanks and one
// pair of matching quotes removed. False when unterminated, too long or empty.
bool CssUrlValue(std::string_view s, size_t p, std::string* value) {
  size_t end = s.find(')', p);
  if (end == std::string_view::npos || end - p > 2048) return false;
  std::string_view v = text::Trim(s.substr(p, end - p));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    v = v.substr(1, v.size() - 2);
  }
  v = text::Trim(v);
  if (v.empty()) return false;
  *value = DecodeHtmlEntities(v);
  return true;
}

// The title element starting at `open` ("<title") inside the page's head.
std::string TitleAt(std::string_view head, size_t open) {
  size_t gt = head.find('>', open);
  if (gt == std::string_view::npos) return {};
  size_t close = text::FindNoCase(head, "</title", gt + 1);
  if (close == std::string_view::npos) return {};
  std::string_view title = text::Trim(head.substr(gt + 1, close - gt - 1));
  std::string out;
  for (char c : title.substr(0, 1024)) {
    if (c == '\0') continue;
    out += (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
  }
  return out;
}

// What a byte may begin, for the one pass over a page. The words never overlap themselves, so
// looking at every position finds each occurrence exactly once.
enum Trigger : std::uint8_t { kNothing, kSrc, kHref, kBackground, kUrl, kTitle };
constexpr std::string_view kWords[] = {"", "src", "href", "background", "url(", "<title"};
constexpr int kAttributeKinds = 4;  // src, href, background, url(: the order of the results

struct TriggerTable {
  std::uint8_t of[256] = {};
  constexpr TriggerTable() {
    for (int t = kSrc; t <= kTitle; ++t) {
      const char c = kWords[t][0];
      of[static_cast<unsigned char>(c)] = static_cast<std::uint8_t>(t);
      if (c >= 'a' && c <= 'z')
        of[static_cast<unsigned char>(c - 32)] = static_cast<std::uint8_t>(t);
    }
  }
};
constexpr TriggerTable kTriggers;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The one pass over a page's bytes for its references and title.
PageScan ScanMarkup(std::string_view page, size_t head_size) {
  PageScan scan;
  const std::string_view head = page.substr(0, head_size);
  std::vector<std::string> found[kAttributeKinds];
  std::vector<size_t> found_at[kAttributeKinds];
  size_t title_open = std::string_view::npos;
  std::string value;
  const size_t n = page.size();
  for (size_t i = 0; i < n; ++i) {
    const std::uint8_t t = kTriggers.of[static_cast<unsigned char>(page[i])];
    if (t == kNothing || (t == kTitle && title_open != std::string_view::npos)) continue;
    const std::string_view word = kWords[t];
    const std::string_view within = t == kTitle ? head : page;
    if (i + word.size() > within.size() ||
        !text::EqualsNoCase(within.substr(i, word.size()), word)) {
      continue;
    }
    const size_t after = i + word.size();
    switch (t) {
      case kUrl:
        if (CssUrlValue(page, after, &value)) {
          found[t - kSrc].push_back(std::move(value));
          found_at[t - kSrc].push_back(i);
        }
        break;
      case kTitle:
        if (title_open == std::string_view::npos) title_open = i;
        break;
      default:  // an attribute name, unless it ends a longer one such as "data-src"
        if (i > 0 && IsAttrNameChar(page[i - 1])) break;
        if (AttributeValueAfterName(page, after, &value)) {
          found[t - kSrc].push_back(std::move(value));
          found_at[t - kSrc].push_back(i);
        }
        break;
    }
  }
  for (int k = 0; k < kAttributeKinds; ++k) {
    for (std::string& ref : found[k]) scan.references.push_back(std::move(ref));
    scan.offsets.insert(scan.offsets.end(), found_at[k].begin(), found_at[k].end());
  }
  if (title_open != std::string_view::npos) scan.title = TitleAt(head, title_open);
  return scan;
}

}  // namespace

PageScan ScanPage(std::string_view page, size_t head_size, unsigned code_page) {
  text::Encoding marked;
  const size_t mark = text::ByteOrderMark(page, &marked);
  if (mark > 0 && marked != text::Encoding::kUtf8) {
    // UTF-16 is scanned as UTF-8, the head as far as the same characters reach.
    const bool big_endian = marked == text::Encoding::kUtf16Be;
    std::string utf8 = text::Utf16BytesToUtf8(page.substr(mark), big_endian);
    const size_t head_units = (std::min(head_size, page.size()) - std::min(head_size, mark)) / 2;
    const size_t utf8_head =
        text::Utf16BytesToUtf8(page.substr(mark, head_units * 2), big_endian).size();
    PageScan scan = ScanMarkup(utf8, utf8_head);
    scan.encoding = {marked, 0};
    scan.converted = std::move(utf8);
    return scan;
  }
  PageScan scan = ScanMarkup(page, head_size);
  scan.encoding = text::DecidePageEncoding(page, head_size, code_page);
  return scan;
}

std::vector<LinkPlace> PlacesAt(std::string_view page,
                                const std::vector<size_t>& ascending_offsets) {
  std::vector<LinkPlace> places;
  places.reserve(ascending_offsets.size());
  LinkPlace here;
  bool in_tag = false, in_style = false;
  size_t i = 0;
  for (size_t offset : ascending_offsets) {
    for (offset = std::min(offset, page.size()); i < offset; ++i) {
      const char c = page[i];
      if (c == '\n' || (c == '\r' && (i + 1 >= page.size() || page[i + 1] != '\n'))) {
        ++here.line;
      } else if (c == '<') {
        in_tag = true;
        const std::string_view rest = page.substr(i + 1);
        if (text::StartsWithNoCase(rest, "style")) in_style = true;
        if (text::StartsWithNoCase(rest, "/style")) in_style = false;
      } else if (c == '>') {
        in_tag = false;
      }
    }
    here.in_markup = in_tag || in_style;
    places.push_back(here);
  }
  return places;
}

std::vector<std::string> FindReferences(std::string_view page) {
  return ScanMarkup(page, 0).references;
}

std::string FindPageTitle(std::string_view page) { return ScanMarkup(page, page.size()).title; }

bool NormaliseRelativePath(std::string_view path, std::string* out) {
  if (path.empty() || path[0] == '/' || path[0] == '\\') return false;
  std::vector<std::string> parts;
  std::string part;
  auto flush = [&]() -> bool {
    if (part == "..") {
      if (parts.empty()) return false;
      parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    part.clear();
    return true;
  };
  for (char c : path) {
    if (c == '/' || c == '\\') {
      if (!flush()) return false;
    } else {
      part += c;
    }
  }
  if (!flush() || parts.empty()) return false;
  out->clear();
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) *out += '/';
    *out += parts[i];
  }
  return true;
}

bool ResolveReference(std::string_view page_name, std::string_view reference, std::string* name) {
  std::string_view ref = text::Trim(reference);
  size_t cut = ref.find_first_of("#?");
  if (cut != std::string_view::npos) ref = ref.substr(0, cut);
  if (ref.empty()) return false;
  // Any scheme ("http:", "mailto:", "ms-its:", "C:") makes it non-local.
  size_t colon = ref.find(':');
  if (colon != std::string_view::npos) return false;
  if (ref[0] == '/' || ref[0] == '\\') return false;
  std::string decoded;
  for (size_t i = 0; i < ref.size(); ++i) {
    if (ref[i] == '%' && i + 2 < ref.size() + 0 && HexValue(ref[i + 1]) >= 0 &&
        HexValue(ref[i + 2]) >= 0) {
      decoded += static_cast<char>(HexValue(ref[i + 1]) * 16 + HexValue(ref[i + 2]));
      i += 2;
    } else {
      decoded += ref[i];
    }
  }
  if (decoded.find('\0') != std::string::npos) return false;
  std::string base(page_name);
  size_t slash = base.find_last_of('/');
  base = slash == std::string::npos ? std::string() : base.substr(0, slash + 1);
  return NormaliseRelativePath(base + decoded, name);
}

}  // namespace chm

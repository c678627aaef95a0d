#include "chm/link_scan.h"

#include "chm/sitemap.h"
#include "chm/text_util.h"

namespace chm {
namespace {

bool IsAttrNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         c == '-' || c == '_';
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
  while (end < s.size() && !IsBlank(s[end]) && s[end] != '>' && end - pos < 2048) ++end;
  return s.substr(pos, end - pos);
}

void ScanAttribute(std::string_view s, std::string_view attr, std::vector<std::string>* out) {
  size_t pos = 0;
  while ((pos = FindNoCase(s, attr, pos)) != std::string_view::npos) {
    size_t start = pos;
    pos += attr.size();
    if (start > 0 && IsAttrNameChar(s[start - 1])) continue;  // e.g. "data-src"
    size_t p = pos;
    while (p < s.size() && IsBlank(s[p])) ++p;
    if (p >= s.size() || s[p] != '=') continue;
    ++p;
    while (p < s.size() && IsBlank(s[p])) ++p;
    std::string_view v = Trim(ReadAttributeValue(s, p));
    if (!v.empty()) out->push_back(DecodeHtmlEntities(v));
  }
}

void ScanCssUrls(std::string_view s, std::vector<std::string>* out) {
  size_t pos = 0;
  while ((pos = FindNoCase(s, "url(", pos)) != std::string_view::npos) {
    pos += 4;
    size_t end = s.find(')', pos);
    if (end == std::string_view::npos || end - pos > 2048) continue;
    std::string_view v = Trim(s.substr(pos, end - pos));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
      v = v.substr(1, v.size() - 2);
    }
    v = Trim(v);
    if (!v.empty()) out->push_back(DecodeHtmlEntities(v));
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::vector<std::string> FindReferences(std::string_view page) {
  std::vector<std::string> refs;
  ScanAttribute(page, "src", &refs);
  ScanAttribute(page, "href", &refs);
  ScanAttribute(page, "background", &refs);
  ScanCssUrls(page, &refs);
  return refs;
}

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
  std::string_view ref = Trim(reference);
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

std::string FindPageTitle(std::string_view page) {
  size_t open = FindNoCase(page, "<title");
  if (open == std::string_view::npos) return {};
  size_t gt = page.find('>', open);
  if (gt == std::string_view::npos) return {};
  size_t close = FindNoCase(page, "</title", gt + 1);
  if (close == std::string_view::npos) return {};
  std::string_view title = Trim(page.substr(gt + 1, close - gt - 1));
  std::string out;
  for (char c : title.substr(0, 1024)) {
    if (c == '\0') continue;
    out += (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
  }
  return out;
}

}  // namespace chm

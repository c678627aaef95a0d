#include "book/chapter_list.h"

#include <algorithm>

namespace book {
namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
  if (s.size() < tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i) {
    if (AsciiLower(s[s.size() - tail.size() + i]) != tail[i]) return false;
  }
  return true;
}

// "*.htm*": ".htm" anywhere, since "*" also spans dots ("a.htm.bak").
bool ContainsHtmNoCase(const std::string& s) {
  for (std::size_t i = 0; i + 4 <= s.size(); ++i) {
    if (s[i] == '.' && AsciiLower(s[i + 1]) == 'h' && AsciiLower(s[i + 2]) == 't' &&
        AsciiLower(s[i + 3]) == 'm')
      return true;
  }
  return false;
}

}  // namespace

bool IsChapterFileName(const std::string& name) {
  return ContainsHtmNoCase(name) || EndsWithNoCase(name, ".txt") || EndsWithNoCase(name, ".mht");
}

void SortChapterNames(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
      char x = AsciiLower(a[i]), y = AsciiLower(b[i]);
      if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
  });
}

}  // namespace book

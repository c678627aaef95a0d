// Little-endian reads of a book's tables for the tests' inspectors.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "text/utf.h"

namespace chm_test {

// Little-endian reads that never go past the end: a short table reads as zeros and is noted.
class Reader {
 public:
  Reader(const std::string& bytes, std::vector<std::string>* problems, std::string what)
      : b_(bytes), problems_(problems), what_(std::move(what)) {}

  bool Has(std::uint64_t at, std::uint64_t n) const {
    return at <= b_.size() && n <= b_.size() - at;
  }
  std::uint64_t Le(std::uint64_t at, int n) const {
    if (!Has(at, static_cast<std::uint64_t>(n))) {
      problems_->push_back(what_ + ": read past the end at " + std::to_string(at));
      return 0;
    }
    std::uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b_[at + i]);
    return v;
  }
  std::uint32_t U32(std::uint64_t at) const { return static_cast<std::uint32_t>(Le(at, 4)); }
  std::uint16_t U16(std::uint64_t at) const { return static_cast<std::uint16_t>(Le(at, 2)); }
  std::uint64_t U64(std::uint64_t at) const { return Le(at, 8); }
  std::string Text(std::uint64_t at, std::uint64_t n) const {
    return Has(at, n) ? b_.substr(at, n) : std::string();
  }
  std::string Guid(std::uint64_t at) const {
    char s[40];
    std::snprintf(s, sizeof s, "{%08X-%04X-%04X-", U32(at), U16(at + 4), U16(at + 6));
    std::string out = s;
    for (int i = 8; i < 16; ++i) {
      std::snprintf(s, sizeof s, "%02X", static_cast<unsigned>(Le(at + i, 1)));
      out += s;
      if (i == 9) out += '-';
    }
    return out + "}";
  }
  // UTF-16LE up to its 0 terminator, as UTF-8; `at` moves past the terminator.
  std::string Utf16(std::uint64_t* at, std::uint64_t end) const {
    std::u16string units;
    while (*at + 2 <= end) {
      const char16_t c = U16(*at);
      *at += 2;
      if (c == 0) return text::Utf16ToUtf8(units);
      units += c;
    }
    problems_->push_back(what_ + ": text without its terminator");
    return text::Utf16ToUtf8(units);
  }
  // ENCINT: base 128, most significant group first.
  std::uint64_t EncInt(std::uint64_t* at, std::uint64_t end) const {
    std::uint64_t v = 0;
    while (*at < end) {
      unsigned char c = static_cast<unsigned char>(b_[(*at)++]);
      v = v << 7 | (c & 0x7F);
      if (!(c & 0x80)) return v;
    }
    problems_->push_back(what_ + ": ENCINT runs past its chunk");
    return v;
  }

 private:
  const std::string& b_;
  std::vector<std::string>* problems_;
  std::string what_;
};

}  // namespace chm_test

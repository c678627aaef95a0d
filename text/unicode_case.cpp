#include "text/unicode_case.h"

namespace book {

char32_t LowerCodePoint(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;  // Latin-1 capitals
  if (c >= 0x100 && c <= 0x17F) {                            // Latin Extended-A, in pairs
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (c == 0x178) return 0xFF;
    bool odd_capitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (odd_capitals) return (c & 1) ? c + 1 : c;
    return (c & 1) ? c : c + 1;
  }
  if (c == 0x386) return 0x3AC;  // Greek with tonos
  if (c >= 0x388 && c <= 0x38A) return c + 37;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 63;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;  // Greek capitals
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;                // Cyrillic Ѐ..Џ
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;                // Cyrillic А..Я
  if (c >= 0x2160 && c <= 0x216F) return c + 0x10;              // Roman numerals
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 0x20;              // full-width Ａ..Ｚ
  return c;
}

namespace {

bool DecodeUtf8(const std::string& s, std::size_t& i, char32_t& c) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char b = byte(i);
  int extra;
  if (b < 0x80) {
    c = b;
    extra = 0;
  } else if ((b & 0xE0) == 0xC0) {
    c = b & 0x1F;
    extra = 1;
  } else if ((b & 0xF0) == 0xE0) {
    c = b & 0x0F;
    extra = 2;
  } else if ((b & 0xF8) == 0xF0) {
    c = b & 0x07;
    extra = 3;
  } else
    return false;
  if (i + extra >= s.size()) return false;
  for (int k = 1; k <= extra; ++k) {
    unsigned char t = byte(i + k);
    if ((t & 0xC0) != 0x80) return false;
    c = (c << 6) | (t & 0x3F);
  }
  i += extra + 1;
  return true;
}

void EncodeUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

bool LowerUtf8(const std::string& utf8, std::string& lowered) {
  lowered.clear();
  std::size_t i = 0;
  while (i < utf8.size()) {
    char32_t c;
    if (!DecodeUtf8(utf8, i, c)) return false;
    EncodeUtf8(LowerCodePoint(c), lowered);
  }
  return true;
}

}  // namespace book

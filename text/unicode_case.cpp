#include "text/unicode_case.h"

#include "text/utf.h"

namespace text {

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

bool LowerUtf8(std::string_view utf8, std::string& lowered) {
  lowered.clear();
  std::size_t i = 0;
  while (i < utf8.size()) {
    char32_t c;
    if (!DecodeUtf8(utf8, &i, &c)) return false;
    AppendUtf8(LowerCodePoint(c), &lowered);
  }
  return true;
}

}  // namespace text

// Simple lower-case mapping of the letters that the ANSI code pages in use carry: Latin,
// Greek, Cyrillic, Roman numerals and the full-width Latin letters of the East Asian pages.
#pragma once

#include <string>
#include <string_view>

namespace text {

char32_t LowerCodePoint(char32_t c);

// Lower-cases UTF-8 text. Returns false when the text is not valid UTF-8.
bool LowerUtf8(std::string_view utf8, std::string& lowered);

}  // namespace text

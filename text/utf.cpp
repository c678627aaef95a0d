#include "text/utf.h"

namespace text {

bool DecodeUtf8(std::string_view s, std::size_t* pos, char32_t* c) {
  std::size_t i = *pos;
  const unsigned char lead = static_cast<unsigned char>(s[i++]);
  if (lead < 0x80) {
    *pos = i;
    *c = lead;
    return true;
  }
  // The second byte's range is narrower after E0, ED, F0 and F4: that is what rules out
  // overlong forms, surrogates and values beyond U+10FFFF.
  int trail;
  char32_t value;
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trail = 1;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trail = 2;
    value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trail = 3;
    value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    *pos = i;
    return false;
  }
  for (; trail > 0; --trail, ++i) {
    const unsigned char b = i < s.size() ? static_cast<unsigned char>(s[i]) : 0;
    if (i >= s.size() || b < low || b > high) {
      *pos = i;
      return false;
    }
    value = (value << 6) | (b & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  *pos = i;
  *c = value;
  return true;
}

bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  char32_t c;
  while (i < s.size()) {
    if (!DecodeUtf8(s, &i, &c)) return false;
  }
  return true;
}

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

namespace {

// One body for char16_t and, on Windows, wchar_t.
template <typename Units>
Units ToUtf16Units(std::string_view utf8) {
  using Unit = typename Units::value_type;
  Units out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    char32_t c;
    if (!DecodeUtf8(utf8, &i, &c)) c = kReplacementCharacter;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<Unit>(0xD800 + (c >> 10)));
      out.push_back(static_cast<Unit>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<Unit>(c));
    }
  }
  return out;
}

template <typename Unit>
std::string FromUtf16Units(std::basic_string_view<Unit> utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t c = static_cast<char16_t>(utf16[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size()) {
      const char32_t low = static_cast<char16_t>(utf16[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c >= 0xD800 && c <= 0xDFFF) c = kReplacementCharacter;
    AppendUtf8(c, &out);
  }
  return out;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) { return ToUtf16Units<std::u16string>(utf8); }

std::string Utf16ToUtf8(std::u16string_view utf16) { return FromUtf16Units(utf16); }

#ifdef _WIN32
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t holds UTF-16 on Windows");

std::wstring Utf8ToWide(std::string_view utf8) { return ToUtf16Units<std::wstring>(utf8); }

std::string WideToUtf8(std::wstring_view wide) { return FromUtf16Units(wide); }
#endif

}  // namespace text

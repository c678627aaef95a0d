#include "hhc/page_text.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "text/ascii.h"
#include "text/codepage.h"
#include "text/utf.h"

namespace chm {
namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsNameChar(char c) {
  return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == ':';
}

struct NamedReference {
  std::string_view name;
  std::uint32_t code;
};
// The references that stand for letters or for the characters pages use most.
constexpr NamedReference kNamed[] = {
    {"amp", '&'},     {"lt", '<'},      {"gt", '>'},      {"quot", '"'},    {"apos", '\''},
    {"nbsp", ' '},    {"copy", 0xA9},   {"reg", 0xAE},    {"middot", 0xB7}, {"szlig", 0xDF},
    {"agrave", 0xE0}, {"aacute", 0xE1}, {"acirc", 0xE2},  {"atilde", 0xE3}, {"auml", 0xE4},
    {"aring", 0xE5},  {"aelig", 0xE6},  {"ccedil", 0xE7}, {"egrave", 0xE8}, {"eacute", 0xE9},
    {"ecirc", 0xEA},  {"euml", 0xEB},   {"igrave", 0xEC}, {"iacute", 0xED}, {"icirc", 0xEE},
    {"iuml", 0xEF},   {"ntilde", 0xF1}, {"ograve", 0xF2}, {"oacute", 0xF3}, {"ocirc", 0xF4},
    {"otilde", 0xF5}, {"ouml", 0xF6},   {"oslash", 0xF8}, {"ugrave", 0xF9}, {"uacute", 0xFA},
    {"ucirc", 0xFB},  {"uuml", 0xFC},   {"yacute", 0xFD}, {"yuml", 0xFF},   {"Agrave", 0xC0},
    {"Aacute", 0xC1}, {"Acirc", 0xC2},  {"Atilde", 0xC3}, {"Auml", 0xC4},   {"Aring", 0xC5},
    {"AElig", 0xC6},  {"Ccedil", 0xC7}, {"Egrave", 0xC8}, {"Eacute", 0xC9}, {"Ecirc", 0xCA},
    {"Euml", 0xCB},   {"Igrave", 0xCC}, {"Iacute", 0xCD}, {"Icirc", 0xCE},  {"Iuml", 0xCF},
    {"Ntilde", 0xD1}, {"Ograve", 0xD2}, {"Oacute", 0xD3}, {"Ocirc", 0xD4},  {"Otilde", 0xD5},
    {"Ouml", 0xD6},   {"Oslash", 0xD8}, {"Ugrave", 0xD9}, {"Uacute", 0xDA}, {"Ucirc", 0xDB},
    {"Uuml", 0xDC},   {"Yacute", 0xDD},
};

class Extractor {
 public:
  Extractor(std::string_view page, bool utf8, unsigned code_page)
      : s_(page), utf8_(utf8), code_page_(code_page) {}

  PageText Run() {
    text_.body.reserve(s_.size() / 2);
    size_t i = 0;
    while (i < s_.size()) {
      const char c = s_[i];
      if (c == '<') {
        i = Markup(i);
      } else if (c == '&') {
        i = Reference(i, &text_.body);
      } else if (c == '\0') {
        text_.body.push_back(' ');
        ++i;
      } else {
        // Text up to the next tag, reference or NUL goes over at once.
        size_t end = i + 1;
        while (end < s_.size() && s_[end] != '<' && s_[end] != '&' && s_[end] != '\0') ++end;
        text_.body.append(s_.data() + i, end - i);
        i = end;
      }
    }
    return std::move(text_);
  }

 private:
  // The end of the tag that starts at `lt`, quoted attribute values skipped.
  size_t TagEnd(size_t lt) const {
    char quote = 0;
    for (size_t i = lt + 1; i < s_.size(); ++i) {
      const char c = s_[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '>') {
        return i + 1;
      } else if ((c == '"' || c == '\'') && s_[i - 1] == '=') {
        quote = c;
      }
    }
    return s_.size();
  }

  // Past the closing tag `</name`, or the end of the page when there is none.
  size_t SkipTo(size_t from, std::string_view closing) const {
    const size_t at = text::FindNoCase(s_, closing, from);
    return at == std::string_view::npos ? s_.size() : TagEnd(at);
  }

  size_t Markup(size_t lt) {
    const std::string_view rest = s_.substr(lt + 1);
    if (rest.substr(0, 3) == "!--") {
      const size_t end = s_.find("-->", lt + 4);
      return end == std::string_view::npos ? s_.size() : end + 3;
    }
    if (rest.empty() ||
        !(IsAsciiLetter(rest[0]) || rest[0] == '/' || rest[0] == '!' || rest[0] == '?')) {
      text_.body.push_back('<');
      return lt + 1;
    }
    size_t name_end = 1;
    while (name_end < rest.size() && IsNameChar(rest[name_end])) ++name_end;
    const std::string_view name = rest.substr(0, name_end);
    const size_t end = TagEnd(lt);
    text_.body.push_back(' ');
    if (text::EqualsNoCase(name, "script")) return SkipTo(end, "</script");
    if (text::EqualsNoCase(name, "style")) return SkipTo(end, "</style");
    if (text::EqualsNoCase(name, "title") && !seen_title_) {
      seen_title_ = true;
      const size_t close = text::FindNoCase(s_, "</title", end);
      const size_t stop = close == std::string_view::npos ? s_.size() : close;
      for (size_t i = end; i < stop;) {
        if (s_[i] == '&') {
          i = Reference(i, &text_.title);
        } else {
          text_.title.push_back(s_[i] == '\0' ? ' ' : s_[i]);
          ++i;
        }
      }
      return close == std::string_view::npos ? s_.size() : TagEnd(close);
    }
    return end;
  }

  // A character reference at `amp`, written to `out`; returns where the text goes on.
  size_t Reference(size_t amp, std::string* out) {
    size_t i = amp + 1;
    std::uint32_t code = 0;
    bool known = false;
    if (i < s_.size() && s_[i] == '#') {
      ++i;
      const bool hex = i < s_.size() && (s_[i] == 'x' || s_[i] == 'X');
      if (hex) ++i;
      const size_t digits = i;
      while (i < s_.size() && i - digits < 8) {
        const char c = s_[i];
        int v = c >= '0' && c <= '9'          ? c - '0'
                : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                              : -1;
        if (v < 0) break;
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
        ++i;
      }
      known = i > digits && code > 0 && code <= 0x10FFFF;
    } else {
      const size_t start = i;
      while (i < s_.size() && i - start < 10 && IsAsciiLetter(s_[i])) ++i;
      const std::string_view name = s_.substr(start, i - start);
      for (const NamedReference& r : kNamed) {
        if (r.name == name) {
          code = r.code;
          known = true;
          break;
        }
      }
      if (!known && i > start) {
        // A reference we do not know stands for some symbol: a word break.
        if (i < s_.size() && s_[i] == ';') ++i;
        out->push_back(' ');
        return i;
      }
    }
    if (!known) {
      out->push_back('&');
      return amp + 1;
    }
    if (i < s_.size() && s_[i] == ';') ++i;
    if (code < 0x80) {
      out->push_back(static_cast<char>(code));
    } else if (utf8_) {
      text::AppendUtf8(static_cast<char32_t>(code), out);
    } else {
      std::string utf8, bytes;
      text::AppendUtf8(static_cast<char32_t>(code), &utf8);
      out->append(text::EncodeCodePage(code_page_, utf8, &bytes) ? bytes : std::string(" "));
    }
    return i;
  }

  std::string_view s_;
  bool utf8_;
  unsigned code_page_;
  bool seen_title_ = false;
  PageText text_;
};

// The characters of a single-byte code page's upper half with their bytes, sorted: made once
// per process for each code page, from the platform's conversion.
const std::vector<std::pair<char32_t, char>>& UpperHalf(unsigned code_page) {
  static std::mutex lock;
  static std::map<unsigned, std::vector<std::pair<char32_t, char>>> made;
  std::lock_guard<std::mutex> guard(lock);
  auto [it, added] = made.try_emplace(code_page);
  if (added) {
    for (int b = 0x80; b < 0x100; ++b) {
      const char byte = static_cast<char>(b);
      std::string utf8;
      size_t pos = 0;
      char32_t c = 0;
      if (text::DecodeCodePage(code_page, std::string_view(&byte, 1), &utf8) && !utf8.empty() &&
          text::DecodeUtf8(utf8, &pos, &c) && pos == utf8.size()) {
        it->second.emplace_back(c, byte);
      }
    }
    std::sort(it->second.begin(), it->second.end());
  }
  return it->second;
}

// UTF-8 text in the code page, a blank for each character it lacks (or each invalid byte). A
// single-byte code page goes through its table, which pages full of non-breaking spaces and
// symbols the code page lacks pass quickly; the double-byte ones through the platform.
std::string ToCodePage(unsigned code_page, const std::string& utf8) {
  std::string out;
  if (!text::IsDbcsCodePage(code_page)) {
    const auto& upper = UpperHalf(code_page);
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
      const char b = utf8[i];
      if (static_cast<unsigned char>(b) < 0x80) {
        out.push_back(b);
        ++i;
        continue;
      }
      char32_t c = 0;
      if (!text::DecodeUtf8(utf8, &i, &c)) {
        out.push_back(' ');
        continue;
      }
      const auto found =
          std::lower_bound(upper.begin(), upper.end(), std::make_pair(c, '\0'),
                           [](const auto& x, const auto& y) { return x.first < y.first; });
      out.push_back(found != upper.end() && found->first == c ? found->second : ' ');
    }
    return out;
  }
  if (text::EncodeCodePage(code_page, utf8, &out)) return out;
  out.clear();
  std::string bytes;
  size_t i = 0;
  while (i < utf8.size()) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    size_t n = (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    if (i + n > utf8.size()) n = 1;
    out +=
        text::EncodeCodePage(code_page, std::string_view(utf8).substr(i, n), &bytes) ? bytes : " ";
    i += n;
  }
  return out;
}

// Bytes of `code_page` in UTF-8, bytes it does not define (or a double-byte character cut short)
// as blanks. A byte below 0x40 is never the second byte of a double-byte character, so the text
// is decoded in runs between such bytes, and a run that fails character by character.
std::string DecodeReplacing(unsigned code_page, std::string_view bytes) {
  std::string out;
  if (text::DecodeCodePage(code_page, bytes, &out)) return out;
  out.clear();
  std::string piece;
  auto decode = [&](std::string_view run) {
    if (text::DecodeCodePage(code_page, run, &piece)) {
      out += piece;
      return true;
    }
    return false;
  };
  size_t i = 0;
  while (i < bytes.size()) {
    size_t end = i;
    while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) >= 0x40) ++end;
    if (end == i) {
      out.push_back(bytes[i++]);
      continue;
    }
    const std::string_view run = bytes.substr(i, end - i);
    if (!decode(run)) {
      for (size_t k = 0; k < run.size();) {
        const size_t n =
            text::IsLeadByte(code_page, static_cast<unsigned char>(run[k])) && k + 1 < run.size()
                ? 2
                : 1;
        if (!decode(run.substr(k, n))) out.push_back(' ');
        k += n;
      }
    }
    i = end;
  }
  return out;
}

}  // namespace

PageText ExtractPageText(std::string_view page, const text::ChapterEncoding& encoding,
                         unsigned code_page) {
  std::string decoded;
  text::Encoding marked;
  switch (encoding.encoding) {
    case text::Encoding::kAnsi:
    case text::Encoding::kUtf8:
      break;
    case text::Encoding::kUtf16Le:
    case text::Encoding::kUtf16Be:
      decoded = text::Utf16BytesToUtf8(page.substr(text::ByteOrderMark(page, &marked)),
                                       encoding.encoding == text::Encoding::kUtf16Be);
      page = decoded;
      break;
    case text::Encoding::kCodePage:
      decoded = DecodeReplacing(encoding.code_page, page);
      page = decoded;
      break;
  }
  const bool utf8 = encoding.encoding != text::Encoding::kAnsi;
  PageText text = Extractor(page, utf8, code_page).Run();
  if (utf8) {
    text.title = ToCodePage(code_page, text.title);
    text.body = ToCodePage(code_page, text.body);
  }
  return text;
}

}  // namespace chm

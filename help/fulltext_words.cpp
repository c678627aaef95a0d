#include "help/fulltext_words.h"

#include <map>
#include <mutex>

#include "text/codepage.h"
#include "text/unicode_case.h"
#include "text/utf.h"

namespace chm {
namespace {

// The one character a UTF-8 string holds, or 0 when it holds something else.
char32_t SingleCodePoint(const std::string& s) {
  std::size_t pos = 0;
  char32_t c = 0;
  if (s.empty() || !text::DecodeUtf8(s, &pos, &c) || pos != s.size()) return 0;
  return c;
}

}  // namespace

// The tables of a code page take a conversion call per byte; they are made once per process.
WordBreaker::WordBreaker(unsigned code_page) {
  static std::mutex lock;
  static std::map<unsigned, WordBreaker> made;
  std::lock_guard<std::mutex> guard(lock);
  auto found = made.find(code_page);
  if (found == made.end()) found = made.emplace(code_page, WordBreaker(code_page, Build{})).first;
  *this = found->second;
}

WordBreaker::WordBreaker(unsigned code_page, Build) {
  for (int c = '0'; c <= '9'; ++c) lower_[c] = static_cast<std::uint8_t>(c);
  for (int c = 'a'; c <= 'z'; ++c) lower_[c] = static_cast<std::uint8_t>(c);
  for (int c = 'A'; c <= 'Z'; ++c) lower_[c] = static_cast<std::uint8_t>(c + 32);
  lower_['_'] = '_';
  if (text::IsDbcsCodePage(code_page)) {
    for (int b = 0x80; b < 0x100; ++b)
      lead_[b] = text::IsLeadByte(code_page, static_cast<unsigned char>(b)) ? 1 : 0;
    // The single-byte half-width katakana of code page 932 are letters.
    if (code_page == 932) {
      for (int b = 0xA6; b <= 0xDF; ++b) lower_[b] = static_cast<std::uint8_t>(b);
    }
    return;
  }
  // Letters of the upper half: every character with a case, in either case. A lower-case letter
  // counts when some byte of the page lower-cases to it (so 'ß' or 'ÿ' without a capital in the
  // page stay out, as punctuation and symbols do).
  std::string quote;
  if (text::DecodeCodePage(code_page, "\x92", &quote) && quote == "\xE2\x80\x99")
    right_quote_ = 0x92;
  for (int b = 0x80; b < 0x100; ++b) {
    std::string utf8;
    const char byte = static_cast<char>(b);
    if (!text::DecodeCodePage(code_page, std::string_view(&byte, 1), &utf8)) continue;
    const char32_t c = SingleCodePoint(utf8);
    const char32_t lower = c ? text::LowerCodePoint(c) : 0;
    if (c == 0 || lower == c) continue;
    std::string lowered_utf8, lowered;
    text::LowerUtf8(utf8, lowered_utf8);
    if (!text::EncodeCodePage(code_page, lowered_utf8, &lowered) || lowered.size() != 1) continue;
    const std::uint8_t lb = static_cast<std::uint8_t>(lowered[0]);
    lower_[b] = lb;
    lower_[lb] = lb;
  }
}

}  // namespace chm

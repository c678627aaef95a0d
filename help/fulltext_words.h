// The words the search index stores, from text in the book's ANSI code page: lower-cased runs of
// letters, digits and '_', as Windows' help compiler indexes them. An apostrophe inside a word of
// letters is dropped ("don't" is "dont", "ISPP's" is "ispps"); a word that starts with a digit runs
// on over dots that stand between word characters ("1.2.3", "0.bin", "0..maxint") and over commas,
// which are dropped ("1,000" is "1000"). In the double-byte code pages every double-byte character
// is a word of its own: Chinese has no spaces between words, and the viewer's search looks each
// character up alone.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace chm {

class WordBreaker {
 public:
  explicit WordBreaker(unsigned code_page);

  // Calls `emit(std::string_view word)` for each word of `text` in order. Words are in the code
  // page, lower-cased; `scratch` holds the current word between calls.
  template <typename Emit>
  void ForEachWord(std::string_view text, std::string* scratch, Emit emit) const;

  bool IsLeadByte(std::uint8_t b) const { return lead_[b] != 0; }
  bool IsDbcs() const { return lead_[0x81] != 0; }
  // The lower-case form of a single-byte word character, 0 for a byte that is not one.
  std::uint8_t WordByte(std::uint8_t b) const { return lower_[b]; }

 private:
  struct Build {};
  WordBreaker(unsigned code_page, Build);

  std::array<std::uint8_t, 256> lower_{};
  std::array<std::uint8_t, 256> lead_{};
  std::uint8_t right_quote_ = '\'';  // the code page's typographic apostrophe, if it has one
};

template <typename Emit>
void WordBreaker::ForEachWord(std::string_view text, std::string* word, Emit emit) const {
  word->clear();
  const size_t n = text.size();
  auto at = [&](size_t i) { return static_cast<std::uint8_t>(text[i]); };
  auto flush = [&] {
    if (!word->empty()) emit(std::string_view(*word));
    word->clear();
  };
  size_t i = 0;
  while (i < n) {
    const std::uint8_t b = at(i);
    if (lead_[b] && i + 1 < n) {
      flush();
      word->assign(text.substr(i, 2));
      flush();
      i += 2;
      continue;
    }
    if (const std::uint8_t lower = lower_[b]; lower != 0 && !lead_[b]) {
      word->push_back(static_cast<char>(lower));
      ++i;
      continue;
    }
    if (!word->empty() && i + 1 < n) {
      const bool number = (*word)[0] >= '0' && (*word)[0] <= '9';
      auto word_byte_at = [&](size_t j) { return j < n && lower_[at(j)] != 0 && !lead_[at(j)]; };
      const bool dropped = number ? b == ',' : (b == '\'' || b == right_quote_);
      if (dropped && word_byte_at(i + 1)) {
        ++i;
        continue;
      }
      if (number && b == '.') {
        size_t j = i;
        while (j < n && text[j] == '.') ++j;
        if (word_byte_at(j)) {
          word->append(text.substr(i, j - i));
          i = j;
          continue;
        }
      }
    }
    flush();
    ++i;
  }
  flush();
}

}  // namespace chm

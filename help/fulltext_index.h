// The full-text search index, $FIftiMain, that the viewer's Search tab reads: every word of every
// page with the topics it occurs in and its positions there, in a B-tree of 4 KiB nodes.
//
// Layout: a 1 KiB header; then, leaf by leaf, the location data of the leaf's words followed by
// the leaf; then the index nodes, each listing the last word of every child. Words are sorted by
// their bytes and prefix-compressed within a node; a word found in a page's title has an entry
// of its own (flagged) besides its entry for the body text. Location data is a bit stream per
// word: for each topic the topic number (as a step from the previous one), the number of
// positions and the positions (as steps), each in the "scale 2, root r" code whose roots the
// header records; the stream is padded to a byte after each topic.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "help/fulltext_words.h"
#include "itsf/bytes.h"

namespace chm {

class FullTextIndex {
 public:
  FullTextIndex(unsigned code_page, std::uint32_t lcid);

  // A stop list file: words separated by blanks or line breaks, in the code page. Its words are
  // left out of the index (they still count as positions).
  void SetStopWords(std::string_view list);

  // One page, by its #TOPICS number; numbers must increase from call to call. Title and body
  // are page text in the code page; the title's words come first in the page's positions.
  void AddPage(std::uint32_t topic, std::string_view title, std::string_view body);

  std::uint32_t page_count() const { return pages_; }
  // The stop list's words as the index knows them (lower-case), in the file's order.
  const std::vector<std::string>& stop_words() const { return stop_list_; }
  size_t word_count() const { return entries_.size(); }

  // The $FIftiMain file.
  Bytes Build() const;

 private:
  struct Entry {
    std::string word;
    std::uint32_t hash = 0;  // of word and title flag, for the table of entries
    bool title = false;
    std::uint32_t topics = 0;
    std::uint32_t last_topic = 0;
    std::string postings;  // per topic: topic step, count, position steps, as LEB128
    // The positions of the page being added: a chain through page_positions_.
    std::uint32_t page = ~0u, first = 0, last = 0, count = 0;
  };
  struct Position {
    std::uint32_t at, next;
  };
  void AddText(std::string_view text, bool title, std::uint32_t* position);
  std::uint32_t EntryFor(std::string_view word, bool title);
  void GrowSlots();

  WordBreaker breaker_;
  unsigned code_page_;
  std::uint32_t lcid_;
  std::unordered_set<std::string> stop_words_;
  std::vector<std::string> stop_list_;
  // Entries by word and title flag, found by open addressing (linear probing) in a table of a
  // power of two slots, at most half of them used: entry number + 1, 0 for a free slot.
  std::vector<std::uint32_t> slots_;
  std::vector<Entry> entries_;
  // Double-byte words (every character of a Chinese page is one) skip the hash: entry numbers
  // by title flag and character, ~0 when none yet.
  std::vector<std::uint32_t> by_character_;
  std::vector<Position> page_positions_;
  std::vector<std::uint32_t> page_entries_;  // entries the page uses, in order of first use
  std::string scratch_;
  std::uint32_t pages_ = 0;
  std::uint32_t last_topic_ = 0;
  // How many topic steps, counts and position steps (the three kinds of number the location
  // data codes) there are of each bit length: they choose each kind's root.
  std::array<std::array<std::uint64_t, 33>, 3> lengths_{};
  std::uint64_t occurrences_ = 0;
  std::uint64_t occurrence_bytes_ = 0;
};

// Longest word the index keeps, in bytes; longer runs (encoded data, junk) are not words anyone
// searches for, and a node entry stores the length in one byte.
constexpr size_t kMaxIndexedWord = 99;

}  // namespace chm

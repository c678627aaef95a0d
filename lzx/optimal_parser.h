// Near-optimal parsing: the cheapest path through one reset interval under prices taken from
// the symbol statistics of an earlier parse of the same interval.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lzx/binary_trees.h"
#include "lzx/format.h"
#include "lzx/match_length.h"

namespace chm {

struct LzxOptimalParams {
  int depth;                // tree nodes visited per position
  std::size_t nice_len;     // a match this long is taken without weighing the bytes it covers
  int passes;               // parses of the whole interval, each priced by the one before
  std::size_t inside_step;  // every how many positions inside such a match go into the tree
  int repeat_literals;      // 1 or 2: literals between a match and its offset's repeat in a step
  std::size_t pair_distance = 16;  // how far back a two-byte match is looked for
};

class LzxOptimalParser {
 public:
  explicit LzxOptimalParser(const LzxOptimalParams& params);

  // Parses one reset interval (frames of 32 KiB, no match across their ends) from its bytes
  // alone: a quick parse under guessed prices prices the first pass, and each pass the next.
  void Parse(const std::uint8_t* data, std::size_t size, std::vector<LzxItem>* items);
  // Parses the interval again after Parse, each block of `items` (item indices `cuts`, the
  // first 0 and the last the number of items) priced by its own statistics.
  void Reparse(const std::uint8_t* data, std::size_t size, const std::vector<std::size_t>& cuts,
               std::vector<LzxItem>* items);

 private:
  struct Guess {
    std::size_t length = 0;  // 0: no match saves anything
    std::uint16_t value = 0;
    int saving = 0;
  };

  void FindMatches(const std::uint8_t* data, std::size_t size);
  Guess GuessAt(const std::uint8_t* data, std::size_t size, std::size_t pos,
                const LzxRepeats& reps) const;
  void GuessParse(const std::uint8_t* data, std::size_t size, std::vector<LzxItem>* items) const;
  struct BlockPrices {
    std::vector<LzxItem> items;
    std::vector<std::size_t> cuts;
  };
  void SetPrices(const LzxItem* begin, const LzxItem* end);
  void FindCheapestPath(const std::uint8_t* data, std::size_t size, std::vector<LzxItem>* items,
                        const BlockPrices* blocks);
  void RelaxMatchLiteralRepeat(const std::uint8_t* data, std::size_t size, std::size_t pos,
                               std::uint32_t cost, std::size_t length, std::uint16_t value,
                               std::uint32_t distance, int literals);

  LzxOptimalParams params_;
  LzxBinaryTrees trees_;
  // Matches of each position: [first_[p], first_[p + 1]) in matches_. A position inside a long
  // match that was taken whole has skip_[p] set and is not expanded.
  std::vector<std::uint32_t> first_;
  std::vector<LzxMatch> matches_;
  std::vector<std::uint8_t> skip_;
  // Prices in 1/16 bits: of each literal, and of a match's main symbol, length symbol and
  // footer by slot and length, packed as the cheapest-path cells are (see the .cpp).
  std::uint32_t literal_price_[kLzxNumChars];
  std::uint32_t match_price_[kLzxPositionSlots][kLzxMaxMatch + 1];
  std::uint64_t match_cell_[kLzxPositionSlots][kLzxMaxMatch + 1];
  std::vector<std::uint64_t> cell_;   // the cheapest way found to each position, packed
  std::vector<LzxItem> first_match_;  // the match that opens a match-literal-repeat step
  std::vector<std::uint64_t> reps_;   // R0..R2 at each expanded position, packed
  BlockPrices blocks_;
};

}  // namespace chm

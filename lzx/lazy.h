// The normal level's parser: hash chains walked a bounded number of steps, repeated offsets
// first, lazy evaluation one byte ahead, and every choice weighed in bits under the trees of
// the previous interval. Several times faster than the near-optimal parser, for a few per cent
// more output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lzx/format.h"
#include "lzx/matcher.h"
#include "lzx/optimal.h"

namespace chm {

class LzxLazyParser {
 public:
  struct Params {
    int depths[4];         // candidates walked on the chains of 12-, 8-, 4- and 3-byte prefixes
    std::size_t nice_len;  // a match this long ends the search
    std::size_t lazy_len;  // a match this long is taken without looking any further
  };

  explicit LzxLazyParser(const Params& params);

  // Parses one reset interval (frames of 32 KiB, no match across their ends).
  void Parse(const std::uint8_t* data, std::size_t size, std::vector<LzxItem>* items);

 private:
  struct Choice {
    std::uint32_t length = 0;  // 0: no match worth taking
    std::uint16_t value = 0;   // repeated-offset slot 0..2 or formatted offset
    std::int32_t saving = 0;   // bits saved against coding the same bytes as literals
  };
  struct Chain {
    std::vector<std::int32_t> head;  // by hash of the prefix: the latest position
    std::vector<std::int32_t> prev;  // by position: the previous one with that hash
  };

  void ParseWith(const LzxCostModel& costs, std::vector<LzxItem>* items);
  void InsertUpTo(std::size_t end);
  Choice BestAt(std::size_t pos, const LzxRepeats& reps, const LzxCostModel& costs) const;
  void WalkChain(int chain, std::size_t pos, std::size_t max_len, const LzxRepeats& reps,
                 const LzxCostModel& costs, std::size_t* longest, Choice* best) const;
  std::size_t MaxLengthAt(std::size_t pos) const;
  std::int32_t LiteralBits(std::size_t pos, std::size_t length) const {
    return static_cast<std::int32_t>(literal_prefix_[pos + length] - literal_prefix_[pos]);
  }

  Params params_;
  bool have_costs_ = false;
  LzxCostModel costs_;
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t inserted_ = 0;
  // Chains hold positions counted from origin_, which moves on by a whole interval for every
  // parse, so that entries of earlier intervals read as negative and need no clearing.
  std::int32_t origin_ = 0;
  Chain chains_[4];
  std::vector<std::uint32_t> literal_prefix_;  // literal bits of bytes [0, i)
};

}  // namespace chm

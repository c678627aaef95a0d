// A lazy parser: hash chains walked a bounded number of steps, repeated offsets first, lazy
// evaluation one byte ahead, and every choice weighed in bits. It was the normal level until
// the near-optimal parser became fast enough; on the reference books and real pages it is
// about 2.5 times as fast as the normal level is now, for 1.5 to 3 % more output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lzx/cost_model.h"
#include "lzx/format.h"
#include "lzx/hash_chains.h"

namespace chm {

class LzxLazyParser {
 public:
  struct Params {
    int depths[LzxHashChains::kChains];  // see LzxHashChains
    std::size_t nice_len;                // a match this long ends the search
    std::size_t lazy_len;                // a match this long is taken without looking further
  };

  explicit LzxLazyParser(const Params& params);

  // Parses one reset interval (frames of 32 KiB, no match across their ends), from its bytes
  // alone.
  void Parse(const std::uint8_t* data, std::size_t size, std::vector<LzxItem>* items);

  // Parses only the interval's first bytes, under guessed prices: the statistics that price a
  // parse of the whole interval.
  void ParseSample(const std::uint8_t* data, std::size_t size, std::vector<LzxItem>* items);

 private:
  struct Choice {
    std::uint32_t length = 0;  // 0: no match worth taking
    std::uint16_t value = 0;   // repeated-offset slot 0..2 or formatted offset
    std::int32_t saving = 0;   // bits saved against coding the same bytes as literals
  };

  void ParseWith(const LzxCostModel& costs, std::vector<LzxItem>* items);
  Choice BestAt(std::size_t pos, const LzxRepeats& reps, const LzxCostModel& costs);
  std::int32_t LiteralBits(std::size_t pos, std::size_t length) const {
    return static_cast<std::int32_t>(literal_prefix_[pos + length] - literal_prefix_[pos]);
  }

  Params params_;
  LzxCostModel costs_;
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  LzxHashChains chains_;
  std::vector<LzxMatch> found_;
  std::vector<std::uint32_t> literal_prefix_;  // literal bits of bytes [0, i)
};

// The normal level's settings: on 37 MB of generated chapters and 24 MB of real pages the lazy
// parse is about four times as fast as the near-optimal parser with its tree depth 24, for 3 %
// more output. Deeper chain walks make it no smaller (see hash_chains.cpp); looking ahead and
// trying a shorter match pay at every length (nice 64, lazy 32: +0.8 %).
constexpr LzxLazyParser::Params kLzxNormalLazyParams = {/*depths=*/{16, 16, 8, 2},
                                                        /*nice_len=*/257, /*lazy_len=*/257};

}  // namespace chm

// Near-optimal parsing: the cheapest path through one reset interval under a cost model taken
// from the symbol statistics of an earlier parse.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lzx/binary_trees.h"
#include "lzx/cost_model.h"
#include "lzx/format.h"
#include "lzx/lazy_parser.h"

namespace chm {

struct LzxOptimalParams {
  int depth;             // chain candidates per position
  std::size_t nice_len;  // a match this long is taken without weighing the bytes it covers
  int passes;            // parses per interval, each priced by the one before
};

class LzxOptimalParser {
 public:
  explicit LzxOptimalParser(const LzxOptimalParams& params);

  // Parses one reset interval (frames of 32 KiB, no match across their ends) from its bytes
  // alone: a lazy parse prices the first pass, and each pass prices the next.
  void Parse(const std::uint8_t* data, std::size_t size, std::vector<LzxItem>* items);

 private:
  struct Node {
    std::uint32_t cost;
    std::uint16_t length;  // of the step that reaches this node: 0 for a literal
    std::uint16_t value;   // that step's repeated-offset slot or formatted offset
    LzxRepeats reps;       // R0..R2 after that step
  };

  void FindMatches(const std::uint8_t* data, std::size_t size);
  void FindCheapestPath(const std::uint8_t* data, std::size_t size, const LzxCostModel& costs,
                        std::vector<LzxItem>* items);

  LzxOptimalParams params_;
  LzxBinaryTrees trees_;
  LzxLazyParser pricing_;
  LzxCostModel costs_;
  // Matches of each position: [first_[p], first_[p + 1]) in lengths_/distances_. A position
  // inside a long match that was taken whole has skip_[p] set and is not expanded.
  std::vector<std::uint32_t> first_;
  std::vector<std::uint16_t> lengths_;    // at most 257
  std::vector<std::uint16_t> distances_;  // at most 65533
  std::vector<std::uint8_t> skip_;
  std::vector<Node> nodes_;
  std::vector<std::uint32_t> scratch_lengths_;
  std::vector<std::uint32_t> scratch_distances_;
};

}  // namespace chm

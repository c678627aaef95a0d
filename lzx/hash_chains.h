// Match finding with hash chains over one reset interval, keyed by the next 12, 8, 4 and 3
// bytes: the normal level's match finder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lzx/match_length.h"

namespace chm {

class LzxHashChains {
 public:
  static constexpr int kChains = 4;
  // Candidates walked on the chains of 12-, 8-, 4- and 3-byte prefixes.
  explicit LzxHashChains(const int (&depths)[kChains]);

  // Starts an interval. Positions of earlier intervals are never reported: nothing before a
  // reset is reachable.
  void Reset(const std::uint8_t* data, std::size_t size);

  // Adds every position below `end` that has not been added yet.
  void InsertUpTo(std::size_t end);

  // Matches at `pos` (whose positions below it must all be added) of at least kLzxMinMatch
  // bytes that are longer than `longest` and than every nearer match found, at most `max_len`
  // long, nearest first; the search ends at a match of `nice_len` or `max_len` bytes. Appends
  // them to *found.
  void Find(std::size_t pos, std::size_t max_len, std::size_t nice_len, std::size_t longest,
            std::vector<LzxMatch>* found) const;

 private:
  struct Chain {
    std::vector<std::int32_t> head;  // by hash of the prefix: the latest position
    std::vector<std::int32_t> prev;  // by position: the previous one with that hash
  };

  void Walk(int chain, std::size_t pos, std::size_t max_len, std::size_t nice_len,
            std::size_t* longest, std::vector<LzxMatch>* found) const;

  int depths_[kChains];
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t inserted_ = 0;
  // Chains hold positions counted from origin_, which moves on by a whole interval for every
  // Reset, so that entries of earlier intervals read as negative and need no clearing.
  bool started_ = false;
  std::int32_t origin_ = 0;
  Chain chains_[kChains];
};

}  // namespace chm

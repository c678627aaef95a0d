// Match finding over one reset interval with hash chains, and the lazy parser built on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "lzx/format.h"

namespace chm {

// R0..R2 as the decoder keeps them; a reset sets all three to 1.
struct LzxRepeats {
  std::uint32_t r[3] = {1, 1, 1};
};

// Applies one parsed item to the repeated offsets, exactly as the decoder will.
inline void UpdateRepeats(const LzxItem& item, LzxRepeats* reps) {
  if (item.length == 0 || item.value == 0) return;
  if (item.value < 3) {
    std::uint32_t t = reps->r[0];
    reps->r[0] = reps->r[item.value];
    reps->r[item.value] = t;
    return;
  }
  reps->r[2] = reps->r[1];
  reps->r[1] = reps->r[0];
  reps->r[0] = item.value - 2u;
}

// Longest common prefix of a and b, at most `limit` bytes.
inline std::size_t MatchLength(const std::uint8_t* a, const std::uint8_t* b, std::size_t limit) {
  std::size_t len = 0;
  while (len + 8 <= limit) {
    std::uint64_t x, y;
    std::memcpy(&x, a + len, 8);
    std::memcpy(&y, b + len, 8);
    const std::uint64_t diff = x ^ y;
    if (diff != 0) return len + static_cast<std::size_t>(__builtin_ctzll(diff) >> 3);
    len += 8;
  }
  while (len < limit && a[len] == b[len]) ++len;
  return len;
}

// Hash chains over the bytes of one reset interval. Positions are interval offsets; nothing
// before the interval is reachable, which is what the reset demands anyway.
class LzxHashChains {
 public:
  LzxHashChains();
  void Reset(const std::uint8_t* data, std::size_t size);

  // Adds every position below `end` that has not been added yet.
  void InsertUpTo(std::size_t end);

  // Longest earlier match at `pos` of at least 3 bytes and at most `max_len`, walking at most
  // `depth` candidates and stopping early at `nice_len`. Returns the length (0 if none) and
  // sets *distance.
  std::size_t Longest(std::size_t pos, std::size_t max_len, int depth, std::size_t nice_len,
                      std::uint32_t* distance) const;

 private:
  static constexpr int kHashBits = 16;
  std::uint32_t Hash(std::size_t pos) const;

  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t inserted_ = 0;
  std::vector<std::int32_t> head_;
  std::vector<std::int32_t> prev_;
};

struct LzxLazyParams {
  int depth;             // chain candidates per search
  std::size_t nice_len;  // stop searching at this length
  std::size_t lazy_len;  // matches this long are taken without looking one byte further
};

// Greedy parsing with one-step lazy evaluation over one reset interval (at most 64 KiB, whose
// 32 KiB frames no match may cross). Repeated offsets are tried first at every position.
void ParseLazy(const std::uint8_t* data, std::size_t size, const LzxLazyParams& params,
               LzxHashChains* chains, std::vector<LzxItem>* items);

// Rough bit counts used to weigh a match against literals before any tree exists.
constexpr int kEstimatedLiteralBits = 6;
constexpr int kEstimatedMatchBits = 8;

}  // namespace chm

// Comparing the bytes at a position with those at an earlier one, eight at a time: the inner
// loop of every match finder and of the repeated-offset checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace chm {

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

// One match found at a position: how long, and how far back.
struct LzxMatch {
  std::uint32_t length;
  std::uint32_t distance;
};

}  // namespace chm

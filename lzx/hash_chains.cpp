#include "lzx/hash_chains.h"

#include <algorithm>
#include <cstring>

#include "lzx/format.h"

namespace chm {
namespace {

// Match finding algorithm: four hash chains over the interval, keyed by the next 12, 8, 4 and
// 3 bytes. A chain of long prefixes holds only positions that share that many bytes (barring
// collisions), so a short walk on it reaches the long matches at any distance that repetitive
// markup is full of; a chain of 3-byte prefixes would have to step over hundreds of short
// candidates to get there. Each shorter chain is walked only when the longer ones found nothing
// as long as their prefix. Measured on generated chapters and on real pages, walking deeper
// finds longer but farther matches and does not make the output smaller.
constexpr int kHashBits = 16;
constexpr int kChains = LzxHashChains::kChains;
constexpr std::size_t kPrefixes[kChains] = {12, 8, 4, 3};

// Chain positions count from an origin that moves on by one interval per Reset; well before
// it could overflow, the chains are cleared and it starts again at 0.
constexpr std::int32_t kOriginLimit = 1 << 30;

// The hash of each chain's prefix, from the 8 bytes at p and the 4 after them (chains 0, 1
// and 2 read only as far as their prefix reaches).
inline std::uint32_t HashOf12(std::uint64_t v, std::uint32_t w) {
  v ^= (static_cast<std::uint64_t>(w) * 0xC2B2AE3D27D4EB4Full) >> 7;
  return static_cast<std::uint32_t>((v * 0x9E3779B97F4A7C15ull) >> (64 - kHashBits));
}
inline std::uint32_t HashOf8(std::uint64_t v) {
  return static_cast<std::uint32_t>((v * 0x9E3779B97F4A7C15ull) >> (64 - kHashBits));
}
inline std::uint32_t HashOf4(std::uint32_t v) { return (v * 2654435761u) >> (32 - kHashBits); }
inline std::uint32_t HashOf3(std::uint32_t v) {
  return ((v & 0xFFFFFFu) * 2246822519u) >> (32 - kHashBits);
}

inline std::uint32_t Hash(int chain, const std::uint8_t* p) {
  if (chain == 3) {  // not a 4-byte load: the prefix may end the data
    return HashOf3(p[0] | static_cast<std::uint32_t>(p[1]) << 8 |
                   static_cast<std::uint32_t>(p[2]) << 16);
  }
  if (chain == 2) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return HashOf4(v);
  }
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  if (chain == 1) return HashOf8(v);
  std::uint32_t w;
  std::memcpy(&w, p + 8, 4);
  return HashOf12(v, w);
}

}  // namespace

LzxHashChains::LzxHashChains(const int (&depths)[kChains]) {
  std::copy(std::begin(depths), std::end(depths), depths_);
  for (Chain& c : chains_) {
    c.head.assign(std::size_t{1} << kHashBits, -1);
    c.prev.resize(kLzxResetInterval);
  }
}

void LzxHashChains::Reset(const std::uint8_t* data, std::size_t size) {
  if (started_) origin_ += static_cast<std::int32_t>(kLzxResetInterval);
  started_ = true;
  if (origin_ >= kOriginLimit) {
    for (Chain& c : chains_) std::fill(c.head.begin(), c.head.end(), -1);
    origin_ = 0;
  }
  data_ = data;
  size_ = size;
  inserted_ = 0;
}

void LzxHashChains::InsertUpTo(std::size_t end) {
  std::size_t p = inserted_;
  // Where every prefix fits, all four hashes come from two loads.
  const std::size_t fast_end = std::min(end, size_ >= kPrefixes[0] ? size_ - kPrefixes[0] + 1 : 0);
  for (; p < fast_end; ++p) {
    std::uint64_t v;
    std::uint32_t w;
    std::memcpy(&v, data_ + p, 8);
    std::memcpy(&w, data_ + p + 8, 4);
    const std::uint32_t hashes[kChains] = {HashOf12(v, w), HashOf8(v),
                                           HashOf4(static_cast<std::uint32_t>(v)),
                                           HashOf3(static_cast<std::uint32_t>(v))};
    const std::int32_t here = origin_ + static_cast<std::int32_t>(p);
    for (int c = 0; c < kChains; ++c) {
      std::int32_t& head = chains_[c].head[hashes[c]];
      chains_[c].prev[p] = head;
      head = here;
    }
  }
  for (; p < end; ++p) {
    for (int c = 0; c < kChains; ++c) {
      if (p + kPrefixes[c] > size_) continue;
      std::int32_t& head = chains_[c].head[Hash(c, data_ + p)];
      chains_[c].prev[p] = head;
      head = origin_ + static_cast<std::int32_t>(p);
    }
  }
  inserted_ = std::max(inserted_, end);
}

// Walks one chain. A candidate counts only when it is longer than every nearer one, since a
// farther match of the same length never costs fewer bits.
void LzxHashChains::Walk(int chain, std::size_t pos, std::size_t max_len, std::size_t nice_len,
                         std::size_t* longest, std::vector<LzxMatch>* found) const {
  const std::uint8_t* cur = data_ + pos;
  const Chain& c = chains_[chain];
  std::int32_t cand = c.head[Hash(chain, cur)] - origin_;
  for (int depth = depths_[chain]; cand >= 0 && depth > 0; --depth) {
    const std::size_t dist = pos - static_cast<std::size_t>(cand);
    if (dist > kLzxMaxDistance) return;
    const std::uint8_t* m = data_ + cand;
    if (m[*longest] == cur[*longest]) {
      const std::size_t len = MatchLength(m, cur, max_len);
      if (len > *longest) {
        *longest = len;
        found->push_back({static_cast<std::uint32_t>(len), static_cast<std::uint32_t>(dist)});
        if (len >= nice_len || len == max_len) return;
      }
    }
    cand = c.prev[cand] - origin_;
  }
}

void LzxHashChains::Find(std::size_t pos, std::size_t max_len, std::size_t nice_len,
                         std::size_t longest, std::vector<LzxMatch>* found) const {
  // A hash collision can put a candidate on the chain that shares fewer bytes than any match
  // may have.
  longest = std::max<std::size_t>(longest, kLzxMinMatch - 1);
  for (int c = 0; c < kChains; ++c) {
    if (longest >= nice_len || longest >= max_len) return;
    if (c > 0 && longest >= kPrefixes[c - 1]) return;
    if (pos + kPrefixes[c] > size_) continue;
    Walk(c, pos, max_len, nice_len, &longest, found);
  }
}

}  // namespace chm

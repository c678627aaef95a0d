#include "lzx/matcher.h"

#include <algorithm>
#include <cstring>

#include "lzx/encoder.h"

namespace chm {

LzxHashChains::LzxHashChains() : head_(std::size_t{1} << kHashBits), prev_(kLzxResetInterval) {}

void LzxHashChains::Reset(const std::uint8_t* data, std::size_t size) {
  data_ = data;
  size_ = size;
  inserted_ = 0;
  std::fill(head_.begin(), head_.end(), -1);
}

std::uint32_t LzxHashChains::Hash(std::size_t pos) const {
  const std::uint32_t v = static_cast<std::uint32_t>(data_[pos]) |
                          static_cast<std::uint32_t>(data_[pos + 1]) << 8 |
                          static_cast<std::uint32_t>(data_[pos + 2]) << 16;
  return (v * 2654435761u) >> (32 - kHashBits);
}

void LzxHashChains::InsertUpTo(std::size_t end) {
  // The last two positions have no 3-byte hash; they never start a chain match.
  const std::size_t limit = std::min(end, size_ >= 2 ? size_ - 2 : 0);
  for (; inserted_ < limit; ++inserted_) {
    const std::uint32_t h = Hash(inserted_);
    prev_[inserted_] = head_[h];
    head_[h] = static_cast<std::int32_t>(inserted_);
  }
  if (inserted_ < end) inserted_ = end;
}

std::size_t LzxHashChains::Longest(std::size_t pos, std::size_t max_len, int depth,
                                   std::size_t nice_len, std::uint32_t* distance) const {
  if (max_len < 3 || pos + 2 >= size_) return 0;
  const std::uint8_t* cur = data_ + pos;
  std::size_t best = 2;
  std::int32_t cand = head_[Hash(pos)];
  // Chains may hold later positions when the caller searches ahead of its insertions.
  while (cand >= 0 && static_cast<std::size_t>(cand) >= pos) cand = prev_[cand];
  while (cand >= 0 && depth-- > 0) {
    const std::size_t dist = pos - static_cast<std::size_t>(cand);
    if (dist > kLzxMaxDistance) break;
    const std::uint8_t* m = data_ + cand;
    if (m[best] == cur[best] && m[0] == cur[0] && m[1] == cur[1]) {
      const std::size_t len = MatchLength(m, cur, max_len);
      if (len > best) {
        best = len;
        *distance = static_cast<std::uint32_t>(dist);
        if (len >= nice_len || len == max_len) break;
      }
    }
    cand = prev_[cand];
  }
  return best > 2 ? best : 0;
}

namespace {

struct Choice {
  std::size_t length = 0;
  std::uint16_t value = 0;  // 0..2 repeated offset, else formatted offset
  int gain = 0;             // estimated bits saved against literals
};

int Gain(std::size_t length, int footer_bits) {
  return kEstimatedLiteralBits * static_cast<int>(length) - kEstimatedMatchBits - footer_bits;
}

Choice BestAt(const std::uint8_t* data, std::size_t pos, std::size_t max_len,
              const LzxRepeats& reps, const LzxLazyParams& params, const LzxHashChains& chains) {
  Choice best;
  if (max_len < static_cast<std::size_t>(kLzxMinMatch)) return best;
  for (int k = 0; k < 3; ++k) {
    const std::uint32_t d = reps.r[k];
    if (d > pos) continue;
    const std::size_t len = MatchLength(data + pos - d, data + pos, max_len);
    if (len >= static_cast<std::size_t>(kLzxMinMatch)) {
      const int gain = Gain(len, 0);
      if (gain > best.gain) best = {len, static_cast<std::uint16_t>(k), gain};
    }
  }
  if (best.length >= params.nice_len) return best;
  std::uint32_t dist = 0;
  const std::size_t len = chains.Longest(pos, max_len, params.depth, params.nice_len, &dist);
  if (len > best.length) {
    Choice c{len, static_cast<std::uint16_t>(dist + 2), 0};
    for (int k = 2; k >= 0; --k) {  // the lowest matching slot wins
      if (reps.r[k] == dist) c.value = static_cast<std::uint16_t>(k);
    }
    c.gain = Gain(len, c.value < 3 ? 0 : FooterBits(PositionSlot(c.value)));
    if (c.gain > best.gain) best = c;
  }
  return best;
}

}  // namespace

void ParseLazy(const std::uint8_t* data, std::size_t size, const LzxLazyParams& params,
               LzxHashChains* chains, std::vector<LzxItem>* items) {
  items->clear();
  chains->Reset(data, size);
  LzxRepeats reps;
  std::size_t pos = 0;
  while (pos < size) {
    const std::size_t frame_end = std::min(size, (pos / kLzxFrameSize + 1) * kLzxFrameSize);
    const std::size_t max_len = std::min<std::size_t>(kLzxMaxMatch, frame_end - pos);
    Choice cur = BestAt(data, pos, max_len, reps, params, *chains);
    chains->InsertUpTo(pos + 1);
    // Lazy evaluation: a literal now may let a better match start at the next byte.
    while (cur.length != 0 && cur.length < params.lazy_len && pos + 1 < frame_end) {
      const std::size_t next_max = std::min<std::size_t>(kLzxMaxMatch, frame_end - pos - 1);
      const Choice next = BestAt(data, pos + 1, next_max, reps, params, *chains);
      chains->InsertUpTo(pos + 2);
      if (next.gain <= cur.gain) break;
      items->push_back({0, data[pos]});
      ++pos;
      cur = next;
    }
    if (cur.length == 0) {
      items->push_back({0, data[pos]});
      ++pos;
      continue;
    }
    const LzxItem item{static_cast<std::uint16_t>(cur.length), cur.value};
    items->push_back(item);
    UpdateRepeats(item, &reps);
    pos += cur.length;
    chains->InsertUpTo(pos);
  }
}

}  // namespace chm

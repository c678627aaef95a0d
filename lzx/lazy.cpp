#include "lzx/lazy.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "lzx/encoder.h"

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
constexpr int kChains = 4;
constexpr std::size_t kPrefixes[kChains] = {12, 8, 4, 3};

// Before any tree exists: literals of about 6 bits, matches of about 9 bits plus footer.
constexpr std::uint32_t kGuessLiteralBits = 6;
constexpr std::uint32_t kGuessMatchBits = 9;
constexpr std::uint32_t kGuessLengthBits = 5;

// Chain positions count from an origin that moves on by one interval per parse; well before
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

// Bits of a match's main symbol, its length symbol and its footer.
std::int32_t MatchBits(const LzxCostModel& costs, int slot, std::size_t length) {
  const std::size_t extra = length - kLzxMinMatch;
  const std::uint32_t footer = static_cast<std::uint32_t>(FooterBits(slot));
  if (extra < static_cast<std::size_t>(kLzxNumPrimaryLengths)) {
    return static_cast<std::int32_t>(costs.main[kLzxNumChars + (slot << 3) + extra] + footer);
  }
  return static_cast<std::int32_t>(costs.main[kLzxNumChars + (slot << 3) + kLzxNumPrimaryLengths] +
                                   costs.length[extra - kLzxNumPrimaryLengths] + footer);
}

int SlotOf(std::uint16_t value) { return value < 3 ? value : PositionSlot(value); }

void GuessCosts(LzxCostModel* costs) {
  std::fill(std::begin(costs->main), std::begin(costs->main) + kLzxNumChars, kGuessLiteralBits);
  std::fill(std::begin(costs->main) + kLzxNumChars, std::end(costs->main), kGuessMatchBits);
  std::fill(std::begin(costs->length), std::end(costs->length), kGuessLengthBits);
}

}  // namespace

LzxLazyParser::LzxLazyParser(const Params& params)
    : params_(params), literal_prefix_(kLzxResetInterval + 1) {
  for (Chain& c : chains_) {
    c.head.assign(std::size_t{1} << kHashBits, -1);
    c.prev.resize(kLzxResetInterval);
  }
}

std::size_t LzxLazyParser::MaxLengthAt(std::size_t pos) const {
  const std::size_t frame_end = std::min(size_, (pos / kLzxFrameSize + 1) * kLzxFrameSize);
  return std::min<std::size_t>(kLzxMaxMatch, frame_end - pos);
}

void LzxLazyParser::InsertUpTo(std::size_t end) {
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
void LzxLazyParser::WalkChain(int chain, std::size_t pos, std::size_t max_len,
                              const LzxRepeats& reps, const LzxCostModel& costs,
                              std::size_t* longest, Choice* best) const {
  const std::uint8_t* cur = data_ + pos;
  const Chain& c = chains_[chain];
  std::int32_t cand = c.head[Hash(chain, cur)] - origin_;
  for (int depth = params_.depths[chain]; cand >= 0 && depth > 0; --depth) {
    const std::size_t dist = pos - static_cast<std::size_t>(cand);
    if (dist > kLzxMaxDistance) return;
    const std::uint8_t* m = data_ + cand;
    if (m[*longest] == cur[*longest]) {
      const std::size_t len = MatchLength(m, cur, max_len);
      if (len > *longest) {
        *longest = len;
        int slot = -1;
        for (int k = 2; k >= 0; --k) {
          if (reps.r[k] == dist) slot = k;  // the lowest matching slot is the cheapest
        }
        const auto formatted = static_cast<std::uint16_t>(dist + 2);
        if (slot < 0) slot = PositionSlot(formatted);
        const std::int32_t saving = LiteralBits(pos, len) - MatchBits(costs, slot, len);
        if (saving > best->saving) {
          *best = {static_cast<std::uint32_t>(len),
                   slot < 3 ? static_cast<std::uint16_t>(slot) : formatted, saving};
        }
        if (len >= params_.nice_len || len == max_len) return;
      }
    }
    cand = c.prev[cand] - origin_;
  }
}

LzxLazyParser::Choice LzxLazyParser::BestAt(std::size_t pos, const LzxRepeats& reps,
                                            const LzxCostModel& costs) const {
  Choice best;
  if (pos >= size_) return best;
  const std::size_t max_len = MaxLengthAt(pos);
  if (max_len < static_cast<std::size_t>(kLzxMinMatch)) return best;
  const std::uint8_t* cur = data_ + pos;
  std::size_t longest = 0;
  for (int k = 0; k < 3; ++k) {
    const std::uint32_t d = reps.r[k];
    if (d > pos) continue;
    const std::size_t len = MatchLength(cur - d, cur, max_len);
    if (len < static_cast<std::size_t>(kLzxMinMatch)) continue;
    longest = std::max(longest, len);
    const std::int32_t saving = LiteralBits(pos, len) - MatchBits(costs, k, len);
    if (saving > best.saving) {
      best = {static_cast<std::uint32_t>(len), static_cast<std::uint16_t>(k), saving};
    }
  }
  for (int c = 0; c < kChains; ++c) {
    if (longest >= params_.nice_len || longest >= max_len) break;
    if (c > 0 && longest >= kPrefixes[c - 1]) break;
    if (pos + kPrefixes[c] > size_) continue;
    WalkChain(c, pos, max_len, reps, costs, &longest, &best);
  }
  return best;
}

// Parsing algorithm: at each position the match that saves the most bits against literals.
// Lazy evaluation then compares it with the best match one byte later, by bits per byte
// covered, and emits a literal when the later one is cheaper. Finally a match is tried one
// byte shorter: repetitive text often holds a longer match starting at the last byte of the
// current one, and the pair that saves more wins. The search at the chosen end is kept for
// the next step, so this costs one extra search per match.
void LzxLazyParser::ParseWith(const LzxCostModel& costs, std::vector<LzxItem>* items) {
  items->clear();
  if (origin_ >= kOriginLimit) {
    for (Chain& c : chains_) std::fill(c.head.begin(), c.head.end(), -1);
    origin_ = 0;
  }
  inserted_ = 0;
  literal_prefix_[0] = 0;
  for (std::size_t i = 0; i < size_; ++i) {
    literal_prefix_[i + 1] = literal_prefix_[i] + costs.main[data_[i]];
  }

  LzxRepeats reps;
  std::size_t pos = 0;
  bool have_next = false;
  Choice next_choice;
  while (pos < size_) {
    InsertUpTo(pos);
    Choice cur = have_next ? next_choice : BestAt(pos, reps, costs);
    have_next = false;
    while (cur.length != 0 && cur.length < params_.lazy_len && pos + 1 < size_) {
      InsertUpTo(pos + 1);
      const Choice next = BestAt(pos + 1, reps, costs);
      if (next.length == 0) break;
      const std::int64_t cost_here = LiteralBits(pos, cur.length) - cur.saving;
      const std::int64_t cost_later = LiteralBits(pos, next.length + 1) - next.saving;
      if (cost_later * cur.length >= cost_here * (next.length + 1)) break;
      items->push_back({0, data_[pos]});
      ++pos;
      cur = next;
    }
    if (cur.length == 0) {
      items->push_back({0, data_[pos]});
      ++pos;
      continue;
    }

    LzxRepeats after = reps;
    UpdateRepeats({2, cur.value}, &after);
    if (cur.length >= 3 && cur.length < params_.lazy_len) {
      const std::uint32_t shorter = cur.length - 1;
      InsertUpTo(pos + shorter);
      const Choice next_short = BestAt(pos + shorter, after, costs);
      InsertUpTo(pos + cur.length);
      next_choice = BestAt(pos + cur.length, after, costs);
      const std::int32_t short_saving =
          LiteralBits(pos, shorter) - MatchBits(costs, SlotOf(cur.value), shorter);
      if (short_saving + next_short.saving > cur.saving + next_choice.saving) {
        cur.length = shorter;
        next_choice = next_short;
      }
      have_next = true;
    }
    const LzxItem item{static_cast<std::uint16_t>(cur.length), cur.value};
    items->push_back(item);
    reps = after;
    pos += cur.length;
  }
  origin_ += static_cast<std::int32_t>(kLzxResetInterval);
}

void LzxLazyParser::Parse(const std::uint8_t* data, std::size_t size, std::vector<LzxItem>* items) {
  data_ = data;
  size_ = size;
  if (!have_costs_) {
    // The first interval is parsed twice: once under guessed prices, then under its own.
    GuessCosts(&costs_);
    ParseWith(costs_, items);
    costs_.FromItems(*items);
    have_costs_ = true;
  }
  ParseWith(costs_, items);
  costs_.FromItems(*items);
}

}  // namespace chm

#include "lzx/trees.h"

#include <algorithm>
#include <iterator>

#include "lzx/huffman.h"

namespace chm {
namespace {

constexpr int kPretreeZeros4 = 17;   // 4..19 zeros, 4 extra bits
constexpr int kPretreeZeros20 = 18;  // 20..51 zeros, 5 extra bits
constexpr int kPretreeSame = 19;     // 4..5 equal lengths, 1 extra bit, then a delta symbol
constexpr int kPretreeBitsPerLength = 4;
// Rounds of choosing ops by price and rebuilding the pretree; most lists settle after two.
constexpr int kCostFoldRounds = 3;
// The price of a pretree symbol the current pretree lacks: a guess, as adding it reshapes the
// pretree; a little above the typical length keeps it from being chosen for a tiny gain.
constexpr std::uint32_t kUnusedPretreeBits = 7;

int ExtraBits(int symbol) {
  switch (symbol) {
    case kPretreeZeros4:
      return 4;
    case kPretreeZeros20:
      return 5;
    case kPretreeSame:
      return 1;
    default:
      return 0;
  }
}

std::uint8_t Delta(std::uint8_t old_len, std::uint8_t new_len) {
  return static_cast<std::uint8_t>((old_len + 17 - new_len) % 17);
}

// The bits of a list of ops under pretree code lengths, the 20 lengths themselves included.
std::uint32_t ListBits(const std::vector<LzxLengthList::Op>& ops, const std::uint8_t* pretree) {
  std::uint32_t bits = kLzxPretreeSymbols * kPretreeBitsPerLength;
  for (const auto& op : ops) bits += pretree[op.symbol] + ExtraBits(op.symbol);
  return bits;
}

// Runs as the pretree folds them: the zero runs and equal-length runs that a greedy left-to-
// right cut makes, the longest ops first.
void FoldGreedily(const std::uint8_t* old_lengths, const std::uint8_t* new_lengths, int count,
                  std::vector<LzxLengthList::Op>* ops) {
  ops->clear();
  int i = 0;
  while (i < count) {
    int run = 1;
    while (i + run < count && new_lengths[i + run] == new_lengths[i]) ++run;
    if (new_lengths[i] == 0 && run >= 4) {
      while (run >= 20) {
        const int n = run > 51 ? 51 : run;
        ops->push_back({kPretreeZeros20, static_cast<std::uint8_t>(n - 20)});
        i += n;
        run -= n;
      }
      if (run >= 4) {
        ops->push_back({kPretreeZeros4, static_cast<std::uint8_t>(run - 4)});
        i += run;
        run = 0;
      }
      for (; run > 0; --run, ++i) ops->push_back({Delta(old_lengths[i], 0), 0});
      continue;
    }
    if (new_lengths[i] != 0 && run >= 4) {
      // Symbol 19 gives 4 or 5 symbols one new length, computed from the old length of the
      // first of them only.
      while (run >= 4) {
        const int n = run >= 5 ? 5 : 4;
        ops->push_back({kPretreeSame, static_cast<std::uint8_t>(n - 4)});
        ops->push_back({Delta(old_lengths[i], new_lengths[i]), 0});
        i += n;
        run -= n;
      }
      for (; run > 0; --run, ++i) ops->push_back({Delta(old_lengths[i], new_lengths[i]), 0});
      continue;
    }
    ops->push_back({Delta(old_lengths[i], new_lengths[i]), 0});
    ++i;
  }
}

// The smallest cost[j] over a window of j that slides down as the list is walked backwards:
// indices come in at the low end and expire at the high end. Kept is the increasing run of
// costs from the oldest index to the newest that can still be a window's smallest.
class WindowMin {
 public:
  void Clear() { oldest_ = newest_ = 0; }
  void Add(int j, const std::uint32_t* cost) {
    while (newest_ > oldest_ && cost[held_[newest_ - 1]] >= cost[j]) --newest_;
    held_[newest_++] = j;
  }
  void ExpireAbove(int top) {
    while (newest_ > oldest_ && held_[oldest_] > top) ++oldest_;
  }
  bool Empty() const { return newest_ == oldest_; }
  int Smallest() const { return held_[oldest_]; }

 private:
  int held_[kLzxMainSymbols];
  int oldest_ = 0, newest_ = 0;
};

// The cheapest ops under fixed prices per pretree symbol, by dynamic programming from the end
// of the list: at each symbol one delta, a zero run of 4..19 or 20..51 (symbols 17, 18), or a
// run of 4 or 5 equal lengths (19, whose delta is taken from the first one's old length).
// Inside a run of zeros ending at e, a 17 from i reaches the cheapest of i + 4 .. i + 19 not
// past e, and an 18 the cheapest of i + 20 .. i + 51: two sliding windows.
void FoldByCost(const std::uint8_t* old_lengths, const std::uint8_t* new_lengths, int count,
                const std::uint32_t* price, std::vector<LzxLengthList::Op>* ops) {
  constexpr int kMaxCount = kLzxMainSymbols;
  std::uint32_t cost[kMaxCount + 1];
  std::uint8_t symbol[kMaxCount];
  std::uint8_t run[kMaxCount];
  WindowMin zeros4, zeros20;
  int same = 0;  // equal lengths from i on
  cost[count] = 0;
  for (int i = count - 1; i >= 0; --i) {
    same = i + 1 < count && new_lengths[i + 1] == new_lengths[i] ? same + 1 : 1;
    const std::uint8_t delta = Delta(old_lengths[i], new_lengths[i]);
    cost[i] = price[delta] + cost[i + 1];
    symbol[i] = delta;
    run[i] = 1;
    for (int n = 4; n <= 5 && n <= same; ++n) {
      const std::uint32_t c = price[kPretreeSame] + 1 + price[delta] + cost[i + n];
      if (c < cost[i]) {
        cost[i] = c;
        symbol[i] = kPretreeSame;
        run[i] = static_cast<std::uint8_t>(n);
      }
    }
    if (new_lengths[i] != 0) continue;
    if (same == 1) {
      zeros4.Clear();
      zeros20.Clear();
    }
    if (same >= 4) zeros4.Add(i + 4, cost);
    if (same >= 20) zeros20.Add(i + 20, cost);
    zeros4.ExpireAbove(i + 19);
    zeros20.ExpireAbove(i + 51);
    const struct {
      const WindowMin& window;
      int symbol;
    } zero_runs[] = {{zeros4, kPretreeZeros4}, {zeros20, kPretreeZeros20}};
    for (const auto& z : zero_runs) {
      if (z.window.Empty()) continue;
      const int j = z.window.Smallest();
      const std::uint32_t c =
          price[z.symbol] + static_cast<std::uint32_t>(ExtraBits(z.symbol)) + cost[j];
      if (c < cost[i]) {
        cost[i] = c;
        symbol[i] = static_cast<std::uint8_t>(z.symbol);
        run[i] = static_cast<std::uint8_t>(j - i);
      }
    }
  }
  ops->clear();
  for (int i = 0; i < count; i += run[i]) {
    switch (symbol[i]) {
      case kPretreeZeros4:
        ops->push_back({kPretreeZeros4, static_cast<std::uint8_t>(run[i] - 4)});
        break;
      case kPretreeZeros20:
        ops->push_back({kPretreeZeros20, static_cast<std::uint8_t>(run[i] - 20)});
        break;
      case kPretreeSame:
        ops->push_back({kPretreeSame, static_cast<std::uint8_t>(run[i] - 4)});
        ops->push_back({Delta(old_lengths[i], new_lengths[i]), 0});
        break;
      default:
        ops->push_back({symbol[i], 0});
    }
  }
}

void BuildPretree(LzxLengthList* list) {
  std::uint32_t freqs[kLzxPretreeSymbols] = {};
  for (const auto& op : list->ops) ++freqs[op.symbol];
  BuildCodeLengths(freqs, kLzxPretreeSymbols, kLzxMaxPretreeCodeLength, list->pretree_lengths);
  list->bits = ListBits(list->ops, list->pretree_lengths);
}

}  // namespace

// Starts from the greedy folding, then alternates: the cheapest ops under the current pretree's
// prices, and the pretree built for those ops, keeping the smallest list.
void PrepareLengthList(const std::uint8_t* old_lengths, const std::uint8_t* new_lengths, int count,
                       LzxLengthList* list, bool quick) {
  FoldGreedily(old_lengths, new_lengths, count, &list->ops);
  BuildPretree(list);
  LzxLengthList trial;
  for (int round = 0; round < (quick ? 0 : kCostFoldRounds); ++round) {
    std::uint32_t price[kLzxPretreeSymbols];
    for (int s = 0; s < kLzxPretreeSymbols; ++s) {
      price[s] = list->pretree_lengths[s] != 0 ? list->pretree_lengths[s] : kUnusedPretreeBits;
    }
    FoldByCost(old_lengths, new_lengths, count, price, &trial.ops);
    BuildPretree(&trial);
    if (trial.bits >= list->bits) break;
    std::swap(list->ops, trial.ops);
    std::copy(std::begin(trial.pretree_lengths), std::end(trial.pretree_lengths),
              std::begin(list->pretree_lengths));
    list->bits = trial.bits;
  }
  BuildCanonicalCodes(list->pretree_lengths, kLzxPretreeSymbols, list->pretree_codes);
}

void WriteLengthList(const LzxLengthList& list, LzxBitWriter* bits) {
  for (int s = 0; s < kLzxPretreeSymbols; ++s) bits->PutBits(list.pretree_lengths[s], 4);
  for (const auto& op : list.ops) {
    bits->PutBits(list.pretree_codes[op.symbol], list.pretree_lengths[op.symbol]);
    const int extra = ExtraBits(op.symbol);
    if (extra != 0) bits->PutBits(op.extra, extra);
  }
}

}  // namespace chm

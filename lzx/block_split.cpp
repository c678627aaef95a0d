#include "lzx/block_split.h"

#include <cmath>
#include <memory>

#include "lzx/block.h"

namespace chm {
namespace {

// Block splitting algorithm, in two stages.
//
// First, cut the interval into granules of about 4 KiB of output, then merge neighbours
// bottom-up, always the pair whose merge saves the most estimated bits, until no merge saves
// anything. The estimate is the entropy of the main and length symbols plus a rough price for
// sending a tree; it ignores that trees are sent as deltas of the previous ones, and it is set
// to propose a cut a little too readily, since the second stage only ever removes cuts.
//
// Then the blocks left are priced as they would be written (PlanBlock: Huffman codes, each
// list against the lengths of the block before, folded greedily for speed), and the neighbours
// whose merge saves the most of those bits are merged, until no merge saves any. A merge changes
// the price of the merged block and of the one after it, whose trees are then sent against the
// merged one's.
constexpr std::size_t kGranuleBytes = 4096;
constexpr double kBitsPerUsedSymbol = 4.0;  // a code length as pretree-coded delta
constexpr double kTreeHeaderBits = 3 * 80 + 27;

// f * log2(f) for the small counts that most symbols have, so that the estimate, evaluated
// for every pair of neighbours, takes few logarithms.
constexpr std::uint32_t kTabulatedCounts = 1024;

struct FLogFTable {
  double value[kTabulatedCounts];
  FLogFTable() {
    value[0] = 0;
    for (std::uint32_t f = 1; f < kTabulatedCounts; ++f) value[f] = f * std::log2(double(f));
  }
};

double FLogF(std::uint32_t f) {
  static const FLogFTable table;
  return f < kTabulatedCounts ? table.value[f] : f * std::log2(static_cast<double>(f));
}

double EntropyBits(const std::uint32_t* freqs, int count) {
  double total = 0;
  double sum_flogf = 0;
  int used = 0;
  for (int s = 0; s < count; ++s) {
    if (freqs[s] == 0) continue;
    total += freqs[s];
    sum_flogf += FLogF(freqs[s]);
    ++used;
  }
  if (total == 0) return 0;
  return total * std::log2(total) - sum_flogf + kBitsPerUsedSymbol * used;
}

double EstimatedBits(const LzxHistogram& h) {
  return EntropyBits(h.main, kLzxMainSymbols) + EntropyBits(h.length, kLzxLengthSymbols) +
         kTreeHeaderBits;
}

struct Segment {
  std::size_t first_item;
  LzxHistogram hist;
  double bits;
};

// Merges the neighbours whose merge gains most while one gains anything. gain[i] is what merging
// segs[i] and segs[i + 1] gains (the last entry is unused); after_merge(i) brings the gains the
// merge into segs[i] changed up to date.
template <typename Gain, typename AfterMerge>
void MergeBestPairs(std::vector<Segment>* segs, std::vector<Gain>* gain, AfterMerge after_merge) {
  while (segs->size() > 1) {
    std::size_t best = 0;
    for (std::size_t i = 1; i + 1 < segs->size(); ++i) {
      if ((*gain)[i] > (*gain)[best]) best = i;
    }
    if ((*gain)[best] <= 0) return;
    (*segs)[best].hist.Add((*segs)[best + 1].hist);
    segs->erase(segs->begin() + static_cast<std::ptrdiff_t>(best) + 1);
    gain->erase(gain->begin() + static_cast<std::ptrdiff_t>(best) + 1);
    after_merge(best);
  }
}

std::vector<Segment> SplitByEstimate(const std::vector<LzxItem>& items) {
  std::vector<Segment> segs;
  std::size_t bytes = 0;
  std::size_t next_cut = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (bytes >= next_cut) {
      segs.push_back({i, {}, 0});
      next_cut = (bytes / kGranuleBytes + 1) * kGranuleBytes;
    }
    segs.back().hist.Add(items[i]);
    bytes += items[i].length == 0 ? 1 : items[i].length;
  }
  for (auto& s : segs) s.bits = EstimatedBits(s.hist);

  // gain[i]: bits saved by merging segs[i] and segs[i + 1].
  std::vector<double> gain(segs.size(), 0);
  auto merged_gain = [&](std::size_t i) {
    LzxHistogram both = segs[i].hist;
    both.Add(segs[i + 1].hist);
    return segs[i].bits + segs[i + 1].bits - EstimatedBits(both);
  };
  for (std::size_t i = 0; i + 1 < segs.size(); ++i) gain[i] = merged_gain(i);
  MergeBestPairs(&segs, &gain, [&](std::size_t best) {
    segs[best].bits = EstimatedBits(segs[best].hist);
    if (best + 1 < segs.size()) gain[best] = merged_gain(best);
    if (best > 0) gain[best - 1] = merged_gain(best - 1);
  });
  return segs;
}

// Merges neighbouring segments while the exact price says so (the second stage above).
class ExactMerger {
 public:
  explicit ExactMerger(std::vector<Segment>* segs) : segs_(*segs) {}

  void Run() {
    if (segs_.size() < 2) return;
    Reprice(0);
    gain_.assign(segs_.size(), 0);
    for (std::size_t i = 0; i + 1 < segs_.size(); ++i) gain_[i] = MergeGain(i);
    MergeBestPairs(&segs_, &gain_, [&](std::size_t best) {
      Reprice(best);
      // The pairs whose prices involve the merged block or the one after it.
      const std::size_t from = best >= 2 ? best - 2 : 0;
      for (std::size_t i = from; i <= best + 1 && i + 1 < segs_.size(); ++i)
        gain_[i] = MergeGain(i);
    });
  }

 private:
  // Prices blocks from `first` on; before[i] is what the decoder remembers before block i.
  void Reprice(std::size_t first) {
    before_.resize(segs_.size());
    bits_.resize(segs_.size());
    for (std::size_t i = first; i < segs_.size(); ++i) {
      PlanBlock(segs_[i].hist, before_[i], /*uncompressed_ok=*/false, plan_.get(), /*quick=*/true);
      bits_[i] = plan_->bits;
      if (i + 1 < segs_.size()) {
        before_[i + 1] = before_[i];
        KeepTrees(*plan_, &before_[i + 1]);
      }
    }
  }

  // Bits saved by merging segments i and i + 1: their prices and that of the block after them.
  std::int64_t MergeGain(std::size_t i) {
    const bool has_next = i + 2 < segs_.size();
    std::int64_t now = static_cast<std::int64_t>(bits_[i] + bits_[i + 1]);
    if (has_next) now += static_cast<std::int64_t>(bits_[i + 2]);
    LzxHistogram both = segs_[i].hist;
    both.Add(segs_[i + 1].hist);
    PlanBlock(both, before_[i], /*uncompressed_ok=*/false, plan_.get(), /*quick=*/true);
    std::int64_t merged = static_cast<std::int64_t>(plan_->bits);
    if (has_next) {
      LzxTreeState after = before_[i];
      KeepTrees(*plan_, &after);
      PlanBlock(segs_[i + 2].hist, after, /*uncompressed_ok=*/false, plan_.get(), /*quick=*/true);
      merged += static_cast<std::int64_t>(plan_->bits);
    }
    return now - merged;
  }

  std::vector<Segment>& segs_;
  std::vector<LzxTreeState> before_;
  std::vector<std::uint64_t> bits_;
  std::vector<std::int64_t> gain_;
  std::unique_ptr<LzxBlockPlan> plan_ = std::make_unique<LzxBlockPlan>();
};

}  // namespace

std::vector<std::size_t> SplitIntoBlocks(const std::vector<LzxItem>& items) {
  std::vector<Segment> segs = SplitByEstimate(items);
  ExactMerger(&segs).Run();
  std::vector<std::size_t> starts;
  for (const auto& s : segs) starts.push_back(s.first_item);
  return starts;
}

}  // namespace chm

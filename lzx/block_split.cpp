#include "lzx/block_split.h"

#include <cmath>

#include "lzx/block.h"

namespace chm {
namespace {

// Block splitting algorithm: cut the interval into granules of about 4 KiB of output, then
// merge neighbours bottom-up, always the pair whose merge saves the most estimated bits, until
// no merge saves anything. The estimate is the entropy of the main and length symbols plus a
// rough price for sending a tree; it ignores that trees are sent as deltas of the previous
// ones, which makes it lean towards fewer, larger blocks.
constexpr std::size_t kGranuleBytes = 4096;
constexpr double kBitsPerUsedSymbol = 4.0;  // a code length as pretree-coded delta
constexpr double kTreeHeaderBits = 3 * 80 + 27;

double EntropyBits(const std::uint32_t* freqs, int count) {
  double total = 0;
  double sum_flogf = 0;
  int used = 0;
  for (int s = 0; s < count; ++s) {
    if (freqs[s] == 0) continue;
    const double f = freqs[s];
    total += f;
    sum_flogf += f * std::log2(f);
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

}  // namespace

std::vector<std::size_t> SplitIntoBlocks(const std::vector<LzxItem>& items) {
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
  while (segs.size() > 1) {
    std::size_t best = 0;
    for (std::size_t i = 1; i + 1 < segs.size(); ++i) {
      if (gain[i] > gain[best]) best = i;
    }
    if (gain[best] <= 0) break;
    segs[best].hist.Add(segs[best + 1].hist);
    segs[best].bits = EstimatedBits(segs[best].hist);
    segs.erase(segs.begin() + static_cast<std::ptrdiff_t>(best) + 1);
    gain.erase(gain.begin() + static_cast<std::ptrdiff_t>(best) + 1);
    if (best + 1 < segs.size()) gain[best] = merged_gain(best);
    if (best > 0) gain[best - 1] = merged_gain(best - 1);
  }
  std::vector<std::size_t> starts;
  for (const auto& s : segs) starts.push_back(s.first_item);
  return starts;
}

}  // namespace chm

#include "lzx/code_lengths.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "lzx/format.h"
#include "lzx/huffman.h"

namespace chm {
namespace {

constexpr int kMaxSymbols = kLzxMainSymbols;

// How far a count may stray from the stretch's running average and still be evened out with
// it; each is tried. On the reference books and real pages 2 and 4 together save about as much
// as any wider set (0.08 % and 0.03 % of the output).
constexpr std::uint32_t kTolerances[] = {2, 4};

// Runs of counts that are already equal: zeros from 5 on and any value from 7 on fold well as
// they are and are left alone.
void MarkEqualRuns(const std::uint32_t* counts, int n, bool* keep) {
  for (int i = 0; i < n;) {
    int j = i + 1;
    while (j < n && counts[j] == counts[i]) ++j;
    const bool long_run = (counts[i] == 0 && j - i >= 5) || j - i >= 7;
    std::fill(keep + i, keep + j, long_run);
    i = j;
  }
}

// Counts with each stretch of four or more neighbours that stay within `tolerance` of their
// running average replaced by that average (at least 1 where any was used), so that their
// Huffman lengths come out equal.
void EvenOut(const std::uint32_t* counts, int n, std::uint32_t tolerance, std::uint32_t* out) {
  bool keep[kMaxSymbols];
  MarkEqualRuns(counts, n, keep);
  std::copy(counts, counts + n, out);
  int stride = 0;
  std::uint64_t sum = 0;
  std::uint32_t average = counts[0];
  for (int i = 0; i <= n; ++i) {
    const bool ends =
        i == n || keep[i] ||
        (counts[i] > average ? counts[i] - average : average - counts[i]) >= tolerance;
    if (ends) {
      if (stride >= 4 || (stride >= 3 && sum == 0)) {
        std::uint32_t v = static_cast<std::uint32_t>(
            (sum + static_cast<std::uint64_t>(stride) / 2) / static_cast<std::uint64_t>(stride));
        if (sum != 0 && v == 0) v = 1;
        std::fill(out + i - stride, out + i, v);
      }
      stride = 0;
      sum = 0;
      if (i + 3 < n) {
        average = (counts[i] + counts[i + 1] + counts[i + 2] + counts[i + 3] + 2) / 4;
      } else if (i < n) {
        average = counts[i];
      }
    }
    ++stride;
    if (i < n) sum += counts[i];
  }
}

std::uint64_t CodedBits(const std::uint32_t* counts, int n, const std::uint8_t* lengths) {
  std::uint64_t bits = 0;
  for (int s = 0; s < n; ++s) bits += static_cast<std::uint64_t>(counts[s]) * lengths[s];
  return bits;
}

// The lists for `lengths` and the bits of the whole; `quick` as for PrepareLengthList.
std::uint64_t PriceLengths(const std::uint32_t* counts, int count, const std::uint8_t* old_lengths,
                           int split, const std::uint8_t* lengths, bool quick,
                           LzxLengthList* lists) {
  PrepareLengthList(old_lengths, lengths, split, &lists[0], quick);
  std::uint64_t bits = lists[0].bits + CodedBits(counts, count, lengths);
  if (split < count) {
    PrepareLengthList(old_lengths + split, lengths + split, count - split, &lists[1], quick);
    bits += lists[1].bits;
  }
  return bits;
}

}  // namespace

std::uint64_t ChooseCodeLengths(const std::uint32_t* counts, int count, bool allow_empty,
                                const std::uint8_t* old_lengths, int split, std::uint8_t* lengths,
                                LzxLengthList* lists, bool quick) {
  // The candidates are compared with their lists folded greedily, which ranks them as folding
  // by cost would in nearly every block at a fraction of the time; then the winner's lists
  // are folded by cost, and plain Huffman's too when it lost, to keep whichever is smaller.
  std::uint8_t plain[kMaxSymbols];
  BuildCodeLengths(counts, count, kLzxMaxMainCodeLength, plain, allow_empty);
  std::uint64_t best = PriceLengths(counts, count, old_lengths, split, plain, true, lists);
  bool evened = false;
  std::uint32_t even[kMaxSymbols];
  for (std::uint32_t tolerance : kTolerances) {
    EvenOut(counts, count, tolerance, even);
    if (std::equal(even, even + count, counts)) continue;
    std::uint8_t candidate[kMaxSymbols];
    BuildCodeLengths(even, count, kLzxMaxMainCodeLength, candidate, allow_empty);
    const std::uint64_t bits =
        PriceLengths(counts, count, old_lengths, split, candidate, true, lists);
    if (bits >= best) continue;
    best = bits;
    std::copy(candidate, candidate + count, lengths);
    evened = true;
  }
  if (!evened) {
    std::copy(plain, plain + count, lengths);
    if (quick) return best;
    return PriceLengths(counts, count, old_lengths, split, lengths, false, lists);
  }
  if (quick) return best;
  const std::uint64_t with_even =
      PriceLengths(counts, count, old_lengths, split, lengths, false, lists);
  LzxLengthList plain_lists[2];
  const std::uint64_t with_plain =
      PriceLengths(counts, count, old_lengths, split, plain, false, plain_lists);
  if (with_even <= with_plain) return with_even;
  std::copy(plain, plain + count, lengths);
  for (int k = 0; k < (split < count ? 2 : 1); ++k) std::swap(lists[k], plain_lists[k]);
  return with_plain;
}

}  // namespace chm

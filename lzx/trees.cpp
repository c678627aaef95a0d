#include "lzx/trees.h"

#include "lzx/huffman.h"

namespace chm {
namespace {

constexpr int kPretreeZeros4 = 17;   // 4..19 zeros, 4 extra bits
constexpr int kPretreeZeros20 = 18;  // 20..51 zeros, 5 extra bits
constexpr int kPretreeSame = 19;     // 4..5 equal lengths, 1 extra bit, then a delta symbol
constexpr int kPretreeBitsPerLength = 4;

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

}  // namespace

void PrepareLengthList(const std::uint8_t* old_lengths, const std::uint8_t* new_lengths, int count,
                       LzxLengthList* list) {
  list->ops.clear();
  int i = 0;
  while (i < count) {
    int run = 1;
    while (i + run < count && new_lengths[i + run] == new_lengths[i]) ++run;
    if (new_lengths[i] == 0 && run >= 4) {
      while (run >= 20) {
        const int n = run > 51 ? 51 : run;
        list->ops.push_back({kPretreeZeros20, static_cast<std::uint8_t>(n - 20)});
        i += n;
        run -= n;
      }
      if (run >= 4) {
        list->ops.push_back({kPretreeZeros4, static_cast<std::uint8_t>(run - 4)});
        i += run;
        run = 0;
      }
      for (; run > 0; --run, ++i) list->ops.push_back({Delta(old_lengths[i], 0), 0});
      continue;
    }
    if (new_lengths[i] != 0 && run >= 4) {
      // Symbol 19 gives 4 or 5 symbols one new length, computed from the old length of the
      // first of them only.
      while (run >= 4) {
        const int n = run >= 5 ? 5 : 4;
        list->ops.push_back({kPretreeSame, static_cast<std::uint8_t>(n - 4)});
        list->ops.push_back({Delta(old_lengths[i], new_lengths[i]), 0});
        i += n;
        run -= n;
      }
      for (; run > 0; --run, ++i) list->ops.push_back({Delta(old_lengths[i], new_lengths[i]), 0});
      continue;
    }
    list->ops.push_back({Delta(old_lengths[i], new_lengths[i]), 0});
    ++i;
  }

  std::uint32_t freqs[kLzxPretreeSymbols] = {};
  for (const auto& op : list->ops) ++freqs[op.symbol];
  BuildCodeLengths(freqs, kLzxPretreeSymbols, kLzxMaxPretreeCodeLength, list->pretree_lengths);
  BuildCanonicalCodes(list->pretree_lengths, kLzxPretreeSymbols, list->pretree_codes);
  std::uint32_t bits = kLzxPretreeSymbols * kPretreeBitsPerLength;
  for (const auto& op : list->ops) bits += list->pretree_lengths[op.symbol] + ExtraBits(op.symbol);
  list->bits = bits;
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

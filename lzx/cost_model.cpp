#include "lzx/cost_model.h"

#include <algorithm>
#include <iterator>

#include "lzx/block.h"
#include "lzx/huffman.h"

namespace chm {
namespace {

// A symbol the previous trees did not use still gets a finite, unattractive price.
constexpr std::uint32_t kUnusedMainBits = 12;
constexpr std::uint32_t kUnusedLengthBits = 10;

// Before any tree exists: literals of about 6 bits, matches of about 9 bits plus footer.
constexpr std::uint32_t kGuessLiteralBits = 6;
constexpr std::uint32_t kGuessMatchBits = 9;
constexpr std::uint32_t kGuessLengthBits = 5;

}  // namespace

void LzxCostModel::FromItems(const std::vector<LzxItem>& items) {
  LzxHistogram hist;
  for (const LzxItem& item : items) hist.Add(item);
  std::uint8_t main_lengths[kLzxMainSymbols];
  std::uint8_t length_lengths[kLzxLengthSymbols];
  BuildCodeLengths(hist.main, kLzxMainSymbols, kLzxMaxMainCodeLength, main_lengths);
  BuildCodeLengths(hist.length, kLzxLengthSymbols, kLzxMaxMainCodeLength, length_lengths, true);
  for (int s = 0; s < kLzxMainSymbols; ++s) {
    main[s] = main_lengths[s] != 0 ? main_lengths[s] : kUnusedMainBits;
  }
  for (int s = 0; s < kLzxLengthSymbols; ++s) {
    length[s] = length_lengths[s] != 0 ? length_lengths[s] : kUnusedLengthBits;
  }
}

void LzxCostModel::Guess() {
  std::fill(std::begin(main), std::begin(main) + kLzxNumChars, kGuessLiteralBits);
  std::fill(std::begin(main) + kLzxNumChars, std::end(main), kGuessMatchBits);
  std::fill(std::begin(length), std::end(length), kGuessLengthBits);
}

}  // namespace chm

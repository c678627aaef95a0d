// The parsers' cost model: the price in bits of every main and length symbol, taken from the
// trees a previous parse would be coded with, or guessed before any parse exists.
#pragma once

#include <cstdint>
#include <vector>

#include "lzx/format.h"

namespace chm {

struct LzxCostModel {
  std::uint32_t main[kLzxMainSymbols];
  std::uint32_t length[kLzxLengthSymbols];

  // Prices from the code lengths of trees built over `items`.
  void FromItems(const std::vector<LzxItem>& items);
  // Rough prices for the first parse, before any tree exists.
  void Guess();

  // Bits of a match's main symbol and length symbol, its footer left out.
  std::uint32_t MatchSymbolBits(int slot, std::size_t length) const {
    const std::uint32_t bits = main[MatchMainSymbol(slot, length)];
    return HasLengthSymbol(length) ? bits + this->length[LengthSymbol(length)] : bits;
  }
  // Bits of a whole match: its symbols and its footer.
  std::uint32_t MatchBits(int slot, std::size_t length) const {
    return MatchSymbolBits(slot, length) + static_cast<std::uint32_t>(FooterBits(slot));
  }
};

}  // namespace chm

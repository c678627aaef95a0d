// The numbers of LZX as CHM readers decode it: a 64 KiB window (32 position slots), the tree
// sizes, and the mapping from a match distance to its position slot and footer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace chm {

constexpr int kLzxMinMatch = 2;
constexpr int kLzxMaxMatch = 257;
constexpr int kLzxNumChars = 256;
constexpr int kLzxPositionSlots = 32;                                  // for a 2^16 window
constexpr int kLzxMainSymbols = kLzxNumChars + 8 * kLzxPositionSlots;  // 512
constexpr int kLzxLengthSymbols = 249;
constexpr int kLzxAlignedSymbols = 8;
constexpr int kLzxPretreeSymbols = 20;
constexpr int kLzxNumPrimaryLengths = 7;  // length headers 0..6 code lengths 2..8 directly

constexpr int kLzxMaxMainCodeLength = 16;     // lengths travel as deltas mod 17
constexpr int kLzxMaxPretreeCodeLength = 15;  // 4-bit fields
constexpr int kLzxMaxAlignedCodeLength = 7;   // 3-bit fields

// The window is 65536 bytes, but a formatted offset (distance + 2) must fit below 65536.
constexpr std::uint32_t kLzxMaxDistance = 65533;

enum LzxBlockType { kLzxVerbatim = 1, kLzxAligned = 2, kLzxUncompressed = 3 };

// Position slots 0..2 stand for the repeated offsets R0..R2; slot 3 and up carry a
// "formatted offset" f = distance + 2 as the slot's base plus a footer of FooterBits(slot).
inline int FooterBits(int slot) { return slot < 4 ? 0 : slot / 2 - 1; }

inline std::uint32_t SlotBase(int slot) {
  if (slot < 4) return static_cast<std::uint32_t>(slot);
  const int bits = FooterBits(slot);
  return (static_cast<std::uint32_t>(2 | (slot & 1))) << bits;
}

inline int FloorLog2(std::uint32_t v) { return 31 - __builtin_clz(v); }

// Largest slot whose base does not exceed the formatted offset f (3 <= f <= 65535).
inline int PositionSlot(std::uint32_t f) {
  if (f < 4) return static_cast<int>(f);
  const int top = FloorLog2(f);
  return 2 * top + static_cast<int>((f >> (top - 1)) & 1);
}

// One parsed element: a literal (length 0, value = byte) or a match of 2..257 bytes whose value
// is 0..2 for a repeated offset or the formatted offset (>= 3) otherwise.
struct LzxItem {
  std::uint16_t length;
  std::uint16_t value;
};

inline int MainSymbol(const LzxItem& item, int* slot_out) {
  if (item.length == 0) return item.value;
  const int slot = item.value < 3 ? item.value : PositionSlot(item.value);
  *slot_out = slot;
  const int header = item.length - kLzxMinMatch < kLzxNumPrimaryLengths ? item.length - kLzxMinMatch
                                                                        : kLzxNumPrimaryLengths;
  return kLzxNumChars + (slot << 3) + header;
}

}  // namespace chm

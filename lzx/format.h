// The numbers of LZX as CHM readers decode it: a 64 KiB window (32 position slots), frames and
// reset intervals, the tree sizes, the mapping from a match distance to its position slot and
// footer, from a match length to its length header, and the repeated offsets.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace chm {

// Section 1 decodes in frames of 32 KiB of output, and the encoder resets every two frames.
constexpr std::size_t kLzxFrameSize = 0x8000;
constexpr std::size_t kLzxResetInterval = 2 * kLzxFrameSize;  // bytes between resets

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

// A match's length travels as a header of 0..7 in its main symbol: 0..6 for lengths 2..8, and
// 7 for the longer ones, which add the length symbol length - 9.
inline int LengthHeader(std::size_t length) {
  return length - kLzxMinMatch < kLzxNumPrimaryLengths ? static_cast<int>(length) - kLzxMinMatch
                                                       : kLzxNumPrimaryLengths;
}
constexpr int kLzxFirstLongLength = kLzxMinMatch + kLzxNumPrimaryLengths;  // 9: length symbol 0
inline bool HasLengthSymbol(std::size_t length) {
  return length >= static_cast<std::size_t>(kLzxFirstLongLength);
}
inline int LengthSymbol(std::size_t length) {
  return static_cast<int>(length) - kLzxFirstLongLength;
}

inline int MatchMainSymbol(int slot, std::size_t length) {
  return kLzxNumChars + (slot << 3) + LengthHeader(length);
}

// Slot of a match's value: 0..2 for a repeated offset, else the formatted offset's slot.
inline int SlotOfValue(std::uint16_t value) { return value < 3 ? value : PositionSlot(value); }

inline int MainSymbol(const LzxItem& item, int* slot_out) {
  if (item.length == 0) return item.value;
  const int slot = SlotOfValue(item.value);
  *slot_out = slot;
  return MatchMainSymbol(slot, item.length);
}

// The longest match that may start at `pos` of an interval of `size` bytes: no match may run
// past the end of its 32 KiB frame, nor past the data.
inline std::size_t MaxMatchAt(std::size_t pos, std::size_t size) {
  const std::size_t frame_end = std::min(size, (pos / kLzxFrameSize + 1) * kLzxFrameSize);
  return std::min<std::size_t>(kLzxMaxMatch, frame_end - pos);
}

// R0..R2 as the decoder keeps them; a reset sets all three to 1.
struct LzxRepeats {
  std::uint32_t r[3] = {1, 1, 1};
};

// Applies one parsed item to the repeated offsets, exactly as the decoder will.
inline void UpdateRepeats(const LzxItem& item, LzxRepeats* reps) {
  if (item.length == 0 || item.value == 0) return;
  if (item.value < 3) {
    std::uint32_t t = reps->r[0];
    reps->r[0] = reps->r[item.value];
    reps->r[item.value] = t;
    return;
  }
  reps->r[2] = reps->r[1];
  reps->r[1] = reps->r[0];
  reps->r[0] = item.value - 2u;
}

}  // namespace chm

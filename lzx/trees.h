// Sending code lengths: each list goes as a 20-symbol pretree and then pretree-coded deltas
// against the lengths of the previous block (all zero after a reset), with runs of zeros and
// of equal lengths folded.
#pragma once

#include <cstdint>
#include <vector>

#include "lzx/bit_writer.h"
#include "lzx/format.h"

namespace chm {

// Main and length tree lengths the decoder remembers from block to block until a reset.
struct LzxTreeState {
  std::uint8_t main[kLzxMainSymbols] = {};
  std::uint8_t length[kLzxLengthSymbols] = {};
};

// One length list ready to send: its pretree and the pretree symbols (with extra bits).
struct LzxLengthList {
  struct Op {
    std::uint8_t symbol;  // 0..19
    std::uint8_t extra;   // run length bits for 17, 18, 19
  };
  std::vector<Op> ops;
  std::uint8_t pretree_lengths[kLzxPretreeSymbols] = {};
  std::uint16_t pretree_codes[kLzxPretreeSymbols] = {};
  std::uint32_t bits = 0;  // total size of the list in the stream
};

// Prepares the list turning `old_lengths` into `new_lengths` (count symbols): folded
// greedily, then unless `quick`, refolded by cost while that makes it smaller.
void PrepareLengthList(const std::uint8_t* old_lengths, const std::uint8_t* new_lengths, int count,
                       LzxLengthList* list, bool quick = false);

void WriteLengthList(const LzxLengthList& list, LzxBitWriter* bits);

}  // namespace chm

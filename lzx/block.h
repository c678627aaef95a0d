// One LZX block: statistics of its items, its trees, the choice between verbatim, aligned
// offset and uncompressed coding, and writing it out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lzx/bit_writer.h"
#include "lzx/format.h"
#include "lzx/trees.h"

namespace chm {

struct LzxBlockPlan {
  LzxBlockType type = kLzxVerbatim;
  std::size_t item_begin = 0, item_end = 0;  // the block's items
  std::size_t bytes = 0;                     // output bytes the block produces
  std::uint64_t bits = 0;                    // size of the chosen coding
  std::uint64_t raw_bits = 0;                // size as an uncompressed block
  std::uint64_t header_bits = 0;             // of `bits`, what comes before the first item
  std::uint8_t main_lengths[kLzxMainSymbols];
  std::uint16_t main_codes[kLzxMainSymbols];
  std::uint8_t length_lengths[kLzxLengthSymbols];
  std::uint16_t length_codes[kLzxLengthSymbols];
  std::uint8_t aligned_lengths[kLzxAlignedSymbols];
  std::uint16_t aligned_codes[kLzxAlignedSymbols];
  LzxLengthList lists[3];  // literals, match symbols, lengths
};

// Symbol counts of a run of items.
struct LzxHistogram {
  std::uint32_t main[kLzxMainSymbols] = {};
  std::uint32_t length[kLzxLengthSymbols] = {};
  std::uint32_t aligned[kLzxAlignedSymbols] = {};
  std::uint64_t footer_bits = 0;      // footer bits of all matches, as in a verbatim block
  std::uint32_t aligned_footers = 0;  // matches whose footer could end in an aligned symbol
  std::size_t bytes = 0;

  void Add(const LzxItem& item);
  void Add(const LzxHistogram& other);
};

// Builds the trees for items [begin, end) and picks the cheapest block type given the lengths
// the decoder remembers. Uncompressed coding is considered only when `uncompressed_ok`.
void PlanBlock(const std::vector<LzxItem>& items, std::size_t begin, std::size_t end,
               const LzxTreeState& state, bool uncompressed_ok, LzxBlockPlan* plan);
// The same from the items' statistics alone; leaves the plan's item range as it was. With
// `quick` the code lengths are folded greedily only: a plan for its price, not to be written.
void PlanBlock(const LzxHistogram& hist, const LzxTreeState& state, bool uncompressed_ok,
               LzxBlockPlan* plan, bool quick = false);

// The tree lengths the decoder remembers after the planned block: its own, or for an
// uncompressed block those from before it.
void KeepTrees(const LzxBlockPlan& plan, LzxTreeState* state);

// Where frame ends fall while a block is written: every 32 KiB of output the stream is padded
// to a word boundary, and the next frame's offset is noted unless the interval ends there.
struct LzxFrameMarks {
  std::vector<std::uint64_t>* offsets;
  std::size_t interval_size;
};

// Writes a planned block of the interval whose bytes are `data`, starting at output position
// *pos, and advances *pos, the remembered tree lengths and the repeated offsets.
void WriteBlock(const LzxBlockPlan& plan, const std::vector<LzxItem>& items,
                const std::uint8_t* data, std::size_t* pos, LzxBitWriter* bits, LzxTreeState* state,
                LzxRepeats* reps, const LzxFrameMarks& marks);

// Writes bytes [*pos, *pos + size) of the interval as one uncompressed block, and advances.
void WriteUncompressedBlock(const std::uint8_t* data, std::size_t size, std::size_t* pos,
                            LzxBitWriter* bits, const LzxRepeats& reps, const LzxFrameMarks& marks);

}  // namespace chm

// Code lengths for a block's main and length trees, chosen for the block's whole size. A
// Huffman code is the shortest for the symbols alone, but its lengths travel too, as pretree-
// coded deltas, and lengths that come out equal over neighbouring symbols fold into fewer
// pretree symbols. So the counts are also tried with stretches of similar counts evened out,
// which gives such runs for a few more bits of symbols, and the cheaper whole is kept.
#pragma once

#include <cstdint>

#include "lzx/trees.h"

namespace chm {

// Chooses `lengths` for `count` symbols with `counts`, sent against `old_lengths` as two lists
// (symbols [0, split) and [split, count)) or as one when split == count, and prepares those
// lists in lists[0] (and lists[1]). With all counts zero and `allow_empty`, every length is 0.
// Returns the bits of the lists and of the symbols coded with the lengths. With `quick` the
// lists are only folded greedily (see PrepareLengthList): a price for comparing plans.
std::uint64_t ChooseCodeLengths(const std::uint32_t* counts, int count, bool allow_empty,
                                const std::uint8_t* old_lengths, int split, std::uint8_t* lengths,
                                LzxLengthList* lists, bool quick = false);

}  // namespace chm

// Block splitting: where one reset interval's items are cut into blocks with trees of their own.
#pragma once

#include <cstddef>
#include <vector>

#include "lzx/format.h"

namespace chm {

// Returns the item index where each block starts (the first is 0), judged by the statistics
// alone: a block may straddle the frame boundary inside the interval.
std::vector<std::size_t> SplitIntoBlocks(const std::vector<LzxItem>& items);

}  // namespace chm

#include "lzx/interval_encoder.h"

#include <algorithm>

#include "lzx/bit_writer.h"
#include "lzx/block.h"
#include "lzx/block_split.h"
#include "lzx/optimal_parser.h"

namespace chm {
namespace {

// Both levels parse near-optimally. The normal level walks 16 tree nodes per position, parses
// once and puts every fourth position inside a match taken whole into the tree: on Microsoft's
// reference books and on real pages about twice the work of a lazy parse for 1.7 % (books) to
// 2.7 % (pages) less output. 8 nodes or a second pass move the balance too far one way or the
// other; every inside position in the tree costs 10 % more time for 0.1 % less output. A second
// pass over the whole interval, priced by the first, gives 0.25 % less output on the reference
// books, 0.33 % on real pages and 0.23 % on generated Chinese chapters, for 24 to 32 % more
// time. Its gain is the prices of a near-optimal parse instead of the first guess, spread over
// literals, match symbols and lengths alike, and cheaper sources of prices keep less of it for
// nearly as much time: a parse of a quarter of the interval 30 to 45 % for 11 % more time, a
// second pass only where the prices were furthest off 50 to 70 % for 13 to 22 %. The best
// level walks deep and parses once over the whole interval.
// Two-byte matches (in text of double-byte code pages) are looked for 16 bytes back: on
// Microsoft's Chinese book 0.5 % less output at no cost in time. Looking 64 bytes back gains
// 0.03 % more there and costs 5 % more time on Chinese pages.
constexpr LzxOptimalParams kNormalParams = {
    /*depth=*/16,          /*nice_len=*/128,
    /*passes=*/1,          /*inside_step=*/4,
    /*repeat_literals=*/1, /*pair_distance=*/16};
// The best level also weighs steps of a match, two literals and the match's offset repeated
// (0.02 % less output), and two-byte matches as far back as their footer leaves them cheaper
// than two literals.
constexpr LzxOptimalParams kBestParams = {/*depth=*/128,         /*nice_len=*/257,
                                          /*passes=*/1,          /*inside_step=*/1,
                                          /*repeat_literals=*/2, /*pair_distance=*/4096};
// Then it parses four times more, each block of the last split priced by its own statistics,
// and splits again. On Microsoft's reference books that beats more passes over the whole
// interval: three whole passes 0.9770 of Microsoft's size, three and two block passes 0.9755,
// one and four 0.9753 in about the same time, 1.6 times that of three whole passes. Each
// further block pass gains about 0.01 % for 0.1 times. Keeping more than the cheapest way into
// each position, each with its own R0..R2, gains 0.1 % with four ways for six times the time,
// 0.15 % with eight for twelve times; with eight ways, no depth limit, three whole passes and
// eight block passes, the reference books come out at 0.9714 of Microsoft's size, for 27 times
// the time of this level.
constexpr int kBestBlockPasses = 4;

}  // namespace

LzxIntervalEncoder::LzxIntervalEncoder(LzxLevel level) : level_(level) {}

LzxIntervalEncoder::~LzxIntervalEncoder() = default;

void LzxIntervalEncoder::Encode(const std::uint8_t* data, std::size_t size,
                                LzxEncodedInterval* out) {
  data_ = data;
  out_ = out;
  out->bytes.clear();
  out->frame_offsets.clear();
  out->frame_digests.clear();
  out->header_bits = 0;
  for (std::size_t f = 0; f < size; f += kLzxFrameSize) {
    out->frame_digests.push_back(LzxFrameDigest(data + f, std::min(kLzxFrameSize, size - f)));
  }
  out->frame_offsets.push_back(0);
  LzxBitWriter bits(&out->bytes);
  bits_ = &bits;
  bits.PutBits(0, 1);  // no E8 translation in this interval
  if (level_ == LzxLevel::kStore) {
    EncodeStored(size);
  } else {
    EncodeCompressed(size);
  }
  bits_ = nullptr;
}

void LzxIntervalEncoder::EncodeStored(std::size_t size) {
  const LzxFrameMarks marks{&out_->frame_offsets, size};
  const LzxRepeats reps;
  std::size_t pos = 0;
  while (pos < size) {
    WriteUncompressedBlock(data_, std::min(kLzxFrameSize, size - pos), &pos, bits_, reps, marks);
  }
}

// Plans items [begin, end) as one block and writes it. A block that would be cheaper stored
// but straddles the frame boundary is cut there, because an uncompressed block's bytes must
// end where the frame's do.
void LzxIntervalEncoder::WritePlanned(std::size_t begin, std::size_t end, bool uncompressed_ok,
                                      std::size_t* pos, LzxTreeState* trees, LzxRepeats* reps) {
  PlanBlock(items_, begin, end, *trees, uncompressed_ok, plan_.get());
  if (!uncompressed_ok && plan_->raw_bits < plan_->bits) {
    const std::size_t cut = static_cast<std::size_t>(
        std::lower_bound(item_pos_.begin() + static_cast<std::ptrdiff_t>(begin),
                         item_pos_.begin() + static_cast<std::ptrdiff_t>(end), kLzxFrameSize) -
        item_pos_.begin());
    WritePlanned(begin, cut, true, pos, trees, reps);
    WritePlanned(cut, end, true, pos, trees, reps);
    return;
  }
  const LzxFrameMarks marks{&out_->frame_offsets, item_pos_.back()};
  out_->header_bits += plan_->header_bits;
  WriteBlock(*plan_, items_, data_, pos, bits_, trees, reps, marks);
}

void LzxIntervalEncoder::EncodeCompressed(std::size_t size) {
  if (!parser_) {
    parser_ =
        std::make_unique<LzxOptimalParser>(level_ == LzxLevel::kBest ? kBestParams : kNormalParams);
  }
  parser_->Parse(data_, size, &items_);
  std::vector<std::size_t> cuts = PlanCuts();
  const int block_passes = level_ == LzxLevel::kBest ? kBestBlockPasses : 0;
  for (int r = 0; r < block_passes; ++r) {
    parser_->Reparse(data_, size, cuts, &items_);
    cuts = PlanCuts();
  }

  if (!plan_) plan_ = std::make_unique<LzxBlockPlan>();
  LzxTreeState trees;
  LzxRepeats reps;
  std::size_t pos = 0;
  for (std::size_t b = 0; b + 1 < cuts.size(); ++b) {
    const bool straddles =
        item_pos_[cuts[b]] < kLzxFrameSize && item_pos_[cuts[b + 1]] > kLzxFrameSize;
    WritePlanned(cuts[b], cuts[b + 1], !straddles, &pos, &trees, &reps);
  }
}

// Finds each item's position and splits the items into blocks: returns each block's first
// item, then the number of items.
std::vector<std::size_t> LzxIntervalEncoder::PlanCuts() {
  item_pos_.resize(items_.size() + 1);
  std::size_t p = 0;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    item_pos_[i] = p;
    p += items_[i].length == 0 ? 1 : items_[i].length;
  }
  item_pos_[items_.size()] = p;

  // Every block starts at an even output position, so an uncompressed block never needs its
  // pad byte at a frame end. Moving a cut back by an item or two changes nothing else.
  std::vector<std::size_t> starts = SplitIntoBlocks(items_);
  std::vector<std::size_t> cuts;
  for (std::size_t s : starts) {
    while (s > 0 && (item_pos_[s] & 1) != 0) --s;
    if (cuts.empty() || s > cuts.back()) cuts.push_back(s);
  }
  cuts.push_back(items_.size());
  return cuts;
}

}  // namespace chm

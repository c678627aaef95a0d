#include "lzx/encoder.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "lzx/bit_writer.h"
#include "lzx/block.h"
#include "lzx/block_split.h"
#include "lzx/lazy_parser.h"
#include "lzx/optimal_parser.h"

namespace chm {
namespace {

// The best level parses near-optimally: deep tree walks and three passes per interval, each
// priced by the one before.
constexpr LzxOptimalParams kBestParams = {/*depth=*/128, /*nice_len=*/128, /*passes=*/3};

}  // namespace

// Word-wise multiply and fold: each step is a bijection of the running value for a given word,
// so any single changed word changes the digest, and the fold carries high bits down.
std::uint64_t LzxFrameDigest(const std::uint8_t* data, std::size_t size) {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
  std::uint64_t h = 0xCBF29CE484222325u ^ size;
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, data + i, 8);
    h = (h ^ word) * kMultiplier;
    h ^= h >> 32;
  }
  for (; i < size; ++i) {
    h = (h ^ data[i]) * kMultiplier;
    h ^= h >> 32;
  }
  return h;
}

struct LzxEncoder::State {
  State(LzxLevel l, LzxSink* s) : level(l), sink(s), bits(&output) {}

  void EncodeInterval(std::size_t size);
  void EncodeStoredInterval(std::size_t size);
  void EncodeCompressedInterval(std::size_t size);
  void WritePlanned(std::size_t begin, std::size_t end, bool uncompressed_ok, std::size_t* pos,
                    LzxTreeState* trees, LzxRepeats* reps, const LzxFrameMarks& marks);

  LzxLevel level;
  LzxSink* sink;
  std::vector<std::uint8_t> pending;  // the current reset interval's input
  std::uint64_t total = 0;
  bool finished = false;
  std::vector<std::uint8_t> output;
  std::vector<std::uint64_t> frame_offsets;
  std::vector<std::uint64_t> frame_digests;
  LzxBitWriter bits;

  std::unique_ptr<LzxLazyParser> lazy_parser;        // normal level
  std::unique_ptr<LzxOptimalParser> optimal_parser;  // best level
  std::vector<LzxItem> items;
  std::vector<std::size_t> item_pos;  // output position of each item, plus the end
  std::unique_ptr<LzxBlockPlan> plan;
};

void LzxEncoder::State::EncodeInterval(std::size_t size) {
  for (std::size_t f = 0; f < size; f += kLzxFrameSize) {
    frame_digests.push_back(LzxFrameDigest(pending.data() + f, std::min(kLzxFrameSize, size - f)));
  }
  frame_offsets.push_back(bits.ByteCount());
  bits.PutBits(0, 1);  // no E8 translation in this interval
  if (level == LzxLevel::kStore) {
    EncodeStoredInterval(size);
  } else {
    EncodeCompressedInterval(size);
  }
  // An interval ends with a frame, on a word boundary, so its bytes are complete here.
  if (sink) {
    sink->Write(output.data(), output.size());
    bits.ForgetBuffered();
  }
}

void LzxEncoder::State::EncodeStoredInterval(std::size_t size) {
  const LzxFrameMarks marks{&frame_offsets, size};
  const LzxRepeats reps;
  std::size_t pos = 0;
  while (pos < size) {
    WriteUncompressedBlock(pending.data(), std::min(kLzxFrameSize, size - pos), &pos, &bits, reps,
                           marks);
  }
}

// Plans items [begin, end) as one block and writes it. A block that would be cheaper stored
// but straddles the frame boundary is cut there, because an uncompressed block's bytes must
// end where the frame's do.
void LzxEncoder::State::WritePlanned(std::size_t begin, std::size_t end, bool uncompressed_ok,
                                     std::size_t* pos, LzxTreeState* trees, LzxRepeats* reps,
                                     const LzxFrameMarks& marks) {
  PlanBlock(items, begin, end, *trees, uncompressed_ok, plan.get());
  if (!uncompressed_ok && plan->raw_bits < plan->bits) {
    const std::size_t cut = static_cast<std::size_t>(
        std::lower_bound(item_pos.begin() + static_cast<std::ptrdiff_t>(begin),
                         item_pos.begin() + static_cast<std::ptrdiff_t>(end), kLzxFrameSize) -
        item_pos.begin());
    WritePlanned(begin, cut, true, pos, trees, reps, marks);
    WritePlanned(cut, end, true, pos, trees, reps, marks);
    return;
  }
  WriteBlock(*plan, items, pending.data(), pos, &bits, trees, reps, marks);
}

void LzxEncoder::State::EncodeCompressedInterval(std::size_t size) {
  if (level == LzxLevel::kBest) {
    if (!optimal_parser) optimal_parser = std::make_unique<LzxOptimalParser>(kBestParams);
    optimal_parser->Parse(pending.data(), size, &items);
  } else {
    if (!lazy_parser) lazy_parser = std::make_unique<LzxLazyParser>(kLzxNormalLazyParams);
    lazy_parser->Parse(pending.data(), size, &items);
  }
  item_pos.resize(items.size() + 1);
  std::size_t p = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    item_pos[i] = p;
    p += items[i].length == 0 ? 1 : items[i].length;
  }
  item_pos[items.size()] = p;

  // Every block starts at an even output position, so an uncompressed block never needs its
  // pad byte at a frame end. Moving a cut back by an item or two changes nothing else.
  std::vector<std::size_t> starts = SplitIntoBlocks(items);
  std::vector<std::size_t> cuts;
  for (std::size_t s : starts) {
    while (s > 0 && (item_pos[s] & 1) != 0) --s;
    if (cuts.empty() || s > cuts.back()) cuts.push_back(s);
  }
  cuts.push_back(items.size());

  if (!plan) plan = std::make_unique<LzxBlockPlan>();
  const LzxFrameMarks marks{&frame_offsets, size};
  LzxTreeState trees;
  LzxRepeats reps;
  std::size_t pos = 0;
  for (std::size_t b = 0; b + 1 < cuts.size(); ++b) {
    const bool straddles =
        item_pos[cuts[b]] < kLzxFrameSize && item_pos[cuts[b + 1]] > kLzxFrameSize;
    WritePlanned(cuts[b], cuts[b + 1], !straddles, &pos, &trees, &reps, marks);
  }
}

LzxEncoder::LzxEncoder(LzxLevel level, LzxSink* sink) : state_(new State(level, sink)) {
  state_->pending.reserve(kLzxResetInterval);
}

LzxEncoder::~LzxEncoder() { delete state_; }

void LzxEncoder::Write(const std::uint8_t* data, std::size_t size) {
  if (state_->finished) return;
  state_->total += size;
  while (size > 0) {
    const std::size_t take = std::min(size, kLzxResetInterval - state_->pending.size());
    state_->pending.insert(state_->pending.end(), data, data + take);
    data += take;
    size -= take;
    if (state_->pending.size() == kLzxResetInterval) {
      state_->EncodeInterval(kLzxResetInterval);
      state_->pending.clear();
    }
  }
}

void LzxEncoder::Finish() {
  if (state_->finished) return;
  state_->finished = true;
  // Readers decode whole 32 KiB frames, the last one included, so it is padded with zeros.
  if (!state_->pending.empty()) {
    const std::size_t padded =
        (state_->pending.size() + kLzxFrameSize - 1) / kLzxFrameSize * kLzxFrameSize;
    state_->pending.resize(padded, 0);
    state_->EncodeInterval(padded);
    state_->pending.clear();
  }
  state_->pending.shrink_to_fit();
}

std::uint64_t LzxEncoder::UncompressedSize() const { return state_->total; }

std::uint64_t LzxEncoder::CompressedSize() const { return state_->bits.ByteCount(); }

const std::vector<std::uint8_t>& LzxEncoder::Output() const { return state_->output; }

const std::vector<std::uint64_t>& LzxEncoder::FrameOffsets() const { return state_->frame_offsets; }

const std::vector<std::uint64_t>& LzxEncoder::FrameDigests() const { return state_->frame_digests; }

LzxResult CompressLzx(const std::uint8_t* data, std::size_t size, LzxLevel level) {
  LzxEncoder encoder(level);
  encoder.Write(data, size);
  encoder.Finish();
  return {encoder.Output(), encoder.FrameOffsets()};
}

}  // namespace chm

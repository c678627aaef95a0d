#include "lzx/block.h"

#include <cstring>

#include "lzx/code_lengths.h"
#include "lzx/huffman.h"

namespace chm {
namespace {

constexpr int kBlockHeaderBits = 3 + 24;
constexpr int kAlignedTreeBits = kLzxAlignedSymbols * 3;
// Worst case of the padding in front of an uncompressed body, plus R0..R2.
constexpr int kUncompressedHeaderBits = kBlockHeaderBits + 16 + 3 * 32;
constexpr std::size_t kFrameMask = kLzxFrameSize - 1;

template <int N>
std::uint64_t CodedBits(const std::uint32_t (&freqs)[N], const std::uint8_t* lengths) {
  std::uint64_t bits = 0;
  for (int s = 0; s < N; ++s) bits += static_cast<std::uint64_t>(freqs[s]) * lengths[s];
  return bits;
}

void EndOfItem(std::size_t pos, LzxBitWriter* bits, const LzxFrameMarks& marks) {
  if ((pos & kFrameMask) != 0) return;
  bits->AlignToWord();
  if (pos < marks.interval_size) marks.offsets->push_back(bits->ByteCount());
}

}  // namespace

void LzxHistogram::Add(const LzxItem& item) {
  if (item.length == 0) {
    ++main[item.value];
    ++bytes;
    return;
  }
  bytes += item.length;
  int slot = 0;
  ++main[MainSymbol(item, &slot)];
  if (HasLengthSymbol(item.length)) ++length[LengthSymbol(item.length)];
  if (slot < 3) return;
  const int extra = FooterBits(slot);
  footer_bits += static_cast<std::uint64_t>(extra);
  if (extra >= 3) {
    ++aligned[(item.value - SlotBase(slot)) & 7];
    ++aligned_footers;
  }
}

void LzxHistogram::Add(const LzxHistogram& other) {
  for (int s = 0; s < kLzxMainSymbols; ++s) main[s] += other.main[s];
  for (int s = 0; s < kLzxLengthSymbols; ++s) length[s] += other.length[s];
  for (int s = 0; s < kLzxAlignedSymbols; ++s) aligned[s] += other.aligned[s];
  footer_bits += other.footer_bits;
  aligned_footers += other.aligned_footers;
  bytes += other.bytes;
}

void PlanBlock(const std::vector<LzxItem>& items, std::size_t begin, std::size_t end,
               const LzxTreeState& state, bool uncompressed_ok, LzxBlockPlan* plan) {
  LzxHistogram hist;
  for (std::size_t i = begin; i < end; ++i) hist.Add(items[i]);
  plan->item_begin = begin;
  plan->item_end = end;
  PlanBlock(hist, state, uncompressed_ok, plan);
}

void PlanBlock(const LzxHistogram& hist, const LzxTreeState& state, bool uncompressed_ok,
               LzxBlockPlan* plan, bool quick) {
  plan->bytes = hist.bytes;

  const std::uint64_t main_bits =
      ChooseCodeLengths(hist.main, kLzxMainSymbols, /*allow_empty=*/false, state.main, kLzxNumChars,
                        plan->main_lengths, &plan->lists[0]);
  const std::uint64_t length_bits =
      ChooseCodeLengths(hist.length, kLzxLengthSymbols, /*allow_empty=*/true, state.length,
                        kLzxLengthSymbols, plan->length_lengths, &plan->lists[2], quick);
  BuildCanonicalCodes(plan->main_lengths, kLzxMainSymbols, plan->main_codes);
  BuildCanonicalCodes(plan->length_lengths, kLzxLengthSymbols, plan->length_codes);

  const std::uint64_t trees =
      kBlockHeaderBits + plan->lists[0].bits + plan->lists[1].bits + plan->lists[2].bits;
  const std::uint64_t common = kBlockHeaderBits + main_bits + length_bits;
  plan->type = kLzxVerbatim;
  plan->bits = common + hist.footer_bits;
  plan->header_bits = trees;

  if (hist.aligned_footers != 0) {
    BuildCodeLengths(hist.aligned, kLzxAlignedSymbols, kLzxMaxAlignedCodeLength,
                     plan->aligned_lengths);
    BuildCanonicalCodes(plan->aligned_lengths, kLzxAlignedSymbols, plan->aligned_codes);
    const std::uint64_t aligned = common + kAlignedTreeBits + hist.footer_bits -
                                  3ull * hist.aligned_footers +
                                  CodedBits(hist.aligned, plan->aligned_lengths);
    if (aligned < plan->bits) {
      plan->type = kLzxAligned;
      plan->bits = aligned;
      plan->header_bits = trees + kAlignedTreeBits;
    }
  }
  plan->raw_bits = kUncompressedHeaderBits + 8ull * ((hist.bytes + 1) & ~std::size_t{1});
  if (uncompressed_ok && plan->raw_bits < plan->bits) {
    plan->type = kLzxUncompressed;
    plan->bits = plan->raw_bits;
    plan->header_bits = kUncompressedHeaderBits;
  }
}

void KeepTrees(const LzxBlockPlan& plan, LzxTreeState* state) {
  if (plan.type == kLzxUncompressed) return;
  std::memcpy(state->main, plan.main_lengths, sizeof state->main);
  std::memcpy(state->length, plan.length_lengths, sizeof state->length);
}

void WriteUncompressedBlock(const std::uint8_t* data, std::size_t size, std::size_t* pos,
                            LzxBitWriter* bits, const LzxRepeats& reps,
                            const LzxFrameMarks& marks) {
  bits->PutBits(kLzxUncompressed, 3);
  bits->PutBits(static_cast<std::uint32_t>(size), 24);
  bits->PadBeforeRawBytes();
  for (std::uint32_t r : reps.r) bits->PutRawDword(r);
  bits->PutRawBytes(data + *pos, size);
  // The decoder skips this byte when it reads the next block header. Callers never end an
  // odd-sized uncompressed block on a frame boundary, where the skip would land in the next
  // frame's bytes.
  if (size & 1) bits->PutRawBytes(reinterpret_cast<const std::uint8_t*>("\0"), 1);
  *pos += size;
  EndOfItem(*pos, bits, marks);
}

void WriteBlock(const LzxBlockPlan& plan, const std::vector<LzxItem>& items,
                const std::uint8_t* data, std::size_t* pos, LzxBitWriter* bits, LzxTreeState* state,
                LzxRepeats* reps, const LzxFrameMarks& marks) {
  if (plan.type == kLzxUncompressed) {
    // The decoder loads R0..R2 from the block header, so they must already be what the items
    // after this block were parsed against.
    for (std::size_t i = plan.item_begin; i < plan.item_end; ++i) UpdateRepeats(items[i], reps);
    WriteUncompressedBlock(data, plan.bytes, pos, bits, *reps, marks);
    return;
  }
  const bool aligned = plan.type == kLzxAligned;
  bits->PutBits(plan.type, 3);
  bits->PutBits(static_cast<std::uint32_t>(plan.bytes), 24);
  if (aligned) {
    for (int s = 0; s < kLzxAlignedSymbols; ++s) bits->PutBits(plan.aligned_lengths[s], 3);
  }
  for (const auto& list : plan.lists) WriteLengthList(list, bits);
  KeepTrees(plan, state);

  for (std::size_t i = plan.item_begin; i < plan.item_end; ++i) {
    const LzxItem item = items[i];
    if (item.length == 0) {
      bits->PutBits(plan.main_codes[item.value], plan.main_lengths[item.value]);
      *pos += 1;
    } else {
      int slot = 0;
      const int sym = MainSymbol(item, &slot);
      bits->PutBits(plan.main_codes[sym], plan.main_lengths[sym]);
      if (HasLengthSymbol(item.length)) {
        const int ls = LengthSymbol(item.length);
        bits->PutBits(plan.length_codes[ls], plan.length_lengths[ls]);
      }
      if (slot >= 3) {
        const int extra = FooterBits(slot);
        const std::uint32_t footer = item.value - SlotBase(slot);
        if (aligned && extra >= 3) {
          bits->PutBits(footer >> 3, extra - 3);
          bits->PutBits(plan.aligned_codes[footer & 7], plan.aligned_lengths[footer & 7]);
        } else {
          bits->PutBits(footer, extra);
        }
      }
      UpdateRepeats(item, reps);
      *pos += item.length;
    }
    EndOfItem(*pos, bits, marks);
  }
}

}  // namespace chm

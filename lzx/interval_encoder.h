// One reset interval encoded on its own: its parse, its blocks and their frame ends depend on
// nothing but its bytes, so intervals can be encoded in any order, on any thread, and still
// give the same stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "lzx/encoder.h"
#include "lzx/format.h"

namespace chm {

class LzxBitWriter;
class LzxOptimalParser;
struct LzxBlockPlan;
struct LzxTreeState;

// An encoded interval: its bytes (starting with the E8 header bit, ending on a frame's word
// boundary), where each of its frames starts counted from its first byte, and each frame's
// LzxFrameDigest. `header_bits` counts what its blocks spend before their first item: block
// headers, pretrees and code lengths.
struct LzxEncodedInterval {
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint64_t> frame_offsets;
  std::vector<std::uint64_t> frame_digests;
  std::uint64_t header_bits = 0;
};

class LzxIntervalEncoder {
 public:
  explicit LzxIntervalEncoder(LzxLevel level);
  ~LzxIntervalEncoder();
  LzxIntervalEncoder(const LzxIntervalEncoder&) = delete;
  LzxIntervalEncoder& operator=(const LzxIntervalEncoder&) = delete;

  // Encodes `size` bytes: whole frames, at most one interval.
  void Encode(const std::uint8_t* data, std::size_t size, LzxEncodedInterval* out);

 private:
  void EncodeStored(std::size_t size);
  void EncodeCompressed(std::size_t size);
  std::vector<std::size_t> PlanCuts();  // see the .cpp
  void WritePlanned(std::size_t begin, std::size_t end, bool uncompressed_ok, std::size_t* pos,
                    LzxTreeState* trees, LzxRepeats* reps);

  LzxLevel level_;
  const std::uint8_t* data_ = nullptr;
  LzxEncodedInterval* out_ = nullptr;
  LzxBitWriter* bits_ = nullptr;
  std::unique_ptr<LzxOptimalParser> parser_;
  std::vector<LzxItem> items_;
  std::vector<std::size_t> item_pos_;  // output position of each item, plus the end
  std::unique_ptr<LzxBlockPlan> plan_;
};

}  // namespace chm

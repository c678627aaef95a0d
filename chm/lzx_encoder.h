// LZX compression of a CHM's section 1, as CHM readers expect it: a 64 KiB window, frames of
// 32 KiB output, a reset every two frames, no E8 translation, the last frame padded with zeros
// to a full 32 KiB, and every frame ending on a 16-bit boundary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace chm {

constexpr std::size_t kLzxFrameSize = 0x8000;
constexpr std::size_t kLzxResetInterval = 2 * kLzxFrameSize;  // bytes between resets

enum class LzxLevel {
  kStore,    // uncompressed blocks only: the reference layout that every reader opens
  kNormal,   // hash chains with lazy evaluation; the default
  kBest,     // near-optimal parsing: the smallest output, several times slower
};

// Streaming encoder: feed the uncompressed section in any pieces with Write, then call Finish
// once. The compressed bytes accumulate in Output(); FrameOffsets() holds one entry per
// 32 KiB frame (the reset table's entries, without the final entry for the total length).
// Memory stays bounded by one reset interval of input plus the compressed output.
class LzxEncoder {
 public:
  explicit LzxEncoder(LzxLevel level = LzxLevel::kNormal);
  ~LzxEncoder();
  LzxEncoder(const LzxEncoder&) = delete;
  LzxEncoder& operator=(const LzxEncoder&) = delete;

  void Write(const std::uint8_t* data, std::size_t size);
  void Finish();

  std::uint64_t UncompressedSize() const;  // bytes given to Write, before padding
  const std::vector<std::uint8_t>& Output() const;
  const std::vector<std::uint64_t>& FrameOffsets() const;

 private:
  struct State;
  State* state_;
};

// One-shot convenience for tests and small inputs.
struct LzxResult {
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint64_t> frame_offsets;
};
LzxResult CompressLzx(const std::uint8_t* data, std::size_t size,
                      LzxLevel level = LzxLevel::kNormal);

}  // namespace chm

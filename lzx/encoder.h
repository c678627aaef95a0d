// LZX compression of a CHM's section 1, as CHM readers expect it: a 64 KiB window, frames of
// 32 KiB output, a reset every two frames, no E8 translation, the last frame padded with zeros
// to a full 32 KiB, and every frame ending on a 16-bit boundary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lzx/format.h"  // kLzxFrameSize and kLzxResetInterval, which the reset table records

namespace chm {

enum class LzxLevel {
  kStore,   // uncompressed blocks only: the reference layout that every reader opens
  kNormal,  // near-optimal parsing, one pass over short tree walks; the default
  kBest,    // near-optimal parsing, deep tree walks and three passes: about twice as slow
};

// Where a streaming encoder's compressed bytes go, one finished reset interval at a time.
class LzxSink {
 public:
  virtual ~LzxSink() = default;
  virtual void Write(const std::uint8_t* data, std::size_t size) = 0;
};

// A 64-bit digest of one frame's uncompressed bytes: the encoder notes one per frame so that
// the finished book's decoded frames can be confirmed without the section kept anywhere.
std::uint64_t LzxFrameDigest(const std::uint8_t* data, std::size_t size);

// The number of threads that keeps every core busy: one per core, at most 16.
int LzxDefaultThreads();

// Streaming encoder: feed the uncompressed section in any pieces with Write, then call Finish
// once. With a sink, each reset interval's compressed bytes go to it as soon as the interval
// and every one before it are encoded; without one they accumulate in Output(). With
// `threads` > 1 that many threads encode whole intervals side by side, a few intervals per
// thread in flight, so memory stays bounded whatever the input's size. Every interval is
// encoded from its own bytes alone: the stream is the same for every thread count.
// FrameOffsets() holds one entry per 32 KiB frame (the reset table's entries, without the
// final entry for the total length).
class LzxEncoder {
 public:
  explicit LzxEncoder(LzxLevel level = LzxLevel::kNormal, LzxSink* sink = nullptr, int threads = 1);
  ~LzxEncoder();
  LzxEncoder(const LzxEncoder&) = delete;
  LzxEncoder& operator=(const LzxEncoder&) = delete;

  void Write(const std::uint8_t* data, std::size_t size);
  void Finish();

  std::uint64_t UncompressedSize() const;  // bytes given to Write, before padding
  std::uint64_t CompressedSize() const;    // bytes of the intervals finished so far
  std::uint64_t HeaderBits() const;        // of those, bits spent on block headers and trees
  const std::vector<std::uint8_t>& Output() const;  // empty when a sink was given
  const std::vector<std::uint64_t>& FrameOffsets() const;
  // LzxFrameDigest of each frame's input, the zeros padding the last frame included.
  const std::vector<std::uint64_t>& FrameDigests() const;

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
                      LzxLevel level = LzxLevel::kNormal, int threads = 1);

}  // namespace chm

// LZX decoding as CHM readers drive it: one 32 KiB frame at a time, each from its own
// compressed extent (the reset table's entries), with the state cleared at every reset point.
// It is strict where readers disagree or fail: a block running across a reset, a match across
// a frame end or reaching before the last reset, an incomplete Huffman code, a length run past
// its list, a frame that reads past its extent: each is an error, never a crash or a guess.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace chm {

class LzxDecoder {
 public:
  // window_bits 15..21; CHM books use 16 (64 KiB).
  explicit LzxDecoder(int window_bits = 16);
  ~LzxDecoder();
  LzxDecoder(const LzxDecoder&) = delete;
  LzxDecoder& operator=(const LzxDecoder&) = delete;

  // Starts a reset interval: the next frame begins with the E8 header bit and needs nothing
  // decoded before it.
  void Reset();

  // Decodes the next frame's `out_size` bytes (1..32768) from its compressed bytes. Returns
  // false for malformed input, with Error() saying what; the state is then undefined until the
  // next Reset. Bits past `in_size` read as zero for at most a few words, then fail.
  bool DecodeFrame(const std::uint8_t* in, std::size_t in_size, std::uint8_t* out,
                   std::size_t out_size);

  // Bytes of the last frame's input used, the padding to the frame's word boundary included.
  std::size_t BytesConsumed() const;
  // True when the current block claims output beyond the frames decoded so far: at the end of
  // a stream that means a block header promised more than the stream holds.
  bool InsideBlock() const;
  // Bits of block headers, pretrees and code lengths read since the decoder was made: what
  // another encoder spends on its trees.
  std::uint64_t HeaderBits() const;
  const std::string& Error() const;

 private:
  struct State;
  State* state_;
};

// Decodes a whole stream whose frame k starts at frame_offsets[k] (the last frame runs to the
// end of `data`), with a reset every `frames_per_reset` frames; every frame 32 KiB. Each frame
// must use exactly its extent. On failure returns false with the reason in *error.
bool DecodeLzxStream(const std::uint8_t* data, std::size_t size,
                     const std::vector<std::uint64_t>& frame_offsets, std::size_t frames_per_reset,
                     std::vector<std::uint8_t>* out, std::string* error, int window_bits = 16);

}  // namespace chm

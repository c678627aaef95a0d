// Bit output in LZX order: values are appended most significant bit first and leave the writer
// as 16-bit little-endian words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace chm {

class LzxBitWriter {
 public:
  explicit LzxBitWriter(std::vector<std::uint8_t>* out) : out_(out) {}

  // Appends the low `count` bits of `value` (count <= 32).
  void PutBits(std::uint32_t value, int count) {
    acc_ = (acc_ << count) | value;
    pending_ += count;
    while (pending_ >= 16) {
      pending_ -= 16;
      const auto word = static_cast<std::uint16_t>(acc_ >> pending_);
      out_->push_back(static_cast<std::uint8_t>(word));
      out_->push_back(static_cast<std::uint8_t>(word >> 8));
    }
  }

  // Pads with zero bits to the next word boundary (nothing when already there).
  void AlignToWord() {
    if (pending_ != 0) PutBits(0, 16 - pending_);
  }

  // The padding in front of an uncompressed block's body: 1 to 16 zero bits, so a whole zero
  // word when the header happens to end on a boundary.
  void PadBeforeRawBytes() { PutBits(0, pending_ == 0 ? 16 : 16 - pending_); }

  // Only valid on a word boundary.
  void PutRawBytes(const std::uint8_t* data, std::size_t size) {
    out_->insert(out_->end(), data, data + size);
  }

  void PutRawDword(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out_->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }

  bool AtWordBoundary() const { return pending_ == 0; }
  // Bytes written since the start, those already handed on included.
  std::uint64_t ByteCount() const { return handed_on_ + out_->size(); }
  // Bits written since the start, those not yet in a whole word included.
  std::uint64_t BitCount() const { return 8 * ByteCount() + static_cast<std::uint64_t>(pending_); }

  // The owner has passed the buffered bytes on: empties the buffer, keeping the count. Only
  // valid on a word boundary.
  void ForgetBuffered() {
    handed_on_ += out_->size();
    out_->clear();
  }

 private:
  std::vector<std::uint8_t>* out_;
  std::uint64_t handed_on_ = 0;
  std::uint64_t acc_ = 0;
  int pending_ = 0;  // bits in acc_ not yet written, always < 16 between calls
};

}  // namespace chm

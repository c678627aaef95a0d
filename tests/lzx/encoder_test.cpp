// The encoder's streaming interface and the stored layout every reader opens.
#include <gtest/gtest.h>

#include <stdexcept>

#include "lzx/bit_writer.h"
#include "lzx/encoder.h"
#include "tests/support/lzx_support.h"

namespace {

using chm::LzxLevel;

TEST(LzxEncoderStreaming, PiecewiseWritesGiveTheOneShotStream) {
  const auto data = chm_test::HtmlLike(200003, 9);
  for (LzxLevel level : {LzxLevel::kStore, LzxLevel::kNormal, LzxLevel::kBest}) {
    const chm::LzxResult whole = chm::CompressLzx(data.data(), data.size(), level);
    chm::LzxEncoder encoder(level);
    const std::size_t steps[] = {1, 7, 65535, 3, 100000};
    std::size_t pos = 0;
    for (std::size_t i = 0; pos < data.size(); ++i) {
      const std::size_t n = std::min(steps[i % 5], data.size() - pos);
      encoder.Write(data.data() + pos, n);
      pos += n;
    }
    encoder.Write(nullptr, 0);
    encoder.Finish();
    encoder.Finish();  // a second Finish must not add a frame
    EXPECT_EQ(encoder.UncompressedSize(), data.size());
    EXPECT_TRUE(encoder.Output() == whole.bytes);
    EXPECT_TRUE(encoder.FrameOffsets() == whole.frame_offsets);
  }
}

struct CollectingSink : chm::LzxSink {
  std::vector<std::uint8_t> bytes;
  std::size_t writes = 0;
  void Write(const std::uint8_t* data, std::size_t size) override {
    bytes.insert(bytes.end(), data, data + size);
    ++writes;
  }
};

// Handing output on per interval must not restart the frame offsets or drop bits, and
// intervals encoded side by side must reach the sink in order.
TEST(LzxEncoderStreaming, SinkReceivesTheOneShotStreamWithAbsoluteFrameOffsetsOnAnyThreads) {
  auto data = chm_test::HtmlLike(5 * chm::kLzxResetInterval + 12345, 4);
  const auto noise = chm_test::RandomBytes(chm::kLzxResetInterval, 5);
  data.insert(data.begin() + 2 * chm::kLzxResetInterval, noise.begin(), noise.end());
  for (LzxLevel level : {LzxLevel::kStore, LzxLevel::kNormal, LzxLevel::kBest}) {
    const chm::LzxResult whole = chm::CompressLzx(data.data(), data.size(), level);
    std::vector<std::uint64_t> digests;
    for (int threads : {1, 3, 8}) {
      SCOPED_TRACE(std::to_string(threads) + " threads");
      CollectingSink sink;
      chm::LzxEncoder encoder(level, &sink, threads);
      encoder.Write(data.data(), data.size());
      if (threads == 1) EXPECT_EQ(sink.writes, 6u) << "one hand-over per finished interval";
      encoder.Finish();
      EXPECT_EQ(sink.writes, 7u);
      EXPECT_TRUE(encoder.Output().empty());
      EXPECT_EQ(encoder.CompressedSize(), whole.bytes.size());
      EXPECT_TRUE(sink.bytes == whole.bytes);
      EXPECT_TRUE(encoder.FrameOffsets() == whole.frame_offsets);
      if (threads == 1) digests = encoder.FrameDigests();
      EXPECT_TRUE(encoder.FrameDigests() == digests);
    }
  }
}

// A sink that fails mid-stream stops the encoder with the sink's error, and the threads still
// at work are stopped and joined when the encoder goes.
TEST(LzxEncoderStreaming, SinkFailureReachesTheCallerWithThreadsAtWork) {
  struct FailingSink : chm::LzxSink {
    void Write(const std::uint8_t*, std::size_t) override { throw std::runtime_error("disk full"); }
  };
  const auto data = chm_test::HtmlLike(12 * chm::kLzxResetInterval, 8);
  FailingSink sink;
  chm::LzxEncoder encoder(LzxLevel::kNormal, &sink, 3);
  EXPECT_THROW(
      {
        encoder.Write(data.data(), data.size());
        encoder.Finish();
      },
      std::runtime_error);
}

TEST(LzxEncoderStreaming, StoreLevelWritesOneUncompressedBlockPerFrame) {
  const auto data = chm_test::RandomBytes(3 * chm::kLzxFrameSize + 10, 1);
  const chm::LzxResult r = chm::CompressLzx(data.data(), data.size(), LzxLevel::kStore);
  ASSERT_EQ(r.frame_offsets.size(), 4u);
  constexpr std::size_t kStoredFrame = chm::kLzxFrameSize + 16;
  EXPECT_EQ(r.bytes.size(), 4 * kStoredFrame);
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(r.frame_offsets[k], k * kStoredFrame);
    // Frames at a reset start with the E8 bit, so the block header sits one bit later.
    const std::uint8_t header0 = r.bytes[k * kStoredFrame];
    const std::uint8_t header1 = r.bytes[k * kStoredFrame + 1];
    const unsigned word = header0 | header1 << 8;
    const unsigned type = k % 2 == 0 ? (word >> 12) & 7 : word >> 13;
    EXPECT_EQ(type, 3u) << "frame " << k;
    // R0..R2 follow the padded header, all 1.
    EXPECT_EQ(r.bytes[k * kStoredFrame + 4], 1);
    EXPECT_EQ(r.bytes[k * kStoredFrame + 8], 1);
    EXPECT_EQ(r.bytes[k * kStoredFrame + 12], 1);
  }
}

TEST(LzxBitWriter, PacksMostSignificantBitFirstIntoLittleEndianWords) {
  // The opening of an aligned block as it appears in a real CHM: E8 bit 0, type 2, size 0x8000,
  // then the first four bits of the aligned tree.
  std::vector<std::uint8_t> out;
  chm::LzxBitWriter bits(&out);
  bits.PutBits(0, 1);
  bits.PutBits(2, 3);
  bits.PutBits(0x8000, 24);
  bits.PutBits(5, 4);
  ASSERT_TRUE(bits.AtWordBoundary());
  EXPECT_EQ(out, (std::vector<std::uint8_t>{0x08, 0x20, 0x05, 0x00}));
}

TEST(LzxBitWriter, PadBeforeRawBytesWritesAWholeWordOnABoundary) {
  std::vector<std::uint8_t> out;
  chm::LzxBitWriter bits(&out);
  bits.PutBits(0xFFFF, 16);
  bits.PadBeforeRawBytes();
  EXPECT_EQ(out.size(), 4u);
  bits.PutBits(1, 1);
  bits.PadBeforeRawBytes();
  EXPECT_EQ(out.size(), 6u);
}

}  // namespace

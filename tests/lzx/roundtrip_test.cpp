// Round trips of the LZX encoder through two independent decoders, at every level.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "lzx/encoder.h"
#include "tests/support/lzx_support.h"

namespace {

using chm::LzxLevel;
using chm_test::DecodeWithChmlib;
using chm_test::DecodeWithMspack;
using chm_test::HtmlLike;
using chm_test::RandomBytes;

constexpr LzxLevel kAllLevels[] = {LzxLevel::kStore, LzxLevel::kNormal, LzxLevel::kBest};
constexpr std::size_t kFrame = chm::kLzxFrameSize;
constexpr std::size_t kStoredFrameBytes = kFrame + 16;

const char* LevelName(LzxLevel level) {
  switch (level) {
    case LzxLevel::kStore:
      return "store";
    case LzxLevel::kNormal:
      return "normal";
    case LzxLevel::kBest:
      return "best";
  }
  return "?";
}

// Compresses, checks the frame table, and decodes with chmlib (frame by frame), with libmspack
// (whole stream) and with libmspack again from the last reset frame, which must need nothing
// before it, and 3 threads must give the same stream as one. Returns the compressed result for
// further checks.
chm::LzxResult ExpectRoundTrip(const std::vector<std::uint8_t>& data, LzxLevel level) {
  SCOPED_TRACE(std::string("level ") + LevelName(level) + ", " + std::to_string(data.size()) +
               " bytes");
  chm::LzxResult r = chm::CompressLzx(data.data(), data.size(), level);
  const std::size_t frames = (data.size() + kFrame - 1) / kFrame;
  EXPECT_EQ(r.frame_offsets.size(), frames);
  for (std::size_t k = 0; k < r.frame_offsets.size(); ++k) {
    EXPECT_EQ(r.frame_offsets[k] % 2, 0u) << "frame " << k << " starts off a word boundary";
    if (k == 0) {
      EXPECT_EQ(r.frame_offsets[k], 0u);
    } else {
      EXPECT_GT(r.frame_offsets[k], r.frame_offsets[k - 1]);
    }
  }
  EXPECT_EQ(r.bytes.size() % 2, 0u);
  // Intervals encoded side by side give the same stream.
  const chm::LzxResult threaded = chm::CompressLzx(data.data(), data.size(), level, 3);
  EXPECT_TRUE(threaded.bytes == r.bytes && threaded.frame_offsets == r.frame_offsets)
      << "3 threads give another stream";
  if (::testing::Test::HasFailure()) return r;

  std::vector<std::uint8_t> expected = data;
  expected.resize(frames * kFrame, 0);

  const chm_test::Decoded by_chmlib = DecodeWithChmlib(r);
  EXPECT_TRUE(by_chmlib.ok) << by_chmlib.error;
  EXPECT_TRUE(by_chmlib.bytes == expected) << "chmlib decoded different content";

  const chm_test::Decoded by_mspack = DecodeWithMspack(r);
  EXPECT_TRUE(by_mspack.ok) << by_mspack.error;
  EXPECT_TRUE(by_mspack.bytes == expected) << "libmspack decoded different content";

  if (frames > 2) {
    const std::size_t last_reset = (frames - 1) / 2 * 2;
    const chm_test::Decoded tail = DecodeWithMspack(r, last_reset);
    EXPECT_TRUE(tail.ok) << tail.error;
    EXPECT_TRUE(std::equal(tail.bytes.begin(), tail.bytes.end(),
                           expected.begin() + static_cast<std::ptrdiff_t>(last_reset * kFrame),
                           expected.end()) &&
                tail.bytes.size() == (frames - last_reset) * kFrame)
        << "decoding from the last reset frame needs earlier data";
  }
  return r;
}

TEST(LzxRoundTrip, EmptyInputProducesNoFrames) {
  for (LzxLevel level : kAllLevels) {
    const chm::LzxResult r = chm::CompressLzx(nullptr, 0, level);
    EXPECT_TRUE(r.bytes.empty());
    EXPECT_TRUE(r.frame_offsets.empty());
  }
}

TEST(LzxRoundTrip, SizesAroundFrameAndResetBoundariesDecodeExactly) {
  const std::size_t sizes[] = {1,     2,     3,     257,   4999,  32767, 32768,
                               32769, 65535, 65536, 65537, 98304, 131073};
  for (std::size_t size : sizes) {
    const auto data = HtmlLike(size, static_cast<std::uint32_t>(size));
    for (LzxLevel level : kAllLevels) ExpectRoundTrip(data, level);
  }
}

TEST(LzxRoundTrip, IncompressibleDataCostsNoMoreThanStoring) {
  const auto data = RandomBytes(200001, 7);
  for (LzxLevel level : kAllLevels) {
    const chm::LzxResult r = ExpectRoundTrip(data, level);
    EXPECT_LE(r.bytes.size(), r.frame_offsets.size() * kStoredFrameBytes) << LevelName(level);
  }
}

TEST(LzxRoundTrip, LongRunsAndShortPeriodsDecode) {
  std::vector<std::vector<std::uint8_t>> inputs;
  inputs.emplace_back(300000, 0);
  inputs.emplace_back(70000, 'a');
  std::vector<std::uint8_t> periodic(140001);
  for (std::size_t i = 0; i < periodic.size(); ++i) periodic[i] = "ab"[i % 2];
  inputs.push_back(periodic);
  for (std::size_t i = 0; i < periodic.size(); ++i) periodic[i] = "xyzzy!"[i % 6];
  inputs.push_back(periodic);
  // Runs of random length and value: many repeated-offset and length-tree symbols.
  std::vector<std::uint8_t> runs;
  const auto noise = RandomBytes(4000, 3);
  for (std::size_t i = 0; runs.size() < 150000; ++i) {
    runs.insert(runs.end(), 1 + noise[i % noise.size()] % 300, noise[(i * 7 + 1) % noise.size()]);
  }
  inputs.push_back(runs);
  for (const auto& data : inputs) {
    for (LzxLevel level : kAllLevels) ExpectRoundTrip(data, level);
  }
}

TEST(LzxRoundTrip, AllZeroInputCompressesToAFewBytesPerFrame) {
  const std::vector<std::uint8_t> zeros(10 * kFrame, 0);
  for (LzxLevel level : {LzxLevel::kNormal, LzxLevel::kBest}) {
    const chm::LzxResult r = ExpectRoundTrip(zeros, level);
    EXPECT_LT(r.bytes.size(), 10 * 200u) << LevelName(level);
  }
}

TEST(LzxRoundTrip, MatchesNearTheMaximumDistanceDecode) {
  // Text intervals that each end with a copy of 300 random bytes from their start, 65236
  // bytes back: the longest distance a 300-byte match can have inside one interval.
  auto far = HtmlLike(3 * chm::kLzxResetInterval, 11);
  auto near = far;
  const auto noise = RandomBytes(600, 12);
  for (std::size_t base = 0; base < far.size(); base += chm::kLzxResetInterval) {
    std::memcpy(&far[base], &noise[0], 300);
    std::memcpy(&far[base + 65236], &noise[0], 300);
    std::memcpy(&near[base], &noise[0], 300);
    std::memcpy(&near[base + 65236], &noise[300], 300);
  }
  for (LzxLevel level : kAllLevels) {
    const chm::LzxResult with_copies = ExpectRoundTrip(far, level);
    if (level == LzxLevel::kStore) continue;
    const chm::LzxResult without = chm::CompressLzx(near.data(), near.size(), level);
    EXPECT_LT(with_copies.bytes.size() + 3 * 200, without.bytes.size()) << LevelName(level);
  }
}

TEST(LzxRoundTrip, RepeatedIntervalIsNotMatchedAcrossTheReset) {
  auto data = RandomBytes(chm::kLzxResetInterval, 5);
  data.insert(data.end(), data.begin(), data.end());
  for (LzxLevel level : kAllLevels) {
    const chm::LzxResult r = ExpectRoundTrip(data, level);
    // A match into the previous interval would make the second one nearly free.
    EXPECT_GT(r.bytes.size(), data.size()) << LevelName(level);
  }
}

TEST(LzxRoundTrip, TextAndRandomPiecesAtOddOffsetsDecode) {
  // Incompressible stretches inside compressible ones put uncompressed blocks in the middle
  // of frames, at frame ends and across the frame boundary inside an interval.
  std::vector<std::uint8_t> data;
  const std::size_t pieces[] = {20001, 25003, 9, 40001, 1, 30011, 17, 32767, 5, 12345};
  for (std::size_t i = 0; i < sizeof pieces / sizeof pieces[0]; ++i) {
    const auto piece = i % 2 == 0 ? HtmlLike(pieces[i], static_cast<std::uint32_t>(i))
                                  : RandomBytes(pieces[i], static_cast<std::uint32_t>(i));
    data.insert(data.end(), piece.begin(), piece.end());
  }
  for (LzxLevel level : kAllLevels) ExpectRoundTrip(data, level);
}

TEST(LzxRoundTrip, ManyFramesOfHtmlDecodeAndShrink) {
  const auto data = HtmlLike(1 << 20, 42);
  for (LzxLevel level : kAllLevels) {
    const chm::LzxResult r = ExpectRoundTrip(data, level);
    if (level != LzxLevel::kStore) {
      EXPECT_LT(r.bytes.size(), data.size() * 35 / 100) << LevelName(level);
    }
  }
}

}  // namespace

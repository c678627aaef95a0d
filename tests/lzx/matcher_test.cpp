// The match finder's limits: reach, frame ends and repeated offsets.
#include <gtest/gtest.h>

#include "lzx/encoder.h"
#include "lzx/lazy.h"
#include "lzx/matcher.h"
#include "lzx/optimal.h"
#include "tests/support/lzx_support.h"

namespace {

TEST(LzxMatcher, FindsAMatchAtTheLargestAllowedDistance) {
  auto data = chm_test::RandomBytes(chm::kLzxResetInterval, 4);
  data[65533] = data[0];
  data[65534] = data[1];
  data[65535] = data[2];
  chm::LzxHashChains chains;
  chains.Reset(data.data(), data.size());
  chains.InsertUpTo(65533);
  std::uint32_t distance = 0;
  EXPECT_EQ(chains.Longest(65533, 3, 1 << 16, 257, &distance), 3u);
  EXPECT_EQ(distance, chm::kLzxMaxDistance);
}

// Replays the parse, checking every match against the data and the rules of the stream.
void ExpectValidParse(const std::vector<std::uint8_t>& data,
                      const std::vector<chm::LzxItem>& items) {
  chm::LzxRepeats reps;
  std::size_t pos = 0;
  for (const chm::LzxItem& item : items) {
    if (item.length == 0) {
      ASSERT_EQ(item.value, data[pos]) << "literal at " << pos;
      ++pos;
      continue;
    }
    const std::uint32_t dist = item.value < 3 ? reps.r[item.value] : item.value - 2u;
    ASSERT_GE(item.length, 2);
    ASSERT_LE(item.length, 257);
    ASSERT_LE(dist, pos) << "match before the reset at " << pos;
    ASSERT_LE(dist, chm::kLzxMaxDistance);
    ASSERT_EQ(pos / chm::kLzxFrameSize, (pos + item.length - 1) / chm::kLzxFrameSize)
        << "match across the frame end at " << pos;
    for (std::size_t i = 0; i < item.length; ++i) {
      ASSERT_EQ(data[pos + i], data[pos + i - dist])
          << "wrong match at " << pos << " length " << item.length << " value " << item.value
          << " byte " << i;
    }
    chm::UpdateRepeats(item, &reps);
    pos += item.length;
  }
  EXPECT_EQ(pos, data.size());
}

TEST(LzxMatcher, LazyParseCoversTheDataWithValidMatchesOnly) {
  std::vector<std::vector<std::uint8_t>> inputs;
  inputs.push_back(chm_test::HtmlLike(chm::kLzxResetInterval, 2));
  inputs.emplace_back(chm::kLzxResetInterval, 'z');  // runs straight into the frame end
  inputs.push_back(chm_test::HtmlLike(chm::kLzxFrameSize, 3));
  chm::LzxHashChains chains;
  std::vector<chm::LzxItem> items;
  for (const auto& data : inputs) {
    chm::ParseLazy(data.data(), data.size(), {32, 64, 32}, &chains, &items);
    ExpectValidParse(data, items);
  }
}

std::vector<std::uint8_t> RandomRuns(std::size_t size) {
  std::vector<std::uint8_t> runs;
  const auto noise = chm_test::RandomBytes(4000, 3);
  for (std::size_t i = 0; runs.size() < size; ++i) {
    runs.insert(runs.end(), 1 + noise[i % noise.size()] % 300, noise[(i * 7 + 1) % noise.size()]);
  }
  runs.resize(size);
  return runs;
}

TEST(LzxMatcher, OptimalParseCoversTheDataWithValidMatchesOnly) {
  std::vector<std::vector<std::uint8_t>> inputs;
  inputs.push_back(chm_test::HtmlLike(chm::kLzxResetInterval, 2));
  inputs.emplace_back(chm::kLzxResetInterval, 'z');
  inputs.push_back(RandomRuns(chm::kLzxResetInterval));
  inputs.push_back(chm_test::HtmlLike(chm::kLzxFrameSize + 7, 3));
  for (const chm::LzxOptimalParams& params :
       {chm::LzxOptimalParams{24, 48, 1}, chm::LzxOptimalParams{128, 128, 3}}) {
    chm::LzxOptimalParser parser(params);
    std::vector<chm::LzxItem> items;
    for (const auto& data : inputs) {
      parser.Parse(data.data(), data.size(), &items);
      ExpectValidParse(data, items);
    }
  }
}

// One parser over successive intervals, as the encoder uses it: a long interval before a short
// one leaves chain entries that point past the short one's end, and shortened matches leave
// the position after them in the chains before it is searched.
TEST(LzxMatcher, LazyChainParseCoversEveryIntervalWithValidMatchesOnly) {
  std::vector<std::vector<std::uint8_t>> inputs;
  inputs.push_back(chm_test::HtmlLike(chm::kLzxResetInterval, 2));
  inputs.push_back(chm_test::HtmlLike(chm::kLzxFrameSize + 7, 3));
  inputs.emplace_back(chm::kLzxResetInterval, 'z');
  inputs.push_back(RandomRuns(chm::kLzxResetInterval));
  inputs.push_back(chm_test::RandomBytes(chm::kLzxFrameSize, 5));
  inputs.push_back(chm_test::HtmlLike(chm::kLzxResetInterval, 2));
  chm::LzxLazyParser parser({{16, 16, 8, 2}, 257, 257});
  std::vector<chm::LzxItem> items;
  for (const auto& data : inputs) {
    parser.Parse(data.data(), data.size(), &items);
    ExpectValidParse(data, items);
  }
}

TEST(LzxMatcher, RepeatedOffsetSlotsFollowTheDecoderSwaps) {
  chm::LzxRepeats reps;
  chm::UpdateRepeats({5, 10 + 2}, &reps);  // explicit distance 10
  chm::UpdateRepeats({5, 20 + 2}, &reps);  // explicit distance 20
  chm::UpdateRepeats({5, 30 + 2}, &reps);  // R = 30, 20, 10
  chm::UpdateRepeats({3, 2}, &reps);       // R2 swaps with R0
  EXPECT_EQ(reps.r[0], 10u);
  EXPECT_EQ(reps.r[1], 20u);
  EXPECT_EQ(reps.r[2], 30u);
  chm::UpdateRepeats({3, 1}, &reps);
  EXPECT_EQ(reps.r[0], 20u);
  EXPECT_EQ(reps.r[1], 10u);
  chm::UpdateRepeats({0, 200}, &reps);  // literals leave them alone
  EXPECT_EQ(reps.r[0], 20u);
}

}  // namespace

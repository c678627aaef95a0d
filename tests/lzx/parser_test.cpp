// The match finders' and parsers' limits: reach, frame ends and repeated offsets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "lzx/binary_trees.h"
#include "lzx/format.h"
#include "lzx/optimal_parser.h"
#include "tests/support/lzx_support.h"

namespace {

// The match finder reaches a match exactly at the largest distance, which a frame end cuts to
// three bytes there. (Bytes between that recur throughout, as in a page, so that they cannot
// take the three-byte table's slot.)
TEST(LzxMatcher, FindsAMatchAtTheLargestAllowedDistance) {
  std::vector<std::uint8_t> data(chm::kLzxResetInterval, ' ');
  const std::size_t at = chm::kLzxMaxDistance;
  data[0] = '<';
  data[1] = 'p';
  data[2] = '>';
  for (std::size_t i = 0; at + i < data.size(); ++i) data[at + i] = data[i];
  const std::size_t max_len = chm::MaxMatchAt(at, data.size());
  ASSERT_EQ(max_len, 3u);

  chm::LzxBinaryTrees trees;
  trees.Reset(data.data(), data.size());
  chm::LzxMatch matches[chm::LzxBinaryTrees::kMaxMatchesPerPosition];
  std::size_t count = 0;
  for (std::size_t p = 0; p <= at; ++p) {
    count = trees.Advance(p, chm::MaxMatchAt(p, data.size()), 1 << 16, matches);
  }
  ASSERT_GT(count, 0u);
  EXPECT_EQ(matches[count - 1].length, 3u);
  EXPECT_EQ(matches[count - 1].distance, chm::kLzxMaxDistance);
}

// Trees that sort positions on fewer bytes than a match can have still report the match to
// its end, or to the end the caller allows.
TEST(LzxMatcher, ReportsAMatchWholePastTheSortedBytes) {
  auto data = chm_test::RandomBytes(3000, 5);
  std::copy(data.begin(), data.begin() + 1000, data.begin() + 1000);
  const struct {
    std::size_t sort_len, pos, max_len, length;
  } cases[] = {{257, 1000, 257, 257}, {16, 1000, 257, 257}, {16, 1000, 40, 40},
               {3, 1000, 3, 3},       {3, 1900, 257, 100},  {128, 1900, 257, 100}};
  for (const auto& c : cases) {
    chm::LzxBinaryTrees trees;
    trees.Reset(data.data(), data.size(), c.sort_len);
    chm::LzxMatch matches[chm::LzxBinaryTrees::kMaxMatchesPerPosition];
    for (std::size_t p = 0; p < c.pos; ++p) trees.Advance(p, 257, 64, matches);
    const std::size_t count = trees.Advance(c.pos, c.max_len, 64, matches);
    ASSERT_GT(count, 0u) << "sort_len " << c.sort_len << " at " << c.pos;
    EXPECT_EQ(matches[count - 1].length, c.length) << "sort_len " << c.sort_len << " at " << c.pos;
    EXPECT_EQ(matches[count - 1].distance, 1000u);
  }
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
  // Records that differ in one byte, or two: a match, the changed literals and a repeat of the
  // match's offset, a step the parser takes as one.
  for (int changed : {1, 2}) {
    std::vector<std::uint8_t> records;
    for (int i = 0; records.size() < chm::kLzxResetInterval; ++i) {
      const std::string r = "<tr><td class=\"row\">item " + std::string(1, 'a' + i % 26) +
                            std::string(changed - 1, '0' + i % 10) + " of the list</td><td>" +
                            std::string(1, 'A' + i % 7) + "</td></tr>\n";
      records.insert(records.end(), r.begin(), r.end());
    }
    records.resize(chm::kLzxResetInterval);
    inputs.push_back(records);
  }
  for (const chm::LzxOptimalParams& params :
       {chm::LzxOptimalParams{16, 128, 1, 4, 1}, chm::LzxOptimalParams{8, 16, 2, 3, 2},
        chm::LzxOptimalParams{128, 257, 1, 1, 2}}) {
    chm::LzxOptimalParser parser(params);
    std::vector<chm::LzxItem> items;
    for (const auto& data : inputs) {
      parser.Parse(data.data(), data.size(), &items);
      ExpectValidParse(data, items);
      // Again, the first and second halves of the items priced apart.
      parser.Reparse(data.data(), data.size(), {0, items.size() / 2, items.size()}, &items);
      ExpectValidParse(data, items);
    }
  }
}

// A two-byte match near by is cheaper than its two literals, as in double-byte text where a
// character recurs a few characters on; the trees only find matches of three bytes or more.
TEST(LzxMatcher, OptimalParseTakesNearTwoByteMatches) {
  auto data = chm_test::RandomBytes(chm::kLzxResetInterval, 6);
  const auto noise = chm_test::RandomBytes(4096, 7);
  std::size_t planted = 0;
  for (std::size_t pos = 64, i = 0; pos + 2 < data.size(); pos += 24, ++i) {
    const std::size_t distance = 4 + noise[i % noise.size()] % 13;
    data[pos] = data[pos - distance];
    data[pos + 1] = data[pos + 1 - distance];
    ++planted;
  }
  chm::LzxOptimalParser parser({16, 128, 1, 4, 1});
  std::vector<chm::LzxItem> items;
  parser.Parse(data.data(), data.size(), &items);
  ExpectValidParse(data, items);
  const auto pairs = std::count_if(items.begin(), items.end(), [](const chm::LzxItem& item) {
    return item.length == 2 && item.value >= 3;
  });
  EXPECT_GT(static_cast<std::size_t>(pairs), planted / 2) << "of " << planted;
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

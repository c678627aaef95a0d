// Blocks: what PlanBlock prices is what WriteBlock writes, whatever the block type and the trees
// before it, and the interval is cut where its statistics change.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "lzx/bit_writer.h"
#include "lzx/block.h"
#include "lzx/block_split.h"
#include "lzx/optimal_parser.h"
#include "tests/support/lzx_support.h"

namespace {

std::vector<chm::LzxItem> Parse(const std::vector<std::uint8_t>& data) {
  chm::LzxOptimalParser parser(
      {/*depth=*/16, /*nice_len=*/128, /*passes=*/1, /*inside_step=*/4, /*repeat_literals=*/1});
  std::vector<chm::LzxItem> items;
  parser.Parse(data.data(), data.size(), &items);
  return items;
}

std::size_t OutputBytes(const std::vector<chm::LzxItem>& items, std::size_t end) {
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < end; ++i) bytes += items[i].length == 0 ? 1 : items[i].length;
  return bytes;
}

TEST(LzxBlock, PlannedBitsAreTheBitsWritten) {
  // Under one frame, so that no frame end pads the stream inside a block. Each input is cut in
  // three blocks, the later ones sending their trees against the earlier ones'.
  const struct {
    const char* name;
    std::vector<std::uint8_t> data;
    chm::LzxBlockType expected_type;
  } cases[] = {
      {"html", chm_test::HtmlLike(30000, 1), chm::kLzxVerbatim},
      {"alphabets", chm_test::ShiftingAlphabets(30000, 9000, 2), chm::kLzxVerbatim},
      {"records", chm_test::Records(30000, 3), chm::kLzxAligned},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<chm::LzxItem> items = Parse(c.data);
    const std::size_t cuts[] = {0, items.size() / 3, items.size() / 2, items.size()};
    std::vector<std::uint8_t> out;
    std::vector<std::uint64_t> offsets;
    chm::LzxBitWriter bits(&out);
    chm::LzxTreeState trees;
    chm::LzxRepeats reps;
    std::size_t pos = 0;
    auto plan = std::make_unique<chm::LzxBlockPlan>();
    for (int b = 0; b < 3; ++b) {
      chm::PlanBlock(items, cuts[b], cuts[b + 1], trees, /*uncompressed_ok=*/false, plan.get());
      EXPECT_EQ(plan->type, c.expected_type) << "block " << b;
      EXPECT_EQ(plan->bytes, OutputBytes(items, cuts[b + 1]) - pos);
      const std::uint64_t before = bits.BitCount();
      chm::WriteBlock(*plan, items, c.data.data(), &pos, &bits, &trees, &reps,
                      {&offsets, c.data.size()});
      EXPECT_EQ(bits.BitCount() - before, plan->bits) << "block " << b;
      EXPECT_LT(plan->header_bits, plan->bits);
    }
  }
}

// Items drawn from stationary sources that change every `stretch` output bytes: literals of
// one of two disjoint 16-letter alphabets in turn, and a match of 3..40 bytes with a random
// offset in every fifth item.
std::vector<chm::LzxItem> Items(std::size_t size, std::size_t stretch, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<chm::LzxItem> items;
  std::size_t bytes = 0;
  while (bytes < size) {
    if (rng() % 5 == 0) {
      const auto length = static_cast<std::uint16_t>(3 + rng() % 38);
      items.push_back({length, static_cast<std::uint16_t>(3 + rng() % 60000)});
      bytes += length;
    } else {
      const unsigned base = bytes / stretch % 2 == 0 ? 'a' : 'A';
      items.push_back({0, static_cast<std::uint16_t>(base + rng() % 16)});
      ++bytes;
    }
  }
  return items;
}

TEST(LzxBlockSplit, CutsWhereTheStatisticsChangeAndNowhereElse) {
  for (std::size_t stretch : {65536, 32768, 20000, 12000}) {
    SCOPED_TRACE("stretch " + std::to_string(stretch));
    const std::vector<chm::LzxItem> items = Items(65536, stretch, 7);
    const std::vector<std::size_t> starts = chm::SplitIntoBlocks(items);
    ASSERT_EQ(starts.size(), (65536 + stretch - 1) / stretch);
    EXPECT_EQ(starts[0], 0u);
    for (std::size_t b = 1; b < starts.size(); ++b) {
      // Granules are 4 KiB: the cut falls on the granule holding the change.
      EXPECT_NEAR(static_cast<double>(OutputBytes(items, starts[b])),
                  static_cast<double>(b * stretch), 4096.0);
    }
  }
}

}  // namespace

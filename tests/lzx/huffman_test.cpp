// Length-limited canonical codes (both decoders reject tables that are not complete), and the
// code lengths sent as pretree-coded deltas.
#include <gtest/gtest.h>

#include <random>

#include "lzx/code_lengths.h"
#include "lzx/huffman.h"
#include "lzx/trees.h"

namespace {

// Kraft sum scaled by 2^16; a complete code sums to exactly 65536.
std::uint32_t KraftSum(const std::uint8_t* lengths, int count) {
  std::uint32_t sum = 0;
  for (int s = 0; s < count; ++s) {
    if (lengths[s] != 0) sum += 1u << (16 - lengths[s]);
  }
  return sum;
}

void ExpectCompleteWithin(const std::vector<std::uint32_t>& freqs, int max_length) {
  std::vector<std::uint8_t> lengths(freqs.size());
  chm::BuildCodeLengths(freqs.data(), static_cast<int>(freqs.size()), max_length, lengths.data());
  EXPECT_EQ(KraftSum(lengths.data(), static_cast<int>(freqs.size())), 65536u);
  for (std::size_t s = 0; s < freqs.size(); ++s) {
    EXPECT_LE(lengths[s], max_length);
    EXPECT_EQ(lengths[s] != 0, freqs[s] != 0) << "symbol " << s;
  }
}

TEST(LzxHuffman, SkewedFrequenciesStayCompleteUnderEachLimit) {
  // Fibonacci counts give the deepest possible tree, far past every limit.
  std::vector<std::uint32_t> fib(40);
  fib[0] = fib[1] = 1;
  for (std::size_t i = 2; i < fib.size(); ++i) fib[i] = fib[i - 1] + fib[i - 2];
  std::vector<std::uint32_t> main(512, 0);
  for (std::size_t i = 0; i < fib.size(); ++i) main[i * 11] = fib[i];
  ExpectCompleteWithin(main, 16);
  ExpectCompleteWithin(std::vector<std::uint32_t>(fib.begin(), fib.begin() + 20), 15);
  ExpectCompleteWithin(std::vector<std::uint32_t>(fib.begin(), fib.begin() + 8), 7);
  std::mt19937 rng(1);
  for (int round = 0; round < 200; ++round) {
    std::vector<std::uint32_t> freqs(249);
    for (auto& f : freqs) f = rng() % 3 == 0 ? 0 : 1u << (rng() % 20);
    ExpectCompleteWithin(freqs, 16);
  }
}

TEST(LzxHuffman, OneUsedSymbolGetsAPartnerSoTheCodeIsComplete) {
  for (int used : {0, 1, 7}) {
    std::vector<std::uint32_t> freqs(8, 0);
    freqs[used] = 5;
    std::uint8_t lengths[8];
    chm::BuildCodeLengths(freqs.data(), 8, 7, lengths);
    EXPECT_EQ(lengths[used], 1);
    EXPECT_EQ(KraftSum(lengths, 8), 65536u);
  }
}

TEST(LzxHuffman, UnusedTreeIsEmptyOnlyWhenAllowed) {
  const std::vector<std::uint32_t> none(249, 0);
  std::uint8_t lengths[249];
  chm::BuildCodeLengths(none.data(), 249, 16, lengths, /*allow_empty=*/true);
  EXPECT_EQ(KraftSum(lengths, 249), 0u);
  chm::BuildCodeLengths(none.data(), 249, 16, lengths, /*allow_empty=*/false);
  EXPECT_EQ(KraftSum(lengths, 249), 65536u);
}

TEST(LzxHuffman, CanonicalCodesArePrefixFreeAndOrderedBySymbol) {
  const std::uint8_t lengths[] = {3, 3, 3, 3, 3, 2, 4, 4};
  std::uint16_t codes[8];
  chm::BuildCanonicalCodes(lengths, 8, codes);
  const std::uint16_t expected[] = {2, 3, 4, 5, 6, 0, 14, 15};
  for (int s = 0; s < 8; ++s) EXPECT_EQ(codes[s], expected[s]) << "symbol " << s;
}

// Expands a length list as a decoder does: symbols 0..16 are deltas (old - new) mod 17, 17 and
// 18 runs of zeros, 19 a run of 4 or 5 symbols that all take the new length of the first; the
// runs' extra bits are 4, 5 and 1 wide.
std::vector<std::uint8_t> Expand(const chm::LzxLengthList& list, std::vector<std::uint8_t> old) {
  std::size_t i = 0;
  for (std::size_t k = 0; k < list.ops.size(); ++k) {
    const auto& op = list.ops[k];
    EXPECT_NE(list.pretree_lengths[op.symbol], 0) << "symbol " << int(op.symbol) << " has no code";
    const unsigned width = op.symbol == 17 ? 4 : op.symbol == 18 ? 5 : op.symbol == 19 ? 1 : 0;
    EXPECT_LT(op.extra, 1u << width) << "symbol " << int(op.symbol);
    if (op.symbol == 17 || op.symbol == 18) {
      const std::size_t run = (op.symbol == 17 ? 4u : 20u) + op.extra;
      for (std::size_t r = 0; r < run && i < old.size(); ++r) old[i++] = 0;
    } else if (op.symbol == 19) {
      const std::size_t run = 4u + op.extra;
      const auto value = static_cast<std::uint8_t>((old[i] + 17 - list.ops[++k].symbol) % 17);
      for (std::size_t r = 0; r < run && i < old.size(); ++r) old[i++] = value;
    } else {
      old[i] = static_cast<std::uint8_t>((old[i] + 17 - op.symbol) % 17);
      ++i;
    }
  }
  EXPECT_EQ(i, old.size()) << "the list covers another number of symbols";
  return old;
}

TEST(LzxLengthList, EveryRunShapeExpandsToTheNewLengths) {
  // Runs of zeros and of equal lengths around each op's limits (3..6, 19..21, 51..53, 60),
  // against old lengths of zero, equal to the new ones and unrelated to them.
  std::mt19937 rng(5);
  for (int round = 0; round < 300; ++round) {
    const int count = round % 3 == 0 ? 249 : 256;
    std::vector<std::uint8_t> fresh;
    const int runs[] = {1, 2, 3, 4, 5, 6, 7, 9, 19, 20, 21, 51, 52, 53, 60};
    while (fresh.size() < static_cast<std::size_t>(count)) {
      const int run = runs[rng() % 15];
      const auto value = static_cast<std::uint8_t>(rng() % 2 == 0 ? 0 : 1 + rng() % 16);
      fresh.insert(fresh.end(), static_cast<std::size_t>(run), value);
    }
    fresh.resize(static_cast<std::size_t>(count));
    std::vector<std::uint8_t> old(fresh.size(), 0);
    if (round % 3 == 1) old = fresh;
    if (round % 3 == 2) {
      for (auto& o : old) o = static_cast<std::uint8_t>(rng() % 17);
    }
    chm::LzxLengthList list;
    chm::PrepareLengthList(old.data(), fresh.data(), count, &list);
    EXPECT_TRUE(Expand(list, old) == fresh) << "round " << round;
    if (::testing::Test::HasFailure()) return;
  }
}

// Plain Huffman lengths, their lists and the coded symbols: the price ChooseCodeLengths must
// not exceed.
std::uint64_t HuffmanPrice(const std::vector<std::uint32_t>& counts, int split) {
  const int n = static_cast<int>(counts.size());
  std::vector<std::uint8_t> lengths(counts.size()), old(counts.size(), 0);
  chm::BuildCodeLengths(counts.data(), n, 16, lengths.data());
  std::uint64_t bits = 0;
  for (int s = 0; s < n; ++s) bits += std::uint64_t{counts[s]} * lengths[s];
  chm::LzxLengthList list;
  chm::PrepareLengthList(old.data(), lengths.data(), split, &list);
  bits += list.bits;
  if (split < n) {
    chm::PrepareLengthList(old.data() + split, lengths.data() + split, n - split, &list);
    bits += list.bits;
  }
  return bits;
}

TEST(LzxCodeLengths, EvenedOutCountsPayWhereTheirRunsSaveMoreThanTheCodesCost) {
  std::mt19937 rng(9);
  // Main-tree counts: 160 symbols whose counts differ by a few, to which plain Huffman gives
  // lengths 7 and 8 in no order; then counts with nothing to even out; then skewed ones.
  std::vector<std::uint32_t> letters(512, 0);
  for (int s = 40; s < 200; ++s) letters[s] = 100 + rng() % 3;
  std::vector<std::uint32_t> spread(512, 0);
  for (int s = 0; s < 512; s += 3) spread[s] = 1u << (s % 13);
  std::vector<std::uint32_t> skewed(249);
  for (auto& c : skewed) c = rng() % 4 == 0 ? 0 : 1 + (rng() % 1000) * (rng() % 1000) / 997;
  const struct {
    const char* name;
    const std::vector<std::uint32_t>& counts;
    int split;
    bool cheaper;  // must come out strictly cheaper than plain Huffman
  } cases[] = {{"letters", letters, 256, true},
               {"spread", spread, 256, false},
               {"skewed", skewed, 249, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int n = static_cast<int>(c.counts.size());
    std::vector<std::uint8_t> lengths(c.counts.size()), old(c.counts.size(), 0);
    chm::LzxLengthList lists[2];
    const std::uint64_t bits = chm::ChooseCodeLengths(c.counts.data(), n, false, old.data(),
                                                      c.split, lengths.data(), lists);
    EXPECT_EQ(KraftSum(lengths.data(), n), 65536u);
    for (int s = 0; s < n; ++s) {
      EXPECT_LE(lengths[s], 16);
      if (c.counts[s] != 0) {
        EXPECT_NE(lengths[s], 0) << "symbol " << s;
      }
    }
    std::uint64_t priced = lists[0].bits + (c.split < n ? lists[1].bits : 0);
    for (int s = 0; s < n; ++s) priced += std::uint64_t{c.counts[s]} * lengths[s];
    EXPECT_EQ(bits, priced);
    const std::uint64_t huffman = HuffmanPrice(c.counts, c.split);
    EXPECT_LE(bits + (c.cheaper ? 1 : 0), huffman);
  }
}

}  // namespace

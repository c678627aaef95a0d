#include "lzx/optimal_parser.h"

#include <algorithm>
#include <cmath>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define CHM_RELAX_AVX2 1
#endif

#include "lzx/block.h"

namespace chm {
namespace {

// Prices count sixteenths of a bit, so that symbols of nearly equal frequency are told apart.
constexpr std::uint32_t kPriceScale = 16;
constexpr std::size_t kPairsHighShare = 16;  // see WeighPairs
// Positions at the end of a match taken whole that always go into the tree.
constexpr std::size_t kInsertedTail = 16;
// A symbol the previous parse did not use still gets a finite, unattractive price.
constexpr double kUnusedMainBits = 12;
constexpr double kUnusedLengthBits = 10;

// A position's cheapest known way in, packed so that one unsigned comparison picks the cheaper:
// the price in the top 32 bits, then the last step's length (9 bits) and value (16 bits), and
// low bits that mark a match-literal-repeat step, whose opening match is kept aside, and one
// with two literals.
constexpr std::uint64_t kMatchLiteralRepeat = 1;
constexpr std::uint64_t kTwoLiterals = 2;
// A position no step has reached yet: dearer than any, signed or not.
constexpr std::uint64_t kUnreached = ~std::uint64_t{0} >> 1;
inline std::uint64_t PackCell(std::uint32_t price, std::size_t length, std::uint16_t value) {
  return static_cast<std::uint64_t>(price) << 32 | static_cast<std::uint64_t>(length) << 23 |
         static_cast<std::uint64_t>(value) << 7;
}
inline std::uint32_t CellPrice(std::uint64_t cell) {
  return static_cast<std::uint32_t>(cell >> 32);
}
inline std::size_t CellLength(std::uint64_t cell) { return (cell >> 23) & 0x1FF; }
inline std::uint16_t CellValue(std::uint64_t cell) { return static_cast<std::uint16_t>(cell >> 7); }

// Before any parse of an interval: literals of about 6 bits, matches of about 9 bits, their
// footers, and a length symbol of about 5 bits past 8 bytes.
constexpr int kGuessLiteralBits = 6;
constexpr int kGuessMatchBits = 9;
constexpr int kGuessLengthBits = 5;

int GuessedSaving(std::size_t length, int slot) {
  return kGuessLiteralBits * static_cast<int>(length) - kGuessMatchBits - FooterBits(slot) -
         (HasLengthSymbol(length) ? kGuessLengthBits : 0);
}

// Whether the two bytes after the literal at `literal` repeat at `distance`: the cheap test
// before a match-literal-repeat step is weighed.
inline bool RepeatsAfter(const std::uint8_t* data, std::size_t size, std::size_t literal,
                         std::uint32_t distance) {
  return literal + 1 + kLzxMinMatch <= size && data[literal + 1] == data[literal + 1 - distance] &&
         data[literal + 2] == data[literal + 2 - distance];
}

// Each symbol's information content under the counts, between 1 and 16 bits as a code length.
void EntropyPrices(const std::uint32_t* counts, int n, double unused_bits, std::uint32_t* out) {
  double total = 0;
  for (int s = 0; s < n; ++s) total += counts[s];
  for (int s = 0; s < n; ++s) {
    const double bits = counts[s] == 0 ? unused_bits : std::log2(total / counts[s]);
    out[s] = static_cast<std::uint32_t>(std::clamp(bits, 1.0, 16.0) * kPriceScale + 0.5);
  }
}

// R0..R2 of a position packed 16 bits each (distances stay below 65536), so that the parse
// keeps 8 bytes per position for them and moves them in one load and store.
constexpr std::uint64_t kInitialRepeats = 1 | 1 << 16 | std::uint64_t{1} << 32;
inline LzxRepeats Unpack(std::uint64_t packed) {
  LzxRepeats r;
  r.r[0] = packed & 0xFFFF;
  r.r[1] = (packed >> 16) & 0xFFFF;
  r.r[2] = (packed >> 32) & 0xFFFF;
  return r;
}
// After a match with main-tree value `value` (0..2 a repeated offset, else distance + 2).
inline std::uint64_t PackedAfter(std::uint64_t packed, std::uint16_t value) {
  if (value == 0) return packed;
  if (value < 3) {
    const int shift = 16 * value;
    const std::uint64_t other = (packed >> shift) & 0xFFFF;
    return (packed & ~(std::uint64_t{0xFFFF} << shift) & ~std::uint64_t{0xFFFF}) |
           (packed & 0xFFFF) << shift | other;
  }
  return (packed << 16 & 0xFFFFFFFF0000) | (value - 2u);
}

// Lowers to[l] to add + row[l] where that is cheaper, for l in [first, last]: the inner loop of
// the parse, four cells at a time where the processor has AVX2. Cells compare the same signed
// and unsigned, since no price reaches 2^31.
void RelaxScalar(std::uint64_t* to, const std::uint64_t* row, std::uint64_t add, std::size_t first,
                 std::size_t last) {
  for (std::size_t l = first; l <= last; ++l) to[l] = std::min(to[l], add + row[l]);
}
#ifdef CHM_RELAX_AVX2
__attribute__((target("avx2"))) void RelaxAvx2(std::uint64_t* to, const std::uint64_t* row,
                                               std::uint64_t add, std::size_t first,
                                               std::size_t last) {
  const __m256i a = _mm256_set1_epi64x(static_cast<long long>(add));
  std::size_t l = first;
  for (; l + 3 <= last; l += 4) {
    const __m256i offer =
        _mm256_add_epi64(a, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + l)));
    const __m256i now = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(to + l));
    const __m256i cheaper = _mm256_cmpgt_epi64(now, offer);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + l),
                        _mm256_blendv_epi8(now, offer, cheaper));
  }
  RelaxScalar(to, row, add, l, last);
}
const bool kHasAvx2 = __builtin_cpu_supports("avx2");
#endif
inline void Relax(std::uint64_t* to, const std::uint64_t* row, std::uint64_t add, std::size_t first,
                  std::size_t last) {
#ifdef CHM_RELAX_AVX2
  if (kHasAvx2 && last >= first + 3) return RelaxAvx2(to, row, add, first, last);
#endif
  RelaxScalar(to, row, add, first, last);
}

// Whether two-byte matches are worth looking for: in text of a double-byte code page (0.3 %
// smaller), or in UTF-8 text of such a language (0.15 %), where a character recurs a few
// characters on. In Latin pages nearly every near pair of bytes goes on into a longer match,
// and weighing the pairs cost 7 to 15 % more time for 0.04 % less output. An interval with one
// byte in kPairsHighShare above 0x7F or more counts as the former.
bool WeighPairs(const std::uint8_t* data, std::size_t size) {
  std::size_t high = 0;
  for (std::size_t i = 0; i < size; ++i) high += data[i] >> 7;
  return high * kPairsHighShare >= size;
}

}  // namespace

LzxOptimalParser::LzxOptimalParser(const LzxOptimalParams& params) : params_(params) {}

void LzxOptimalParser::FindMatches(const std::uint8_t* data, std::size_t size) {
  // Matches are taken whole from nice_len on, so the trees need not sort further.
  trees_.Reset(data, size, params_.nice_len, WeighPairs(data, size) ? params_.pair_distance : 0);
  first_.assign(size + 1, 0);
  skip_.assign(size + 1, 0);
  std::size_t count = 0;
  std::size_t pos = 0;
  while (pos < size) {
    first_[pos] = static_cast<std::uint32_t>(count);
    if (matches_.size() < count + LzxBinaryTrees::kMaxMatchesPerPosition) {
      matches_.resize(2 * (count + LzxBinaryTrees::kMaxMatchesPerPosition));
    }
    const std::size_t found =
        trees_.Advance(pos, MaxMatchAt(pos, size), params_.depth, matches_.data() + count);
    count += found;
    std::size_t next = pos + 1;
    if (found > 0 && matches_[count - 1].length >= params_.nice_len) {
      // Weighing every byte inside a long match buys nothing; take it whole. Its bytes are
      // in the tree already at the match's source, so only every few of its positions go in,
      // and the last ones, where later matches most often start.
      next = pos + matches_[count - 1].length;
      for (std::size_t p = pos + 1; p < next; ++p) {
        first_[p] = static_cast<std::uint32_t>(count);
        skip_[p] = 1;
        if ((p - pos) % params_.inside_step == 0 || p + kInsertedTail >= next) {
          trees_.Advance(p, 0, params_.depth, nullptr);
        }
      }
    }
    pos = next;
  }
  first_[size] = static_cast<std::uint32_t>(count);
}

void LzxOptimalParser::SetPrices(const LzxItem* begin, const LzxItem* end) {
  LzxHistogram hist;
  for (const LzxItem* item = begin; item != end; ++item) hist.Add(*item);
  std::uint32_t main[kLzxMainSymbols];
  std::uint32_t length[kLzxLengthSymbols];
  EntropyPrices(hist.main, kLzxMainSymbols, kUnusedMainBits, main);
  EntropyPrices(hist.length, kLzxLengthSymbols, kUnusedLengthBits, length);
  std::copy(main, main + kLzxNumChars, literal_price_);
  for (int slot = 0; slot < kLzxPositionSlots; ++slot) {
    for (std::size_t l = kLzxMinMatch; l <= kLzxMaxMatch; ++l) {
      const std::uint32_t price = main[MatchMainSymbol(slot, l)] +
                                  (HasLengthSymbol(l) ? length[LengthSymbol(l)] : 0) +
                                  static_cast<std::uint32_t>(FooterBits(slot)) * kPriceScale;
      match_price_[slot][l] = price;
      // The value of a repeated-offset match is its slot; others add theirs when relaxed.
      match_cell_[slot][l] = PackCell(price, l, static_cast<std::uint16_t>(slot < 3 ? slot : 0));
    }
  }
}

// A match of `length` bytes at `pos` with `distance` (its cell value `value`) reaching the
// match's end at `price`, then one or two literals there, then as many bytes as the same
// distance repeats after them, as one step: the path through the literals is often not the
// cheapest way to them, so the repeat would otherwise be lost.
void LzxOptimalParser::RelaxMatchLiteralRepeat(const std::uint8_t* data, std::size_t size,
                                               std::size_t pos, std::uint32_t price,
                                               std::size_t length, std::uint16_t value,
                                               std::uint32_t distance, int literals) {
  const std::size_t literal = pos + length;
  if (literal + literals + kLzxMinMatch > size) return;
  const std::size_t repeat = literal + literals;
  const std::size_t len =
      MatchLength(data + repeat - distance, data + repeat, MaxMatchAt(repeat, size));
  if (len < static_cast<std::size_t>(kLzxMinMatch)) return;
  std::uint32_t through = price + literal_price_[data[literal]];
  if (literals == 2) through += literal_price_[data[literal + 1]];
  const std::uint64_t flags = kMatchLiteralRepeat | (literals == 2 ? kTwoLiterals : 0);
  const std::uint64_t cell = PackCell(through + match_price_[0][len], len, 0) | flags;
  if (cell < cell_[repeat + len]) {
    cell_[repeat + len] = cell;
    first_match_[repeat + len] = {static_cast<std::uint16_t>(length), value};
  }
}

// Parsing algorithm: forward over the positions, each one's cheapest way in known when it is
// reached; from it a literal, the repeated offsets at every length they reach, and each match
// of the finder at the lengths no nearer match covers, lower the price of the positions they
// reach. R0..R2 follow the cheapest way into each position. With `blocks`, each block of an
// earlier parse prices the positions it covered by its own statistics.
void LzxOptimalParser::FindCheapestPath(const std::uint8_t* data, std::size_t size,
                                        std::vector<LzxItem>* items, const BlockPrices* blocks) {
  std::size_t next_block = 0, block_start = 0;
  cell_.assign(size + 1, kUnreached);
  first_match_.resize(size + 1);
  reps_.resize(size + 1);
  cell_[0] = 0;
  reps_[0] = kInitialRepeats;

  for (std::size_t pos = 0; pos < size; ++pos) {
    // A step is priced by the trees of the block it starts in.
    if (blocks != nullptr && next_block + 1 < blocks->cuts.size() && pos >= block_start) {
      const LzxItem* first = blocks->items.data() + blocks->cuts[next_block];
      const LzxItem* last = blocks->items.data() + blocks->cuts[next_block + 1];
      SetPrices(first, last);
      for (const LzxItem* i = first; i != last; ++i) block_start += i->length == 0 ? 1 : i->length;
      ++next_block;
    }
    if (skip_[pos]) continue;
    const std::uint64_t here = cell_[pos];
    const std::size_t step_length = CellLength(here);
    if (pos > 0) {
      if ((here & kMatchLiteralRepeat) != 0) {
        const LzxItem& opening = first_match_[pos];
        reps_[pos] = PackedAfter(
            reps_[pos - step_length - ((here & kTwoLiterals) != 0 ? 2 : 1) - opening.length],
            opening.value);
      } else if (step_length == 0) {
        reps_[pos] = reps_[pos - 1];
      } else {
        reps_[pos] = PackedAfter(reps_[pos - step_length], CellValue(here));
      }
    }
    const LzxRepeats reps = Unpack(reps_[pos]);
    const std::uint32_t price = CellPrice(here);
    const std::uint64_t base = static_cast<std::uint64_t>(price) << 32;
    std::uint64_t* const to = cell_.data() + pos;

    to[1] = std::min(to[1], PackCell(price + literal_price_[data[pos]], 0, data[pos]));

    const std::size_t max_len = MaxMatchAt(pos, size);
    if (max_len < static_cast<std::size_t>(kLzxMinMatch)) continue;

    for (int k = 0; k < 3; ++k) {
      const std::uint32_t d = reps.r[k];
      if (d > pos || (k > 0 && d == reps.r[0]) || (k == 2 && d == reps.r[1])) continue;
      const std::size_t len = MatchLength(data + pos - d, data + pos, max_len);
      if (len < static_cast<std::size_t>(kLzxMinMatch)) continue;
      // R0 carrying on the match that led here: that match, made longer, reached every
      // position this would, for one symbol less.
      if (k == 0 && step_length != 0 && (here & kMatchLiteralRepeat) == 0 &&
          step_length + len <= MaxMatchAt(pos - step_length, size)) {
        continue;
      }
      const std::uint64_t* row = match_cell_[k];
      Relax(to, row, base, kLzxMinMatch, len);
      if (len < max_len && RepeatsAfter(data, size, pos + len, d)) {
        RelaxMatchLiteralRepeat(data, size, pos, price + match_price_[k][len], len,
                                static_cast<std::uint16_t>(k), d, 1);
      }
      if (params_.repeat_literals == 2 && len + 1 < max_len &&
          RepeatsAfter(data, size, pos + len + 1, d)) {
        RelaxMatchLiteralRepeat(data, size, pos, price + match_price_[k][len], len,
                                static_cast<std::uint16_t>(k), d, 2);
      }
    }

    std::size_t shorter = kLzxMinMatch - 1;  // lengths up to this are priced already
    for (std::uint32_t m = first_[pos]; m < first_[pos + 1]; ++m) {
      const std::size_t len = std::min<std::size_t>(matches_[m].length, max_len);
      const std::uint32_t dist = matches_[m].distance;
      if (len <= shorter) break;
      if (dist == reps.r[0] || dist == reps.r[1] || dist == reps.r[2]) {
        shorter = len;  // already priced as a repeated offset
        continue;
      }
      const auto formatted = static_cast<std::uint16_t>(dist + 2);
      const int slot = PositionSlot(formatted);
      const std::uint64_t* row = match_cell_[slot];
      const std::uint64_t with_value = base + (static_cast<std::uint64_t>(formatted) << 7);
      Relax(to, row, with_value, shorter + 1, len);
      if (len < max_len && RepeatsAfter(data, size, pos + len, dist)) {
        RelaxMatchLiteralRepeat(data, size, pos, price + match_price_[slot][len], len, formatted,
                                dist, 1);
      }
      if (params_.repeat_literals == 2 && len + 1 < max_len &&
          RepeatsAfter(data, size, pos + len + 1, dist)) {
        RelaxMatchLiteralRepeat(data, size, pos, price + match_price_[slot][len], len, formatted,
                                dist, 2);
      }
      shorter = len;
    }
  }

  // Walk back from the end, then put the steps in order.
  items->clear();
  for (std::size_t pos = size; pos > 0;) {
    const std::uint64_t cell = cell_[pos];
    const std::size_t length = CellLength(cell);
    items->push_back({static_cast<std::uint16_t>(length), CellValue(cell)});
    if ((cell & kMatchLiteralRepeat) != 0) {
      const LzxItem opening = first_match_[pos];
      pos -= length + 1;
      items->push_back({0, data[pos]});
      if ((cell & kTwoLiterals) != 0) {
        --pos;
        items->push_back({0, data[pos]});
      }
      items->push_back(opening);
      pos -= opening.length;
    } else {
      pos -= length == 0 ? 1 : length;
    }
  }
  std::reverse(items->begin(), items->end());
}

// The match at `pos` that saves the most guessed bits against literals, or length 0.
LzxOptimalParser::Guess LzxOptimalParser::GuessAt(const std::uint8_t* data, std::size_t size,
                                                  std::size_t pos, const LzxRepeats& reps) const {
  Guess best;
  if (pos >= size || skip_[pos]) return best;
  const std::size_t max_len = MaxMatchAt(pos, size);
  if (max_len < static_cast<std::size_t>(kLzxMinMatch)) return best;
  for (int k = 0; k < 3; ++k) {
    const std::uint32_t d = reps.r[k];
    if (d > pos) continue;
    const std::size_t len = MatchLength(data + pos - d, data + pos, max_len);
    if (len < static_cast<std::size_t>(kLzxMinMatch)) continue;
    const int saving = GuessedSaving(len, k);
    if (saving > best.saving) best = {len, static_cast<std::uint16_t>(k), saving};
  }
  for (std::uint32_t m = first_[pos]; m < first_[pos + 1]; ++m) {
    const std::size_t len = std::min<std::size_t>(matches_[m].length, max_len);
    const auto formatted = static_cast<std::uint16_t>(matches_[m].distance + 2);
    const int saving = GuessedSaving(len, PositionSlot(formatted));
    if (saving > best.saving) best = {len, formatted, saving};
  }
  return best;
}

// The first pass's prices come from a lazy parse over the finder's matches under guessed
// prices: at each position the match that saves the most bits, unless the best match one byte
// later costs fewer bits per byte.
void LzxOptimalParser::GuessParse(const std::uint8_t* data, std::size_t size,
                                  std::vector<LzxItem>* items) const {
  items->clear();
  LzxRepeats reps;
  std::size_t pos = 0;
  Guess here = GuessAt(data, size, pos, reps);
  while (pos < size) {
    bool take = here.length != 0;
    // After a literal the reps are unchanged, so the guess one byte on carries over.
    bool next_known = false;
    Guess next;
    if (take) {
      next = GuessAt(data, size, pos + 1, reps);
      next_known = true;
      const std::int64_t bits_here =
          kGuessLiteralBits * static_cast<std::int64_t>(here.length) - here.saving;
      const std::int64_t bits_next =
          kGuessLiteralBits * static_cast<std::int64_t>(next.length + 1) - next.saving;
      if (next.length != 0 && bits_next * static_cast<std::int64_t>(here.length) <
                                  bits_here * static_cast<std::int64_t>(next.length + 1)) {
        take = false;
      }
    }
    if (!take) {
      items->push_back({0, data[pos]});
      ++pos;
      here = next_known ? next : GuessAt(data, size, pos, reps);
      continue;
    }
    items->push_back({static_cast<std::uint16_t>(here.length), here.value});
    UpdateRepeats(items->back(), &reps);
    pos += here.length;
    here = GuessAt(data, size, pos, reps);
  }
}

void LzxOptimalParser::Parse(const std::uint8_t* data, std::size_t size,
                             std::vector<LzxItem>* items) {
  FindMatches(data, size);
  GuessParse(data, size, items);
  for (int pass = 0; pass < params_.passes; ++pass) {
    SetPrices(items->data(), items->data() + items->size());
    FindCheapestPath(data, size, items, nullptr);
  }
}

void LzxOptimalParser::Reparse(const std::uint8_t* data, std::size_t size,
                               const std::vector<std::size_t>& cuts, std::vector<LzxItem>* items) {
  blocks_.items = *items;
  blocks_.cuts = cuts;
  FindCheapestPath(data, size, items, &blocks_);
}

}  // namespace chm

#include "lzx/optimal_parser.h"

#include <algorithm>
#include <limits>

#include "lzx/lazy_parser.h"
#include "lzx/match_length.h"

namespace chm {
namespace {

constexpr std::uint32_t kInfinite = std::numeric_limits<std::uint32_t>::max();

}  // namespace

LzxOptimalParser::LzxOptimalParser(const LzxOptimalParams& params)
    : params_(params), pricing_(kLzxNormalLazyParams) {}

void LzxOptimalParser::FindMatches(const std::uint8_t* data, std::size_t size) {
  trees_.Reset(data, size);
  first_.assign(size + 1, 0);
  skip_.assign(size + 1, 0);
  lengths_.clear();
  distances_.clear();
  std::size_t pos = 0;
  while (pos < size) {
    first_[pos] = static_cast<std::uint32_t>(lengths_.size());
    const std::size_t max_len = MaxMatchAt(pos, size);
    trees_.Advance(pos, max_len, params_.depth, &scratch_lengths_, &scratch_distances_);
    lengths_.insert(lengths_.end(), scratch_lengths_.begin(), scratch_lengths_.end());
    distances_.insert(distances_.end(), scratch_distances_.begin(), scratch_distances_.end());
    std::size_t next = pos + 1;
    if (!scratch_lengths_.empty() && scratch_lengths_.back() >= params_.nice_len) {
      // Weighing every byte inside a long match buys nothing; take it whole.
      next = pos + scratch_lengths_.back();
      for (std::size_t p = pos + 1; p < next; ++p) {
        first_[p] = static_cast<std::uint32_t>(lengths_.size());
        skip_[p] = 1;
        trees_.Advance(p, 0, params_.depth, nullptr, nullptr);
      }
    }
    pos = next;
  }
  first_[size] = static_cast<std::uint32_t>(lengths_.size());
}

void LzxOptimalParser::FindCheapestPath(const std::uint8_t* data, std::size_t size,
                                        const LzxCostModel& costs, std::vector<LzxItem>* items) {
  nodes_.resize(size + 1);
  for (std::size_t i = 1; i <= size; ++i) nodes_[i].cost = kInfinite;
  nodes_[0].cost = 0;
  nodes_[0].reps = LzxRepeats();

  // Positions inside a long match that the match finder took whole are not expanded; every
  // other position is reachable, by a literal or by the step over such a match.
  for (std::size_t pos = 0; pos < size; ++pos) {
    if (skip_[pos]) continue;
    const Node& here = nodes_[pos];
    const std::uint32_t base = here.cost;
    const LzxRepeats reps = here.reps;

    Node& next = nodes_[pos + 1];
    const std::uint32_t literal = base + costs.main[data[pos]];
    if (literal < next.cost) {
      next.cost = literal;
      next.length = 0;
      next.value = data[pos];
      next.reps = reps;
    }

    const std::size_t max_len = MaxMatchAt(pos, size);
    if (max_len < static_cast<std::size_t>(kLzxMinMatch)) continue;

    for (int k = 0; k < 3; ++k) {
      const std::uint32_t d = reps.r[k];
      if (d > pos || (k > 0 && d == reps.r[0]) || (k == 2 && d == reps.r[1])) continue;
      const std::size_t len = MatchLength(data + pos - d, data + pos, max_len);
      LzxRepeats after = reps;
      UpdateRepeats({2, static_cast<std::uint16_t>(k)}, &after);
      for (std::size_t l = kLzxMinMatch; l <= len; ++l) {
        const std::uint32_t c = base + costs.MatchSymbolBits(k, l);
        Node& to = nodes_[pos + l];
        if (c < to.cost) {
          to.cost = c;
          to.length = static_cast<std::uint16_t>(l);
          to.value = static_cast<std::uint16_t>(k);
          to.reps = after;
        }
      }
    }

    std::size_t shorter = kLzxMinMatch;
    for (std::uint32_t m = first_[pos]; m < first_[pos + 1]; ++m) {
      const std::uint32_t len = lengths_[m];
      const std::uint32_t dist = distances_[m];
      if (dist == reps.r[0] || dist == reps.r[1] || dist == reps.r[2]) {
        shorter = len;  // already priced as a repeated offset
        continue;
      }
      const auto formatted = static_cast<std::uint16_t>(dist + 2);
      const int slot = PositionSlot(formatted);
      const std::uint32_t slot_base = base + static_cast<std::uint32_t>(FooterBits(slot));
      LzxRepeats after = reps;
      UpdateRepeats({3, formatted}, &after);
      for (std::size_t l = shorter + 1; l <= len; ++l) {
        const std::uint32_t c = slot_base + costs.MatchSymbolBits(slot, l);
        Node& to = nodes_[pos + l];
        if (c < to.cost) {
          to.cost = c;
          to.length = static_cast<std::uint16_t>(l);
          to.value = formatted;
          to.reps = after;
        }
      }
      shorter = len;
    }
  }

  // Walk back from the end, then put the steps in order.
  items->clear();
  for (std::size_t pos = size; pos > 0;) {
    const Node& n = nodes_[pos];
    items->push_back({n.length, n.value});
    pos -= n.length == 0 ? 1 : n.length;
  }
  std::reverse(items->begin(), items->end());
}

void LzxOptimalParser::Parse(const std::uint8_t* data, std::size_t size,
                             std::vector<LzxItem>* items) {
  // Priced by the normal level's lazy parse of the same interval, and nothing before it.
  pricing_.Parse(data, size, items);
  costs_.FromItems(*items);
  FindMatches(data, size);
  for (int pass = 0; pass < params_.passes; ++pass) {
    FindCheapestPath(data, size, costs_, items);
    costs_.FromItems(*items);
  }
}

}  // namespace chm

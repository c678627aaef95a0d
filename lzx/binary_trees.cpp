#include "lzx/binary_trees.h"

#include <algorithm>

#include "lzx/format.h"
#include "lzx/match_length.h"

namespace chm {

LzxBinaryTrees::LzxBinaryTrees()
    : head_(std::size_t{1} << kHashBits),
      head2_(std::size_t{1} << 16),
      head3_(std::size_t{1} << kHash3Bits),
      head4_(std::size_t{1} << kHash4Bits),
      children_(2 * kLzxResetInterval) {}

void LzxBinaryTrees::Reset(const std::uint8_t* data, std::size_t size, std::size_t sort_len,
                           std::size_t pair_distance) {
  data_ = data;
  size_ = size;
  pair_distance_ = pair_distance;
  sort_len_ = std::clamp<std::size_t>(sort_len, kLzxMinMatch, kLzxMaxMatch);
  std::fill(head_.begin(), head_.end(), -1);
  if (pair_distance_ != 0) std::fill(head2_.begin(), head2_.end(), -1);
  std::fill(head3_.begin(), head3_.end(), -1);
  std::fill(head4_.begin(), head4_.end(), -1);
}

std::size_t LzxBinaryTrees::Advance(std::size_t pos, std::size_t max_len, int depth,
                                    LzxMatch* found) {
  std::size_t count = 0;
  const std::uint8_t* cur = data_ + pos;
  std::size_t best = 1;
  // The nearest earlier positions with the same two (when asked for), three and four bytes come
  // from tables of their own; the trees are keyed on five. A table's match is reported up to
  // `longest` bytes and `reach` back.
  auto nearest = [&](std::int32_t& last, std::size_t longest, std::size_t reach) {
    const std::int32_t previous = last;
    last = static_cast<std::int32_t>(pos);
    if (found == nullptr || previous < 0 || best >= longest) return;
    const std::size_t dist = pos - static_cast<std::size_t>(previous);
    const std::size_t len = MatchLength(data_ + previous, cur, longest);
    if (len > best && dist <= reach) {
      found[count++] = {static_cast<std::uint32_t>(len), static_cast<std::uint32_t>(dist)};
      best = len;
    }
  };
  if (pair_distance_ != 0 && pos + 2 <= size_) {
    nearest(head2_[cur[0] | cur[1] << 8], std::min<std::size_t>(max_len, 2), pair_distance_);
  }
  best = 2;
  if (pos + 3 > size_) return count;  // no 3-byte key; such a position is never a tree source
  std::uint32_t key = static_cast<std::uint32_t>(cur[0]) | static_cast<std::uint32_t>(cur[1]) << 8 |
                      static_cast<std::uint32_t>(cur[2]) << 16;
  nearest(head3_[(key * 2654435761u) >> (32 - kHash3Bits)], max_len, kLzxMaxDistance);
  if (pos + 4 > size_) return count;
  key |= static_cast<std::uint32_t>(cur[3]) << 24;
  nearest(head4_[(key * 2654435761u) >> (32 - kHash4Bits)], max_len, kLzxMaxDistance);
  if (pos + 5 > size_) return count;
  const std::uint64_t key5 = key | static_cast<std::uint64_t>(cur[4]) << 32;
  const auto h = static_cast<std::uint32_t>((key5 * 0x9E3779B97F4A7C15ull) >> (64 - kHashBits));
  std::int32_t candidate = head_[h];
  head_[h] = static_cast<std::int32_t>(pos);

  // Descend, re-linking the tree so that `pos` becomes the root: nodes whose bytes sort below
  // the current position hang off *smaller_slot, the others off *larger_slot.
  std::int32_t* smaller_slot = &children_[2 * pos];
  std::int32_t* larger_slot = &children_[2 * pos + 1];
  std::size_t smaller_len = 0, larger_len = 0;
  // The tree is sorted on up to sort_len_ bytes even near a frame end, where the reported
  // lengths are cut to max_len, so that later positions still find every candidate.
  const std::size_t sort_len = std::min(sort_len_, size_ - pos);
  while (candidate >= 0 && depth-- > 0) {
    const std::size_t dist = pos - static_cast<std::size_t>(candidate);
    if (dist > kLzxMaxDistance) break;
    const std::uint8_t* m = data_ + candidate;
    std::size_t len = std::min(smaller_len, larger_len);
    len += MatchLength(m + len, cur + len, sort_len - len);
    if (found != nullptr && len > best && best < max_len) {
      best = len;
      std::size_t reported = std::min(len, max_len);
      // Equal for as far as the tree sorts: the match may go on past that.
      if (len == sort_len && len < max_len) {
        reported += MatchLength(m + len, cur + len, max_len - len);
      }
      found[count++] = {static_cast<std::uint32_t>(reported), static_cast<std::uint32_t>(dist)};
    }
    std::int32_t* pair = &children_[2 * static_cast<std::size_t>(candidate)];
    if (len == sort_len) {
      // Identical for as far as we sort: the candidate's subtrees become ours.
      *smaller_slot = pair[0];
      *larger_slot = pair[1];
      return count;
    }
    if (m[len] < cur[len]) {
      *smaller_slot = candidate;
      smaller_slot = &pair[1];
      candidate = *smaller_slot;
      smaller_len = len;
    } else {
      *larger_slot = candidate;
      larger_slot = &pair[0];
      candidate = *larger_slot;
      larger_len = len;
    }
  }
  *smaller_slot = -1;
  *larger_slot = -1;
  return count;
}

}  // namespace chm

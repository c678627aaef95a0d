#include "lzx/huffman.h"

#include <algorithm>
#include <cstring>

namespace chm {
namespace {

constexpr int kMaxSymbols = 512;
constexpr int kMaxLength = 16;

// Huffman construction in linear time over symbols sorted by frequency (two queues: leaves
// and merged nodes); returns each leaf's depth in sorted order, unlimited.
void HuffmanDepths(const std::uint32_t* sorted_freqs, int n, int* depths) {
  // Nodes 0..n-1 are leaves, n..2n-2 merged nodes. parent[] links each node to its merge.
  std::uint32_t weight[2 * kMaxSymbols];
  int parent[2 * kMaxSymbols];
  for (int i = 0; i < n; ++i) weight[i] = sorted_freqs[i];
  int leaf = 0, merged = n, next = n;
  auto take = [&]() {
    if (leaf < n && (merged >= next || weight[leaf] <= weight[merged])) return leaf++;
    return merged++;
  };
  while (next < 2 * n - 1) {
    const int a = take();
    const int b = take();
    weight[next] = weight[a] + weight[b];
    parent[a] = next;
    parent[b] = next;
    ++next;
  }
  int node_depth[2 * kMaxSymbols];
  node_depth[2 * n - 2] = 0;
  for (int i = 2 * n - 3; i >= 0; --i) node_depth[i] = node_depth[parent[i]] + 1;
  for (int i = 0; i < n; ++i) depths[i] = node_depth[i];
}

}  // namespace

void BuildCodeLengths(const std::uint32_t* freqs, int count, int max_length, std::uint8_t* lengths,
                      bool allow_empty) {
  std::memset(lengths, 0, static_cast<std::size_t>(count));
  int order[kMaxSymbols];
  int n = 0;
  for (int s = 0; s < count; ++s) {
    if (freqs[s] != 0) order[n++] = s;
  }
  if (n == 0 && allow_empty) return;
  if (n < 2) {
    // A one-symbol code is incomplete; pair the symbol with a neighbour.
    const int used = n == 1 ? order[0] : 0;
    lengths[used] = 1;
    lengths[used == 0 ? 1 : 0] = 1;
    return;
  }
  std::stable_sort(order, order + n, [&](int a, int b) { return freqs[a] < freqs[b]; });
  std::uint32_t sorted[kMaxSymbols];
  for (int i = 0; i < n; ++i) sorted[i] = freqs[order[i]];
  int depths[kMaxSymbols];
  HuffmanDepths(sorted, n, depths);

  // Count leaves per length, clamping at the limit, then restore the Kraft sum: each step
  // takes one leaf off the deepest level and splits a shallower leaf into two, which lowers
  // the sum by exactly one unit of the deepest level and keeps the number of leaves.
  int per_length[kMaxSymbols + 1] = {};
  for (int i = 0; i < n; ++i) ++per_length[std::min(depths[i], max_length)];
  std::uint32_t kraft = 0;
  for (int len = 1; len <= max_length; ++len) {
    kraft += static_cast<std::uint32_t>(per_length[len]) << (max_length - len);
  }
  while (kraft > (1u << max_length)) {
    --per_length[max_length];
    for (int len = max_length - 1; len > 0; --len) {
      if (per_length[len] != 0) {
        --per_length[len];
        per_length[len + 1] += 2;
        break;
      }
    }
    --kraft;
  }
  // Longest codes go to the rarest symbols (order[] is ascending by frequency).
  int i = 0;
  for (int len = max_length; len >= 1; --len) {
    for (int k = 0; k < per_length[len]; ++k) lengths[order[i++]] = static_cast<std::uint8_t>(len);
  }
}

void BuildCanonicalCodes(const std::uint8_t* lengths, int count, std::uint16_t* codes) {
  int per_length[kMaxLength + 1] = {};
  for (int s = 0; s < count; ++s) ++per_length[lengths[s]];
  per_length[0] = 0;
  std::uint32_t next[kMaxLength + 2];
  std::uint32_t code = 0;
  for (int len = 1; len <= kMaxLength; ++len) {
    code = (code + static_cast<std::uint32_t>(per_length[len - 1])) << 1;
    next[len] = code;
  }
  for (int s = 0; s < count; ++s) {
    if (lengths[s] != 0) codes[s] = static_cast<std::uint16_t>(next[lengths[s]]++);
  }
}

}  // namespace chm

#include "help/contents_tree.h"

#include <algorithm>

#include "help/topic_tables.h"

namespace chm {
namespace {

constexpr std::uint32_t kHeaderSize = 0x1000;
constexpr std::uint32_t kOpensTopic = 8;
constexpr std::uint32_t kHasChildren = 1 | 4;  // "has a subtree" and the book icon
constexpr std::uint32_t kLeafSize = 20;
constexpr std::uint32_t kParentSize = 28;
constexpr std::uint32_t kFirstRecordNumber = 666;
constexpr size_t kRecordAlignment = 16;

}  // namespace

Bytes BuildContentsTree(const std::vector<ContentsNode>& nodes) {
  const size_t n = nodes.size();
  std::vector<int> depths;
  for (const ContentsNode& node : nodes) depths.push_back(node.depth);
  const std::vector<std::uint32_t> at = ContentsNodeOffsets(depths);
  // Parents and siblings as ContentsNodeOffsets sees them: an entry's parent is the nearest
  // earlier entry of a smaller depth.
  std::vector<size_t> parent(n, n), first_child(n, n), next_sibling(n, n), last_child(n + 1, n);
  std::vector<size_t> open;
  for (size_t i = 0; i < n; ++i) {
    while (!open.empty() && depths[open.back()] >= depths[i]) open.pop_back();
    const size_t p = open.empty() ? n : open.back();
    parent[i] = p;
    if (last_child[p] != n) next_sibling[last_child[p]] = i;
    if (p != n && first_child[p] == n) first_child[p] = i;
    last_child[p] = i;
    open.push_back(i);
  }

  // Nodes in the order they lie in the file: topic records and slots follow that order.
  std::vector<size_t> by_offset(n);
  for (size_t i = 0; i < n; ++i) by_offset[i] = i;
  std::sort(by_offset.begin(), by_offset.end(), [&](size_t a, size_t b) { return at[a] < at[b]; });

  Bytes b(kHeaderSize, 0);
  std::vector<size_t> with_topic;  // in file order
  for (size_t i : by_offset) {
    const bool children = first_child[i] != n;
    b.resize(at[i], 0);  // the padding before a node that would cross a 4 KiB block
    PutU16(&b, 0);
    PutU16(&b, static_cast<std::uint32_t>(with_topic.size()));
    PutU32(&b, (nodes[i].has_topic ? kOpensTopic : 0) | (children ? kHasChildren : 0));
    PutU32(&b, nodes[i].has_topic ? nodes[i].topic : nodes[i].name);
    PutU32(&b, parent[i] == n ? 0 : at[parent[i]]);
    PutU32(&b, next_sibling[i] == n ? 0 : at[next_sibling[i]]);
    if (children) {
      PutU32(&b, at[first_child[i]]);
      PutU32(&b, 0);
    }
    if (nodes[i].has_topic) with_topic.push_back(i);
  }
  const std::uint32_t slots = static_cast<std::uint32_t>(b.size());
  for (size_t i : with_topic) PutU32(&b, nodes[i].topic);
  b.resize((b.size() + kRecordAlignment - 1) / kRecordAlignment * kRecordAlignment, 0);
  const std::uint32_t records = static_cast<std::uint32_t>(b.size());
  for (size_t r = 0; r < with_topic.size(); ++r) {
    PutU32(&b, at[with_topic[r]]);
    PutU32(&b, static_cast<std::uint32_t>(kFirstRecordNumber + r));
    PutU32(&b, static_cast<std::uint32_t>(slots + 4 * r));
    PutU32(&b, nodes[with_topic[r]].topic);
  }
  SetU32(&b, 0, kHeaderSize);
  SetU32(&b, 4, records);
  SetU32(&b, 8, static_cast<std::uint32_t>(with_topic.size()));
  SetU32(&b, 12, slots);
  return b;
}

}  // namespace chm

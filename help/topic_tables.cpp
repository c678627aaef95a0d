#include "help/topic_tables.h"

#include <algorithm>

#include "help/tables.h"

namespace chm {
namespace {

constexpr size_t kBlock = 0x1000;
constexpr size_t kUrlTblRowSize = 12;
constexpr size_t kUrlTblRowsPerBlock = kBlock / kUrlTblRowSize;  // 341, then 4 bytes of padding
// What Microsoft's compiler writes in the 4 bytes that end each full #URLTBL block.
constexpr std::uint32_t kUrlTblBlockPadding = 0x1000;
constexpr std::uint16_t kTopicInContents = 6;
constexpr std::uint16_t kTopicNotInContents = 2;
constexpr std::uint16_t kTopicAnchor = 0;

constexpr std::uint32_t kFirstContentsNode = 0x1000;
constexpr std::uint32_t kContentsLeafSize = 20;
constexpr std::uint32_t kContentsParentSize = 28;

}  // namespace

std::uint32_t UrlKey(std::string_view name) {
  std::uint32_t h = 0;
  for (char ch : name) {
    int c = static_cast<signed char>(ch);
    int v;
    if (c == '/' || c == '\\')
      v = 0x2C;
    else if (c <= 'Z')
      v = c - 0x30;
    else
      v = c - 0x50;
    h = h * 43 + static_cast<std::uint32_t>(v);
  }
  return h == 0 ? 1 : h;
}

std::vector<std::uint32_t> ContentsNodeOffsets(const std::vector<int>& depths) {
  const size_t n = depths.size();
  // An entry's parent is the nearest earlier entry of a smaller depth.
  std::vector<std::vector<size_t>> children(n + 1);  // children[n]: the top entries
  std::vector<size_t> open;
  for (size_t i = 0; i < n; ++i) {
    while (!open.empty() && depths[open.back()] >= depths[i]) open.pop_back();
    children[open.empty() ? n : open.back()].push_back(i);
    open.push_back(i);
  }
  std::vector<std::uint32_t> offsets(n, 0);
  std::uint32_t at = kFirstContentsNode;
  std::vector<size_t> queue{n};
  for (size_t q = 0; q < queue.size(); ++q) {
    for (size_t child : children[queue[q]]) {
      const std::uint32_t size = children[child].empty() ? kContentsLeafSize : kContentsParentSize;
      if (at % kBlock + size > kBlock) at += static_cast<std::uint32_t>(kBlock - at % kBlock);
      offsets[child] = at;
      at += size;
      queue.push_back(child);
    }
  }
  return offsets;
}

TopicTables BuildTopicTables(const std::vector<Topic>& topics, StringPool* strings) {
  TopicTables t;
  t.urlstr.push_back(0);
  std::vector<std::uint32_t> urlstr_offset(topics.size());
  for (size_t i = 0; i < topics.size(); ++i) {
    KeepInBlock(&t.urlstr, 8 + topics[i].name.size() + 1);
    urlstr_offset[i] = static_cast<std::uint32_t>(t.urlstr.size());
    PutU32(&t.urlstr, 0);  // no absolute URL
    PutU32(&t.urlstr, 0);  // no frame name
    PutText(&t.urlstr, topics[i].name);
    t.urlstr.push_back(0);
  }

  std::vector<size_t> order(topics.size());
  std::vector<std::uint32_t> keys(topics.size());
  for (size_t i = 0; i < topics.size(); ++i) {
    order[i] = i;
    keys[i] = UrlKey(topics[i].name);
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return keys[a] < keys[b]; });
  std::vector<std::uint32_t> row_offset(topics.size());
  for (size_t row = 0; row < order.size(); ++row) {
    if (row > 0 && row % kUrlTblRowsPerBlock == 0) PutU32(&t.urltbl, kUrlTblBlockPadding);
    size_t i = order[row];
    row_offset[i] = static_cast<std::uint32_t>(t.urltbl.size());
    PutU32(&t.urltbl, keys[i]);
    PutU32(&t.urltbl, static_cast<std::uint32_t>(i));
    PutU32(&t.urltbl, urlstr_offset[i]);
  }

  for (size_t i = 0; i < topics.size(); ++i) {
    PutU32(&t.topics, topics[i].contents_node);
    PutU32(&t.topics, topics[i].title.empty() ? 0xFFFFFFFFu : strings->Add(topics[i].title));
    PutU32(&t.topics, row_offset[i]);
    PutU16(&t.topics, topics[i].anchor        ? kTopicAnchor
                      : topics[i].in_contents ? kTopicInContents
                                              : kTopicNotInContents);
    PutU16(&t.topics, 0);
  }
  return t;
}

}  // namespace chm

// #TOPICS, #URLTBL and #URLSTR: one row per topic (every page and both sitemaps), the topic's
// title in #STRINGS, and its place in the contents tree. Names and titles are in the project's
// code page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "itsf/bytes.h"

namespace chm {

class StringPool;

// The #URLTBL key of a local name: a hash over the bytes taken as signed chars, in which
// letters of either case and '/' or '\' agree.
std::uint32_t UrlKey(std::string_view name);

struct Topic {
  std::string name;   // stored name without the leading '/', code page bytes
  std::string title;  // page title, code page bytes; empty = none
  bool in_contents = false;
  bool anchor = false;  // a place inside a page ("a.htm#part") that the index file links to
  // Where the topic's contents entry sits in the binary contents tree (#TOCIDX), 0 = none.
  std::uint32_t contents_node = 0;
};

struct TopicTables {
  Bytes topics, urltbl, urlstr;
};
TopicTables BuildTopicTables(const std::vector<Topic>& topics, StringPool* strings);

// The offset each contents entry has as a node of the binary contents tree, given the entries'
// nesting depths in file order. Microsoft's compiler fills the #TOPICS column with these offsets
// whether or not it writes the tree: the nodes start at 0x1000, level by level (the top entries,
// then the children of the first of them, of the second, ...), 28 bytes for an entry with
// children and 20 without, and no node crosses a 4 KiB block.
std::vector<std::uint32_t> ContentsNodeOffsets(const std::vector<int>& depths);

}  // namespace chm

#include "tests/support/binary_tables.h"

#include <algorithm>
#include <set>

#include "tests/support/table_reader.h"

namespace chm_test {
namespace {

std::string TopicName(const InspectedBook& book, std::uint32_t topic) {
  return topic < book.topics.size() ? book.topics[topic].name : "#" + std::to_string(topic) + "?";
}

}  // namespace

KeywordTreeFields ReadKeywordTree(const InspectedBook& book) {
  KeywordTreeFields k;
  const std::string* file = book.File("/$WWKeywordLinks/BTree");
  if (!file) return k;
  k.present = true;
  const Reader r(*file, &k.problems, "$WWKeywordLinks/BTree");
  k.flags = r.U16(2);
  k.block_size = r.U16(4);
  k.format = r.Has(6, 16) ? std::string(file->c_str() + 6) : "";
  k.last_listing = r.U32(0x1A);
  k.root = r.U32(0x1E);
  k.blocks = r.U32(0x26);
  k.tree_depth = r.U16(0x2A);
  k.keyword_count = r.U32(0x2C);
  k.code_page = r.U32(0x30);
  k.lcid = r.U32(0x34);
  k.chm = r.U32(0x38);
  k.version = r.U32(0x3C);
  if (k.block_size == 0) return k;
  // Listing blocks from the first, along their "next" links.
  std::set<std::uint32_t> seen;
  for (std::uint32_t block = 0; block != 0xFFFFFFFFu && seen.insert(block).second;) {
    const std::uint64_t base = 0x4C + std::uint64_t{block} * k.block_size;
    const std::uint64_t end = base + k.block_size;
    if (!r.Has(base, k.block_size)) {
      k.problems.push_back("listing block " + std::to_string(block) + " past the end");
      break;
    }
    const std::uint16_t count = r.U16(base + 2);
    std::uint64_t at = base + 12;
    for (std::uint16_t i = 0; i < count && k.problems.empty(); ++i) {
      KeywordEntryFields e;
      e.text = r.Utf16(&at, end);
      e.see_also_flag = r.U16(at);
      e.depth = r.U16(at + 2);
      e.name_at = r.U32(at + 4);
      e.unknown = r.U32(at + 8);
      e.count = r.U32(at + 12);
      at += 16;
      if (e.see_also_flag != 0) {
        e.see_also = r.Utf16(&at, end);
      } else {
        for (std::uint32_t t = 0; t < e.count && at + 4 <= end; ++t, at += 4) {
          e.topics.push_back(TopicName(book, r.U32(at)));
        }
      }
      e.one = r.U32(at);
      e.number = r.U32(at + 4);
      at += 8;
      k.entries.push_back(std::move(e));
    }
    block = r.U32(base + 8);
  }
  return k;
}

TocIdxFields ReadTocIdx(const InspectedBook& book, std::uint32_t entry_size) {
  TocIdxFields t;
  const std::string* file = book.File("/#TOCIDX");
  if (!file) return t;
  t.present = true;
  const Reader r(*file, &t.problems, "#TOCIDX");
  t.first_node = r.U32(0);
  t.entries_at = r.U32(4);
  t.entry_count = r.U32(8);
  t.topic_slots_at = r.U32(12);
  // Every node reached from the first through its "next" and "first child" links.
  std::vector<std::uint32_t> pending{t.first_node};
  std::set<std::uint32_t> seen;
  while (!pending.empty() && t.problems.empty()) {
    const std::uint32_t at = pending.back();
    pending.pop_back();
    if (at == 0 || !seen.insert(at).second) continue;
    TocNodeFields n;
    n.at = at;
    n.unknown = r.U16(at);
    n.index = r.U16(at + 2);
    n.flags = r.U32(at + 4);
    n.topic_or_string = r.U32(at + 8);
    n.parent = r.U32(at + 12);
    n.next = r.U32(at + 16);
    if (n.flags & 4) {
      n.child = r.U32(at + 20);
      n.unknown_tail = r.U32(at + 24);
    }
    n.target =
        (n.flags & 8) ? TopicName(book, n.topic_or_string) : book.StringAt(n.topic_or_string);
    pending.push_back(n.next);
    pending.push_back(n.child);
    t.nodes.push_back(std::move(n));
  }
  std::sort(t.nodes.begin(), t.nodes.end(),
            [](const TocNodeFields& a, const TocNodeFields& b) { return a.at < b.at; });
  for (std::uint32_t i = 0; i < t.entry_count && r.Has(t.topic_slots_at + 4 * i, 4); ++i) {
    t.topic_slots.push_back(r.U32(t.topic_slots_at + 4 * i));
  }
  for (std::uint32_t i = 0; i < t.entry_count; ++i) {
    const std::uint64_t at = t.entries_at + std::uint64_t{i} * entry_size;
    if (!r.Has(at, entry_size)) {
      t.problems.push_back("#TOCIDX: entry " + std::to_string(i) + " past the end");
      break;
    }
    TocEntryFields e{r.U32(at), r.U32(at + 4), r.U32(at + 8), 0};
    if (entry_size >= 16) e.topic = r.U32(at + 12);
    t.entries.push_back(e);
  }
  return t;
}

}  // namespace chm_test

// Reads back the two binary navigation tables of a book, for tests that compare them field by
// field with another compiler's: the keyword index ($WWKeywordLinks/BTree, its listing blocks in
// chain order) and the contents tree (#TOCIDX). Topic numbers are resolved to the stored names
// they stand for through the book's own #TOPICS, #URLTBL and #URLSTR, so that books whose topics
// are numbered differently compare equal where they mean the same.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/book_inspector.h"

namespace chm_test {

struct KeywordEntryFields {
  std::string text;  // the whole path, UTF-8
  std::uint16_t see_also_flag = 0, depth = 0;
  std::uint32_t name_at = 0, unknown = 0, count = 0;
  std::vector<std::string> topics;  // stored names of its topics ("#n?" when not a topic)
  std::string see_also;             // UTF-8, for a "See Also" entry
  std::uint32_t one = 0, number = 0;
};

struct KeywordTreeFields {
  bool present = false;
  std::uint16_t flags = 0, block_size = 0, tree_depth = 0;
  std::string format;
  std::uint32_t last_listing = 0, root = 0, blocks = 0, keyword_count = 0, code_page = 0, lcid = 0,
                chm = 0, version = 0;
  std::vector<KeywordEntryFields> entries;  // in listing order
  std::vector<std::string> problems;
};
KeywordTreeFields ReadKeywordTree(const InspectedBook& book);

struct TocNodeFields {
  std::uint32_t at = 0;
  std::uint16_t unknown = 0, index = 0;
  std::uint32_t flags = 0, topic_or_string = 0, parent = 0, next = 0, child = 0, unknown_tail = 0;
  std::string target;  // the topic's stored name with flag 8, else the #STRINGS text
};

struct TocEntryFields {  // the 16-byte records the header counts ("type 3")
  std::uint32_t node = 0, number = 0, topic_slot = 0, topic = 0;
};

struct TocIdxFields {
  bool present = false;
  std::uint32_t first_node = 0, entries_at = 0, entry_count = 0, topic_slots_at = 0;
  std::vector<TocNodeFields> nodes;        // reached from the first node, in offset order
  std::vector<std::uint32_t> topic_slots;  // one DWORD for each entry, from topic_slots_at
  std::vector<TocEntryFields> entries;
  std::vector<std::string> problems;
};
// `entry_size` is the size of a "type 3" record: 16 in the format's documents (chmcmd writes 12).
TocIdxFields ReadTocIdx(const InspectedBook& book, std::uint32_t entry_size = 16);

}  // namespace chm_test

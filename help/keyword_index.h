// The binary keyword index that Windows' viewer uses for its Index tab and for keyword links:
// $WWKeywordLinks/BTree, Data, Map and Property.
//
// BTree: a 0x4C-byte header, then 2048-byte blocks. Listing blocks hold every keyword in the
// viewer's sort order (UTF-16 text, its topics, its number), chained both ways; index blocks
// above them hold the first keyword of every child block but the first. Data has 13 bytes per
// keyword, Map the number of keywords before each listing block.
//
// A keyword nested under others is listed by its whole path, "Parent, Child", with its depth and
// where its own name starts; it follows its parent, its siblings in order. A "See Also" keyword
// holds the text it refers to instead of topics.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "itsf/bytes.h"

namespace chm {

struct Keyword {
  std::string name;                   // in the code page, as the index file has it
  std::vector<std::uint32_t> topics;  // #TOPICS numbers, in the index file's order
  std::vector<std::string> parents;   // the keywords it is nested under, outermost first
  std::string see_also;               // the keyword it refers to; empty for an ordinary one
};

struct KeywordIndex {
  Bytes btree, data, map, property;
};

// Whether keywords of the code page can be put in the order Windows' viewer looks them up in.
bool CanSortKeywords(unsigned code_page);

// Keywords of the same name and parents are merged (their topics in order, each once). A keyword
// with no topic is left out unless it refers elsewhere or has keywords under it. Empty when no
// keyword is left.
// When one keyword (its name and topics) would not fit a block, the result is empty and
// `too_large`, when given, names it.
KeywordIndex BuildKeywordIndex(const std::vector<Keyword>& keywords, unsigned code_page,
                               std::uint32_t lcid, std::string* too_large = nullptr);

// Windows' order of two keywords of code page 1252: case and accents count only where nothing
// else differs, hyphens and apostrophes only after that; punctuation before digits before
// letters.
bool KeywordBefore1252(const std::string& a, const std::string& b);

}  // namespace chm

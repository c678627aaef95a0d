// The binary keyword index that Windows' viewer uses for its Index tab and for keyword links:
// $WWKeywordLinks/BTree, Data, Map and Property.
//
// BTree: a 0x4C-byte header, then 2048-byte blocks. Listing blocks hold every keyword in the
// viewer's sort order (UTF-16 text, its topics, its number), chained both ways; index blocks
// above them hold the first keyword of every child block but the first. Data has 13 bytes per
// keyword, Map the number of keywords before each listing block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "itsf/bytes.h"

namespace chm {

struct Keyword {
  std::string name;                   // in the code page, as the index file has it
  std::vector<std::uint32_t> topics;  // #TOPICS numbers, in the index file's order
};

struct KeywordIndex {
  Bytes btree, data, map, property;
};

// Whether keywords of the code page can be put in the order Windows' viewer looks them up in.
bool CanSortKeywords(unsigned code_page);

// Keywords of the same name are merged (their topics in order, each once). Empty when there is
// no keyword with a topic.
// When one keyword (its name and topics) would not fit a block, the result is empty and
// `too_large`, when given, names it.
KeywordIndex BuildKeywordIndex(const std::vector<Keyword>& keywords, unsigned code_page,
                               std::uint32_t lcid, std::string* too_large = nullptr);

// Windows' order of two keywords of code page 1252: case and accents count only where nothing
// else differs, hyphens and apostrophes only after that; punctuation before digits before
// letters.
bool KeywordBefore1252(const std::string& a, const std::string& b);

}  // namespace chm

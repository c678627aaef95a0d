// $OBJINST: the objects Windows' viewer sets up for its Search tab, as Windows' help compiler
// writes them (in every book, with full-text search or without): the word breaker (a character
// table for the book's code page, ligatures, the stop list and, for English, a stemmer) and the
// search index's own settings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "itsf/bytes.h"

namespace chm {

// Whether the character table of `code_page` is known (1252 and 936).
bool HasSearchObjects(unsigned code_page);

// The primary sort weight and the class (1 lower-case letter, 2 upper-case letter, ...) Windows
// gives a byte of code page 1252 when it orders text, from the same character table.
struct CharacterSort {
  std::uint16_t weight;
  std::uint16_t kind;
};
CharacterSort SortOf1252(std::uint8_t c);

// `stop_words` in the code page, lower-case, in the stop list file's order.
Bytes BuildSearchObjects(unsigned code_page, std::uint32_t lcid,
                         const std::vector<std::string>& stop_words);

}  // namespace chm

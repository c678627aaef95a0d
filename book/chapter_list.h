// Which files of a folder are chapters, and in which order the file list shows them.
#pragma once

#include <string>
#include <vector>

namespace book {

// The file list's pattern "*.htm*;*.txt;*.mht", matched against the real (long) name without
// regard to case: "*" spans dots, so "a.htm.bak" is a chapter and "notes.txt1" is not.
bool IsChapterFileName(const std::string& name);

// Whether chapter name `a` (UTF-8) comes before `b` in reading order. Names compare piece by
// piece: a run of digits (ASCII or full-width) by its value, a run of Chinese numerals that
// forms a number (第十一章, 第一百零一章, 二〇二六) by its value, any other character by
// itself with ASCII letters in lower case. A number meets another character where the digit 0
// would. Names still equal then fall to byte order, so the order is total.
bool ComesBeforeInReadingOrder(const std::string& a, const std::string& b);

// Sorts chapter names into reading order; the file list and the book use this one order.
void SortChapterNames(std::vector<std::string>& names);

}  // namespace book

// Which files of a folder are chapters, and in which order the file list shows them.
#pragma once

#include <string>
#include <vector>

namespace book {

// The file list's pattern "*.htm*;*.txt;*.mht", matched against the real (long) name without
// regard to case: "*" spans dots, so "a.htm.bak" is a chapter and "notes.txt1" is not.
bool IsChapterFileName(const std::string& name);

// Sorts by name without regard to ASCII case; names equal that way keep byte order.
void SortChapterNames(std::vector<std::string>& names);

}  // namespace book

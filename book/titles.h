// Chapter titles: the text between "<title>" and "</title>" on the first line of a chapter file
// that holds the opening marker, in lower case, or the file name when there is none.
#pragma once

#include <string>

#include "book/platform.h"

namespace book {

// The text between the first and the second occurrence of `open` (or up to the end), cut at
// the first occurrence of `close`. Exact comparison. The caller makes sure `open` occurs.
std::string TextBetween(const std::string& text, const std::string& open, const std::string& close);

// Lower-cases a line of ANSI text character by character: two-byte characters are never
// split, and a character the code page cannot carry in lower case stays as it is.
std::string LowerAnsiText(const BookPlatform& platform, const std::string& ansi);

// The title of a chapter file, as ANSI bytes in lower case; empty when no line holds
// "<title>". Lines end at a carriage return (CR LF counts once; a lone LF stays in the line).
// Returns false, with a reason, when the file cannot be opened or read.
bool ReadChapterTitle(const BookPlatform& platform, const std::string& path, std::string& title,
                      std::string& reason);

// The entry name of a chapter, as ANSI bytes: its title, or its file name as listed when the
// title is empty. Returns false, with a reason, when the chapter cannot be read.
bool ChapterEntryName(const BookPlatform& platform, const std::string& folder,
                      const std::string& file_name, std::string& entry_name, std::string& reason);

}  // namespace book

// The generated text files are filled as arrays of lines, each slot with a fixed meaning, and
// written whole. Lines hold text already in the ANSI code page: titles are read from the
// chapter files in that code page and stay byte for byte as they were read.
#pragma once

#include <string>
#include <vector>

#include "book/platform.h"

namespace book {

using LineBuffer = std::vector<std::string>;

// Template k of the string table (1 to 35), converted to the ANSI code page.
std::string AnsiTemplate(const BookPlatform& platform, int id);

// Writes `bytes` as the whole content of the file at `path`: under a temporary name beside it
// first, which then replaces the file in one step, so that no reader ever sees it half-written.
// Returns false, with a reason, when the file cannot be written; nothing is left behind then.
bool WriteWholeFile(const BookPlatform& platform, const std::string& path, const std::string& bytes,
                    std::string& reason);

// Joins the lines with CR LF, adds one CR LF after the last line, and writes the result as the
// whole content of the file. Returns false, with a reason, when the file cannot be written.
bool WriteLineBuffer(const BookPlatform& platform, const LineBuffer& lines, const std::string& path,
                     std::string& reason);

}  // namespace book

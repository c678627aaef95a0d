// The contents, index and project writers: each fills a line buffer by its layout and writes it.
#pragma once

#include <string>
#include <vector>

#include "book/line_buffer.h"

namespace book {

// What the writers know of one chapter, in ANSI bytes: its file name as listed and its entry
// name (title, or file name when the title is empty).
struct ChapterEntry {
  std::string file_name;
  std::string entry_name;
};

// The fixed file names of the help project.
constexpr const char kContentsFileName[] = "chm_hhc.hhc";
constexpr const char kIndexFileName[] = "chm_hhk.hhk";
constexpr const char kProjectFileName[] = "chm_hhp.hhp";
constexpr const char kAboutFileName[] = "chm_about.htm";
// The book name when the text box is empty.
constexpr const char kDefaultBookName[] = u8"电子书";

LineBuffer FillContents(const BookPlatform& platform, const std::vector<ChapterEntry>& chapters);
LineBuffer FillIndex(const BookPlatform& platform, const std::vector<ChapterEntry>& chapters);
// book_name: UTF-8, as typed; the default name takes the place of an empty one.
LineBuffer FillProject(const BookPlatform& platform, const std::vector<ChapterEntry>& chapters,
                       const std::string& book_name);

}  // namespace book

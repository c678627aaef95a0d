#include "book/book_files.h"

namespace book {
namespace {

// A double quote would end the attribute value early in every sitemap reader, so it is written
// as a character reference there; everything else, references included, stays as it is.
std::string AttributeText(const std::string& ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (char c : ansi) {
    if (c == '"')
      out += "&quot;";
    else
      out.push_back(c);
  }
  return out;
}

// The four lines of a chapter's entry, from slot `first` on.
void PlaceChapterBlock(const BookPlatform& p, LineBuffer& lines, std::size_t first,
                       const ChapterEntry& chapter) {
  lines[first] = AnsiTemplate(p, 10);
  lines[first + 1] = AnsiTemplate(p, 15) + AttributeText(chapter.entry_name) + AnsiTemplate(p, 16);
  lines[first + 2] = AnsiTemplate(p, 18) + AttributeText(chapter.file_name) + AnsiTemplate(p, 16);
  lines[first + 3] = AnsiTemplate(p, 12);
}

}  // namespace

LineBuffer FillContents(const BookPlatform& p, const std::vector<ChapterEntry>& chapters) {
  const std::size_t n = chapters.size();
  LineBuffer lines(4 * n + 23);
  // Slots are counted from 0 here; line k of the layout is slot k-1.
  const int head[] = {1, 2, 3, 4, 5, 6, 7, 8, 12, 9, 10, 11, 12, 13};
  for (std::size_t i = 0; i < sizeof head / sizeof head[0]; ++i)
    lines[i] = AnsiTemplate(p, head[i]);
  for (std::size_t k = 0; k < n; ++k) PlaceChapterBlock(p, lines, 14 + 4 * k, chapters[k]);
  // Slot 4n+14 stays empty.
  const int tail[] = {20, 10, 19, 21, 17, 12, 20, 14};
  for (std::size_t i = 0; i < sizeof tail / sizeof tail[0]; ++i)
    lines[4 * n + 15 + i] = AnsiTemplate(p, tail[i]);
  return lines;
}

LineBuffer FillIndex(const BookPlatform& p, const std::vector<ChapterEntry>& chapters) {
  const std::size_t n = chapters.size();
  LineBuffer lines(4 * n + 9);
  const int head[] = {2, 3, 4, 5, 6, 9};
  for (std::size_t i = 0; i < sizeof head / sizeof head[0]; ++i)
    lines[i] = AnsiTemplate(p, head[i]);
  for (std::size_t k = 0; k < n; ++k) PlaceChapterBlock(p, lines, 6 + 4 * k, chapters[k]);
  // Slot 4n+6 stays empty.
  lines[4 * n + 7] = AnsiTemplate(p, 20);
  lines[4 * n + 8] = AnsiTemplate(p, 14);
  return lines;
}

LineBuffer FillProject(const BookPlatform& p, const std::vector<ChapterEntry>& chapters,
                       const std::string& book_name) {
  const std::size_t n = chapters.size();
  const std::string name = p.ToAnsi(book_name.empty() ? std::string(kDefaultBookName) : book_name);
  LineBuffer lines(n + 15);
  lines[0] = AnsiTemplate(p, 22);
  lines[1] = AnsiTemplate(p, 23);
  lines[2] = AnsiTemplate(p, 24) + name + ".chm";
  for (int id = 25; id <= 31; ++id) lines[id - 22] = AnsiTemplate(p, id);
  lines[10] = AnsiTemplate(p, 35) + name + AnsiTemplate(p, 32);
  lines[11] = AnsiTemplate(p, 33);
  for (std::size_t k = 0; k < n; ++k) lines[12 + k] = chapters[k].file_name;
  lines[12 + n] = AnsiTemplate(p, 34);
  // The last two slots stay empty.
  return lines;
}

}  // namespace book

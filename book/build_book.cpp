#include "book/build_book.h"

#include <cerrno>
#include <cstring>

#include "book/book_files.h"
#include "book/titles.h"

namespace book {
namespace {

constexpr const char kEmptyListText[] = u8"**加载文件后再转换吧!:)**";
constexpr const char kEmptyListTitle[] = u8"提示:)";

std::string Quoted(const std::string& s) { return u8"“" + s + u8"”"; }

bool WriteStep(BookPlatform& platform, const LineBuffer& lines, const std::string& path) {
  std::string reason;
  if (WriteLineBuffer(platform, lines, path, reason)) return true;
  platform.ReportError(u8"无法写入文件" + Quoted(path) + u8"：" + reason);
  return false;
}

}  // namespace

BuildResult BuildBook(BookPlatform& platform, const std::string& chapter_folder,
                      const std::vector<std::string>& chapters, const std::string& book_name) {
  // 1. An empty list (its first entry empty) is answered with a message box.
  if (chapters.empty() || chapters.front().empty()) {
    platform.ShowMessage(kEmptyListText, kEmptyListTitle);
    return BuildResult::kEmptyList;
  }
  // 2. The line buffers' slot numbers would overflow.
  if (chapters.size() > static_cast<std::size_t>(kMaxChapters)) {
    platform.ReportError(u8"章节文件太多：共 " + std::to_string(chapters.size()) +
                         u8" 个，一次最多只能转换 " + std::to_string(kMaxChapters) +
                         u8" 个。没有写入任何文件。");
    return BuildResult::kFailed;
  }

  // Each title is read once for both the contents and the index: the two lists come out the
  // same as reading them afresh, since nothing changes the chapters in between.
  std::vector<ChapterEntry> entries;
  entries.reserve(chapters.size());
  for (const std::string& file_name : chapters) {
    ChapterEntry entry;
    entry.file_name = platform.ToAnsi(file_name);
    std::string reason;
    if (!ChapterEntryName(platform, chapter_folder, file_name, entry.entry_name, reason)) {
      platform.ReportError(u8"无法读取章节文件" + Quoted(chapter_folder + "/" + file_name) +
                           u8"：" + reason);
      return BuildResult::kFailed;
    }
    entries.push_back(std::move(entry));
  }

  // 3. to 5. The contents, the index and the project, each written whole.
  const std::string base = chapter_folder + "/";
  if (!WriteStep(platform, FillContents(platform, entries), base + kContentsFileName) ||
      !WriteStep(platform, FillIndex(platform, entries), base + kIndexFileName) ||
      !WriteStep(platform, FillProject(platform, entries, book_name), base + kProjectFileName)) {
    return BuildResult::kFailed;
  }

  // 6. The about page, byte for byte.
  {
    const std::string path = base + kAboutFileName;
    std::string reason;
    if (!WriteWholeFile(platform, path, platform.LoadAboutPage(), reason)) {
      platform.ReportError(u8"无法写入文件" + Quoted(path) + u8"：" + reason);
      return BuildResult::kFailed;
    }
  }

  // 7. and 8. Open the folder, then start the compiler; the folder window is already open
  // when the book appears.
  platform.OpenWithShell(base);
  std::string reason;
  if (!platform.StartCompiler(base + kProjectFileName, reason)) {
    platform.ReportError(u8"无法启动帮助编译器：" + reason);
    return BuildResult::kFailed;
  }
  return BuildResult::kStarted;
}

}  // namespace book

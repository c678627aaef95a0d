// folivane FOLDER [BOOK NAME] [--no-compile]
// Builds a help book from the chapter files of FOLDER, as the window's build button does, then
// compiles it with the hhc that sits next to this program.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "book/book_files.h"
#include "book/build_book.h"
#include "book/chapter_list.h"
#include "tools/folivane/book_platform_posix.h"

namespace {

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitEmptyList = 1;
constexpr int kExitCompilerMissing = 2;
constexpr int kExitFailed = 3;
constexpr int kExitCompileFailed = 4;
constexpr int kExitUsage = 64;

void PrintUsage() {
  std::fprintf(stderr,
               "usage: folivane FOLDER [BOOK NAME] [--no-compile]\n"
               "  Writes the help project for the chapter files of FOLDER (*.htm*, *.txt, *.mht)\n"
               "  and compiles it into FOLDER/BOOK NAME.chm. BOOK NAME defaults to %s.\n",
               book::kDefaultBookName);
}

// The folder as the file list reports it: no trailing separator, except at the root.
std::string FolderPath(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The folder's chapter files: regular files (links followed) whose names match, hidden files
// left out, sorted as the window's file list sorts them.
bool ListChapters(const std::string& folder, std::vector<std::string>& names, std::string& reason) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) {
    reason = std::strerror(errno);
    return false;
  }
  while (dirent* e = readdir(dir)) {
    std::string name = e->d_name;
    if (name.empty() || name[0] == '.' || !book::IsChapterFileName(name)) continue;
    struct stat st;
    if (stat((folder + "/" + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    names.push_back(name);
  }
  closedir(dir);
  book::SortChapterNames(names);
  return true;
}

std::string ProgramFolder() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string path(buf, static_cast<std::size_t>(n));
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args;
  bool compile = true;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--no-compile")
      compile = false;
    else if (a == "--help" || a == "-h") {
      PrintUsage();
      return kExitOk;
    } else
      args.push_back(a);
  }
  if (args.empty() || args.size() > 2) {
    PrintUsage();
    return kExitUsage;
  }
  const std::string folder = FolderPath(args[0]);
  // The name is used as typed, blanks and all; an empty one becomes the default name.
  const std::string book_name = args.size() > 1 ? args[1] : std::string(book::kDefaultBookName);

  std::vector<std::string> chapters;
  std::string reason;
  if (!ListChapters(folder, chapters, reason)) {
    std::fprintf(stderr, "folivane: 无法打开文件夹“%s”：%s\n", folder.c_str(), reason.c_str());
    return kExitFailed;
  }

  PosixBookPlatform platform(compile ? ProgramFolder() + "/hhc" : std::string());
  switch (book::BuildBook(platform, folder, chapters, book_name)) {
    case book::BuildResult::kEmptyList:
      return kExitEmptyList;
    case book::BuildResult::kFailed:
      return platform.compiler_missing() ? kExitCompilerMissing : kExitFailed;
    case book::BuildResult::kStarted:
      break;
  }
  if (!compile) {
    std::printf("%s/%s\n", folder.c_str(), book::kProjectFileName);
    return kExitOk;
  }
  if (platform.compiler_status() != 0) {
    std::fprintf(stderr, "folivane: 编译没有成功（编译器退出状态 %d）\n",
                 platform.compiler_status());
    return kExitCompileFailed;
  }
  std::printf("%s/%s.chm\n", folder.c_str(),
              (book_name.empty() ? std::string(book::kDefaultBookName) : book_name).c_str());
  return kExitOk;
}

// book_build_win FOLDER NAME: the Windows build of the book builder on a folder, listed as the
// window lists it, with the Windows code page and files; the three generated text files must
// come out byte for byte as the Linux command writes them.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/book_platform_win.h"
#include "book/build_book.h"
#include "book/chapter_list.h"
#include "tests/book/forwarding_platform.h"
#include "text/utf.h"

namespace {

// The Windows text and file handling, with reports on stderr instead of message boxes and no
// folder window, so that the program runs unattended.
class UnattendedPlatform : public testing_support::ForwardingPlatform {
 public:
  using ForwardingPlatform::ForwardingPlatform;
  void ShowMessage(const std::string& text, const std::string&) override {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
  void ReportError(const std::string& message) override {
    std::fprintf(stderr, "%s\n", message.c_str());
  }
  void OpenWithShell(const std::string&) override {}
  bool StartCompiler(const std::string&, std::string&) override { return true; }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: book_build_win FOLDER NAME\n");
    return 64;
  }
  std::wstring folder = argv[1];
  std::vector<std::string> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (fd.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN)) continue;
      std::string name = text::WideToUtf8(fd.cFileName);
      if (book::IsChapterFileName(name)) names.push_back(name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  book::SortChapterNames(names);
  UnattendedPlatform platform(app::MakeWindowsBookPlatform(nullptr));
  switch (book::BuildBook(platform, text::WideToUtf8(folder), names, text::WideToUtf8(argv[2]))) {
    case book::BuildResult::kEmptyList:
      return 1;
    case book::BuildResult::kFailed:
      return 3;
    case book::BuildResult::kStarted:
      return 0;
  }
  return 3;
}

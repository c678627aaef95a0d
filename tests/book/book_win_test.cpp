// The Windows side of the book builder under Wine: the ANSI code page, the string table, the
// message box of an empty list, and the hidden start of the compiler.
#include <windows.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/book_platform_win.h"
#include "book/build_book.h"
#include "tests/app/dialog_watch.h"
#include "tests/book/forwarding_platform.h"
#include "text/utf.h"

namespace {

using text::Utf8ToWide;
using text::WideToUtf8;

std::string ReadAll(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A folder under the prefix's temporary folder, with a blank and Chinese in its name.
std::wstring MakeFolder(const std::wstring& leaf) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring path = std::wstring(temp) + leaf + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(path.c_str(), nullptr);
  return path;
}

void Write(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(path.c_str(), std::ios::binary);
  out << bytes;
}

TEST(CodePage, TheTestsRunUnderCodePage936) { EXPECT_EQ(GetACP(), 936u); }

TEST(StringTable, HoldsTheThirtyFiveTemplatesExactly) {
  auto platform = app::MakeWindowsBookPlatform(nullptr);
  struct Portable : book::BookPlatform {
    std::string ToAnsi(const std::string& s) const override { return s; }
    bool ToAnsiStrict(const std::string&, std::string&) const override { return false; }
    bool FromAnsiStrict(const std::string&, std::string&) const override { return false; }
    bool IsAnsiLeadByte(unsigned char) const override { return false; }
    unsigned AnsiCodePage() const override { return 1252; }
    std::FILE* OpenFile(const std::string&, const char*) const override { return nullptr; }
    bool RenameOver(const std::string&, const std::string&) const override { return false; }
    void RemoveFile(const std::string&) const override {}
    void ShowMessage(const std::string&, const std::string&) override {}
    void ReportError(const std::string&) override {}
    void OpenWithShell(const std::string&) override {}
    bool StartCompiler(const std::string&, std::string&) override { return false; }
  } portable;
  for (int id = 1; id <= 35; ++id) {
    const wchar_t* text = nullptr;
    int n = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    ASSERT_GT(n, 0) << "template " << id << " missing from the string table";
    EXPECT_EQ(WideToUtf8(std::wstring(text, n)), portable.LoadTemplate(id)) << "template " << id;
  }
  // The ones the resource compiler could get wrong: quotes, Chinese, a trailing CR LF.
  EXPECT_EQ(platform->LoadTemplate(11), u8"<param name=\"Name\" value=\"目录\">");
  EXPECT_EQ(platform->LoadTemplate(13), "<UL> ;32");
  EXPECT_EQ(platform->LoadTemplate(32),
            u8",\"chm_hhc.hhc\",\"chm_hhk.hhk\",\"chm_about.htm\",,,,\"chm_about.htm\",\"关于...\","
            u8"0x2120,,0x8380e,[84,25,648,513],,,,,,,0");
  EXPECT_EQ(platform->LoadTemplate(34), "[INFOTYPES]\r\n");
}

TEST(AboutPage, ResourceIsTheAboutPageByteForByte) {
  auto platform = app::MakeWindowsBookPlatform(nullptr);
  EXPECT_EQ(platform->LoadAboutPage(),
            ReadAll(Utf8ToWide(FOLIVANE_SOURCE_DIR "/resources/about.htm")));
}

TEST(CodePage, ConversionIsGbkWithoutBestFit) {
  auto p = app::MakeWindowsBookPlatform(nullptr);
  EXPECT_EQ(p->ToAnsi(u8"第一章"), "\xB5\xDA\xD2\xBB\xD5\xC2");
  EXPECT_EQ(p->ToAnsi(u8"A😀B"), "A??B") << "one default character per UTF-16 unit";
  std::string out;
  EXPECT_FALSE(p->ToAnsiStrict(u8"😀", out));
  EXPECT_TRUE(p->FromAnsiStrict("\xB5\xDA", out));
  EXPECT_EQ(out, u8"第");
  EXPECT_TRUE(p->IsAnsiLeadByte(0xB5));
  EXPECT_FALSE(p->IsAnsiLeadByte('A'));
}

TEST(EmptyList, MessageBoxHasTheTextTitleOwnerAndOneButton) {
  HWND owner = CreateWindowExW(0, L"Static", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                               200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  apptest::DialogWatcher watcher(GetCurrentThreadId(),
                                 [](HWND box) { apptest::PressDialogButton(box, IDOK); });
  auto platform = app::MakeWindowsBookPlatform(owner);
  EXPECT_EQ(book::BuildBook(*platform, "C:/nowhere", {}, "b"), book::BuildResult::kEmptyList);
  apptest::DialogSeen seen = watcher.Join();
  DestroyWindow(owner);
  ASSERT_NE(seen.hwnd, nullptr) << "no message box appeared";
  EXPECT_EQ(seen.owner, owner);
  EXPECT_EQ(seen.title, L"提示:)");
  EXPECT_EQ(seen.text, L"**加载文件后再转换吧!:)**");
  EXPECT_EQ(seen.buttons.size(), 1u);
  EXPECT_FALSE(seen.has_icon);
}

TEST(CompilerStart, StartsTheProgramHiddenWithBothPathsQuoted) {
  // The stand-in compiler lies in its own folder beside the tests.
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring bin(self);
  bin = bin.substr(0, bin.find_last_of(L"\\/")) + L"\\fake_hhc";
  DeleteFileW((bin + L"\\hhc-call.txt").c_str());

  std::wstring chapters = MakeFolder(L"章节 文件夹");
  Write(chapters + L"\\a.htm", "<title>A</title>");
  auto platform = app::MakeWindowsBookPlatform(nullptr, bin);
  ASSERT_EQ(book::BuildBook(*platform, WideToUtf8(chapters), {"a.htm"}, "b"),
            book::BuildResult::kStarted);

  std::string call;
  for (DWORD t0 = GetTickCount(); GetTickCount() - t0 < 15000 && call.empty(); Sleep(50))
    call = ReadAll(bin + L"\\hhc-call.txt");
  ASSERT_FALSE(call.empty()) << "the compiler was not started";
  std::istringstream lines(call);
  std::string command_line, show, startup_show;
  std::getline(lines, command_line);
  std::getline(lines, show);
  std::getline(lines, startup_show);
  EXPECT_EQ(command_line,
            "\"" + WideToUtf8(bin) + "/hhc.exe\" \"" + WideToUtf8(chapters) + "/chm_hhp.hhp\"");
  EXPECT_EQ(show, std::to_string(SW_HIDE));
  EXPECT_EQ(startup_show, std::to_string(SW_HIDE));
}

TEST(CompilerStart, MissingCompilerIsReportedNamingIt) {
  std::wstring chapters = MakeFolder(L"no-compiler");
  Write(chapters + L"\\a.htm", "x");
  std::wstring empty = MakeFolder(L"empty-bin");
  struct Recording : testing_support::ForwardingPlatform {
    std::string error;
    void ShowMessage(const std::string&, const std::string&) override {}
    void ReportError(const std::string& m) override { error = m; }
    void OpenWithShell(const std::string&) override {}
  } p;
  p.inner = app::MakeWindowsBookPlatform(nullptr, empty);
  EXPECT_EQ(book::BuildBook(p, WideToUtf8(chapters), {"a.htm"}, "b"), book::BuildResult::kFailed);
  EXPECT_NE(p.error.find(WideToUtf8(empty) + "/hhc.exe"), std::string::npos) << p.error;
  EXPECT_EQ(GetFileAttributesW((chapters + L"\\chm_hhp.hhp").c_str()) != INVALID_FILE_ATTRIBUTES,
            true);
}

// A compiler started by the previous build may still hold a project file open, without letting
// others delete it: the new file takes its place once it is let go, and a file held too long is
// reported while both the old file and the new one stay as they were.
TEST(ProjectFiles, ReplacedOnlyOnceTheirReaderLetsGo) {
  const std::wstring folder = MakeFolder(L"held files");
  const std::wstring target = folder + L"\\chm_hhp.hhp", temporary = target + L".new.tmp";
  auto platform = app::MakeWindowsBookPlatform(nullptr);
  for (DWORD held_ms : {300u, INFINITE}) {
    Write(target, "old");
    Write(temporary, "new");
    HANDLE reader = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    std::thread release;
    if (held_ms != INFINITE) release = std::thread([&] { Sleep(held_ms), CloseHandle(reader); });
    const bool replaced = platform->RenameOver(WideToUtf8(temporary), WideToUtf8(target));
    const int error = errno;
    if (release.joinable())
      release.join();
    else
      CloseHandle(reader);
    if (held_ms != INFINITE) {
      EXPECT_TRUE(replaced);
      EXPECT_EQ(ReadAll(target), "new");
    } else {
      EXPECT_FALSE(replaced);
      EXPECT_EQ(error, EACCES);
      EXPECT_EQ(ReadAll(target), "old");
      EXPECT_EQ(ReadAll(temporary), "new");
      DeleteFileW(temporary.c_str());
    }
  }
}

}  // namespace

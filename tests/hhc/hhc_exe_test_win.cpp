// hhc.exe under Wine as the window and as a console start it: runs started together on one
// project, failures shown in a box when nobody reads standard error, and no box otherwise.
#include <windows.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/app/dialog_watch.h"
#include "tests/app/folivane_process.h"
#include "tests/app/temp_folder.h"

namespace {

using apptest::DialogSeen;
using apptest::FolderNames;
using apptest::WriteBytes;

constexpr DWORD kRunTimeoutMs = 60000;
constexpr int kRounds = 3;

std::wstring Hhc() { return apptest::WindowsPath(FOLIVANE_BIN_DIR) + L"\\hhc.exe"; }

std::string Gbk(const std::wstring& text) {
  int size = WideCharToMultiByte(936, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(936, 0, text.c_str(), -1, bytes.data(), size, nullptr, nullptr);
  bytes.pop_back();
  return bytes;
}

// A project as the book builder writes it, cut down to what the compiler needs: chapters
// a.htm and b.htm, the contents file, and the book named `book` (the project's code page).
void WriteProject(const std::wstring& folder, const std::wstring& book,
                  const std::vector<std::wstring>& extra_files = {}, size_t chapter_size = 200) {
  std::string hhp =
      "[OPTIONS]\r\nCompatibility=1.1 or later\r\nCompiled file=" + Gbk(book) +
      "\r\nContents file=chm_hhc.hhc\r\nDefault topic=a.htm\r\nDisplay compile progress=No\r\n"
      "Language=0x804\r\nError log file=hhc.log\r\n\r\n[FILES]\r\na.htm\r\nb.htm\r\n";
  for (const std::wstring& f : extra_files) hhp += Gbk(f) + "\r\n";
  ASSERT_TRUE(WriteBytes(folder + L"\\chm_hhp.hhp", hhp));
  ASSERT_TRUE(WriteBytes(folder + L"\\chm_hhc.hhc",
                         "<HTML><BODY><UL><LI> <OBJECT type=\"text/sitemap\"><param name=\"Name\" "
                         "value=\"A\"><param name=\"Local\" value=\"a.htm\"></OBJECT></UL>"
                         "</BODY></HTML>\r\n"));
  for (const char* name : {"a", "b"}) {
    std::string page = std::string("<html><title>") + name + "</title><body>";
    for (unsigned seed = name[0]; page.size() < chapter_size;) {
      seed = seed * 1103515245u + 12345u;
      page += "w" + std::to_string(seed >> 18) + (seed & 0x100 ? " " : "\r\n");
    }
    ASSERT_TRUE(WriteBytes(folder + L"\\" + std::wstring(name, name + 1) + L".htm",
                           page + "</body></html>\r\n"));
  }
}

std::set<std::wstring> NamesIn(const std::wstring& folder) {
  std::vector<std::wstring> names = FolderNames(folder);
  return {names.begin(), names.end()};
}

// How a run is started.
enum class Start {
  kLikeTheWindow,   // hidden, no handles handed over: nobody reads standard error
  kRedirected,      // hidden, standard error handed over as a file
  kOwnConsole,      // a console of its own, shown
  kSharingConsole,  // this test's console and handles, as from a command prompt
};

struct HhcRun {
  HANDLE process = nullptr;
  DWORD process_id = 0;
};

HhcRun StartHhc(const std::wstring& project, Start how, HANDLE err_file = nullptr,
                const std::wstring& hhc = Hhc()) {
  std::wstring command = L"\"" + hhc + L"\" \"" + project + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  DWORD flags = 0;
  BOOL inherit = FALSE;
  if (how == Start::kLikeTheWindow || how == Start::kRedirected) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
  }
  if (how == Start::kRedirected) {
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdError = startup.hStdOutput = err_file;
    inherit = TRUE;
  }
  if (how == Start::kOwnConsole) flags = CREATE_NEW_CONSOLE;
  PROCESS_INFORMATION info = {};
  HhcRun run;
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, inherit, flags, nullptr, nullptr,
                      &startup, &info)) {
    ADD_FAILURE() << "hhc.exe not started: " << GetLastError();
    return run;
  }
  CloseHandle(info.hThread);
  run.process = info.hProcess;
  run.process_id = info.dwProcessId;
  return run;
}

DWORD WaitForExit(HhcRun& run, DWORD timeout_ms = kRunTimeoutMs) {
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(run.process, timeout_ms) == WAIT_OBJECT_0) {
    GetExitCodeProcess(run.process, &code);
  } else {
    TerminateProcess(run.process, 9);
  }
  CloseHandle(run.process);
  run.process = nullptr;
  return code;
}

// A message box of the process, once it is there.
HWND WaitForBox(const HhcRun& run, DWORD timeout_ms) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeout_ms; Sleep(20)) {
    if (HWND box = apptest::FindVisibleProcessWindow(run.process_id, L"#32770")) return box;
    if (WaitForSingleObject(run.process, 0) != WAIT_TIMEOUT) return nullptr;
  }
  return nullptr;
}

HANDLE InheritableFile(const std::wstring& path) {
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Runs started together on one project, as a quick double click on the build button starts
// them. Each round's book is kept for the native readers (check_concurrent_books.sh).
TEST(HhcExe, RunsStartedTogetherEachLeaveACompleteBookAndNoTemporaryFile) {
  const std::wstring kept = apptest::WindowsPath(FOLIVANE_CONCURRENT_DIR);
  apptest::RemoveTree(kept);
  CreateDirectoryW(kept.c_str(), nullptr);
  for (int count : {2, 4}) {
    apptest::TempFolder folder(L"hhc together " + std::to_wstring(count));
    WriteProject(folder.path(), L"测试书.chm", {}, 200000);
    std::set<std::wstring> expected = NamesIn(folder.path());
    expected.insert(L"测试书.chm");
    expected.insert(L"hhc.log");  // every run writes the project's error log
    for (const wchar_t* page : {L"a.htm", L"b.htm"}) {
      CopyFileW(folder.File(page).c_str(), (kept + L"\\" + page).c_str(), FALSE);
    }
    for (int round = 0; round < kRounds; ++round) {
      SCOPED_TRACE(std::to_string(count) + " runs, round " + std::to_string(round));
      std::vector<HhcRun> runs;
      for (int i = 0; i < count; ++i) {
        runs.push_back(StartHhc(folder.File(L"chm_hhp.hhp"), Start::kLikeTheWindow));
      }
      for (HhcRun& run : runs) EXPECT_EQ(WaitForExit(run), 0u);
      EXPECT_EQ(NamesIn(folder.path()), expected);
      const std::wstring copy =
          kept + L"\\" + std::to_wstring(count) + L"-" + std::to_wstring(round) + L".chm";
      EXPECT_TRUE(CopyFileW(folder.File(L"测试书.chm").c_str(), copy.c_str(), FALSE));
    }
  }
}

// The failures a user meets, each in its box: the book, what failed, the file and what to do.
// The box has no owner, one button, and the program's skin; the folder is left as it was.
TEST(HhcExe, FailureStartedLikeTheWindowShowsItsBoxAndLeavesTheFolderAsItWas) {
  struct FailureCase {
    const wchar_t* name;
    const wchar_t* book;
    std::vector<std::wstring> extra_files;
    const wchar_t* what;  // the words of what failed
    const wchar_t* file;  // the file the box names
  };
  const FailureCase cases[] = {
      {L"missing chapter",
       L"测试书.chm",
       {L"第三章.htm"},
       L"项目中列出的文件找不到",
       L"第三章.htm"},
      {L"read-only book", L"测试书.chm", {}, L"电子书文件是只读的", L"测试书.chm"},
      {L"held open", L"测试书.chm", {}, L"电子书正被另一个程序打开", L"测试书.chm"},
      {L"bad name", L"书|名.chm", {}, L"书名不能用作文件名", L"chm_hhp.hhp"},
      {L"unreadable project", L"测试书.chm", {}, L"无法读取项目文件", L"chm_hhp.hhp"},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(apptest::WindowsPath("") + c.name);
    apptest::TempFolder folder(L"hhc box");
    WriteProject(folder.path(), c.book, c.extra_files);
    const std::wstring book = folder.File(L"测试书.chm");
    ASSERT_TRUE(WriteBytes(book, "old book"));
    HANDLE holder = INVALID_HANDLE_VALUE;
    if (c.name == std::wstring(L"read-only book")) {
      SetFileAttributesW(book.c_str(), FILE_ATTRIBUTE_READONLY);
    } else if (c.name == std::wstring(L"held open")) {
      // As a viewer holds a book it shows: others may read it, nobody may replace it.
      holder = CreateFileW(book.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
      ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    } else if (c.name == std::wstring(L"unreadable project")) {
      DeleteFileW(folder.File(L"chm_hhp.hhp").c_str());
      CreateDirectoryW(folder.File(L"chm_hhp.hhp").c_str(), nullptr);
    }
    const std::set<std::wstring> before = NamesIn(folder.path());

    HhcRun run = StartHhc(folder.File(L"chm_hhp.hhp"), Start::kLikeTheWindow);
    HWND box = WaitForBox(run, kRunTimeoutMs);
    ASSERT_NE(box, nullptr) << "no box";
    DialogSeen seen = apptest::DescribeDialog(box);
    EXPECT_EQ(seen.title, L"Folivane");
    EXPECT_EQ(seen.owner, nullptr);
    EXPECT_EQ(seen.buttons.size(), 1u);
    EXPECT_FALSE(seen.has_icon);
    EXPECT_NE(GetPropA(box, "PROCADDR"), nullptr) << "not skinned";
    EXPECT_EQ(seen.text.find(L"没能生成电子书"), 0u);
    EXPECT_NE(seen.text.find(c.what), std::wstring::npos);
    EXPECT_NE(seen.text.find(L"文件: "), std::wstring::npos);
    EXPECT_NE(seen.text.find(c.file), std::wstring::npos);
    EXPECT_NE(seen.text.find(L"请"), std::wstring::npos);
    if (holder != INVALID_HANDLE_VALUE) {
      EXPECT_NE(seen.text.find(L"请关闭正在显示这本电子书的窗口, 然后再转换生成一次。"),
                std::wstring::npos);
    }
    apptest::PressDialogButton(box, IDOK);
    EXPECT_EQ(WaitForExit(run, 10000), 1u);
    if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
    SetFileAttributesW(book.c_str(), FILE_ATTRIBUTE_NORMAL);
    // The project's error log has the message too, once the project could be read.
    const std::wstring log = folder.File(L"hhc.log");
    if (c.name != std::wstring(L"unreadable project")) {
      EXPECT_EQ(apptest::ReadBytes(log).find("hhc: error: "), 0u);
      DeleteFileW(log.c_str());
    }
    EXPECT_EQ(NamesIn(folder.path()), before);
    EXPECT_EQ(apptest::ReadBytes(book), "old book");
  }
}

// hhc.exe without its library: the run started like the window says so in a box of its own.
TEST(HhcExe, MissingLibraryStartedLikeTheWindowShowsItsBox) {
  apptest::TempFolder folder(L"hhc alone");
  WriteProject(folder.path(), L"测试书.chm");
  ASSERT_TRUE(CopyFileW(Hhc().c_str(), folder.File(L"hhc.exe").c_str(), FALSE));
  HhcRun run = StartHhc(folder.File(L"chm_hhp.hhp"), Start::kLikeTheWindow, nullptr,
                        folder.File(L"hhc.exe"));
  HWND box = WaitForBox(run, kRunTimeoutMs);
  ASSERT_NE(box, nullptr) << "no box";
  DialogSeen seen = apptest::DescribeDialog(box);
  EXPECT_EQ(seen.title, L"Folivane");
  EXPECT_EQ(seen.owner, nullptr);
  EXPECT_NE(seen.text.find(L"hha.dll 无法使用"), std::wstring::npos);
  apptest::PressDialogButton(box, IDOK);
  EXPECT_EQ(WaitForExit(run, 10000), 3u);
}

// From a console, or with its output redirected, a failure goes to standard error only: the
// run ends by itself without any window, with the same status.
TEST(HhcExe, FailureStartedFromAConsoleOrRedirectedShowsNoWindow) {
  apptest::TempFolder folder(L"hhc no box");
  WriteProject(folder.path(), L"测试书.chm", {L"gone.htm"});
  for (Start how : {Start::kRedirected, Start::kOwnConsole, Start::kSharingConsole}) {
    SCOPED_TRACE(static_cast<int>(how));
    const std::wstring err_path = folder.path() + L".err";
    HANDLE err = how == Start::kRedirected ? InheritableFile(err_path) : nullptr;
    HhcRun run = StartHhc(folder.File(L"chm_hhp.hhp"), how, err);
    if (err) CloseHandle(err);
    EXPECT_EQ(WaitForBox(run, 5000), nullptr) << "a box appeared";
    EXPECT_EQ(WaitForExit(run, 5000), 1u);
    if (how == Start::kRedirected) {
      const std::string line = apptest::ReadBytes(err_path);
      EXPECT_EQ(line.find("hhc: error: gone.htm: file not found"), 0u) << line;
      DeleteFileW(err_path.c_str());
    }
    EXPECT_EQ(apptest::ReadBytes(folder.File(L"hhc.log")).find("hhc: error: gone.htm"), 0u);
    DeleteFileW(folder.File(L"hhc.log").c_str());
  }
}

}  // namespace

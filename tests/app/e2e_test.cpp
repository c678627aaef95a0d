// The real Folivane.exe under Wine, driven from this separate program as a user drives it:
// start-up in an empty program folder, the window, import through the folder dialog, build,
// the compiled book, the help message and closing.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/browse_driver.h"
#include "tests/app/dialog_watch.h"
#include "tests/app/expected_texts.h"
#include "tests/app/folivane_process.h"
#include "tests/app/temp_folder.h"

namespace {

using apptest::DialogSeen;
using apptest::FileExists;
using apptest::FolivaneProcess;
using apptest::ReadBytes;
using apptest::WindowsPath;

constexpr int kCommand1 = 1001, kCommand2 = 1002, kText1 = 1004, kImage1 = 1006;
constexpr DWORD kStartTimeoutMs = 30000;
const wchar_t* const kCarried[] = {L"hhc.exe", L"hha.dll", L"hh.exe"};

std::wstring Exe() { return WindowsPath(FOLIVANE_EXE); }
std::wstring BuiltFile(const wchar_t* name) { return WindowsPath(FOLIVANE_BIN_DIR) + L"\\" + name; }
std::wstring WorkFolder() { return WindowsPath(FOLIVANE_E2E_DIR); }

// A fresh program folder holding only Folivane.exe.
std::wstring FreshProgramFolder(const std::wstring& name) {
  CreateDirectoryW(WorkFolder().c_str(), nullptr);
  std::wstring folder = WorkFolder() + L"\\" + name;
  apptest::RemoveTree(folder);
  CreateDirectoryW(folder.c_str(), nullptr);
  EXPECT_TRUE(apptest::CopyOneFile(Exe(), folder + L"\\Folivane.exe"));
  return folder;
}

ULONGLONG WriteTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  return (ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32) |
         data.ftLastWriteTime.dwLowDateTime;
}

// Starts the program, waits for its window, closes it again; fails on any start-up message.
void StartAndClose(const std::wstring& folder) {
  FolivaneProcess program(folder + L"\\Folivane.exe", folder);
  ASSERT_TRUE(program.started());
  HWND form = program.WaitForForm(kStartTimeoutMs);
  if (!form) {
    HWND box = program.WaitForDialog(100);
    FAIL() << "no window" << (box ? "; a start-up message is shown" : "");
  }
  EXPECT_EQ(program.Close(10000), 0u);
}

// Presses a button of the other process without waiting for what it opens.
void Press(const FolivaneProcess& program, int id) {
  PostMessageW(program.Control(id), BM_CLICK, 0, 0);
}

// Imports `folder` through the folder dialog, as the user picks it there.
bool ImportFolder(FolivaneProcess& program, const std::wstring& folder) {
  Press(program, kCommand1);
  HWND dialog = program.WaitForDialog(10000);
  if (!dialog) return false;
  bool selected = apptest::SelectFolderInBrowseDialog(dialog, folder, 30000);
  apptest::PressDialogButton(dialog, selected ? IDOK : IDCANCEL);
  for (DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(20)) {
    if (!IsWindow(dialog)) break;
  }
  return selected;
}

DialogSeen AnswerNextMessage(FolivaneProcess& program, DWORD timeout_ms) {
  HWND box = program.WaitForDialog(timeout_ms);
  if (!box) return {};
  DialogSeen seen = apptest::DescribeDialog(box);
  apptest::PressDialogButton(box, IDOK);
  for (DWORD start = GetTickCount(); GetTickCount() - start < 5000 && IsWindow(box);) Sleep(20);
  return seen;
}

bool WaitForFile(const std::wstring& path, DWORD timeout_ms) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeout_ms; Sleep(100)) {
    if (FileExists(path)) return true;
  }
  return false;
}

std::string Gbk(const std::wstring& text) {
  int size = WideCharToMultiByte(936, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(936, 0, text.c_str(), -1, bytes.data(), size, nullptr, nullptr);
  bytes.pop_back();
  return bytes;
}

// Windows of a thread and their descendants that carry the skin engine's PROCADDR property:
// properties live with the window, so another process reads them as the program does.
BOOL CALLBACK CountSkinnedChild(HWND window, LPARAM count) {
  if (GetPropA(window, "PROCADDR")) ++*reinterpret_cast<int*>(count);
  return TRUE;
}

BOOL CALLBACK CountSkinnedTopLevel(HWND window, LPARAM count) {
  CountSkinnedChild(window, count);
  EnumChildWindows(window, CountSkinnedChild, count);
  return TRUE;
}

int SkinnedWindowsOfThread(DWORD thread_id) {
  int count = 0;
  EnumThreadWindows(thread_id, CountSkinnedTopLevel, reinterpret_cast<LPARAM>(&count));
  return count;
}

void ExpectViewerShowsBookAndEndsWithIt(const std::wstring& viewer, const std::wstring& book) {
  std::wstring command = L"\"" + viewer + L"\" " + book;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  ASSERT_TRUE(CreateProcessW(viewer.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &info));
  CloseHandle(info.hThread);
  HWND help = nullptr;
  for (DWORD start = GetTickCount(); GetTickCount() - start < 20000 && !help; Sleep(50)) {
    help = apptest::FindVisibleProcessWindow(info.dwProcessId, L"HH Parent");
  }
  EXPECT_NE(help, nullptr) << "no help window";
  if (help) {
    wchar_t title[64] = L"";
    SendMessageW(help, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(title));
    EXPECT_STREQ(title, L"测试书");
    // Still running while its window is open.
    Sleep(500);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    PostMessageW(help, WM_CLOSE, 0, 0);
  }
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0))
      << "hh.exe outlived its window";
  if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 9);
  CloseHandle(info.hProcess);
}

TEST(EndToEnd, FirstStartPlacesOurBuildsAndLaterStartsWriteOnlyWhatIsMissing) {
  std::wstring folder = FreshProgramFolder(L"program");
  StartAndClose(folder);
  for (const wchar_t* name : kCarried) {
    SCOPED_TRACE(name);
    std::string built = ReadBytes(BuiltFile(name));
    ASSERT_FALSE(built.empty()) << "not built";
    EXPECT_TRUE(ReadBytes(folder + L"\\" + name) == built) << "differs from our build";
  }
  EXPECT_EQ(apptest::FolderNames(folder).size(), 4u);

  // A second start writes nothing.
  std::vector<ULONGLONG> times;
  for (const wchar_t* name : kCarried) times.push_back(WriteTime(folder + L"\\" + name));
  Sleep(1100);
  StartAndClose(folder);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(WriteTime(folder + L"\\" + kCarried[i]), times[i]);
  EXPECT_EQ(apptest::FolderNames(folder).size(), 4u);

  // With only hha.dll deleted, only hha.dll comes back.
  ASSERT_TRUE(DeleteFileW((folder + L"\\hha.dll").c_str()));
  StartAndClose(folder);
  EXPECT_TRUE(ReadBytes(folder + L"\\hha.dll") == ReadBytes(BuiltFile(L"hha.dll")));
  EXPECT_EQ(WriteTime(folder + L"\\hhc.exe"), times[0]);
  EXPECT_EQ(WriteTime(folder + L"\\hh.exe"), times[2]);
}

TEST(EndToEnd, WindowShowsItsControlsAsDesigned) {
  std::wstring folder = FreshProgramFolder(L"program-window");
  FolivaneProcess program(folder + L"\\Folivane.exe", folder);
  HWND form = program.WaitForForm(kStartTimeoutMs);
  ASSERT_NE(form, nullptr);
  wchar_t text[128];
  GetWindowTextW(form, text, 128);
  EXPECT_STREQ(text, L"Folivane");
  RECT client;
  GetClientRect(form, &client);
  EXPECT_EQ(client.right, 500);
  EXPECT_EQ(client.bottom, 367);
  for (const apptest::ExpectedControl& expected : apptest::kExpectedControls) {
    SCOPED_TRACE(expected.id);
    HWND control = program.Control(expected.id);
    ASSERT_NE(control, nullptr);
    GetClassNameW(control, text, 128);
    EXPECT_STREQ(text, expected.window_class);
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, expected.left);
    EXPECT_EQ(r.top, expected.top);
    EXPECT_EQ(r.right - r.left, expected.width);
    EXPECT_EQ(r.bottom - r.top, expected.height);
    EXPECT_EQ(program.Text(expected.id), expected.text);
  }
  HWND at = program.Control(kCommand1);
  std::vector<int> tabbing;
  for (int i = 0; i < 4; ++i) {
    at = GetNextDlgTabItem(form, at, FALSE);
    tabbing.push_back(GetDlgCtrlID(at));
  }
  EXPECT_EQ(tabbing, (std::vector<int>{1002, 1003, 1004, 1001}));
  // The skin engine has the window and every control from the start.
  EXPECT_NE(GetPropA(form, "PROCADDR"), nullptr);
  for (const apptest::ExpectedControl& expected : apptest::kExpectedControls)
    EXPECT_NE(GetPropA(program.Control(expected.id), "PROCADDR"), nullptr) << expected.id;
  // The file list starts empty: its path is a single blank.
  EXPECT_TRUE(program.ListEntries().empty());
  EXPECT_EQ(program.Close(10000), 0u);
}

TEST(EndToEnd, ImportBuildCompileAndHelpThroughTheWindow) {
  std::wstring folder = FreshProgramFolder(L"program-build");
  // The chapter folder's path has a blank, and its files Chinese names.
  std::wstring chapters = WorkFolder() + L"\\章节 书";
  apptest::RemoveTree(chapters);
  ASSERT_TRUE(CreateDirectoryW(chapters.c_str(), nullptr));
  ASSERT_TRUE(apptest::WriteBytes(
      chapters + L"\\第一章.htm",
      Gbk(L"<html><head><title>第一章 开始</title></head><body>一</body></html>\r\n")));
  ASSERT_TRUE(apptest::WriteBytes(chapters + L"\\第二章.htm",
                                  Gbk(L"<html><body>没有标题</body></html>\r\n")));
  ASSERT_TRUE(apptest::WriteBytes(chapters + L"\\附录.txt", Gbk(L"附录\r\n")));
  ASSERT_TRUE(apptest::WriteBytes(chapters + L"\\notes.doc", "not a chapter"));

  FolivaneProcess program(folder + L"\\Folivane.exe", folder);
  ASSERT_NE(program.WaitForForm(kStartTimeoutMs), nullptr);

  // Build before any import: refused, nothing written anywhere.
  Press(program, kCommand2);
  DialogSeen refusal = AnswerNextMessage(program, 10000);
  EXPECT_EQ(refusal.title, apptest::kExpectedEmptyListTitle);
  EXPECT_EQ(refusal.text, apptest::kExpectedEmptyListText);
  EXPECT_EQ(refusal.buttons.size(), 1u);
  EXPECT_EQ(refusal.owner, program.form());

  ASSERT_TRUE(ImportFolder(program, chapters));
  std::vector<std::wstring> entries;
  for (DWORD start = GetTickCount(); GetTickCount() - start < 5000 && entries.size() < 3;
       Sleep(50)) {
    entries = program.ListEntries();
  }
  EXPECT_EQ(entries, (std::vector<std::wstring>{L"第一章.htm", L"第二章.htm", L"附录.txt"}));

  SendMessageW(program.Control(kText1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"测试书"));
  Press(program, kCommand2);
  for (const wchar_t* name : {L"chm_hhc.hhc", L"chm_hhk.hhk", L"chm_hhp.hhp", L"chm_about.htm"}) {
    EXPECT_TRUE(WaitForFile(chapters + L"\\" + name, 10000)) << "missing " << Gbk(name);
  }
  // The compiler started by the window writes the book into the chapter folder.
  std::wstring book = chapters + L"\\测试书.chm";
  ASSERT_TRUE(WaitForFile(book, 60000)) << "no book written";
  std::string bytes;
  for (DWORD start = GetTickCount(); GetTickCount() - start < 30000; Sleep(200)) {
    bytes = ReadBytes(book);
    if (bytes.size() > 4 && bytes.compare(0, 4, "ITSF") == 0) break;
  }
  EXPECT_EQ(bytes.substr(0, 4), "ITSF");
  // No build may leave a message behind (an error report would show here).
  EXPECT_EQ(program.WaitForDialog(500), nullptr);

  // The help picture, clicked as a user clicks it; the box is skinned while it is open and
  // released when it closes.
  const int skinned_before = SkinnedWindowsOfThread(program.thread_id());
  EXPECT_GE(skinned_before, 7);
  RECT r;
  GetWindowRect(program.Control(kImage1), &r);
  SetForegroundWindow(program.form());
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  INPUT click[2] = {};
  click[0].type = click[1].type = INPUT_MOUSE;
  click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, click, sizeof(INPUT));
  DialogSeen help = AnswerNextMessage(program, 10000);
  EXPECT_EQ(help.title, L"帮助");
  EXPECT_EQ(help.text, apptest::kExpectedHelpText);
  EXPECT_EQ(help.buttons.size(), 1u);
  EXPECT_EQ(help.owner, program.form());
  for (DWORD start = GetTickCount(); GetTickCount() - start < 3000 &&
                                     SkinnedWindowsOfThread(program.thread_id()) != skinned_before;
       Sleep(50)) {
  }
  EXPECT_EQ(SkinnedWindowsOfThread(program.thread_id()), skinned_before);

  EXPECT_EQ(program.Close(10000), 0u);

  // The deployed viewer launcher opens the new book and ends with its window.
  ExpectViewerShowsBookAndEndsWithIt(folder + L"\\hh.exe", book);
}

// A message box of another process than `program_id`: the compiler's, which has no owner.
HWND WaitForCompilerBox(DWORD program_id, DWORD timeout_ms) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeout_ms; Sleep(50)) {
    if (HWND box = apptest::FindVisibleProcessWindow(program_id, L"#32770",
                                                     apptest::WindowOwner::kOther)) {
      return box;
    }
  }
  return nullptr;
}

// The screen under a window, as a 24-bit BMP file, for a person to look at.
void SaveWindowPicture(HWND window, const std::wstring& path) {
  RECT r;
  GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const DWORD row = (width * 3 + 3) & ~3u;
  std::string pixels(static_cast<size_t>(row) * height, '\0');
  GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
            DIB_RGB_COLORS);
  BITMAPFILEHEADER file = {0x4D42, 0, 0, 0, sizeof file + sizeof info};
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  apptest::WriteBytes(path, std::string(reinterpret_cast<char*>(&file), sizeof file) +
                                std::string(reinterpret_cast<char*>(&info), sizeof info) + pixels);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

// The user's first build, the book opened in the viewer, a chapter added and a second build:
// the compiler cannot replace the book the viewer holds and says so in its own box, naming the
// book and asking to close the viewer. With the viewer closed the next build brings the new
// chapter (read back natively by check_e2e_book.sh).
TEST(EndToEnd, BookHeldByTheViewerIsReportedByTheCompilerAndTheNextBuildReplacesIt) {
  std::wstring folder = FreshProgramFolder(L"program-held");
  std::wstring chapters = WorkFolder() + L"\\held book";
  apptest::RemoveTree(chapters);
  ASSERT_TRUE(CreateDirectoryW(chapters.c_str(), nullptr));
  ASSERT_TRUE(apptest::WriteBytes(chapters + L"\\第一章.htm",
                                  Gbk(L"<html><title>第一章</title><body>一</body></html>\r\n")));
  FolivaneProcess program(folder + L"\\Folivane.exe", folder);
  ASSERT_NE(program.WaitForForm(kStartTimeoutMs), nullptr);
  ASSERT_TRUE(ImportFolder(program, chapters));
  SendMessageW(program.Control(kText1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"测试书"));
  Press(program, kCommand2);
  const std::wstring book = chapters + L"\\测试书.chm";
  ASSERT_TRUE(WaitForFile(book, 60000)) << "no book written";

  std::wstring viewer_command = L"\"" + folder + L"\\hh.exe\" " + book;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION viewer = {};
  ASSERT_TRUE(CreateProcessW(nullptr, viewer_command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &viewer));
  CloseHandle(viewer.hThread);
  HWND help = nullptr;
  for (DWORD start = GetTickCount(); GetTickCount() - start < 20000 && !help; Sleep(50)) {
    help = apptest::FindVisibleProcessWindow(viewer.dwProcessId, L"HH Parent");
  }
  ASSERT_NE(help, nullptr) << "no help window";

  ASSERT_TRUE(apptest::WriteBytes(chapters + L"\\第二章.htm",
                                  Gbk(L"<html><title>第二章</title><body>二</body></html>\r\n")));
  ASSERT_TRUE(ImportFolder(program, chapters));
  const std::string first_book = ReadBytes(book);
  Press(program, kCommand2);
  DWORD program_id = 0;
  GetWindowThreadProcessId(program.form(), &program_id);
  HWND box = WaitForCompilerBox(program_id, 60000);
  ASSERT_NE(box, nullptr) << "the compiler said nothing";
  SaveWindowPicture(box, WorkFolder() + L"\\held_book_box.bmp");
  DialogSeen seen = apptest::DescribeDialog(box);
  EXPECT_EQ(seen.title, L"Folivane");
  EXPECT_EQ(seen.owner, nullptr);
  EXPECT_EQ(seen.buttons.size(), 1u);
  EXPECT_NE(GetPropA(box, "PROCADDR"), nullptr) << "not skinned";
  EXPECT_EQ(seen.text.find(L"没能生成电子书“测试书.chm”。"), 0u);
  EXPECT_NE(seen.text.find(L"电子书正被另一个程序打开"), std::wstring::npos);
  EXPECT_NE(seen.text.find(L"文件: " + book), std::wstring::npos);
  EXPECT_NE(seen.text.find(L"请关闭正在显示这本电子书的窗口, 然后再转换生成一次。"),
            std::wstring::npos);
  apptest::PressDialogButton(box, IDOK);
  for (DWORD start = GetTickCount(); GetTickCount() - start < 5000 && IsWindow(box);) Sleep(20);
  EXPECT_TRUE(ReadBytes(book) == first_book) << "the held book was changed";

  PostMessageW(help, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(viewer.hProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(viewer.hProcess);
  // Twice, as a quick double click presses it: two compilers run on the project together.
  Press(program, kCommand2);
  Press(program, kCommand2);
  std::string second_book;
  for (DWORD start = GetTickCount(); GetTickCount() - start < 60000; Sleep(200)) {
    second_book = ReadBytes(book);
    if (second_book != first_book && second_book.compare(0, 4, "ITSF") == 0) break;
  }
  EXPECT_TRUE(second_book != first_book) << "the book was not replaced";
  auto has_temporary = [&] {
    for (const std::wstring& name : apptest::FolderNames(chapters)) {
      if (name.find(L".part") != std::wstring::npos) return true;
    }
    return false;
  };
  for (DWORD start = GetTickCount(); GetTickCount() - start < 30000 && has_temporary();) Sleep(100);
  EXPECT_FALSE(has_temporary());
  EXPECT_EQ(WaitForCompilerBox(program_id, 2000), nullptr);
  EXPECT_EQ(program.Close(10000), 0u);
}

// When the compiler cannot be placed next to the program, start-up says which folder and why,
// the window opens all the same, and a build then reports the missing compiler.
TEST(EndToEnd, UnplaceableCompilerIsReportedAndTheWindowStillOpens) {
  std::wstring folder = FreshProgramFolder(L"program-blocked");
  // A folder of the compiler's name stands where the file must go.
  ASSERT_TRUE(CreateDirectoryW((folder + L"\\hhc.exe").c_str(), nullptr));
  std::wstring chapters = WorkFolder() + L"\\blocked chapters";
  apptest::RemoveTree(chapters);
  ASSERT_TRUE(CreateDirectoryW(chapters.c_str(), nullptr));
  ASSERT_TRUE(apptest::WriteBytes(chapters + L"\\a.htm", "<title>A</title>\r\n"));

  FolivaneProcess program(folder + L"\\Folivane.exe", folder);
  DialogSeen report = AnswerNextMessage(program, kStartTimeoutMs);
  ASSERT_NE(report.hwnd, nullptr) << "no start-up report";
  EXPECT_NE(report.text.find(folder), std::wstring::npos);
  EXPECT_NE(report.text.find(L"hhc.exe: "), std::wstring::npos);
  EXPECT_EQ(report.buttons.size(), 1u);
  ASSERT_NE(program.WaitForForm(10000), nullptr);
  EXPECT_TRUE(FileExists(folder + L"\\hha.dll"));
  EXPECT_TRUE(FileExists(folder + L"\\hh.exe"));

  ASSERT_TRUE(ImportFolder(program, chapters));
  Press(program, kCommand2);
  DialogSeen missing = AnswerNextMessage(program, 15000);
  ASSERT_NE(missing.hwnd, nullptr) << "the build reported nothing";
  EXPECT_NE(missing.text.find(L"hhc.exe"), std::wstring::npos);
  EXPECT_TRUE(FileExists(chapters + L"\\chm_hhp.hhp"));
  EXPECT_EQ(program.Close(10000), 0u);
}

}  // namespace

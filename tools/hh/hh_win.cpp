// hh.exe: opens the compiled help file named on its command line in the system's HTML Help
// viewer and lives as long as the help window. The HTML Help control (hhctrl.ocx) is loaded
// at run time, so nothing but the system's own files is needed.
#include <windows.h>

#include <string>

namespace {

// From the HTML Help API; the header and import library are not needed for these few.
constexpr UINT kHhDisplayTopic = 0x0000;
constexpr UINT kHhInitialize = 0x001C;
constexpr UINT kHhUninitialize = 0x001D;
constexpr UINT kHhPretranslateMessage = 0x00fd;

using HtmlHelpWFunction = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);

// The command line after the program's own name; one pair of quotes around it is dropped,
// so that both `hh.exe "C:\a b\book.chm"` and `hh.exe C:\a b\book.chm` open the same file.
std::wstring HelpFileArgument(const wchar_t* command_line) {
  const wchar_t* p = command_line;
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  std::wstring argument = p;
  while (!argument.empty() && (argument.back() == L' ' || argument.back() == L'\t')) {
    argument.pop_back();
  }
  if (argument.size() >= 2 && argument.front() == L'"' && argument.back() == L'"') {
    argument = argument.substr(1, argument.size() - 2);
  }
  return argument;
}

// A plain file path is made absolute; "mk:@MSITStore:..." and other monikers pass unchanged.
std::wstring ResolveHelpFile(const std::wstring& argument) {
  if (argument.find(L"::") != std::wstring::npos || argument.rfind(L"mk:", 0) == 0) {
    return argument;
  }
  wchar_t full[MAX_PATH * 4];
  DWORD length = GetFullPathNameW(argument.c_str(), MAX_PATH * 4, full, nullptr);
  return length && length < MAX_PATH * 4 ? std::wstring(full, length) : argument;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::wstring argument = HelpFileArgument(GetCommandLineW());
  if (argument.empty()) return 1;

  HMODULE control = LoadLibraryW(L"hhctrl.ocx");
  if (!control) return 2;
  auto html_help = reinterpret_cast<HtmlHelpWFunction>(
      reinterpret_cast<void*>(GetProcAddress(control, "HtmlHelpW")));
  if (!html_help) {
    FreeLibrary(control);
    return 2;
  }

  DWORD_PTR cookie = 0;
  html_help(nullptr, nullptr, kHhInitialize, reinterpret_cast<DWORD_PTR>(&cookie));
  std::wstring help_file = ResolveHelpFile(argument);
  HWND help_window = html_help(nullptr, help_file.c_str(), kHhDisplayTopic, 0);
  int exit_code = help_window ? 0 : 3;

  // The help window belongs to this thread: pump its messages until it is gone. Closing it
  // posts nothing to this thread, so the wait wakes now and then to look.
  constexpr DWORD kLookIntervalMs = 250;
  MSG message;
  bool quit = false;
  while (help_window && IsWindow(help_window) && !quit) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, kLookIntervalMs, QS_ALLINPUT);
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit = true;
        break;
      }
      if (!html_help(nullptr, nullptr, kHhPretranslateMessage,
                     reinterpret_cast<DWORD_PTR>(&message))) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
  }

  html_help(nullptr, nullptr, kHhUninitialize, cookie);
  FreeLibrary(control);
  return exit_code;
}

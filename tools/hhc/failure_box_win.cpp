#include "tools/hhc/failure_box_win.h"

#include "text/utf.h"

namespace {

constexpr wchar_t kBoxTitle[] = L"Folivane";

STARTUPINFOW StartupInfo() {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  return startup;
}

bool WasStartedHidden() {
  const STARTUPINFOW startup = StartupInfo();
  return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 && startup.wShowWindow == SW_HIDE;
}

// The first ShowWindow of a process's top-level window takes the show command its starter
// gave, whatever the call asks; for a run started hidden that would hide the box. A window
// that is never seen takes it instead.
void UseUpTheStartersShowCommand() {
  HWND spent = CreateWindowExW(WS_EX_TOOLWINDOW, L"Static", L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                               nullptr, nullptr, nullptr);
  if (!spent) return;
  ShowWindow(spent, SW_SHOWDEFAULT);
  DestroyWindow(spent);
}

}  // namespace

// A starter that wants our output hands us its handles (STARTF_USESTDHANDLES), as shells and
// build tools do when they redirect it. The handles a hidden run inherits otherwise are not
// proof of a reader: Wine hands its own stdio to every child of a window program.
bool IsStandardErrorUnseen() {
  if ((StartupInfo().dwFlags & STARTF_USESTDHANDLES) != 0) return false;
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err == nullptr || err == INVALID_HANDLE_VALUE) return true;
  HWND console = GetConsoleWindow();
  return WasStartedHidden() && !(console && IsWindowVisible(console));
}

void ShowFailureBox(const std::string& text_utf8, HOOKPROC on_cbt) {
  if (WasStartedHidden()) UseUpTheStartersShowCommand();
  HHOOK hook = on_cbt ? SetWindowsHookExW(WH_CBT, on_cbt, nullptr, GetCurrentThreadId()) : nullptr;
  MessageBoxW(nullptr, text::Utf8ToWide(text_utf8).c_str(), kBoxTitle, MB_OK | MB_SETFOREGROUND);
  if (hook) UnhookWindowsHookEx(hook);
}

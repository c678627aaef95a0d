#include "tests/app/dialog_watch.h"

namespace apptest {

namespace {

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  wchar_t name[32];
  GetClassNameW(window, name, 32);
  if (!lstrcmpW(name, L"#32770") && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM seen_pointer) {
  auto* seen = reinterpret_cast<DialogSeen*>(seen_pointer);
  wchar_t name[32];
  wchar_t text[256];
  GetClassNameW(window, name, 32);
  if (!lstrcmpiW(name, L"Button") && IsWindowVisible(window)) {
    GetWindowTextW(window, text, 256);
    seen->buttons.push_back(text);
  }
  if (!lstrcmpiW(name, L"Static") && (GetWindowLongW(window, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
      SendMessageW(window, STM_GETICON, 0, 0) != 0) {
    seen->has_icon = true;
  }
  return TRUE;
}

}  // namespace

bool PumpUntil(DWORD ms, const std::function<bool()>& pred) {
  DWORD start = GetTickCount();
  MSG message;
  for (;;) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (pred && pred()) return true;
    if (GetTickCount() - start >= ms) return pred ? pred() : true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

HWND WaitForDialog(DWORD thread_id, DWORD timeout_ms) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeout_ms; Sleep(10)) {
    HWND dialog = nullptr;
    EnumThreadWindows(thread_id, FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog) return dialog;
  }
  return nullptr;
}

DialogSeen DescribeDialog(HWND dialog) {
  DialogSeen seen;
  seen.hwnd = dialog;
  seen.owner = GetWindow(dialog, GW_OWNER);
  wchar_t text[2048];
  GetWindowTextW(dialog, text, 2048);
  seen.title = text;
  text[0] = L'\0';
  GetWindowTextW(GetDlgItem(dialog, 0xFFFF), text, 2048);
  seen.text = text;
  EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&seen));
  return seen;
}

void PressDialogButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

DialogWatcher::DialogWatcher(DWORD thread_id, std::function<void(HWND)> act, DWORD timeout_ms)
    : thread_([this, thread_id, act, timeout_ms] { Run(thread_id, act, timeout_ms); }) {}

DialogWatcher::~DialogWatcher() {
  if (thread_.joinable()) thread_.join();
}

DialogSeen DialogWatcher::Join() {
  if (thread_.joinable()) thread_.join();
  return seen_;
}

void DialogWatcher::Run(DWORD thread_id, const std::function<void(HWND)>& act, DWORD timeout_ms) {
  HWND dialog = WaitForDialog(thread_id, timeout_ms);
  if (!dialog) return;
  seen_ = DescribeDialog(dialog);
  act(dialog);
}

}  // namespace apptest

#include "tests/app/folivane_process.h"

namespace apptest {

namespace {

struct WindowSearch {
  DWORD process_id;
  WindowOwner owner;
  const wchar_t* window_class;
  HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM search_pointer) {
  auto* search = reinterpret_cast<WindowSearch*>(search_pointer);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  wchar_t name[64];
  GetClassNameW(window, name, 64);
  const bool owner_matches = (pid == search->process_id) == (search->owner == WindowOwner::kThis);
  if (owner_matches && !lstrcmpW(name, search->window_class) && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindThreadDialog(HWND window, LPARAM found) {
  wchar_t name[32];
  GetClassNameW(window, name, 32);
  if (!lstrcmpW(name, L"#32770") && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND FindVisibleProcessWindow(DWORD process_id, const wchar_t* window_class, WindowOwner owner) {
  WindowSearch search = {process_id, owner, window_class, nullptr};
  EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

FolivaneProcess::FolivaneProcess(const std::wstring& exe, const std::wstring& folder) {
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &info)) {
    return;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  process_id_ = info.dwProcessId;
  thread_id_ = info.dwThreadId;
}

FolivaneProcess::~FolivaneProcess() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    if (form_ && IsWindow(form_)) PostMessageW(form_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_, 5000) == WAIT_TIMEOUT) TerminateProcess(process_, 99);
  }
  CloseHandle(process_);
}

HWND FolivaneProcess::WaitForForm(DWORD timeout_ms) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeout_ms; Sleep(20)) {
    if (HWND found = FindVisibleProcessWindow(process_id_, L"Form")) return form_ = found;
    if (WaitForSingleObject(process_, 0) != WAIT_TIMEOUT) return nullptr;
  }
  return nullptr;
}

HWND FolivaneProcess::WaitForDialog(DWORD timeout_ms) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeout_ms; Sleep(20)) {
    HWND dialog = nullptr;
    EnumThreadWindows(thread_id_, FindThreadDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog) return dialog;
  }
  return nullptr;
}

DWORD FolivaneProcess::Close(DWORD timeout_ms) {
  if (!process_) return STILL_ACTIVE;
  if (form_ && IsWindow(form_)) PostMessageW(form_, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process_, timeout_ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_, &code);
  return code;
}

std::vector<std::wstring> FolivaneProcess::ListEntries() const {
  std::vector<std::wstring> entries;
  HWND list = Control(1003);
  for (LRESULT i = 0, n = SendMessageW(list, LB_GETCOUNT, 0, 0); i < n; ++i) {
    wchar_t text[MAX_PATH] = L"";
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    entries.push_back(text);
  }
  return entries;
}

std::wstring FolivaneProcess::Text(int id) const {
  // GetWindowText does not ask a control of another process for its text; the message does.
  wchar_t text[512] = L"";
  SendMessageW(Control(id), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return text;
}

bool CopyOneFile(const std::wstring& from, const std::wstring& to) {
  return CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

std::wstring WindowsPath(const char* unix_path) {
  wchar_t full[MAX_PATH * 2];
  std::wstring wide;
  int size = MultiByteToWideChar(CP_UTF8, 0, unix_path, -1, nullptr, 0);
  wide.resize(static_cast<size_t>(size));
  MultiByteToWideChar(CP_UTF8, 0, unix_path, -1, wide.data(), size);
  DWORD length = GetFullPathNameW(wide.c_str(), MAX_PATH * 2, full, nullptr);
  return std::wstring(full, length);
}

}  // namespace apptest

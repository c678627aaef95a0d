// The real Folivane.exe as a user runs it: started in a program folder, its window found and
// driven from this test process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace apptest {

class FolivaneProcess {
 public:
  // Starts `exe` with the program folder as its current folder.
  FolivaneProcess(const std::wstring& exe, const std::wstring& folder);
  ~FolivaneProcess();  // closes the window if it is still there, and ends the process

  bool started() const { return process_ != nullptr; }
  DWORD thread_id() const { return thread_id_; }
  // Waits for the visible main window; meanwhile answers nothing. Null on time-out.
  HWND WaitForForm(DWORD timeout_ms);
  // Waits for a message box or dialog of the process's window thread.
  HWND WaitForDialog(DWORD timeout_ms);
  // Closes the window as the user would, and waits for the process; returns its exit code,
  // or STILL_ACTIVE if it did not end within `timeout_ms`.
  DWORD Close(DWORD timeout_ms);

  HWND form() const { return form_; }
  HWND Control(int id) const { return GetDlgItem(form_, id); }
  std::vector<std::wstring> ListEntries() const;
  std::wstring Text(int id) const;

 private:
  HANDLE process_ = nullptr;
  DWORD process_id_ = 0;
  DWORD thread_id_ = 0;
  HWND form_ = nullptr;
};

// Whose window FindVisibleProcessWindow looks for: the process's own, or any other process's.
enum class WindowOwner { kThis, kOther };

// A visible top-level window with the given class, of the process or of any process but it
// (`owner`); null when there is none.
HWND FindVisibleProcessWindow(DWORD process_id, const wchar_t* window_class,
                              WindowOwner owner = WindowOwner::kThis);
// Copies a file; false on failure.
bool CopyOneFile(const std::wstring& from, const std::wstring& to);
// A Unix path as the Windows side sees it (Z:\...).
std::wstring WindowsPath(const char* unix_path);

}  // namespace apptest

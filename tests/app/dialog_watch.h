// Helpers for tests that meet modal windows: pumping this thread's messages with a time limit,
// and a watcher thread that finds a dialog box of a given thread, records it and answers it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace apptest {

// Pumps this thread's queue for up to `ms`, or until pred() is true; returns pred()'s value.
bool PumpUntil(DWORD ms, const std::function<bool()>& pred = nullptr);

struct DialogSeen {
  HWND hwnd = nullptr;
  HWND owner = nullptr;
  std::wstring title;
  std::wstring text;  // the message of a message box (the static with id 0xFFFF)
  std::vector<std::wstring> buttons;
  bool has_icon = false;  // a message box icon (a static with SS_ICON)
};

// Waits on its own thread for a visible "#32770" window of `thread_id`, records it, then runs
// `act` on it (for example posting WM_COMMAND IDOK).
class DialogWatcher {
 public:
  DialogWatcher(DWORD thread_id, std::function<void(HWND)> act, DWORD timeout_ms = 10000);
  ~DialogWatcher();
  DialogSeen Join();

 private:
  void Run(DWORD thread_id, const std::function<void(HWND)>& act, DWORD timeout_ms);
  DialogSeen seen_;
  std::thread thread_;
};

// Answers a dialog box with the given command, as its button would.
void PressDialogButton(HWND dialog, int id);

// Finds a visible "#32770" of `thread_id` within `timeout_ms`.
HWND WaitForDialog(DWORD thread_id, DWORD timeout_ms);
DialogSeen DescribeDialog(HWND dialog);

}  // namespace apptest

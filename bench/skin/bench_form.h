// The window the skin benchmarks measure on: a skinned form with one 145 x 33 command button.
#pragma once

#include <windows.h>

#include "skin/skinner.h"

namespace bench {

inline LRESULT CALLBACK BenchFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

// Creates the form and its button, skins them and lets the first paints happen.
inline HWND CreateSkinnedBenchButton(HWND& form) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = BenchFormProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "Form";
  RegisterClassA(&wc);
  form = CreateWindowExA(0, "Form", "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300, 150,
                         nullptr, nullptr, wc.hInstance, nullptr);
  HWND button = CreateWindowExA(0, "Button", "Build", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 20,
                                145, 33, form, nullptr, wc.hInstance, nullptr);
  AttachSkin(form);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  return button;
}

}  // namespace bench

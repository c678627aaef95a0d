#include "input_test_support.h"

#include <map>

#include "skin/record.h"
#include "skin_test_support.h"

namespace skintest {
namespace {

struct Recorder {
  WNDPROC Original = nullptr;
  POINT Sample{};
  std::vector<Tick> Ticks;
};

std::map<HWND, Recorder> gRecorders;

LRESULT CALLBACK RecordingButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Recorder& recorder = gRecorders[window];
  if (message == WM_TIMER) {
    HDC dc = GetWindowDC(window);
    recorder.Ticks.push_back(Tick{static_cast<int>(GetSkinProp(window, kPropAlphaLevel)),
                                  GetSkinProp(window, kPropTimerId),
                                  static_cast<int>(GetSkinProp(window, kPropOldState)),
                                  GetPixel(dc, recorder.Sample.x, recorder.Sample.y)});
    ReleaseDC(window, dc);
  }
  return CallWindowProcA(recorder.Original, window, message, wParam, lParam);
}

}  // namespace

bool PumpUntil(DWORD ms, const std::function<bool()>& done) {
  const DWORD start = GetTickCount();
  MSG msg;
  for (;;) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (done()) return true;
    if (GetTickCount() - start >= ms) return done();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
  }
}

void MoveCursorInto(HWND window, int x, int y) {
  RECT rect{};
  GetWindowRect(window, &rect);
  SetCursorPos(rect.left + x, rect.top + y);
}

void ParkCursor() { SetCursorPos(1200, 1000); }

void MouseButton(bool down) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  SendInput(1, &input, sizeof input);
}

void Key(WORD virtualKey, bool down) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &input, sizeof input);
}

void RecordTicks(HWND button, int x, int y) {
  Recorder& recorder = gRecorders[button];
  recorder.Sample = POINT{x, y};
  recorder.Ticks.clear();
  recorder.Original = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingButtonProc)));
}

std::vector<Tick>& Ticks(HWND button) { return gRecorders[button].Ticks; }

void SampleTicksAt(HWND button, int x, int y) { gRecorders[button].Sample = POINT{x, y}; }

}  // namespace skintest

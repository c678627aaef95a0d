#pragma once
// Helpers of the interaction tests: the real cursor, mouse button and keys, a pump that waits for
// a condition, and a recorder of fade ticks placed under the skin.

#include <windows.h>

#include <functional>
#include <vector>

namespace skintest {

// Pumps until `done` is true or `ms` have passed; returns `done`'s last answer.
bool PumpUntil(DWORD ms, const std::function<bool()>& done);

// Moves the real cursor to a point given in the window's own coordinates (window DC origin).
void MoveCursorInto(HWND window, int x, int y);
// Moves the real cursor to a screen point that no test window covers.
void ParkCursor();
// Presses or releases the real left mouse button where the cursor is.
void MouseButton(bool down);
// Presses or releases a real key (sent to the window with the focus).
void Key(WORD virtualKey, bool down);

// One WM_TIMER seen by a command button's own procedure, which runs after the fade tick: the
// properties as the tick left them, and one pixel of the window as it shows.
struct Tick {
  int Level;
  LONG_PTR TimerId;
  int State;
  COLORREF Pixel;
};

// Puts a recording procedure under the skin of `button` (call before AttachSkin), so that every
// WM_TIMER that reaches the previous procedure is recorded with the pixel at (x, y).
void RecordTicks(HWND button, int x, int y);
std::vector<Tick>& Ticks(HWND button);
// Moves the recorded pixel.
void SampleTicksAt(HWND button, int x, int y);

}  // namespace skintest

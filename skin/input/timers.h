#pragma once
// The per-window fade timer, mouse-leave tracking and signed mouse coordinates.

#include <windows.h>

// The fade timer: identifier 1, every 15 ms, WM_TIMER delivered to the window itself.
constexpr UINT_PTR kFadeTimerId = 1;
constexpr UINT kFadeIntervalMs = 15;

// Starts the window's fade timer and records it in TIMERID. Returns the new identifier, or 0 when
// a fade timer already runs (it keeps its schedule) or SetTimer failed.
UINT_PTR StartFadeTimer(HWND window);
// Kills the timer named by TIMERID and sets TIMERID to 0. Returns KillTimer's result, or 0 when
// no fade timer was running.
BOOL StopFadeTimer(HWND window);
// Asks for one WM_MOUSELEAVE when the cursor leaves the window, through user32's TrackMouseEvent
// when HasUserTrackMouseEvent is set and comctl32's _TrackMouseEvent otherwise. Both are bound by
// name at their first use, so a system lacking one of them still runs the program.
void TrackMouseLeave(HWND window);

// Bits 0..15 and 16..31 as signed 16-bit values: client coordinates of a mouse message, negative
// left of or above the window while the mouse is captured.
int SignedLoWord(LPARAM value);
int SignedHiWord(LPARAM value);

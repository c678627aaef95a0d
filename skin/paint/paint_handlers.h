#pragma once
// Handlers of WM_PAINT and WM_SIZE for skinned windows. Each finds the window's kind
// from its class name and runs the kind's procedure, or passes the message to the previous
// window procedure when the kind has none.

#include <windows.h>

// WM_PAINT: command buttons show their face; every other kind is painted by its previous
// procedure (the painters of the other kinds are not part of the engine yet).
LRESULT OnPaint(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// WM_SIZE: the previous procedure first; command buttons then get faces and a region of the new
// size. Returns the previous procedure's result.
LRESULT OnSize(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

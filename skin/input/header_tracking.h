#pragma once
// Header controls keep two item indices instead of one state: HMINDEX, the item last drawn in the
// hover look, and HDINDEX, the item being pressed (-1 for none). The handlers redraw only the
// items whose look changes, one PaintHeaderItem each. Every function runs after the previous
// procedure.

#include <windows.h>

// The item whose rectangle holds client x (both edges inclusive, so on a shared edge the lower
// index wins), or -1 when none does or the header has no items.
int HeaderItemAt(HWND window, int x);

// WM_LBUTTONDOWN and WM_LBUTTONDBLCLK.
void HeaderPress(HWND window, LPARAM lParam);
void HeaderMouseMove(HWND window, WPARAM wParam, LPARAM lParam);
void HeaderRelease(HWND window);
void HeaderMouseLeave(HWND window);

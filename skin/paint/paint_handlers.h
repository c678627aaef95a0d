#pragma once
// Handlers of WM_PAINT, WM_NCPAINT, WM_SIZE and WM_ACTIVATE for skinned windows. The first three
// find the window's kind from its class name and run the kind's procedure, or pass the message to
// the previous window procedure when the kind has none.

#include <windows.h>

// WM_PAINT: the kind's painter (command button, combo box, drive list, check box, option button,
// data list, combo list, progress bar, header, grid); every other kind goes to the previous
// procedure. Returns the painter's result (0 where the skin paints alone).
LRESULT OnPaint(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// WM_NCPAINT: progress bars paint their frame alone (result 0), data lists keep the system's
// frame, every other kind gets FlattenClientEdge.
LRESULT OnNcPaint(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// WM_SIZE: the previous procedure first; command buttons then get faces and a region of the new
// size. Returns the previous procedure's result.
LRESULT OnSize(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// WM_ACTIVATE: attaches the window named in lParam when it is owned by (or a child of) this
// window, or when it is of the form kind; then the previous procedure. Returns its result.
LRESULT OnActivate(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#pragma once
// The skin's edges: the drop-down button of combo boxes and drive list boxes, the one-pixel
// frames of combo boxes, drive lists, drop-down lists, data lists and grids, and the flat frame
// that replaces a sunken client edge on every other control.

#include <windows.h>

// Paints the drop-down button of a combo box or drive list box. `state` is in and out: when the
// list is dropped down it is set to 2 (pressed) before anything else. Skips when OLDSTATE already
// holds the state and `force` is false, and for a CBS_SIMPLE combo box, which has no button (its
// OLDSTATE is then left alone). Draws onto `dc` (window coordinates) or, when it is 0, onto the
// window DC.
void PaintComboButton(HWND window, HDC dc, int& state, bool force);

// WM_PAINT procedures. Each returns the previous procedure's result, except PaintComboBox for a
// CBS_DROPDOWN combo box, which paints alone and returns 0.
LRESULT PaintComboBox(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT PaintDriveList(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Combo drop-down lists and data lists: the outer frame over the system's painting.
LRESULT PaintListFrame(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Grids: a one-pixel frame when the window has WS_BORDER, no inner ring.
LRESULT PaintGridFrame(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// WM_NCPAINT of every kind without a non-client painter of its own: the previous procedure first,
// then, for a window with WS_EX_CLIENTEDGE, a one-pixel skin frame with the rest of the edge
// covered in the client background colour. Returns the previous procedure's result.
LRESULT FlattenClientEdge(WNDPROC previous, HWND window, UINT message, WPARAM wParam,
                          LPARAM lParam);

#pragma once
// Header controls, painted entirely by the skin from SkinImage5: a background column stretched
// over the bar and one piece per item, pressed (HDINDEX), hover (HMINDEX) or normal, with the
// item's text centred on it.

#include <windows.h>

// Item states of PaintHeaderItem.
constexpr int kHeaderItemNormal = 0;
constexpr int kHeaderItemHover = 1;
constexpr int kHeaderItemPressed = 2;

// Repaints item `index` of the header in `state` onto `dc` (window coordinates) or, when it is 0,
// onto the window DC. A negative index does nothing and takes no DC. Returns 0.
int PaintHeaderItem(HWND window, HDC dc, int index, int state);
// WM_PAINT of the header kind: the whole bar in one blit. The previous procedure does not see
// the message. Returns 0.
LRESULT PaintHeaderBar(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

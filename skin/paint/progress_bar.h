#pragma once
// Progress bars, painted entirely by the skin: a white box with a flat fill in
// SkinProgressColour, full scale at position 30000 whatever the control's range, and a one-pixel
// frame in the non-client area. The previous procedure sees neither message.

#include <windows.h>

// The position that fills the whole bar.
constexpr int kProgressFullScale = 30000;

// WM_PAINT of the progress bar kind. Returns 0.
LRESULT PaintProgressClient(WNDPROC previous, HWND window, UINT message, WPARAM wParam,
                            LPARAM lParam);
// WM_NCPAINT of the progress bar kind: the frame and, shifted by the border, the same client
// picture, so that a non-client repaint alone leaves a correct bar. Returns 0.
LRESULT PaintProgressFrame(WNDPROC previous, HWND window, UINT message, WPARAM wParam,
                           LPARAM lParam);

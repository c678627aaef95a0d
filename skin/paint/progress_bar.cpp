#include "skin/paint/progress_bar.h"

#include <commctrl.h>

#include "skin/gdi_handles.h"
#include "skin/paint/primitives.h"
#include "skin/sprites.h"

namespace {

// The filled fraction, in single precision as the bar's lengths are derived from it; 0 means
// nothing is filled.
float ProgressFraction(HWND window) {
  const LRESULT position = SendMessageA(window, PBM_GETPOS, 0, 0);
  return static_cast<float>(position) / static_cast<float>(kProgressFullScale);
}

int Nearest(float value) { return RoundHalfEven(value); }

SIZE ClientSize(HWND window) {
  RECT rect{};
  GetClientRect(window, &rect);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

LRESULT PaintProgressClient(WNDPROC, HWND window, UINT, WPARAM, LPARAM) {
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  const SIZE client = ClientSize(window);
  const int cw = client.cx;
  const int ch = client.cy;
  ScopedCanvas ownCanvas(cw, ch);
  const HDC canvas = ownCanvas.get();
  const float f = ProgressFraction(window);
  FillBox(canvas, 0, 0, cw, ch, SkinWhite);
  if (f != 0.0f) {
    if (style & PBS_VERTICAL) {
      // From the bottom up; both lengths are rounded on their own, so a half can leave the
      // last row white.
      FillBox(canvas, 0, Nearest(ch - f * ch), cw, Nearest(f * ch), SkinProgressColour);
    } else {
      FillBox(canvas, 0, 0, Nearest(f * cw), ch, SkinProgressColour);
    }
  }
  ScopedPaint paint(window);
  BitBlt(paint.get(), 0, 0, cw, ch, canvas, 0, 0, SRCCOPY);
  return 0;
}

LRESULT PaintProgressFrame(WNDPROC, HWND window, UINT, WPARAM, LPARAM) {
  int bx = 0;
  int by = 0;
  GetBorderThickness(window, bx, by);
  WindowBox box{};
  GetWindowBox(window, box);
  const SIZE client = ClientSize(window);
  const int cw = client.cx;
  const int ch = client.cy;
  ScopedCanvas ownCanvas(box.Width, box.Height);
  const HDC canvas = ownCanvas.get();
  const float f = ProgressFraction(window);
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);

  // The frame keeps the border colour when the bar is disabled.
  FillBox(canvas, 0, 0, box.Width, box.Height, SkinBorderColour);
  FillBox(canvas, 1, 1, box.Width - 2, box.Height - 2, SkinWhite);
  if (f != 0.0f) {
    if (style & PBS_VERTICAL) {
      // Smooth or not, a vertical bar shows its fill here too, reaching the bottom of the
      // client area, so a non-client repaint alone never leaves the bar looking empty.
      FillBox(canvas, bx, by, cw, ch, SkinProgressColour);
      FillBox(canvas, bx, by, cw, Nearest(ch - f * ch), SkinWhite);
    } else {
      FillBox(canvas, bx, by, Nearest(f * cw), ch, SkinProgressColour);
    }
  }
  ScopedWindowDc dc(window);
  BitBlt(dc.get(), 0, 0, box.Width, box.Height, canvas, 0, 0, SRCCOPY);
  return 0;
}

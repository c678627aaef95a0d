#include "skin/paint/check_option.h"

#include "skin/blit.h"
#include "skin/gdi_handles.h"
#include "skin/paint/primitives.h"
#include "skin/record.h"
#include "skin/sprites.h"

namespace {

// A piece of a sprite image: x, y, width, height.
struct Piece {
  int X;
  int Y;
  int Width;
  int Height;
};

// SkinImage3: marks drawn on the box or circle, enabled and disabled.
constexpr Piece kCheckMark = {0, 0, 9, 8};
constexpr Piece kCheckMarkDisabled = {9, 0, 9, 8};
constexpr Piece kIndeterminate = {1, 9, 7, 7};
constexpr Piece kIndeterminateDisabled = {10, 9, 7, 7};
constexpr Piece kOptionDot = {2, 18, 5, 5};
constexpr Piece kOptionDotDisabled = {11, 18, 5, 5};

// SkinImage4: the option circle per visual state, the disabled circle, and the bands of the hover
// and pressed circles that shade the inside of a check box.
constexpr Piece kOptionCircle[] = {{0, 0, 13, 13}, {0, 13, 13, 13}, {0, 26, 13, 13}};
constexpr Piece kOptionCircleDisabled = {0, 39, 13, 13};
constexpr Piece kCheckShadeHover = {1, 17, 11, 5};
constexpr Piece kCheckShadePressed = {1, 30, 11, 5};
constexpr int kCircleBorder = 5;

bool IsUnchanged(HWND window, int state, bool force) {
  return !force && GetSkinProp(window, kPropOldState) == state;
}

// Blits a key-coloured mark so that its top-left corner is (x, y).
void DrawMark(HDC dc, int x, int y, const Piece& mark) {
  BlitTransparent(dc, x, y, mark.Width, mark.Height, SkinImage3, mark.X, mark.Y, SkinKeyColour);
}

// A mark centred in a box of cx x cy placed at (0, 0).
void DrawCentredMark(HDC dc, int cx, int cy, const Piece& mark) {
  DrawMark(dc, HalveLength(cx - mark.Width), HalveLength(cy - mark.Height), mark);
}

}  // namespace

int PaintCheckBox(HWND window, int state, bool force) {
  if (IsUnchanged(window, state, force)) return 0;
  SetSkinProp(window, kPropOldState, state);

  const int cx = GetSystemMetrics(SM_CXMENUCHECK);
  const int cy = GetSystemMetrics(SM_CYMENUCHECK);
  WindowBox box{};
  GetWindowBox(window, box);
  const LRESULT check = SendMessageA(window, BM_GETCHECK, 0, 0);

  // Composed off-screen on white and copied as one square, so the box never flickers.
  ScopedCanvas ownCanvas(cx, cy);
  const HDC canvas = ownCanvas.get();
  ScopedWindowDc ownWindowDc(window);
  const HDC windowDc = ownWindowDc.get();
  FillBox(canvas, 0, 0, cx, cy, SkinWhite);
  const bool enabled = IsWindowEnabled(window) != FALSE;
  if (enabled) {
    FrameBox(canvas, 0, 0, cx, cy,
             state == kStatePressed ? SkinPressedBoxColour : SkinBorderColour);
    const Piece* shade = state == kStateHover     ? &kCheckShadeHover
                         : state == kStatePressed ? &kCheckShadePressed
                                                  : nullptr;
    if (shade) {
      StretchBlt(canvas, 1, 1, cx - 2, cy - 2, SkinImage4, shade->X, shade->Y, shade->Width,
                 shade->Height, SRCCOPY);
    }
  } else {
    // A disabled box stays white inside whatever the visual state.
    FrameBox(canvas, 0, 0, cx, cy, SkinDisabledBorderColour);
  }
  if (check == BST_CHECKED) {
    DrawCentredMark(canvas, cx, cy, enabled ? kCheckMark : kCheckMarkDisabled);
  } else if (check == BST_INDETERMINATE) {
    DrawCentredMark(canvas, cx, cy, enabled ? kIndeterminate : kIndeterminateDisabled);
  }
  BitBlt(windowDc, 0, HalveLength(box.Height - cy), cx, cy, canvas, 0, 0, SRCCOPY);
  return 1;
}

int PaintOptionButton(HWND window, int state, bool force) {
  if (IsUnchanged(window, state, force)) return 0;
  SetSkinProp(window, kPropOldState, state);

  WindowBox box{};
  GetWindowBox(window, box);
  const int cx = GetSystemMetrics(SM_CXMENUCHECK);
  const int cy = GetSystemMetrics(SM_CYMENUCHECK);
  const int top = HalveLength(box.Height - cy);
  const LRESULT check = SendMessageA(window, BM_GETCHECK, 0, 0);
  ScopedWindowDc ownDc(window);
  const HDC dc = ownDc.get();

  // No background is drawn first: the key-coloured corners of the circle leave the system's
  // own picture of the control showing.
  const bool enabled = IsWindowEnabled(window) != FALSE;
  const Piece* circle = nullptr;
  if (!enabled) {
    circle = &kOptionCircleDisabled;
  } else if (state >= kStateNormal && state <= kStatePressed) {
    circle = &kOptionCircle[state];
  }
  if (circle) {
    DrawSpritePiece(dc, 0, top, cx, cy, SkinImage4, circle->X, circle->Y, circle->Width,
                    circle->Height, kCircleBorder, kCircleBorder, kCircleBorder, kCircleBorder,
                    SkinKeyColour);
  }
  // Only the checked state has a dot; an indeterminate option button shows none.
  if (check == BST_CHECKED) {
    const Piece& dot = enabled ? kOptionDot : kOptionDotDisabled;
    DrawMark(dc, HalveLength(cx - dot.Width), RoundHalfEven((cy - dot.Height) / 2.0 + top), dot);
  }
  return 1;
}

LRESULT PaintCheckOrOption(WNDPROC previous, HWND window, UINT message, WPARAM wParam,
                           LPARAM lParam) {
  const LRESULT result = CallWindowProcA(previous, window, message, wParam, lParam);
  // A repaint always shows the normal state; the next mouse event restores hover or pressed.
  if (GetControlKind(window) == ControlKind::CheckBox) {
    PaintCheckBox(window, kStateNormal, true);
  } else {
    PaintOptionButton(window, kStateNormal, true);
  }
  return result;
}

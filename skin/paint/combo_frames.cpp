#include "skin/paint/combo_frames.h"

#include "skin/blit.h"
#include "skin/gdi_handles.h"
#include "skin/paint/primitives.h"
#include "skin/record.h"
#include "skin/sprites.h"

namespace {

// Combo box styles as bits: bit 0 is set for CBS_SIMPLE and CBS_DROPDOWNLIST (the system paints
// the selection), bit 1 for CBS_DROPDOWN and CBS_DROPDOWNLIST (there is a drop-down button).
constexpr LONG_PTR kSystemPaintsSelection = 0x1;
constexpr LONG_PTR kHasDropDownButton = 0x2;

// SkinImage2: button backgrounds for hover and pressed, and the arrows.
constexpr int kButtonPieceY = 0;
constexpr int kButtonPieceWidth = 4;
constexpr int kButtonPieceHeight = 18;
constexpr int kHoverPieceX = 0;
constexpr int kPressedPieceX = 4;
constexpr int kPieceBorderLeft = 2;
constexpr int kPieceBorderTop = 1;
constexpr int kPieceBorderRight = 1;
constexpr int kPieceBorderBottom = 1;
constexpr int kArrowX = 8;
constexpr int kArrowY = 0;
constexpr int kArrowDisabledY = 4;
constexpr int kArrowWidth = 7;
constexpr int kArrowHeight = 4;
// The arrow is centred on H - 6 rather than on the button's H - 2: the button starts one pixel
// down and the arrow is four high, so this puts it in the middle of the window.
constexpr int kArrowCentringHeight = 6;

COLORREF BorderColour(HWND window) {
  return IsWindowEnabled(window) ? SkinBorderColour : SkinDisabledBorderColour;
}

// The skin frame over the system's 3D edge: one pixel in the border colour, one white inside.
void DrawOuterFrame(HWND window, HDC dc, const WindowBox& box) {
  FrameBox(dc, 0, 0, box.Width, box.Height, BorderColour(window));
  FrameBox(dc, 1, 1, box.Width - 2, box.Height - 2, SkinWhite);
}

int StateOf(HWND window) { return static_cast<int>(GetSkinProp(window, kPropOldState)); }

// The outer frame and the drop-down button on the window DC, after the system has painted.
void FrameWithButton(HWND window) {
  int state = StateOf(window);
  WindowBox box{};
  GetWindowBox(window, box);
  ScopedWindowDc dc(window);
  DrawOuterFrame(window, dc.get(), box);
  PaintComboButton(window, dc.get(), state, true);
}

}  // namespace

void PaintComboButton(HWND window, HDC dc, int& state, bool force) {
  if (SendMessageA(window, CB_GETDROPPEDSTATE, 0, 0) != 0) state = kStatePressed;
  if (!force && GetSkinProp(window, kPropOldState) == state) return;
  if (!(GetWindowLongPtrA(window, GWL_STYLE) & kHasDropDownButton)) return;
  SetSkinProp(window, kPropOldState, state);

  WindowBox box{};
  GetWindowBox(window, box);
  const int buttonWidth = GetSystemMetrics(SM_CXVSCROLL) + 1;
  const int buttonHeight = box.Height - 2;
  ScopedCanvas canvas(buttonWidth, buttonHeight);
  if (state == kStateHover || state == kStatePressed) {
    const int pieceX = state == kStateHover ? kHoverPieceX : kPressedPieceX;
    DrawSpritePiece(canvas.get(), 0, 0, buttonWidth, buttonHeight, SkinImage2, pieceX,
                    kButtonPieceY, kButtonPieceWidth, kButtonPieceHeight, kPieceBorderLeft,
                    kPieceBorderTop, kPieceBorderRight, kPieceBorderBottom);
  } else {
    FillBox(canvas.get(), 0, 0, buttonWidth, buttonHeight, SkinWhite);
  }
  const int arrowY = IsWindowEnabled(window) ? kArrowY : kArrowDisabledY;
  BlitTransparent(canvas.get(), HalveLength(buttonWidth - kArrowWidth),
                  HalveLength(box.Height - kArrowCentringHeight), kArrowWidth, kArrowHeight,
                  SkinImage2, kArrowX, arrowY, SkinKeyColour);

  const int x = box.Width - buttonWidth - 1;
  if (dc) {
    BitBlt(dc, x, 1, buttonWidth, buttonHeight, canvas.get(), 0, 0, SRCCOPY);
  } else {
    ScopedWindowDc windowDc(window);
    BitBlt(windowDc.get(), x, 1, buttonWidth, buttonHeight, canvas.get(), 0, 0, SRCCOPY);
  }
}

LRESULT PaintComboBox(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (GetWindowLongPtrA(window, GWL_STYLE) & kSystemPaintsSelection) {
    const LRESULT result = CallWindowProcA(previous, window, message, wParam, lParam);
    FrameWithButton(window);
    return result;
  }
  // CBS_DROPDOWN: the edit child shows the text, so the skin paints everything else alone.
  int state = StateOf(window);
  WindowBox box{};
  GetWindowBox(window, box);
  ScopedPaint paint(window);
  FillBox(paint.get(), 0, 0, box.Width, box.Height, SkinWhite);
  FrameBox(paint.get(), 0, 0, box.Width, box.Height, BorderColour(window));
  PaintComboButton(window, paint.get(), state, true);
  return 0;
}

LRESULT PaintDriveList(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallWindowProcA(previous, window, message, wParam, lParam);
  FrameWithButton(window);
  return result;
}

LRESULT PaintListFrame(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallWindowProcA(previous, window, message, wParam, lParam);
  WindowBox box{};
  GetWindowBox(window, box);
  ScopedWindowDc dc(window);
  DrawOuterFrame(window, dc.get(), box);
  return result;
}

LRESULT PaintGridFrame(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallWindowProcA(previous, window, message, wParam, lParam);
  if (GetWindowLongPtrA(window, GWL_STYLE) & WS_BORDER) {
    WindowBox box{};
    GetWindowBox(window, box);
    ScopedWindowDc dc(window);
    FrameBox(dc.get(), 0, 0, box.Width, box.Height, BorderColour(window));
  }
  return result;
}

LRESULT FlattenClientEdge(WNDPROC previous, HWND window, UINT message, WPARAM wParam,
                          LPARAM lParam) {
  const LRESULT result = CallWindowProcA(previous, window, message, wParam, lParam);
  if (!(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)) return result;
  int borderX = 0;
  int borderY = 0;
  GetBorderThickness(window, borderX, borderY);
  WindowBox box{};
  GetWindowBox(window, box);
  ScopedWindowDc windowDc(window);
  ScopedWindowDc clientDc(window, ScopedWindowDc::kClientArea);
  FrameBox(windowDc.get(), 0, 0, box.Width, box.Height, BorderColour(window));
  // Rings in the client background cover the rest of the system's edge, one pixel per step;
  // only the horizontal thickness bounds them.
  for (int d = 1; d <= borderX; ++d) {
    FrameBox(windowDc.get(), d, d, box.Width - 2 * d, box.Height - 2 * d,
             GetBkColor(clientDc.get()));
  }
  return result;
}

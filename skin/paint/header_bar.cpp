#include "skin/paint/header_bar.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "skin/blit.h"
#include "skin/gdi_handles.h"
#include "skin/paint/primitives.h"
#include "skin/record.h"
#include "skin/sprites.h"
#include "text/codepage.h"

namespace {

// SkinImage5: three item pieces of 3 x 20 side by side, normal, hover, pressed; the background is
// the middle column of the normal piece.
constexpr int kPieceWidth = 3;
constexpr int kPieceHeight = 20;
constexpr int kPieceBorder = 1;
constexpr int kBackgroundX = 1;
constexpr int kBackgroundWidth = 1;
// The item text is asked for with this capacity; the buffer has room for all of it.
constexpr int kItemTextCapacity = 256;

// The item's text, with every NUL of the returned buffer removed. The buffer starts zeroed, so
// what remains is the text the control copied, however it terminated it.
std::wstring GetHeaderItemText(HWND window, int index) {
  char buffer[kItemTextCapacity] = {};
  HDITEMA item{};
  item.mask = HDI_TEXT;
  item.pszText = buffer;
  item.cchTextMax = kItemTextCapacity;
  SendMessageA(window, HDM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  std::string ansi;
  if (item.pszText && item.pszText != buffer) {
    // A control may hand back a pointer to its own text instead of filling the buffer.
    ansi.assign(item.pszText, strnlen(item.pszText, kItemTextCapacity));
  } else {
    ansi.assign(buffer, kItemTextCapacity);
    ansi.erase(std::remove(ansi.begin(), ansi.end(), '\0'), ansi.end());
  }
  return text::CodePageToWide(text::SystemCodePage(), ansi);
}

RECT GetHeaderItemRect(HWND window, int index) {
  RECT rect{};
  SendMessageA(window, HDM_GETITEMRECT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(&rect));
  return rect;
}

// State 1 hover, state 2 pressed, anything else normal.
void DrawItemPiece(HDC dc, int x, int width, int height, int state) {
  const int piece =
      state == kHeaderItemHover || state == kHeaderItemPressed ? state : kHeaderItemNormal;
  DrawSpritePiece(dc, x, 0, width, height, SkinImage5, piece * kPieceWidth, 0, kPieceWidth,
                  kPieceHeight, kPieceBorder, kPieceBorder, kPieceBorder, kPieceBorder);
}

// Transparent text in `dc`, and the header's font (when it has one) selected into it until the
// selection ends, before the canvas is released.
void PrepareText(HWND window, HDC dc, std::optional<ScopedSelection>& font) {
  SetBkMode(dc, TRANSPARENT);
  font.emplace(dc, reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)));
}

}  // namespace

int PaintHeaderItem(HWND window, HDC dc, int index, int state) {
  if (index < 0) return 0;
  WindowBox box{};
  GetWindowBox(window, box);
  const RECT rect = GetHeaderItemRect(window, index);
  const int itemWidth = rect.right - rect.left;
  const int itemHeight = rect.bottom - rect.top;

  ScopedCanvas canvas(itemWidth, box.Height);
  std::optional<ScopedSelection> font;
  PrepareText(window, canvas.get(), font);
  DrawItemPiece(canvas.get(), 0, itemWidth, box.Height, state);
  const std::wstring text = GetHeaderItemText(window, index);
  if (!text.empty()) DrawTextBox(canvas.get(), text, 0, 0, itemWidth, box.Height, CaptionFormat);

  if (dc) {
    BitBlt(dc, rect.left, 0, itemWidth, itemHeight, canvas.get(), 0, 0, SRCCOPY);
  } else {
    ScopedWindowDc windowDc(window);
    BitBlt(windowDc.get(), rect.left, 0, itemWidth, itemHeight, canvas.get(), 0, 0, SRCCOPY);
  }
  return 0;
}

LRESULT PaintHeaderBar(WNDPROC, HWND window, UINT, WPARAM, LPARAM) {
  WindowBox box{};
  GetWindowBox(window, box);
  ScopedCanvas canvas(box.Width, box.Height);
  StretchBlt(canvas.get(), 0, 0, box.Width, box.Height, SkinImage5, kBackgroundX, 0,
             kBackgroundWidth, kPieceHeight, SRCCOPY);

  std::optional<ScopedSelection> font;
  const int count = static_cast<int>(SendMessageA(window, HDM_GETITEMCOUNT, 0, 0));
  if (count > 0) {
    const LONG_PTR pressed = GetSkinProp(window, kPropHdIndex);
    const LONG_PTR hover = GetSkinProp(window, kPropHmIndex);
    // In index order, so where item rectangles overlap the later item wins.
    for (int i = 0; i < count; ++i) {
      const RECT rect = GetHeaderItemRect(window, i);
      const std::wstring text = GetHeaderItemText(window, i);
      const int state = i == pressed ? kHeaderItemPressed
                        : i == hover ? kHeaderItemHover
                                     : kHeaderItemNormal;
      const int itemWidth = rect.right - rect.left;
      DrawItemPiece(canvas.get(), rect.left, itemWidth, box.Height, state);
      if (text.empty()) continue;
      if (!font) PrepareText(window, canvas.get(), font);
      DrawTextBox(canvas.get(), text, rect.left, 0, itemWidth, rect.bottom, CaptionFormat);
    }
  }

  ScopedPaint paint(window);
  BitBlt(paint.get(), 0, 0, box.Width, box.Height, canvas.get(), 0, 0, SRCCOPY);
  return 0;
}

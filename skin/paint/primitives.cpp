#include "skin/paint/primitives.h"

#include <cmath>
#include <vector>

#include "skin/gdi_handles.h"
#include "text/codepage.h"

namespace {

RECT BoxRect(int x, int y, int width, int height) { return RECT{x, y, x + width, y + height}; }

}  // namespace

BOOL GetWindowBox(HWND window, WindowBox& box) {
  RECT rect{};
  BOOL result = GetWindowRect(window, &rect);
  if (!result) rect = RECT{};
  box.Left = rect.left;
  box.Top = rect.top;
  box.Right = rect.right;
  box.Bottom = rect.bottom;
  box.Width = rect.right - rect.left;
  box.Height = rect.bottom - rect.top;
  return result;
}

std::wstring GetWindowCaption(HWND window) {
  int length = GetWindowTextLengthA(window);
  if (length <= 0) return std::wstring();
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  int copied = GetWindowTextA(window, buffer.data(), length + 1);
  return text::CodePageToWide(text::SystemCodePage(),
                              std::string_view(buffer.data(), copied > 0 ? copied : 0));
}

int DrawTextBox(HDC dc, const std::wstring& text, int x, int y, int width, int height,
                UINT format) {
  std::string ansi = text::WideToCodePage(text::SystemCodePage(), text);
  RECT rect = BoxRect(x, y, width, height);
  return DrawTextA(dc, ansi.c_str(), -1, &rect, format);
}

int FillBox(HDC dc, int x, int y, int width, int height, COLORREF colour) {
  RECT rect = BoxRect(x, y, width, height);
  GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
  return FillRect(dc, &rect, brush.get());
}

int FrameBox(HDC dc, int x, int y, int width, int height, COLORREF colour) {
  RECT rect = BoxRect(x, y, width, height);
  GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
  return FrameRect(dc, &rect, brush.get());
}

BOOL DrawFocusBox(HDC dc, int x, int y, int width, int height) {
  RECT rect = BoxRect(x, y, width, height);
  return DrawFocusRect(dc, &rect);
}

int GetBorderThickness(HWND window, int& horizontal, int& vertical) {
  RECT windowRect{};
  RECT clientRect{};
  GetWindowRect(window, &windowRect);
  GetClientRect(window, &clientRect);
  const int scrollWidth = GetSystemMetrics(SM_CXVSCROLL);
  const int scrollHeight = GetSystemMetrics(SM_CYHSCROLL);
  int horizontalTotal = (windowRect.right - windowRect.left) - (clientRect.right - clientRect.left);
  int verticalTotal = (windowRect.bottom - windowRect.top) - (clientRect.bottom - clientRect.top);
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  if (style & WS_VSCROLL) horizontalTotal -= scrollWidth;
  if (style & WS_HSCROLL) verticalTotal -= scrollHeight;
  horizontal = HalveLength(horizontalTotal);
  vertical = HalveLength(verticalTotal);
  return 1;
}

int RoundHalfEven(double value) {
  const double below = std::floor(value);
  const double fraction = value - below;
  double rounded = below;
  if (fraction > 0.5) {
    rounded = below + 1.0;
  } else if (fraction == 0.5) {
    rounded = std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
  }
  return static_cast<int>(rounded);
}

int HalveLength(int length) { return RoundHalfEven(length / 2.0); }

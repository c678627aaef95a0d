// Drawing primitives and metrics on real windows and canvases.

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "skin/skinner.h"
#include "skin_test_support.h"

namespace {

using skintest::ReadPixels;

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
  EXPECT_EQ(RoundHalfEven(2.4), 2);
  EXPECT_EQ(RoundHalfEven(2.6), 3);
  EXPECT_EQ(HalveLength(5), 2);
  EXPECT_EQ(HalveLength(3), 2);
  EXPECT_EQ(HalveLength(7), 4);
  EXPECT_EQ(HalveLength(4), 2);
}

TEST(GetBorderThickness, ClientEdgeListBoxWithAndWithoutScrollBar) {
  HWND form = skintest::CreateForm();
  HWND plain =
      skintest::CreateChild(form, "ListBox", "", LBS_NOTIFY, 10, 10, 150, 120, WS_EX_CLIENTEDGE);
  HWND scrolled = skintest::CreateChild(form, "ListBox", "", LBS_NOTIFY | WS_VSCROLL, 200, 10, 150,
                                        120, WS_EX_CLIENTEDGE);
  for (int i = 0; i < 40; ++i)
    SendMessageA(scrolled, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("entry"));
  skintest::Pump(20);
  ASSERT_TRUE(GetWindowLongA(scrolled, GWL_STYLE) & WS_VSCROLL) << "scroll bar not shown";
  int h = -1, v = -1;
  EXPECT_EQ(GetBorderThickness(plain, h, v), 1);
  EXPECT_EQ(h, 2);
  EXPECT_EQ(v, 2);
  int hs = -1, vs = -1;
  EXPECT_EQ(GetBorderThickness(scrolled, hs, vs), 1);
  EXPECT_EQ(hs, h) << "the scroll bar was counted as border";
  EXPECT_EQ(vs, 2);
  DestroyWindow(form);
}

// A window whose non-client area is 2 + 3 pixels wide and 1 + 2 pixels high: totals 5 and 3.
LRESULT CALLBACK OddBorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCALCSIZE) {
    // Both forms of the message start with the proposed window rectangle.
    RECT& r = *reinterpret_cast<RECT*>(lParam);
    r.left += 2;
    r.right -= 3;
    r.top += 1;
    r.bottom -= 2;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST(GetBorderThickness, OddTotalsRoundHalvesToEven) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = OddBorderProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "SkinOddBorder";
  RegisterClassA(&wc);
  HWND form = skintest::CreateForm();
  HWND odd = skintest::CreateChild(form, "SkinOddBorder", "", 0, 10, 10, 60, 40);
  int h = -1, v = -1;
  GetBorderThickness(odd, h, v);
  EXPECT_EQ(h, 2);  // 5 / 2 = 2.5
  EXPECT_EQ(v, 2);  // 3 / 2 = 1.5
  DestroyWindow(form);
}

TEST(DrawTextBox, CaptionTooWideIsCutWithEllipsisOnOneLine) {
  HDC canvas = CreateCanvas(120, 40);
  HDC reference = CreateCanvas(120, 40);
  HDC uncut = CreateCanvas(120, 40);
  const std::wstring text = L"A caption far too long for this small box";
  for (HDC dc : {canvas, reference, uncut}) {
    FillBox(dc, 0, 0, 120, 40, SkinWhite);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, 0);
  }
  DrawTextBox(canvas, text, 2, 2, 80, 30, CaptionFormat);
  DrawTextBox(uncut, text, 2, 2, 80, 30, CaptionFormat & ~DT_END_ELLIPSIS);
  // What the platform cuts the text to, drawn without the ellipsis flag.
  char cut[128] = {};
  lstrcpyA(cut, "A caption far too long for this small box");
  RECT box{2, 2, 82, 32};
  DrawTextA(reference, cut, -1, &box, CaptionFormat | DT_MODIFYSTRING | DT_CALCRECT);
  std::string shown(cut);
  ASSERT_GE(shown.size(), 3u);
  EXPECT_EQ(shown.substr(shown.size() - 3), "...");
  DrawTextBox(reference, std::wstring(shown.begin(), shown.end()), 2, 2, 80, 30,
              CaptionFormat & ~DT_END_ELLIPSIS);
  EXPECT_EQ(ReadPixels(canvas, 0, 0, 120, 40), ReadPixels(reference, 0, 0, 120, 40));
  EXPECT_NE(ReadPixels(canvas, 0, 0, 120, 40), ReadPixels(uncut, 0, 0, 120, 40));
  // Nothing outside the box: one line, no wrap, no spill to the right.
  for (int y = 0; y < 40; ++y) {
    for (int x = 82; x < 120; ++x) ASSERT_EQ(GetPixel(canvas, x, y), SkinWhite);
  }
  ReleaseCanvas(canvas);
  ReleaseCanvas(reference);
  ReleaseCanvas(uncut);
}

TEST(FillAndFrame, ZeroSizedBoxDrawsNothingAndFrameIsTheOutermostPixels) {
  HDC canvas = CreateCanvas(10, 10);
  FillBox(canvas, 0, 0, 10, 10, SkinWhite);
  const std::vector<COLORREF> blank = ReadPixels(canvas, 0, 0, 10, 10);
  FillBox(canvas, 2, 2, 0, 5, SkinBorderColour);
  FillBox(canvas, 2, 2, 5, 0, SkinBorderColour);
  EXPECT_EQ(ReadPixels(canvas, 0, 0, 10, 10), blank);
  FrameBox(canvas, 2, 2, 5, 4, SkinBorderColour);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= 2 && x < 7 && y >= 2 && y < 6;
      const bool edge = inside && (x == 2 || x == 6 || y == 2 || y == 5);
      EXPECT_EQ(GetPixel(canvas, x, y), edge ? SkinBorderColour : SkinWhite) << x << "," << y;
    }
  }
  ReleaseCanvas(canvas);
}

TEST(DrawFocusBox, DrawingTwiceRemovesIt) {
  HDC canvas = CreateCanvas(20, 20);
  FillBox(canvas, 0, 0, 20, 20, SkinWhite);
  const std::vector<COLORREF> blank = ReadPixels(canvas, 0, 0, 20, 20);
  DrawFocusBox(canvas, 2, 2, 16, 16);
  EXPECT_NE(ReadPixels(canvas, 0, 0, 20, 20), blank);
  DrawFocusBox(canvas, 2, 2, 16, 16);
  EXPECT_EQ(ReadPixels(canvas, 0, 0, 20, 20), blank);
  ReleaseCanvas(canvas);
}

TEST(GetWindowCaption, EmptyAndChineseTextsRoundTripThroughTheAnsiCodePage) {
  HWND form = skintest::CreateForm();
  HWND button = skintest::CreateChild(form, "Button", "", BS_PUSHBUTTON, 10, 10, 100, 30);
  EXPECT_EQ(GetWindowCaption(button), L"");
  const std::wstring chinese = L"\u8F6C  \u6362  \u751F  \u6210";  // 转  换  生  成
  SetWindowTextW(button, chinese.c_str());
  if (GetACP() == 936) {
    EXPECT_EQ(GetWindowCaption(button), chinese);
  }
  SetWindowTextA(button, "Import");
  EXPECT_EQ(GetWindowCaption(button), L"Import");
  DestroyWindow(form);
}

TEST(GetWindowBox, FailedCallLeavesSixZeros) {
  WindowBox box{1, 2, 3, 4, 5, 6};
  EXPECT_EQ(GetWindowBox(reinterpret_cast<HWND>(static_cast<LONG_PTR>(0x7654321)), box), 0);
  EXPECT_EQ(box.Left | box.Top | box.Right | box.Bottom | box.Width | box.Height, 0);
  HWND form = skintest::CreateForm(300, 200);
  ASSERT_NE(GetWindowBox(form, box), 0);
  EXPECT_EQ(box.Width, 300);
  EXPECT_EQ(box.Height, 200);
  EXPECT_EQ(box.Right - box.Left, box.Width);
  DestroyWindow(form);
}

}  // namespace

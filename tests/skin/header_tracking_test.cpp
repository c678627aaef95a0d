// Header item tracking: the hover and pressed indices after moves, presses, drags and releases
// inside and outside the header, and which items each message redraws (items are marked before
// the message; an item whose mark survives was not drawn).

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "input_test_support.h"
#include "paint_test_support.h"
#include "skin/input/header_tracking.h"
#include "skin/paint/header_bar.h"
#include "skin/skinner.h"
#include "skin_test_support.h"

namespace {

using skintest::PumpUntil;

constexpr int kItemWidth = 60;
constexpr int kItems = 4;
constexpr int kHeaderWidth = 300;
constexpr int kHeaderHeight = 24;
constexpr int kMid = kHeaderHeight / 2;

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }
int Centre(int item) { return item * kItemWidth + kItemWidth / 2; }

struct HeaderForm {
  HWND Form;
  HWND Header;
  HeaderForm(int items = kItems) {
    InitCommonControls();
    skintest::ParkCursor();
    Form = skintest::CreateForm(420, 200);
    Header = skintest::CreateChild(Form, WC_HEADERA, "", HDS_HORZ | HDS_BUTTONS, 20, 20,
                                   kHeaderWidth, kHeaderHeight);
    for (int i = 0; i < items; ++i) {
      HDITEMA item{};
      item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
      item.fmt = HDF_LEFT | HDF_STRING;
      item.cxy = kItemWidth;
      item.pszText = const_cast<char*>("Col");
      SendMessageA(Header, HDM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    AttachSkin(Form);
    SetForegroundWindow(Form);
    skintest::Pump(50);
  }
  ~HeaderForm() {
    skintest::ParkCursor();
    DetachSkin(Form);
    DestroyWindow(Form);
    skintest::Pump(20);
  }
  int Hover() const { return static_cast<int>(GetSkinProp(Header, kPropHmIndex)); }
  int Pressed() const { return static_cast<int>(GetSkinProp(Header, kPropHdIndex)); }
  void MarkItems() const { painttest::Mark(Header, 0, 0, kHeaderWidth, kHeaderHeight); }
  // The items drawn since MarkItems, as a bit set (item i is bit i).
  int Drawn() const {
    HDC dc = GetWindowDC(Header);
    int drawn = 0;
    for (int i = 0; i < kItems; ++i) {
      if (GetPixel(dc, i * kItemWidth + 3, 3) != painttest::kMarker) drawn |= 1 << i;
    }
    ReleaseDC(Header, dc);
    return drawn;
  }
  // True when item `index` shows what PaintHeaderItem draws for `state`.
  bool Shows(int index, int state) const {
    const int left = index * kItemWidth + 1;
    const std::vector<COLORREF> shown =
        painttest::WindowPixels(Header, left, 0, kItemWidth - 2, kHeaderHeight);
    HDC windowDc = GetWindowDC(Header);
    HDC canvas = CreateCompatibleDC(windowDc);
    HBITMAP bitmap = CreateCompatibleBitmap(windowDc, kHeaderWidth, kHeaderHeight);
    HGDIOBJ old = SelectObject(canvas, bitmap);
    PaintHeaderItem(Header, canvas, index, state);
    const std::vector<COLORREF> expected =
        skintest::ReadPixels(canvas, left, 0, kItemWidth - 2, kHeaderHeight);
    SelectObject(canvas, old);
    DeleteObject(bitmap);
    DeleteDC(canvas);
    ReleaseDC(Header, windowDc);
    return shown == expected;
  }
};

TEST(HeaderTracking, ItemUnderTheCursorLowerIndexWinsOnASharedEdge) {
  HeaderForm f;
  EXPECT_EQ(HeaderItemAt(f.Header, 0), 0);
  EXPECT_EQ(HeaderItemAt(f.Header, 120), 1) << "edge of items 1 and 2";
  EXPECT_EQ(HeaderItemAt(f.Header, 121), 2);
  EXPECT_EQ(HeaderItemAt(f.Header, 180), 2) << "edge of items 2 and 3";
  EXPECT_EQ(HeaderItemAt(f.Header, 240), 3);
  EXPECT_EQ(HeaderItemAt(f.Header, 241), -1);
  EXPECT_EQ(HeaderItemAt(f.Header, -5), -1);
}

TEST(HeaderTracking, MovesWithTheRealCursorDrawOnlyTheItemsThatChange) {
  HeaderForm f;
  skintest::MoveCursorInto(f.Header, Centre(0), kMid);
  ASSERT_TRUE(PumpUntil(500, [&] { return f.Hover() == 0; }));
  EXPECT_TRUE(f.Shows(0, kHeaderItemHover));
  EXPECT_EQ(GetSkinProp(f.Header, kPropMouseFlag), 1);

  f.MarkItems();
  skintest::MoveCursorInto(f.Header, Centre(1), kMid);
  ASSERT_TRUE(PumpUntil(500, [&] { return f.Hover() == 1; }));
  EXPECT_EQ(f.Drawn(), 0b0011);
  EXPECT_TRUE(f.Shows(0, kHeaderItemNormal));
  EXPECT_TRUE(f.Shows(1, kHeaderItemHover));

  f.MarkItems();
  skintest::MoveCursorInto(f.Header, Centre(1) + 7, kMid);
  skintest::Pump(50);
  EXPECT_EQ(f.Drawn(), 0) << "a move on the same item drew";

  skintest::MoveCursorInto(f.Header, 270, kMid);
  ASSERT_TRUE(PumpUntil(500, [&] { return f.Hover() == -1; }));
  EXPECT_EQ(f.Drawn(), 0b0010);
  EXPECT_TRUE(f.Shows(1, kHeaderItemNormal));
}

TEST(HeaderTracking, PressDragAndReleaseInsideLeaveTheItemNormalAndTheHoverIndex) {
  HeaderForm f;
  skintest::MoveCursorInto(f.Header, Centre(1), kMid);
  ASSERT_TRUE(PumpUntil(500, [&] { return f.Hover() == 1; }));
  f.MarkItems();
  SendMessageA(f.Header, WM_LBUTTONDOWN, MK_LBUTTON, At(Centre(1), kMid));
  EXPECT_EQ(f.Pressed(), 1);
  EXPECT_EQ(f.Drawn(), 0b0010);
  EXPECT_TRUE(f.Shows(1, kHeaderItemPressed));

  f.MarkItems();
  SendMessageA(f.Header, WM_MOUSEMOVE, MK_LBUTTON, At(Centre(2), kMid));
  EXPECT_EQ(f.Drawn(), 0) << "dragging onto another item drew";
  EXPECT_EQ(f.Hover(), 1);
  EXPECT_EQ(f.Pressed(), 1);

  // The real cursor is still over the header: the pressed item goes back to normal.
  SendMessageA(f.Header, WM_LBUTTONUP, 0, At(Centre(1), kMid));
  EXPECT_EQ(f.Pressed(), -1);
  EXPECT_EQ(f.Hover(), 1);
  EXPECT_EQ(f.Drawn(), 0b0010);
  EXPECT_TRUE(f.Shows(1, kHeaderItemNormal));
}

TEST(HeaderTracking, ReleaseOutsideShowsHoverUntilTheLeaveClearsBothIndices) {
  HeaderForm f;
  skintest::MoveCursorInto(f.Header, Centre(2), kMid);
  ASSERT_TRUE(PumpUntil(500, [&] { return f.Hover() == 2; }));
  SendMessageA(f.Header, WM_LBUTTONDOWN, MK_LBUTTON, At(Centre(2), kMid));
  ASSERT_EQ(f.Pressed(), 2);
  // Below the header, in the same column, so a captured move finds the same item.
  skintest::MoveCursorInto(f.Header, Centre(2), kHeaderHeight + 60);
  f.MarkItems();
  SendMessageA(f.Header, WM_LBUTTONUP, 0, At(Centre(2), kHeaderHeight + 60));
  ReleaseCapture();
  EXPECT_EQ(f.Pressed(), -1);
  EXPECT_EQ(f.Drawn(), 0b0100);
  EXPECT_TRUE(f.Shows(2, kHeaderItemHover));

  ASSERT_TRUE(PumpUntil(2000, [&] { return GetSkinProp(f.Header, kPropMouseFlag) == 0; }));
  EXPECT_EQ(f.Hover(), -1);
  EXPECT_EQ(f.Pressed(), -1);
  EXPECT_TRUE(f.Shows(2, kHeaderItemNormal));
}

TEST(HeaderTracking, PressesRightOfTheItemsOrOnAnEmptyHeader) {
  HeaderForm f;
  f.MarkItems();
  SendMessageA(f.Header, WM_LBUTTONDOWN, MK_LBUTTON, At(270, kMid));
  EXPECT_EQ(f.Pressed(), -1);
  EXPECT_EQ(f.Drawn(), 0);
  SendMessageA(f.Header, WM_LBUTTONUP, 0, At(270, kMid));
  // A double click is a press.
  SendMessageA(f.Header, WM_LBUTTONDBLCLK, MK_LBUTTON, At(Centre(3), kMid));
  EXPECT_EQ(f.Pressed(), 3);
  EXPECT_TRUE(f.Shows(3, kHeaderItemPressed));
  SendMessageA(f.Header, WM_LBUTTONUP, 0, At(Centre(3), kMid));
  ReleaseCapture();

  HeaderForm empty(0);
  SetSkinProp(empty.Header, kPropHdIndex, 2);
  SendMessageA(empty.Header, WM_LBUTTONDOWN, MK_LBUTTON, At(30, kMid));
  EXPECT_EQ(empty.Pressed(), 2) << "a header without items changed its pressed index";
  ReleaseCapture();
}

}  // namespace

// Combo boxes, drive lists, drop-down and data lists, grids and client edges on real controls:
// the drop-down button's place, pieces and arrow, the dropped-down state, the frames, and the
// flat edge that replaces a sunken one.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "paint_test_support.h"
#include "skin/paint/combo_frames.h"
#include "skin/skinner.h"
#include "skin_test_support.h"

namespace {

using painttest::RingIs;
using painttest::WindowPixels;

constexpr char kDriveClass[] = "ThunderRT6DriveListBox";
constexpr char kDataListClass[] = "DataListWndClass";
constexpr char kGridClass[] = "ApexGrid.Unbound";
constexpr int kComboWidth = 150;
constexpr int kComboHeight = 21;
// With SM_CXVSCROLL = 17 the button is 18 wide at x = W - 19, one pixel below the top.
constexpr int kButtonWidth = 18;
constexpr int kButtonX = kComboWidth - 19;
// The arrow inside it: x = (18 - 7) / 2 = 5.5 goes to 6, y = (21 - 6) / 2 = 7.5 goes to 8.
constexpr int kArrowX = kButtonX + 6;
constexpr int kArrowY = 1 + 8;

// Gives a combo box's selection field the height that makes the whole window `height` pixels
// high. CB_GETITEMHEIGHT does not give back what CB_SETITEMHEIGHT took (Wine adds 2), so the
// field is corrected by the window's measured height instead.
void MakeComboHeight(HWND combo, int height) {
  LRESULT field = height - 6;
  for (int attempt = 0; attempt < 3; ++attempt) {
    SendMessageA(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    RECT rect{};
    GetWindowRect(combo, &rect);
    if (rect.bottom - rect.top == height) return;
    field += height - (rect.bottom - rect.top);
  }
}

painttest::Skinned MakeCombo(const char* className, DWORD style) {
  painttest::RegisterSuperclass(kDriveClass, "ComboBox");
  HWND form = skintest::CreateForm(300, 200, "combo");
  HWND combo =
      skintest::CreateChild(form, className, "", style | WS_VSCROLL, 20, 20, kComboWidth, 120);
  for (const char* item : {"C:", "D:", "Z:"}) {
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  }
  SendMessageA(combo, CB_SETCURSEL, 0, 0);
  MakeComboHeight(combo, kComboHeight);
  AttachSkin(form);
  skintest::Pump(30);
  return {form, combo};
}

void Repaint(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ERASE);
}

// The arrow's opaque pixels at its place; the key pixels show the button's background.
::testing::AssertionResult ArrowShown(HWND combo, int sourceY) {
  const std::vector<COLORREF> shown = WindowPixels(combo, kArrowX, kArrowY, 7, 4);
  int opaque = 0;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 7; ++x) {
      const COLORREF sprite = GetPixel(SkinImage2, 8 + x, sourceY + y);
      if (sprite == SkinKeyColour) continue;
      ++opaque;
      if (shown[y * 7 + x] != sprite) {
        return ::testing::AssertionFailure() << "arrow pixel (" << x << "," << y << ")";
      }
    }
  }
  if (opaque == 0) return ::testing::AssertionFailure() << "no arrow in the sprite";
  return ::testing::AssertionSuccess();
}

// The button's corners come from the corners of the hover (x 0) or pressed (x 4) strip.
::testing::AssertionResult ButtonCornersFromStrip(HWND combo, int stripX) {
  const int bottom = kComboHeight - 2;
  const struct {
    int X, Y, SourceX, SourceY;
  } corners[] = {
      {kButtonX, 1, stripX, 0},
      {kButtonX + 1, 1, stripX + 1, 0},
      {kButtonX + kButtonWidth - 1, 1, stripX + 3, 0},
      {kButtonX, bottom, stripX, 17},
      {kButtonX + kButtonWidth - 1, bottom, stripX + 3, 17},
  };
  for (const auto& c : corners) {
    const COLORREF shown = WindowPixels(combo, c.X, c.Y, 1, 1)[0];
    if (shown != GetPixel(SkinImage2, c.SourceX, c.SourceY)) {
      return ::testing::AssertionFailure() << "button pixel (" << c.X << "," << c.Y << ")";
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(ComboButton, GeometryArrowAndBackgroundOfEachState) {
  ASSERT_EQ(GetSystemMetrics(SM_CXVSCROLL), 17);
  painttest::Skinned s = MakeCombo("ComboBox", CBS_DROPDOWNLIST);
  RECT rect{};
  GetWindowRect(s.Control, &rect);
  ASSERT_EQ(rect.bottom - rect.top, kComboHeight);

  int state = 0;
  PaintComboButton(s.Control, nullptr, state, true);
  // Normal: white button, arrow centred; nothing of the button beyond x = W - 19.
  EXPECT_TRUE(ArrowShown(s.Control, 0));
  const std::vector<COLORREF> button =
      WindowPixels(s.Control, kButtonX, 1, kButtonWidth, kComboHeight - 2);
  const int white = static_cast<int>(std::count(button.begin(), button.end(), SkinWhite));
  EXPECT_EQ(white, kButtonWidth * (kComboHeight - 2) - 16) << "all but the arrow's 16 pixels";
  EXPECT_TRUE(RingIs(s.Control, 0, 0, kComboWidth, kComboHeight, SkinBorderColour));

  state = 1;
  PaintComboButton(s.Control, nullptr, state, false);
  EXPECT_EQ(GetSkinProp(s.Control, kPropOldState), 1);
  EXPECT_TRUE(ButtonCornersFromStrip(s.Control, 0));
  EXPECT_TRUE(ArrowShown(s.Control, 0));
  state = 2;
  PaintComboButton(s.Control, nullptr, state, false);
  EXPECT_TRUE(ButtonCornersFromStrip(s.Control, 4));
  EXPECT_TRUE(ArrowShown(s.Control, 0));
  // The frame column left of the button and the one right of it are not the button's.
  EXPECT_EQ(WindowPixels(s.Control, kComboWidth - 1, 5, 1, 1)[0], SkinBorderColour);
  painttest::Close(s);
}

TEST(ComboButton, UnchangedStateIsSkippedUnlessForced) {
  painttest::Skinned s = MakeCombo("ComboBox", CBS_DROPDOWNLIST);
  int state = 1;
  PaintComboButton(s.Control, nullptr, state, true);
  painttest::Mark(s.Control, kButtonX, 1, kButtonWidth, kComboHeight - 2);
  PaintComboButton(s.Control, nullptr, state, false);
  EXPECT_EQ(WindowPixels(s.Control, kButtonX, 1, 1, 1)[0], painttest::kMarker);
  PaintComboButton(s.Control, nullptr, state, true);
  EXPECT_TRUE(ButtonCornersFromStrip(s.Control, 0));
  painttest::Close(s);
}

TEST(ComboButton, DroppedDownListForcesThePressedState) {
  painttest::Skinned s = MakeCombo("ComboBox", CBS_DROPDOWNLIST);
  SendMessageA(s.Control, CB_SHOWDROPDOWN, TRUE, 0);
  skintest::Pump(30);
  ASSERT_NE(SendMessageA(s.Control, CB_GETDROPPEDSTATE, 0, 0), 0);
  for (int asked : {0, 1}) {
    SetSkinProp(s.Control, kPropOldState, 0);
    int state = asked;
    PaintComboButton(s.Control, nullptr, state, false);
    EXPECT_EQ(state, 2) << "asked for " << asked;
    EXPECT_EQ(GetSkinProp(s.Control, kPropOldState), 2);
    EXPECT_TRUE(ButtonCornersFromStrip(s.Control, 4));
  }
  SendMessageA(s.Control, CB_SHOWDROPDOWN, FALSE, 0);
  skintest::Pump(30);
  painttest::Close(s);
}

TEST(ComboButton, SimpleComboBoxHasFrameButNoButtonAndKeepsItsState) {
  painttest::Skinned s = MakeCombo("ComboBox", CBS_SIMPLE);
  RECT rect{};
  GetWindowRect(s.Control, &rect);
  const int width = rect.right - rect.left;
  Repaint(s.Control);
  EXPECT_EQ(WindowPixels(s.Control, 0, 0, 1, 1)[0], SkinBorderColour);
  SetSkinProp(s.Control, kPropOldState, 0);
  painttest::Mark(s.Control, width - 19, 1, kButtonWidth, 19);
  int state = 1;
  PaintComboButton(s.Control, nullptr, state, true);
  EXPECT_EQ(GetSkinProp(s.Control, kPropOldState), 0);
  for (COLORREF c : WindowPixels(s.Control, width - 19, 1, kButtonWidth, 19)) {
    ASSERT_EQ(c, painttest::kMarker) << "a button was drawn";
  }
  painttest::Close(s);
}

TEST(ComboBox, DisabledComboHasLightFrameAndDisabledArrowOverTheStateBackground) {
  painttest::Skinned s = MakeCombo("ComboBox", CBS_DROPDOWNLIST);
  EnableWindow(s.Control, FALSE);
  SetSkinProp(s.Control, kPropOldState, 1);
  Repaint(s.Control);
  EXPECT_TRUE(RingIs(s.Control, 0, 0, kComboWidth, kComboHeight, SkinDisabledBorderColour));
  EXPECT_TRUE(ArrowShown(s.Control, 4));
  EXPECT_TRUE(ButtonCornersFromStrip(s.Control, 0));
  painttest::Close(s);
}

TEST(ComboBox, EveryStyleAndTheDriveListGetFrameAndButtonFromWmPaint) {
  const struct {
    const char* Class;
    DWORD Style;
  } cases[] = {
      {"ComboBox", CBS_DROPDOWNLIST}, {"ComboBox", CBS_DROPDOWN}, {kDriveClass, CBS_DROPDOWNLIST}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Class) + " style " + std::to_string(c.Style));
    painttest::Skinned s = MakeCombo(c.Class, c.Style);
    SetSkinProp(s.Control, kPropOldState, 2);
    Repaint(s.Control);
    skintest::Pump(20);
    EXPECT_TRUE(RingIs(s.Control, 0, 0, kComboWidth, kComboHeight, SkinBorderColour));
    // Inside the frame, left of any text: the white ring (or the white fill of a drop-down
    // combo whose edit child covers the rest).
    EXPECT_EQ(WindowPixels(s.Control, 1, 1, 1, 1)[0], SkinWhite);
    EXPECT_TRUE(ButtonCornersFromStrip(s.Control, 4));
    EXPECT_TRUE(ArrowShown(s.Control, 0));
    painttest::Close(s);
  }
}

TEST(ListFrame, DropDownListAndDataListGetTheOuterFrame) {
  painttest::Skinned s = MakeCombo("ComboBox", CBS_DROPDOWNLIST);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  GetComboBoxInfo(s.Control, &info);
  SendMessageA(s.Control, CB_SHOWDROPDOWN, TRUE, 0);
  skintest::Pump(50);
  ASSERT_NE(GetSkinProp(info.hwndList, kPropProcAddr), 0);
  Repaint(info.hwndList);
  RECT rect{};
  GetWindowRect(info.hwndList, &rect);
  const int w = rect.right - rect.left;
  const int h = rect.bottom - rect.top;
  EXPECT_TRUE(RingIs(info.hwndList, 0, 0, w, h, SkinBorderColour));
  EXPECT_TRUE(RingIs(info.hwndList, 1, 1, w - 2, h - 2, SkinWhite));
  SendMessageA(s.Control, CB_SHOWDROPDOWN, FALSE, 0);
  skintest::Pump(20);
  painttest::Close(s);
  DetachSkin(info.hwndList);

  painttest::RegisterSuperclass(kDataListClass, "ListBox");
  painttest::Skinned data =
      painttest::MakeSkinned(kDataListClass, "", WS_BORDER | LBS_NOINTEGRALHEIGHT, 120, 80);
  SendMessageA(data.Control, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("row"));
  SendMessageA(data.Control, LB_SETCURSEL, 0, 0);
  Repaint(data.Control);
  EXPECT_TRUE(RingIs(data.Control, 0, 0, 120, 80, SkinBorderColour));
  EXPECT_TRUE(RingIs(data.Control, 1, 1, 118, 78, SkinWhite));
  painttest::Close(data);
}

TEST(GridFrame, FrameOnlyWithWsBorder) {
  painttest::RegisterSuperclass(kGridClass, "ListBox");
  painttest::Skinned bordered =
      painttest::MakeSkinned(kGridClass, "", WS_BORDER | LBS_NOINTEGRALHEIGHT, 120, 80);
  Repaint(bordered.Control);
  EXPECT_TRUE(RingIs(bordered.Control, 0, 0, 120, 80, SkinBorderColour));
  EnableWindow(bordered.Control, FALSE);
  Repaint(bordered.Control);
  EXPECT_TRUE(RingIs(bordered.Control, 0, 0, 120, 80, SkinDisabledBorderColour));
  painttest::Close(bordered);

  painttest::Skinned plain = painttest::MakeSkinned(kGridClass, "", LBS_NOINTEGRALHEIGHT, 120, 80);
  Repaint(plain.Control);
  const std::vector<COLORREF> edge = WindowPixels(plain.Control, 0, 0, 120, 1);
  EXPECT_EQ(std::count(edge.begin(), edge.end(), SkinBorderColour), 0);
  painttest::Close(plain);
}

// An edit or list box with a sunken client edge: after WM_NCPAINT the outermost pixel ring is
// the skin's border colour and the next two (the rest of the two-pixel edge) are the client
// DC's background colour; without WS_EX_CLIENTEDGE the system's border stays as it was.
TEST(FlattenClientEdge, SunkenEdgeBecomesOnePixelFrameAndOthersAreLeftAlone) {
  for (const char* className : {"Edit", "ListBox"}) {
    SCOPED_TRACE(className);
    painttest::Skinned s =
        painttest::MakeSkinned(className, "text", LBS_NOINTEGRALHEIGHT, 200, 60, WS_EX_CLIENTEDGE);
    int bx = 0;
    int by = 0;
    GetBorderThickness(s.Control, bx, by);
    ASSERT_EQ(bx, 2);
    HDC client = GetDC(s.Control);
    const COLORREF background = GetBkColor(client);
    ReleaseDC(s.Control, client);
    painttest::Mark(s.Control, 0, 0, 200, 60);
    SendMessageA(s.Control, WM_NCPAINT, 1, 0);
    EXPECT_TRUE(RingIs(s.Control, 0, 0, 200, 60, SkinBorderColour));
    EXPECT_TRUE(RingIs(s.Control, 1, 1, 198, 58, background));
    EXPECT_TRUE(RingIs(s.Control, 2, 2, 196, 56, background));
    EXPECT_EQ(WindowPixels(s.Control, 3, 3, 1, 1)[0], painttest::kMarker) << "drew too deep";
    painttest::Close(s);
  }

  // The same edit with a plain border, skinned and not: identical frames.
  HWND form = skintest::CreateForm(300, 160, "edges");
  HWND skinned = skintest::CreateChild(form, "Edit", "text", WS_BORDER, 10, 10, 200, 24);
  AttachSkin(form);
  HWND twin = skintest::CreateChild(form, "Edit", "text", WS_BORDER, 10, 50, 200, 24);
  skintest::Pump(30);
  SendMessageA(skinned, WM_NCPAINT, 1, 0);
  SendMessageA(twin, WM_NCPAINT, 1, 0);
  EXPECT_EQ(WindowPixels(skinned, 0, 0, 200, 2), WindowPixels(twin, 0, 0, 200, 2));
  EXPECT_NE(WindowPixels(skinned, 0, 0, 1, 1)[0], SkinBorderColour);
  DetachSkin(form);
  DestroyWindow(form);
}

}  // namespace

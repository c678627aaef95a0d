// Check boxes and option buttons on real buttons: the box and circle of every visual state and
// check state, enabled and disabled, their placement, the skip of an unchanged state, and the
// repaint that WM_PAINT adds to the system's drawing.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "paint_test_support.h"
#include "skin/paint/check_option.h"
#include "skin/skinner.h"
#include "skin_test_support.h"

namespace {

using painttest::CompareKeyedPiece;
using painttest::Crop;
using painttest::RingIs;
using painttest::WindowPixels;

constexpr char kCheckClass[] = "ThunderRT6CheckBox";
constexpr char kOptionClass[] = "ThunderRT6OptionButton";
// The box size every expectation below is worked out for; Wine reports it at 96 dpi.
constexpr int kBox = 13;

// SkinImage4 rows of the check box shades, by visual state (normal has none).
constexpr int kShadeTop[] = {-1, 17, 30};

class CheckOption : public ::testing::Test {
 protected:
  void SetUp() override {
    painttest::RegisterSuperclass(kCheckClass, "Button");
    painttest::RegisterSuperclass(kOptionClass, "Button");
    ASSERT_EQ(GetSystemMetrics(SM_CXMENUCHECK), kBox);
    ASSERT_EQ(GetSystemMetrics(SM_CYMENUCHECK), kBox);
  }
};

void SetCheck(HWND window, int check) { SendMessageA(window, BM_SETCHECK, check, 0); }

// The inside of a shaded box: columns copied one to one from the shade band, rows stretched
// from its five rows, the first and last rows from the band's first and last.
::testing::AssertionResult InsideIsShade(const std::vector<COLORREF>& box, int shadeTop) {
  for (int y = 1; y < kBox - 1; ++y) {
    for (int x = 1; x < kBox - 1; ++x) {
      const COLORREF shown = box[y * kBox + x];
      bool found = false;
      for (int row = 0; row < 5; ++row) {
        found = found || shown == GetPixel(SkinImage4, x, shadeTop + row);
      }
      if (!found)
        return ::testing::AssertionFailure() << "(" << x << "," << y << ") not from the band";
    }
  }
  if (box[1 * kBox + 6] != GetPixel(SkinImage4, 6, shadeTop) ||
      box[(kBox - 2) * kBox + 6] != GetPixel(SkinImage4, 6, shadeTop + 4)) {
    return ::testing::AssertionFailure() << "first or last row not from the band's ends";
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult InsideIsWhite(const std::vector<COLORREF>& box) {
  for (int y = 1; y < kBox - 1; ++y) {
    for (int x = 1; x < kBox - 1; ++x) {
      if (box[y * kBox + x] != SkinWhite) {
        return ::testing::AssertionFailure() << "(" << x << "," << y << ") is not white";
      }
    }
  }
  return ::testing::AssertionSuccess();
}

TEST_F(CheckOption, CheckBoxFrameShadeAndMarkOfEveryStateAndCheck) {
  painttest::Skinned s = painttest::MakeSkinned(kCheckClass, "Check", BS_AUTO3STATE, 120, 21);
  const int top = 4;  // (21 - 13) / 2
  for (int state = 0; state <= 2; ++state) {
    SCOPED_TRACE("state " + std::to_string(state));
    SetCheck(s.Control, BST_UNCHECKED);
    EXPECT_EQ(PaintCheckBox(s.Control, state, true), 1);
    EXPECT_EQ(GetSkinProp(s.Control, kPropOldState), state);
    const std::vector<COLORREF> plain = WindowPixels(s.Control, 0, top, kBox, kBox);
    EXPECT_TRUE(RingIs(s.Control, 0, top, kBox, kBox,
                       state == 2 ? SkinPressedBoxColour : SkinBorderColour));
    EXPECT_TRUE(state == 0 ? InsideIsWhite(plain) : InsideIsShade(plain, kShadeTop[state]));

    // The mark lands at (2, 2) and the indeterminate square at (3, 3), over the shade.
    std::string where;
    SetCheck(s.Control, BST_CHECKED);
    PaintCheckBox(s.Control, state, true);
    EXPECT_EQ(CompareKeyedPiece(s.Control, 2, top + 2, SkinImage3, 0, 0, 9, 8,
                                Crop(plain, kBox, 2, 2, 9, 8), &where),
              0)
        << where;
    SetCheck(s.Control, BST_INDETERMINATE);
    PaintCheckBox(s.Control, state, true);
    EXPECT_EQ(CompareKeyedPiece(s.Control, 3, top + 3, SkinImage3, 1, 9, 7, 7,
                                Crop(plain, kBox, 3, 3, 7, 7), &where),
              0)
        << where;
    EXPECT_TRUE(RingIs(s.Control, 0, top, kBox, kBox,
                       state == 2 ? SkinPressedBoxColour : SkinBorderColour));
  }
  painttest::Close(s);
}

TEST_F(CheckOption, DisabledCheckBoxIsLightBlueAndWhiteWhateverTheState) {
  painttest::Skinned s = painttest::MakeSkinned(kCheckClass, "Check", BS_AUTO3STATE, 120, 21);
  EnableWindow(s.Control, FALSE);
  const int top = 4;
  for (int state = 0; state <= 2; ++state) {
    SCOPED_TRACE("state " + std::to_string(state));
    SetCheck(s.Control, BST_UNCHECKED);
    PaintCheckBox(s.Control, state, true);
    const std::vector<COLORREF> plain = WindowPixels(s.Control, 0, top, kBox, kBox);
    EXPECT_TRUE(RingIs(s.Control, 0, top, kBox, kBox, SkinDisabledBorderColour));
    EXPECT_TRUE(InsideIsWhite(plain));
    std::string where;
    SetCheck(s.Control, BST_CHECKED);
    PaintCheckBox(s.Control, state, true);
    EXPECT_EQ(CompareKeyedPiece(s.Control, 2, top + 2, SkinImage3, 9, 0, 9, 8,
                                Crop(plain, kBox, 2, 2, 9, 8), &where),
              0)
        << where;
    SetCheck(s.Control, BST_INDETERMINATE);
    PaintCheckBox(s.Control, state, true);
    EXPECT_EQ(CompareKeyedPiece(s.Control, 3, top + 3, SkinImage3, 10, 9, 7, 7,
                                Crop(plain, kBox, 3, 3, 7, 7), &where),
              0)
        << where;
  }
  painttest::Close(s);
}

TEST_F(CheckOption, UnchangedStateIsSkippedEvenAfterTheCheckChanged) {
  painttest::Skinned box = painttest::MakeSkinned(kCheckClass, "Check", BS_AUTO3STATE, 120, 21);
  EXPECT_EQ(PaintCheckBox(box.Control, 1, true), 1);
  SetCheck(box.Control, BST_CHECKED);
  painttest::Mark(box.Control, 0, 0, 120, 21);
  EXPECT_EQ(PaintCheckBox(box.Control, 1, false), 0);
  for (COLORREF c : WindowPixels(box.Control, 0, 0, kBox, 21)) ASSERT_EQ(c, painttest::kMarker);
  EXPECT_EQ(PaintCheckBox(box.Control, 2, false), 1);
  EXPECT_EQ(GetSkinProp(box.Control, kPropOldState), 2);
  EXPECT_TRUE(RingIs(box.Control, 0, 4, kBox, kBox, SkinPressedBoxColour));
  painttest::Close(box);

  painttest::Skinned option =
      painttest::MakeSkinned(kOptionClass, "Option", BS_AUTORADIOBUTTON, 120, 21);
  EXPECT_EQ(PaintOptionButton(option.Control, 2, true), 1);
  SetCheck(option.Control, BST_CHECKED);
  painttest::Mark(option.Control, 0, 0, 120, 21);
  EXPECT_EQ(PaintOptionButton(option.Control, 2, false), 0);
  for (COLORREF c : WindowPixels(option.Control, 0, 0, kBox, 21)) ASSERT_EQ(c, painttest::kMarker);
  EXPECT_EQ(PaintOptionButton(option.Control, 0, false), 1);
  EXPECT_EQ(GetSkinProp(option.Control, kPropOldState), 0);
  painttest::Close(option);
}

TEST_F(CheckOption, BoxIsVerticallyCentredWithHalvesToEvenAtTheLeftEdge) {
  // (30 - 13) / 2 = 8.5 goes to 8, (32 - 13) / 2 = 9.5 to 10; the right-aligned button style
  // moves the system's box to the right but not the skin's.
  const struct {
    int Height;
    int Top;
  } cases[] = {{30, 8}, {32, 10}, {13, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE("height " + std::to_string(c.Height));
    painttest::Skinned s = painttest::MakeSkinned(
        kCheckClass, "Right", BS_AUTOCHECKBOX | BS_RIGHTBUTTON | BS_RIGHT, 120, c.Height);
    PaintCheckBox(s.Control, 0, true);
    EXPECT_TRUE(RingIs(s.Control, 0, c.Top, kBox, kBox, SkinBorderColour));
    painttest::Close(s);

    painttest::Skinned o = painttest::MakeSkinned(
        kOptionClass, "Right", BS_AUTORADIOBUTTON | BS_RIGHTBUTTON, 120, c.Height);
    SetCheck(o.Control, BST_CHECKED);
    painttest::Mark(o.Control, 0, 0, 120, c.Height);
    PaintOptionButton(o.Control, 0, true);
    // The dot at (4, 4 + y0): x = (13 - 5) / 2, y = (13 - 5) / 2 + y0.
    std::string where;
    const std::vector<COLORREF> circle = WindowPixels(o.Control, 0, c.Top, kBox, kBox);
    EXPECT_EQ(CompareKeyedPiece(o.Control, 4, c.Top + 4, SkinImage3, 2, 18, 5, 5,
                                Crop(circle, kBox, 4, 4, 5, 5), &where),
              0)
        << where;
    EXPECT_EQ(GetPixel(SkinImage3, 4, 18), WindowPixels(o.Control, 4 + 2, c.Top + 4, 1, 1)[0]);
    EXPECT_EQ(WindowPixels(o.Control, 0, c.Top + 6, 1, 1)[0], GetPixel(SkinImage4, 0, 6));
    painttest::Close(o);
  }
}

TEST_F(CheckOption, OptionCircleOfEveryStateKeepsTheWindowInItsCorners) {
  painttest::Skinned s =
      painttest::MakeSkinned(kOptionClass, "Option", BS_AUTORADIOBUTTON, 120, 21);
  const int top = 4;
  const std::vector<COLORREF> marker(kBox * kBox, painttest::kMarker);
  for (int enabled = 1; enabled >= 0; --enabled) {
    EnableWindow(s.Control, enabled);
    for (int state = 0; state <= 2; ++state) {
      SCOPED_TRACE("state " + std::to_string(state) + " enabled " + std::to_string(enabled));
      const int circleTop = enabled ? 13 * state : 39;
      SetCheck(s.Control, BST_UNCHECKED);
      painttest::Mark(s.Control, 0, 0, 120, 21);
      PaintOptionButton(s.Control, state, true);
      std::string where;
      EXPECT_EQ(CompareKeyedPiece(s.Control, 0, top, SkinImage4, 0, circleTop, kBox, kBox, marker,
                                  &where),
                0)
          << where;
      const std::vector<COLORREF> plain = WindowPixels(s.Control, 0, top, kBox, kBox);

      SetCheck(s.Control, BST_CHECKED);
      painttest::Mark(s.Control, 0, 0, 120, 21);
      PaintOptionButton(s.Control, state, true);
      EXPECT_EQ(CompareKeyedPiece(s.Control, 4, top + 4, SkinImage3, enabled ? 2 : 11, 18, 5, 5,
                                  Crop(plain, kBox, 4, 4, 5, 5), &where),
                0)
          << where;
    }
  }
  painttest::Close(s);
}

TEST_F(CheckOption, IndeterminateOptionButtonHasNoDot) {
  painttest::Skinned s =
      painttest::MakeSkinned(kOptionClass, "Option", BS_AUTORADIOBUTTON, 120, 21);
  painttest::Mark(s.Control, 0, 0, 120, 21);
  PaintOptionButton(s.Control, 0, true);
  const std::vector<COLORREF> unchecked = WindowPixels(s.Control, 0, 0, kBox, 21);
  painttest::SetReportedCheck(s.Control, BST_INDETERMINATE);
  ASSERT_EQ(SendMessageA(s.Control, BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  painttest::Mark(s.Control, 0, 0, 120, 21);
  PaintOptionButton(s.Control, 0, true);
  EXPECT_EQ(WindowPixels(s.Control, 0, 0, kBox, 21), unchecked);
  painttest::Close(s);
}

TEST_F(CheckOption, PaintMessageDrawsTheNormalStateOverTheSystemPicture) {
  painttest::Skinned box =
      painttest::MakeSkinned(kCheckClass, "Check box text", BS_AUTOCHECKBOX, 140, 21);
  PaintCheckBox(box.Control, 2, true);
  InvalidateRect(box.Control, nullptr, TRUE);
  UpdateWindow(box.Control);
  EXPECT_EQ(GetSkinProp(box.Control, kPropOldState), 0);
  EXPECT_TRUE(RingIs(box.Control, 0, 4, kBox, kBox, SkinBorderColour));
  EXPECT_TRUE(InsideIsWhite(WindowPixels(box.Control, 0, 4, kBox, kBox)));
  // The caption is still the system's.
  const std::vector<COLORREF> caption = WindowPixels(box.Control, 16, 0, 120, 21);
  EXPECT_NE(std::count(caption.begin(), caption.end(), GetSysColor(COLOR_BTNTEXT)), 0);
  painttest::Close(box);

  painttest::Skinned option =
      painttest::MakeSkinned(kOptionClass, "Option", BS_AUTORADIOBUTTON, 140, 21);
  SetCheck(option.Control, BST_CHECKED);
  PaintOptionButton(option.Control, 1, true);
  InvalidateRect(option.Control, nullptr, TRUE);
  UpdateWindow(option.Control);
  EXPECT_EQ(GetSkinProp(option.Control, kPropOldState), 0);
  // The middle row of the normal circle and the dot's middle pixel.
  EXPECT_EQ(WindowPixels(option.Control, 0, 4 + 6, 1, 1)[0], GetPixel(SkinImage4, 0, 6));
  EXPECT_EQ(WindowPixels(option.Control, 6, 4 + 6, 1, 1)[0], GetPixel(SkinImage3, 4, 20));
  painttest::Close(option);
}

}  // namespace

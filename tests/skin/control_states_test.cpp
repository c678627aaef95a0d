// Check boxes, option buttons, combo boxes and drive lists driven by real messages and, where
// the handlers look at the cursor, by the real cursor and mouse button: the state each message
// requests, the pictures left on screen, and the refresh of siblings after a release.

#include <gtest/gtest.h>

#include <vector>

#include "input_test_support.h"
#include "paint_test_support.h"
#include "skin/input/control_states.h"
#include "skin/paint/check_option.h"
#include "skin/skinner.h"
#include "skin_test_support.h"

namespace {

using skintest::PumpUntil;

constexpr char kCheckClass[] = "ThunderRT6CheckBox";
constexpr char kOptionClass[] = "ThunderRT6OptionButton";
constexpr char kDriveClass[] = "ThunderRT6DriveListBox";

LONG_PTR State(HWND window) { return GetSkinProp(window, kPropOldState); }

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

int CountMarker(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  int n = 0;
  for (COLORREF c : painttest::WindowPixels(window, 0, 0, r.right - r.left, r.bottom - r.top)) {
    n += c == painttest::kMarker;
  }
  return n;
}

void MarkAll(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  painttest::Mark(window, 0, 0, r.right - r.left, r.bottom - r.top);
}

// True when the window shows what its painter draws for its current state: a forced repaint in
// that state changes no pixel.
bool ShowsItsState(HWND window, bool option) {
  RECT r{};
  GetWindowRect(window, &r);
  const std::vector<COLORREF> shown = painttest::WindowPixels(window, 0, 0, 16, r.bottom - r.top);
  const int state = static_cast<int>(State(window));
  if (option) {
    PaintOptionButton(window, state, true);
  } else {
    PaintCheckBox(window, state, true);
  }
  return painttest::WindowPixels(window, 0, 0, 16, r.bottom - r.top) == shown;
}

struct ControlForm {
  HWND Form;
  HWND OptionA;
  HWND OptionB;
  HWND Check;
  HWND Button;
  ControlForm() {
    painttest::RegisterSuperclass(kCheckClass, "Button");
    painttest::RegisterSuperclass(kOptionClass, "Button");
    skintest::ParkCursor();
    Form = skintest::CreateForm(420, 260);
    OptionA = skintest::CreateChild(Form, kOptionClass, "First", BS_AUTORADIOBUTTON | WS_GROUP, 20,
                                    20, 120, 20);
    OptionB =
        skintest::CreateChild(Form, kOptionClass, "Second", BS_AUTORADIOBUTTON, 20, 50, 120, 20);
    Check = skintest::CreateChild(Form, kCheckClass, "Check", BS_AUTOCHECKBOX | WS_GROUP, 20, 80,
                                  120, 20);
    Button = skintest::CreateChild(Form, "Button", "Go", BS_PUSHBUTTON, 200, 20, 100, 30);
    SendMessageA(OptionA, BM_SETCHECK, BST_CHECKED, 0);
    AttachSkin(Form);
    SetForegroundWindow(Form);
    skintest::Pump(50);
  }
  ~ControlForm() {
    skintest::ParkCursor();
    DetachSkin(Form);
    DestroyWindow(Form);
    skintest::Pump(20);
  }
  void Click(HWND window) {
    skintest::MoveCursorInto(window, 6, 10);
    skintest::Pump(30);
    skintest::MouseButton(true);
    skintest::Pump(30);
    skintest::MouseButton(false);
    skintest::Pump(60);
  }
};

TEST(CheckBoxStates, HoverPressReleaseAndLeaveWithTheRealMouse) {
  ControlForm f;
  skintest::MoveCursorInto(f.Check, 6, 10);
  ASSERT_TRUE(PumpUntil(500, [&] { return State(f.Check) == kStateHover; }));
  EXPECT_EQ(GetSkinProp(f.Check, kPropMouseFlag), 1);
  // Every move redraws, also when the state does not change.
  MarkAll(f.Check);
  const int marked = CountMarker(f.Check);
  skintest::MoveCursorInto(f.Check, 7, 10);
  ASSERT_TRUE(PumpUntil(500, [&] { return CountMarker(f.Check) < marked; })) << "move not redrawn";

  skintest::MouseButton(true);
  ASSERT_TRUE(PumpUntil(500, [&] { return State(f.Check) == kStatePressed; }));
  EXPECT_TRUE(ShowsItsState(f.Check, false)) << "the system's box shows over the pressed one";
  skintest::MouseButton(false);
  ASSERT_TRUE(
      PumpUntil(500, [&] { return SendMessageA(f.Check, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
  skintest::Pump(60);
  // After the release the capture ends and the move the system sends finds the cursor over it.
  EXPECT_EQ(State(f.Check), kStateHover);
  EXPECT_TRUE(ShowsItsState(f.Check, false)) << "the check mark drawn is not the current one";

  skintest::ParkCursor();
  ASSERT_TRUE(PumpUntil(2000, [&] { return GetSkinProp(f.Check, kPropMouseFlag) == 0; }));
  EXPECT_EQ(State(f.Check), kStateNormal);
  EXPECT_TRUE(ShowsItsState(f.Check, false));
}

TEST(CheckBoxStates, OnlyTheSpaceKeyPressesAndReleases) {
  ControlForm f;
  SetFocus(f.Check);
  skintest::Pump(30);
  MarkAll(f.Check);
  const int marked = CountMarker(f.Check);
  skintest::Key('A', true);
  skintest::Key('A', false);
  skintest::Pump(60);
  EXPECT_EQ(CountMarker(f.Check), marked) << "another key drew";
  EXPECT_EQ(State(f.Check), kStateNormal);
  skintest::Key(VK_SPACE, true);
  ASSERT_TRUE(PumpUntil(500, [&] { return State(f.Check) == kStatePressed; }));
  skintest::Key(VK_SPACE, false);
  ASSERT_TRUE(PumpUntil(500, [&] { return State(f.Check) == kStateNormal; }));
  EXPECT_EQ(SendMessageA(f.Check, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(ShowsItsState(f.Check, false));
}

TEST(SiblingRefresh, ClickingAnOptionButtonRedrawsTheOneThatLostItsSelection) {
  ControlForm f;
  ASSERT_TRUE(ShowsItsState(f.OptionA, true));
  MarkAll(f.Check);
  const int marked = CountMarker(f.Check);
  f.Click(f.OptionB);
  EXPECT_EQ(SendMessageA(f.OptionB, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(f.OptionA, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  // The system drew its own circle when it unchecked the first button; the refresh drew ours.
  EXPECT_EQ(State(f.OptionA), kStateNormal);
  EXPECT_TRUE(ShowsItsState(f.OptionA, true)) << "the deselected option shows a stale circle";
  EXPECT_TRUE(ShowsItsState(f.OptionB, true));
  EXPECT_LT(CountMarker(f.Check), marked) << "the check box beside them was not refreshed";
}

TEST(SiblingRefresh, ReleaseOnACommandButtonRefreshesTheCheckBoxes) {
  ControlForm f;
  MarkAll(f.Check);
  MarkAll(f.OptionA);
  const int marked = CountMarker(f.Check);
  SendMessageA(f.Button, WM_LBUTTONUP, 0, At(5, 5));
  EXPECT_LT(CountMarker(f.Check), marked);
  EXPECT_TRUE(ShowsItsState(f.OptionA, true));
}

TEST(OptionButtonFocus, FocusChangesDrawTheOptionNormalForced) {
  ControlForm f;
  MarkAll(f.OptionB);
  const int marked = CountMarker(f.OptionB);
  SetFocus(f.OptionB);
  EXPECT_LT(CountMarker(f.OptionB), marked);
  MarkAll(f.OptionB);
  SetFocus(f.Form);
  EXPECT_LT(CountMarker(f.OptionB), marked);
  EXPECT_EQ(State(f.OptionB), kStateNormal);
}

TEST(DropButtonZone, BoundsAreInclusiveOnAllFourSides) {
  // w = 150, h = 24, cx = 17: x from 131 to 148, y from 2 to 22.
  EXPECT_FALSE(IsInDropButtonZone(150, 24, 17, 130, 10));
  EXPECT_TRUE(IsInDropButtonZone(150, 24, 17, 131, 10));
  EXPECT_TRUE(IsInDropButtonZone(150, 24, 17, 148, 10));
  EXPECT_FALSE(IsInDropButtonZone(150, 24, 17, 149, 10));
  EXPECT_FALSE(IsInDropButtonZone(150, 24, 17, 140, 1));
  EXPECT_TRUE(IsInDropButtonZone(150, 24, 17, 140, 2));
  EXPECT_TRUE(IsInDropButtonZone(150, 24, 17, 140, 22));
  EXPECT_FALSE(IsInDropButtonZone(150, 24, 17, 140, 23));
  // Coordinates left of or above a captured window are negative.
  EXPECT_FALSE(IsInDropButtonZone(150, 24, 17, -10, 10));
}

struct ComboForm {
  HWND Form;
  HWND Editable;
  HWND List;
  HWND Drive;
  int W = 0, H = 0, Cx = 0;
  ComboForm() {
    painttest::RegisterSuperclass(kDriveClass, "ComboBox");
    skintest::ParkCursor();
    Form = skintest::CreateForm(420, 300);
    Editable =
        skintest::CreateChild(Form, "ComboBox", "", CBS_DROPDOWN | WS_VSCROLL, 20, 20, 150, 150);
    List = skintest::CreateChild(Form, "ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL, 20, 80, 150,
                                 150);
    Drive = skintest::CreateChild(Form, kDriveClass, "", CBS_DROPDOWNLIST | WS_VSCROLL, 220, 80,
                                  150, 150);
    for (HWND c : {Editable, List, Drive})
      SendMessageA(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("item"));
    AttachSkin(Form);
    SetForegroundWindow(Form);
    skintest::Pump(50);
    RECT r{};
    GetWindowRect(Editable, &r);
    W = r.right - r.left;
    H = r.bottom - r.top;
    Cx = GetSystemMetrics(SM_CXVSCROLL);
  }
  ~ComboForm() {
    skintest::ParkCursor();
    DetachSkin(Form);
    DestroyWindow(Form);
    skintest::Pump(20);
  }
};

TEST(ComboStates, EditableComboHoversOnlyInsideTheDropButtonZone) {
  ComboForm f;
  auto move = [&](int x, int y, WPARAM keys = 0) {
    SendMessageA(f.Editable, WM_MOUSEMOVE, keys, At(x, y));
    return State(f.Editable);
  };
  EXPECT_EQ(move(f.W - f.Cx - 2, f.H / 2), kStateHover);
  EXPECT_EQ(GetSkinProp(f.Editable, kPropMouseFlag), 1);
  EXPECT_EQ(move(f.W - f.Cx - 3, f.H / 2), kStateNormal);
  EXPECT_EQ(move(f.W - 2, f.H - 2), kStateHover);
  EXPECT_EQ(move(f.W - 5, 1), kStateNormal);
  EXPECT_EQ(move(f.W - 5, 2, MK_LBUTTON), kStatePressed);
  EXPECT_EQ(move(f.W - 5, f.H - 1), kStateNormal);

  // A press outside the zone requests nothing; inside it, pressed.
  move(f.W - 5, f.H / 2);
  ASSERT_EQ(State(f.Editable), kStateHover);
  SendMessageA(f.Editable, WM_LBUTTONDOWN, MK_LBUTTON, At(f.W - f.Cx - 3, f.H / 2));
  EXPECT_EQ(State(f.Editable), kStateHover);
  SendMessageA(f.Editable, WM_LBUTTONUP, 0, At(f.W - f.Cx - 3, f.H / 2));
  SendMessageA(f.Editable, WM_LBUTTONDOWN, MK_LBUTTON, At(f.W - f.Cx - 2, f.H / 2));
  EXPECT_EQ(State(f.Editable), kStatePressed);
  SendMessageA(f.Editable, CB_SHOWDROPDOWN, FALSE, 0);
  ReleaseCapture();
  skintest::Pump(30);
}

TEST(ComboStates, ReleaseHoversOnlyWhenTheCursorIsOverTheComboItself) {
  ComboForm f;
  SendMessageA(f.List, WM_MOUSEMOVE, 0, At(10, 5));
  ASSERT_EQ(State(f.List), kStateHover);
  // Any press on a drop-down-list combo is pressed.
  SendMessageA(f.List, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 5));
  EXPECT_EQ(State(f.List), kStatePressed);
  SendMessageA(f.List, CB_SHOWDROPDOWN, FALSE, 0);
  ReleaseCapture();
  skintest::Pump(30);

  skintest::MoveCursorInto(f.List, 10, 5);
  skintest::Pump(30);
  SendMessageA(f.List, WM_LBUTTONUP, 0, At(10, 5));
  EXPECT_EQ(State(f.List), kStateHover);
  SendMessageA(f.List, WM_MOUSEMOVE, MK_LBUTTON, At(10, 5));
  ASSERT_EQ(State(f.List), kStatePressed);
  skintest::MoveCursorInto(f.Form, 300, 250);
  skintest::Pump(30);
  SendMessageA(f.List, WM_LBUTTONUP, 0, At(10, 5));
  EXPECT_EQ(State(f.List), kStateNormal);

  // Over the editable combo's own edit field the window under the cursor is the child.
  SendMessageA(f.Editable, WM_MOUSEMOVE, MK_LBUTTON, At(f.W - 5, f.H / 2));
  ASSERT_EQ(State(f.Editable), kStatePressed);
  skintest::MoveCursorInto(f.Editable, 10, f.H / 2);
  skintest::Pump(30);
  POINT cursor{};
  GetCursorPos(&cursor);
  ASSERT_NE(WindowFromPoint(cursor), f.Editable);
  SendMessageA(f.Editable, WM_LBUTTONUP, 0, At(10, f.H / 2));
  EXPECT_EQ(State(f.Editable), kStateNormal);
}

TEST(ComboStates, DriveListPressAndMoveAndPositionChange) {
  ComboForm f;
  SendMessageA(f.Drive, WM_MOUSEMOVE, MK_LBUTTON, At(10, 5));
  EXPECT_EQ(State(f.Drive), kStatePressed);
  SendMessageA(f.Drive, WM_MOUSEMOVE, 0, At(10, 5));
  EXPECT_EQ(State(f.Drive), kStateHover);
  SetWindowPos(f.Drive, nullptr, 230, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_EQ(State(f.Drive), kStateNormal);
  SendMessageA(f.List, WM_MOUSEMOVE, 0, At(10, 5));
  ASSERT_EQ(State(f.List), kStateHover);
  SendMessageA(f.List, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(State(f.List), kStateNormal);
  EXPECT_EQ(GetSkinProp(f.List, kPropMouseFlag), 0);
}

}  // namespace

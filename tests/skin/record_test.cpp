// Control kinds, pointer-sized properties, the fade timer, leave tracking and signed coordinates.

#include <gtest/gtest.h>

#include <string>

#include "skin/skinner.h"
#include "skin_test_support.h"

namespace {

TEST(ControlKinds, ClassNamesAreComparedLowerCased) {
  struct Case {
    const char* Name;
    ControlKind Kind;
  };
  const Case cases[] = {
      {"ThunderRT6CommandButton", ControlKind::CommandButton},
      {"Button", ControlKind::CommandButton},
      {"#32770", ControlKind::Form},
      {"Form", ControlKind::Form},
      {"ThunderRT6FormDC", ControlKind::Form},
      {"ComboBox", ControlKind::ComboBox},
      {"ComboLBox", ControlKind::ComboList},
      {"ThunderRT6DriveListBox", ControlKind::DriveListBox},
      {"ThunderCheckBox", ControlKind::CheckBox},
      {"ThunderRT6OptionButton", ControlKind::OptionButton},
      {"SysHeader32", ControlKind::Header},
      {"ProgressBar20WndClass", ControlKind::ProgressBar},
      {"msctls_progress32", ControlKind::Other},
      {"DataListWndClass", ControlKind::DataList},
      {"apexgrid", ControlKind::Grid},
      {"ApexGridOleDB32", ControlKind::Grid},
      {"xapexgrid", ControlKind::Other},
      {"Edit", ControlKind::Other},
      {"", ControlKind::Other},
  };
  for (const Case& c : cases) EXPECT_EQ(KindOfClassName(c.Name), c.Kind) << c.Name;
}

TEST(ControlKinds, ClassNameComesFromTheWindow) {
  HWND form = skintest::CreateForm();
  HWND button = skintest::CreateChild(form, "button", "b", BS_PUSHBUTTON, 10, 10, 80, 24);
  EXPECT_EQ(GetWindowClassName(button), "Button");
  EXPECT_EQ(GetControlKind(button), ControlKind::CommandButton);
  EXPECT_EQ(GetWindowClassName(nullptr), "");
  EXPECT_EQ(GetControlKind(nullptr), ControlKind::Other);
  DestroyWindow(form);
}

TEST(SkinProperties, MinusOneAndMissingValuesReadBackAsStored) {
  HWND window = skintest::CreatePlainWindow();
  EXPECT_EQ(GetSkinProp(window, kPropHdIndex), 0);
  SetSkinProp(window, kPropHdIndex, -1);
  EXPECT_EQ(GetSkinProp(window, kPropHdIndex), -1);
  RemoveSkinProp(window, kPropHdIndex);
  EXPECT_EQ(GetSkinProp(window, kPropHdIndex), 0);
  EXPECT_STREQ(FaceDcPropName(2), "2HDC");
  EXPECT_STREQ(FaceBitmapPropName(3), "3BMP");
  DestroyWindow(window);
}

TEST(FadeTimer, StartsOnceStopsOnceAndRestarts) {
  HWND window = skintest::CreatePlainWindow();
  EXPECT_EQ(StopFadeTimer(window), 0) << "stopped a timer that was never started";
  EXPECT_EQ(GetSkinProp(window, kPropTimerId), 0);
  EXPECT_EQ(StartFadeTimer(window), kFadeTimerId);
  EXPECT_EQ(GetSkinProp(window, kPropTimerId), 1);
  EXPECT_EQ(StartFadeTimer(window), 0u) << "a second timer was started";
  EXPECT_EQ(GetSkinProp(window, kPropTimerId), 1);
  EXPECT_NE(StopFadeTimer(window), 0);
  EXPECT_EQ(GetSkinProp(window, kPropTimerId), 0);
  EXPECT_EQ(StartFadeTimer(window), kFadeTimerId);
  // The timer really runs: WM_TIMER with identifier 1 arrives at the window.
  MSG msg{};
  const DWORD start = GetTickCount();
  bool ticked = false;
  while (!ticked && GetTickCount() - start < 1000) {
    ticked = PeekMessageA(&msg, window, WM_TIMER, WM_TIMER, PM_REMOVE) && msg.wParam == 1;
    if (!ticked) Sleep(5);
  }
  EXPECT_TRUE(ticked);
  StopFadeTimer(window);
  DestroyWindow(window);
}

TEST(SignedWords, NegativeCoordinatesSurvive) {
  EXPECT_EQ(SignedLoWord(0x0005FFF6), -10);
  EXPECT_EQ(SignedHiWord(0x0005FFF6), 5);
  EXPECT_EQ(SignedHiWord(static_cast<LPARAM>(0xFFFB0003u)), -5);
  EXPECT_EQ(SignedLoWord(static_cast<LPARAM>(0xFFFB0003u)), 3);
  EXPECT_EQ(SignedLoWord(0x7FFF), 32767);
  EXPECT_EQ(SignedLoWord(0x8000), -32768);
}

// Waits for the leave message after the cursor has moved out of the window.
bool LeaveArrives(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  skintest::Pump(30);
  const UINT before = skintest::Log().MouseLeaveCount;
  TrackMouseLeave(window);
  SetCursorPos(r.right + 200, r.bottom + 200);
  const DWORD start = GetTickCount();
  while (skintest::Log().MouseLeaveCount == before && GetTickCount() - start < 2000) {
    skintest::Pump(20);
  }
  return skintest::Log().MouseLeaveCount > before;
}

TEST(TrackMouseLeave, OneLeaveMessageThroughEitherEntryPoint) {
  HWND window = skintest::CreatePlainWindow();
  const bool saved = HasUserTrackMouseEvent;
  HasUserTrackMouseEvent = false;
  EXPECT_TRUE(LeaveArrives(window)) << "comctl32 _TrackMouseEvent";
  HasUserTrackMouseEvent = true;
  EXPECT_TRUE(LeaveArrives(window)) << "user32 TrackMouseEvent";
  HasUserTrackMouseEvent = saved;
  DestroyWindow(window);
}

TEST(IsApiAvailable, FindsExportsAndRejectsMissingOnes) {
  EXPECT_TRUE(IsApiAvailable("TrackMouseEvent", "User32"));
  EXPECT_TRUE(IsApiAvailable("_TrackMouseEvent", "comctl32"));
  EXPECT_FALSE(IsApiAvailable("NoSuchFunctionAnywhere", "User32"));
  EXPECT_FALSE(IsApiAvailable("TrackMouseEvent", "no_such_module_here"));
}

}  // namespace

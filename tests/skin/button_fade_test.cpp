// Command buttons driven by the real cursor, mouse button and keyboard under Wine: the visual
// state each input gives, and the cross-fade seen tick by tick through the button's own window
// procedure, which runs after each fade tick.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "input_test_support.h"
#include "skin/skinner.h"
#include "skin_test_support.h"

namespace {

using skintest::PumpUntil;
using skintest::ReadPixels;
using skintest::Tick;
using skintest::Ticks;

constexpr int kWidth = 145;
constexpr int kHeight = 33;
constexpr DWORD kFadeLimitMs = 4000;
constexpr DWORD kLeaveLimitMs = 2000;

HDC Face(HWND button, int state) {
  return reinterpret_cast<HDC>(GetSkinProp(button, FaceDcPropName(state)));
}

int Distance(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
         std::abs(GetBValue(a) - GetBValue(b));
}

// The inner pixels of the window as shown (the corners are cut by the region).
std::vector<COLORREF> Shown(HWND button) {
  HDC dc = GetWindowDC(button);
  std::vector<COLORREF> pixels = ReadPixels(dc, 2, 2, kWidth - 4, kHeight - 4);
  ReleaseDC(button, dc);
  return pixels;
}

std::vector<COLORREF> FacePixels(HWND button, int state) {
  return ReadPixels(Face(button, state), 2, 2, kWidth - 4, kHeight - 4);
}

LONG_PTR Prop(HWND window, const char* name) { return GetSkinProp(window, name); }

struct FadeForm {
  HWND Form = nullptr;
  HWND Button = nullptr;
  HWND Other = nullptr;
  POINT Sample{};

  FadeForm() {
    skintest::ParkCursor();
    Form = skintest::CreateForm(420, 200);
    Button = skintest::CreateChild(Form, "Button", "Build", BS_PUSHBUTTON, 20, 20, kWidth, kHeight);
    Other = skintest::CreateChild(Form, "Button", "Other", BS_PUSHBUTTON, 20, 100, kWidth, kHeight);
    skintest::RecordTicks(Button, 0, 0);
    AttachSkin(Form);
    SetForegroundWindow(Form);
    SetFocus(Form);
    skintest::Pump(50);
    Sample = MostChangedPixel(kStateNormal, kStateHover);
    skintest::SampleTicksAt(Button, Sample.x, Sample.y);
    Ticks(Button).clear();
  }
  ~FadeForm() {
    skintest::ParkCursor();
    DetachSkin(Form);
    DestroyWindow(Form);
    skintest::Pump(20);
  }

  // The inner pixel where two faces differ most, so that a blend between them shows there.
  POINT MostChangedPixel(int from, int to) const {
    POINT best{kWidth / 2, kHeight / 2};
    int bestDistance = -1;
    for (int y = 3; y < kHeight - 3; ++y) {
      for (int x = 3; x < kWidth - 3; ++x) {
        int d = Distance(GetPixel(Face(Button, from), x, y), GetPixel(Face(Button, to), x, y));
        if (d > bestDistance) {
          bestDistance = d;
          best = POINT{x, y};
        }
      }
    }
    return best;
  }
  COLORREF FacePixel(int state) const { return GetPixel(Face(Button, state), Sample.x, Sample.y); }
  bool FadeRunning() const { return Prop(Button, kPropTimerId) != 0; }
  bool WaitFadeEnd() const {
    return PumpUntil(kFadeLimitMs, [this] { return !FadeRunning(); });
  }
  void Enter() const { skintest::MoveCursorInto(Button, kWidth / 2, kHeight / 2); }
  size_t WaitTicks(size_t count) const {
    PumpUntil(kFadeLimitMs, [&] { return Ticks(Button).size() >= count; });
    return Ticks(Button).size();
  }
};

// The levels a fade from `start` leaves after each tick: start + 3, ..., 255, then 0.
std::vector<int> LevelsAfterTicks(int start) {
  std::vector<int> levels;
  for (int level = start + 3; level <= 255; level += 3) levels.push_back(level);
  levels.push_back(0);
  return levels;
}

std::vector<int> Levels(const std::vector<Tick>& ticks) {
  std::vector<int> levels;
  for (const Tick& t : ticks) levels.push_back(t.Level);
  return levels;
}

TEST(ButtonFade, EnteringBlendsTheHoverFaceInEightySixStepsEndingExactlyOnIt) {
  FadeForm f;
  const COLORREF normal = f.FacePixel(kStateNormal);
  const COLORREF hover = f.FacePixel(kStateHover);
  ASSERT_GT(Distance(normal, hover), 20) << "normal and hover faces look alike";
  f.Enter();
  ASSERT_TRUE(PumpUntil(500, [&] { return f.FadeRunning(); })) << "entering started no fade";
  EXPECT_EQ(Prop(f.Button, kPropOldState), kStateHover);
  EXPECT_EQ(Prop(f.Button, kPropMouseFlag), 1);
  ASSERT_TRUE(f.WaitFadeEnd());
  const std::vector<Tick>& ticks = Ticks(f.Button);
  ASSERT_EQ(ticks.size(), 86u);
  EXPECT_EQ(Levels(ticks), LevelsAfterTicks(0));
  for (size_t i = 0; i + 1 < ticks.size(); ++i) EXPECT_EQ(ticks[i].TimerId, 1) << "tick " << i;
  EXPECT_EQ(ticks.back().TimerId, 0);
  EXPECT_EQ(Prop(f.Button, kPropAlphaLevel), 0);

  // The picture: unchanged by the blend at 0, then each blend closer to the hover face, and the
  // last one exactly on it.
  EXPECT_EQ(ticks.front().Pixel, normal);
  for (size_t i = 1; i < ticks.size(); ++i) {
    EXPECT_LE(Distance(ticks[i].Pixel, hover), Distance(ticks[i - 1].Pixel, hover)) << "tick " << i;
  }
  EXPECT_GT(Distance(ticks[20].Pixel, normal), 0) << "a quarter into the fade nothing moved";
  EXPECT_GT(Distance(ticks[20].Pixel, hover), 0) << "the fade jumped to the hover face";
  EXPECT_EQ(ticks.back().Pixel, hover);
  EXPECT_EQ(Shown(f.Button), FacePixels(f.Button, kStateHover));

  // Further moves inside draw nothing and start nothing.
  skintest::MoveCursorInto(f.Button, kWidth / 2 + 5, kHeight / 2);
  skintest::Pump(60);
  EXPECT_FALSE(f.FadeRunning());
  EXPECT_EQ(ticks.size(), 86u);
}

// After the release the capture ends and the system sends the button a mouse move: with the
// cursor still over it, that counts as entering again, so the button fades from its pressed face
// back to hover on the timer the release started.
TEST(ButtonFade, ReleaseOverTheButtonClicksThenFadesFromPressedBackToHover) {
  FadeForm f;
  f.Enter();
  ASSERT_TRUE(f.WaitFadeEnd());
  skintest::MouseButton(true);
  ASSERT_TRUE(PumpUntil(500, [&] { return Prop(f.Button, kPropOldState) == kStatePressed; }));
  EXPECT_FALSE(f.FadeRunning());
  EXPECT_EQ(Prop(f.Button, kPropAlphaLevel), 0);
  EXPECT_EQ(Shown(f.Button), FacePixels(f.Button, kStatePressed)) << "pressed face not opaque";
  skintest::Log().LastMessage = 0;
  Ticks(f.Button).clear();
  skintest::MouseButton(false);
  ASSERT_TRUE(PumpUntil(500, [&] { return f.FadeRunning(); })) << "release started no fade";
  EXPECT_EQ(skintest::Log().LastMessage, static_cast<UINT>(WM_COMMAND)) << "no click";
  ASSERT_TRUE(f.WaitFadeEnd());
  const std::vector<Tick>& ticks = Ticks(f.Button);
  EXPECT_EQ(Levels(ticks), LevelsAfterTicks(0));
  for (const Tick& t : ticks) EXPECT_EQ(t.State, kStateHover);
  EXPECT_EQ(Prop(f.Button, kPropMouseFlag), 1);
  EXPECT_EQ(Shown(f.Button), FacePixels(f.Button, kStateHover));
}

// Pressed, dragged onto another window with the button held (the button keeps the capture) and
// released there: no click, and a fade of the normal face from 60.
TEST(ButtonFade, DragOffShowsPressedOpaqueAndReleaseThereFadesToNormalFromSixty) {
  FadeForm f;
  f.Enter();
  ASSERT_TRUE(PumpUntil(500, [&] { return Ticks(f.Button).size() >= 10; }));
  skintest::MouseButton(true);
  ASSERT_TRUE(PumpUntil(500, [&] { return Prop(f.Button, kPropOldState) == kStatePressed; }));
  // A press in the middle of the hover fade ends it and shows the pressed face at once.
  EXPECT_FALSE(f.FadeRunning());
  EXPECT_EQ(Prop(f.Button, kPropAlphaLevel), 0);
  EXPECT_EQ(Shown(f.Button), FacePixels(f.Button, kStatePressed));
  const size_t ticksAtPress = Ticks(f.Button).size();
  skintest::Pump(60);
  EXPECT_EQ(Ticks(f.Button).size(), ticksAtPress) << "the fade ticked on after the press";

  skintest::MoveCursorInto(f.Other, kWidth / 2, kHeight / 2);
  ASSERT_TRUE(PumpUntil(500, [&] { return Prop(f.Button, kPropAlphaLevel) == 255; }))
      << "the captured move over another window was not seen";
  EXPECT_EQ(Prop(f.Button, kPropOldState), kStatePressed);
  EXPECT_FALSE(f.FadeRunning());
  EXPECT_EQ(Shown(f.Button), FacePixels(f.Button, kStatePressed));

  // The leave tracked since entering still arrives while the button is held: one blend of the
  // hover face, then the fade to normal. Wait for it, so that the release below is the last
  // transition.
  ASSERT_TRUE(PumpUntil(kLeaveLimitMs, [&] { return Prop(f.Button, kPropMouseFlag) == 0; }));
  EXPECT_EQ(Prop(f.Button, kPropOldState), kStateNormal);
  ASSERT_TRUE(f.WaitFadeEnd());

  skintest::Log().LastMessage = 0;
  Ticks(f.Button).clear();
  skintest::MouseButton(false);
  ASSERT_TRUE(PumpUntil(500, [&] { return f.FadeRunning(); })) << "release started no fade";
  ASSERT_TRUE(f.WaitFadeEnd());
  EXPECT_NE(skintest::Log().LastMessage, static_cast<UINT>(WM_COMMAND))
      << "released outside, yet clicked";
  const std::vector<Tick>& ticks = Ticks(f.Button);
  EXPECT_EQ(Levels(ticks), LevelsAfterTicks(60));
  for (const Tick& t : ticks) EXPECT_EQ(t.State, kStateNormal);
  EXPECT_EQ(Shown(f.Button), FacePixels(f.Button, kStateNormal));
}

TEST(ButtonFade, LeavingMidFadeRestartsFromZeroOnTheRunningTimer) {
  FadeForm f;
  f.Enter();
  ASSERT_GE(f.WaitTicks(5), 5u);
  const LONG_PTR timer = Prop(f.Button, kPropTimerId);
  ASSERT_NE(timer, 0);
  skintest::ParkCursor();
  ASSERT_TRUE(PumpUntil(kLeaveLimitMs, [&] { return Prop(f.Button, kPropMouseFlag) == 0; }));
  // The leave handler restarted the level on the timer it found: the same timer, state normal.
  EXPECT_EQ(Prop(f.Button, kPropOldState), kStateNormal);
  EXPECT_EQ(Prop(f.Button, kPropTimerId), timer);
  EXPECT_LE(Prop(f.Button, kPropAlphaLevel), 6);
  const size_t ticksAtLeave = Ticks(f.Button).size();
  ASSERT_LT(ticksAtLeave, 86u) << "the hover fade had ended before the leave arrived";
  ASSERT_TRUE(f.WaitFadeEnd());
  const std::vector<Tick> after(Ticks(f.Button).begin() + ticksAtLeave, Ticks(f.Button).end());
  // Every tick from the leave on belongs to one fade from 0: a second timer would interleave
  // its ticks and end the fade early.
  const std::vector<int> levels = Levels(after);
  const std::vector<int> full = LevelsAfterTicks(0);
  ASSERT_FALSE(levels.empty());
  EXPECT_TRUE(std::equal(levels.rbegin(), levels.rend(), full.rbegin()));
  EXPECT_GE(levels.size(), 84u);
  EXPECT_EQ(Shown(f.Button), FacePixels(f.Button, kStateNormal));
  skintest::Pump(100);
  EXPECT_EQ(Ticks(f.Button).size(), ticksAtLeave + after.size())
      << "a timer ticks on after the fade";
}

TEST(ButtonFade, PaintInTheMiddleOfAFadeEndsItOnTheCurrentFace) {
  FadeForm f;
  f.Enter();
  ASSERT_GE(f.WaitTicks(10), 10u);
  InvalidateRect(f.Button, nullptr, FALSE);
  UpdateWindow(f.Button);
  EXPECT_FALSE(f.FadeRunning());
  EXPECT_EQ(Prop(f.Button, kPropAlphaLevel), 255);
  EXPECT_EQ(Shown(f.Button), FacePixels(f.Button, kStateHover));
  const size_t ticks = Ticks(f.Button).size();
  skintest::Pump(100);
  EXPECT_EQ(Ticks(f.Button).size(), ticks);
}

TEST(ButtonKeys, SpacePressesAndFadesBackWhileReturnChangesNothing) {
  FadeForm f;
  SetFocus(f.Button);
  ASSERT_TRUE(f.WaitFadeEnd()) << "the focus fade did not end";
  ASSERT_EQ(GetFocus(), f.Button);
  // A known state to compare against: hover, fully drawn, no fade.
  SetSkinProp(f.Button, kPropOldState, kStateHover);
  SetSkinProp(f.Button, kPropAlphaLevel, 255);
  PresentButtonFace(f.Button, nullptr);
  const std::vector<COLORREF> before = Shown(f.Button);
  skintest::Key(VK_RETURN, true);
  skintest::Pump(40);
  skintest::Key(VK_RETURN, false);
  skintest::Pump(40);
  EXPECT_EQ(Prop(f.Button, kPropOldState), kStateHover);
  EXPECT_EQ(Prop(f.Button, kPropAlphaLevel), 255);
  EXPECT_FALSE(f.FadeRunning());
  EXPECT_EQ(Shown(f.Button), before);

  skintest::Key(VK_SPACE, true);
  ASSERT_TRUE(PumpUntil(500, [&] { return Prop(f.Button, kPropOldState) == kStatePressed; }));
  EXPECT_EQ(Shown(f.Button), FacePixels(f.Button, kStatePressed));
  EXPECT_FALSE(f.FadeRunning());
  skintest::Log().LastMessage = 0;
  Ticks(f.Button).clear();
  skintest::Key(VK_SPACE, false);
  ASSERT_TRUE(PumpUntil(500, [&] { return f.FadeRunning(); }));
  EXPECT_EQ(skintest::Log().LastMessage, static_cast<UINT>(WM_COMMAND)) << "space gave no click";
  ASSERT_TRUE(f.WaitFadeEnd());
  EXPECT_EQ(Levels(Ticks(f.Button)), LevelsAfterTicks(0));
  EXPECT_EQ(Shown(f.Button), FacePixels(f.Button, kStateNormal));
}

TEST(ButtonFocus, FocusChangeRendersTheFacesAgainAndFadesTheNewOneIn) {
  FadeForm f;
  f.Enter();
  ASSERT_TRUE(f.WaitFadeEnd());
  const std::vector<COLORREF> unfocused = FacePixels(f.Button, kStateHover);
  Ticks(f.Button).clear();
  SetFocus(f.Button);
  EXPECT_TRUE(f.FadeRunning());
  EXPECT_NE(FacePixels(f.Button, kStateHover), unfocused) << "no focus rectangle on the faces";
  ASSERT_TRUE(f.WaitFadeEnd());
  EXPECT_EQ(Prop(f.Button, kPropOldState), kStateHover);
  EXPECT_EQ(Shown(f.Button), FacePixels(f.Button, kStateHover));
  SetFocus(f.Other);
  ASSERT_TRUE(f.WaitFadeEnd());
  EXPECT_EQ(FacePixels(f.Button, kStateHover), unfocused);
  EXPECT_EQ(Shown(f.Button), unfocused);
}

TEST(ButtonEnable, DisablingShowsTheDisabledFaceAtTheCurrentLevel) {
  FadeForm f;
  // After a paint the level is 255: the disabled face replaces the picture at once.
  ASSERT_EQ(Prop(f.Button, kPropAlphaLevel), 255);
  EnableWindow(f.Button, FALSE);
  EXPECT_EQ(Shown(f.Button), FacePixels(f.Button, kStateDisabled));
  EnableWindow(f.Button, TRUE);
  EXPECT_EQ(Prop(f.Button, kPropOldState), kStateNormal);
  EXPECT_EQ(Shown(f.Button), FacePixels(f.Button, kStateNormal));

  // After a completed fade the level is 0: the blend leaves the picture until the next paint.
  SetSkinProp(f.Button, kPropAlphaLevel, 0);
  const std::vector<COLORREF> before = Shown(f.Button);
  EnableWindow(f.Button, FALSE);
  EXPECT_EQ(Prop(f.Button, kPropOldState), kStateDisabled);
  EXPECT_EQ(Shown(f.Button), before) << "a blend at level 0 changed the picture";
  InvalidateRect(f.Button, nullptr, FALSE);
  UpdateWindow(f.Button);
  EXPECT_EQ(Shown(f.Button), FacePixels(f.Button, kStateDisabled));
  EnableWindow(f.Button, TRUE);
  EXPECT_EQ(Prop(f.Button, kPropOldState), kStateNormal);
}

// A click whose command releases the skin: the release must not leave a fade timer ticking or
// skin properties behind on a window the engine no longer serves.
LRESULT CALLBACK DetachingFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) DetachSkin(window);
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST(ButtonRelease, ClickThatDetachesTheSkinLeavesNoTimerOrPropertiesBehind) {
  skintest::ParkCursor();
  HWND form = skintest::CreateForm(420, 200);
  HWND button =
      skintest::CreateChild(form, "Button", "Close", BS_PUSHBUTTON, 20, 20, kWidth, kHeight);
  SetWindowLongPtrA(form, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DetachingFormProc));
  AttachSkin(form);
  SetForegroundWindow(form);
  skintest::MoveCursorInto(button, kWidth / 2, kHeight / 2);
  skintest::Pump(50);
  skintest::MouseButton(true);
  skintest::Pump(50);
  skintest::MouseButton(false);
  PumpUntil(500, [&] { return GetSkinProp(button, kPropProcAddr) == 0; });
  skintest::Pump(50);
  EXPECT_EQ(GetSkinProp(button, kPropProcAddr), 0) << "the click did not detach";
  EXPECT_TRUE(skintest::EnginePropNames(button).empty());
  // A timer left on the window would still be there to kill.
  EXPECT_FALSE(KillTimer(button, kFadeTimerId)) << "a fade timer outlived the skin";
  skintest::ParkCursor();
  DestroyWindow(form);
}

}  // namespace

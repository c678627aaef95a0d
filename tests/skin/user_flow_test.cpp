// A skinned form used as a person would: the real cursor moved over each button, each clicked,
// the focus moved through them. Throughout, every button is read back between messages: its
// caption must never fade out or vanish, and each look must come back to the right face.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "input_test_support.h"
#include "skin/skinner.h"
#include "skin_test_support.h"

namespace {

constexpr int kWidth = 145;
constexpr int kHeight = 33;

// Pixels dark enough to belong to a black caption on any face or blend of faces.
int CaptionPixels(HDC dc) {
  int n = 0;
  for (COLORREF c : skintest::ReadPixels(dc, 2, 2, kWidth - 4, kHeight - 4)) {
    n += GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
  }
  return n;
}

HDC Face(HWND button, int state) {
  return reinterpret_cast<HDC>(GetSkinProp(button, FaceDcPropName(state)));
}

std::vector<COLORREF> Shown(HWND button) {
  HDC dc = GetWindowDC(button);
  std::vector<COLORREF> pixels = skintest::ReadPixels(dc, 2, 2, kWidth - 4, kHeight - 4);
  ReleaseDC(button, dc);
  return pixels;
}

std::vector<COLORREF> FacePixels(HWND button, int state) {
  return skintest::ReadPixels(Face(button, state), 2, 2, kWidth - 4, kHeight - 4);
}

struct Flow {
  HWND Form;
  std::vector<HWND> Buttons;
  std::vector<int> Baseline;
  // The smallest share of its caption each button showed at any sample.
  std::vector<double> LeastCaption;
  int Samples = 0;

  Flow() {
    skintest::ParkCursor();
    Form = skintest::CreateForm(560, 200, "Folivane");
    const char* captions[] = {"Import folder", "Build", "Help"};
    for (int i = 0; i < 3; ++i) {
      Buttons.push_back(skintest::CreateChild(Form, "Button", captions[i],
                                              BS_PUSHBUTTON | WS_TABSTOP, 20 + i * 170, 40, kWidth,
                                              kHeight));
    }
    AttachSkin(Form);
    SetForegroundWindow(Form);
    skintest::Pump(50);
    for (HWND b : Buttons) {
      Baseline.push_back(CaptionPixels(Face(b, kStateNormal)));
      LeastCaption.push_back(1.0);
    }
  }
  ~Flow() {
    skintest::ParkCursor();
    DetachSkin(Form);
    DestroyWindow(Form);
    skintest::Pump(20);
  }
  // Pumps for `ms`, reading every button after each batch of messages.
  void Watch(DWORD ms) {
    skintest::PumpUntil(ms, [this] {
      for (size_t i = 0; i < Buttons.size(); ++i) {
        HDC dc = GetWindowDC(Buttons[i]);
        const double share = static_cast<double>(CaptionPixels(dc)) / Baseline[i];
        ReleaseDC(Buttons[i], dc);
        LeastCaption[i] = std::min(LeastCaption[i], share);
      }
      ++Samples;
      return false;
    });
  }
  bool Idle() const {
    for (HWND b : Buttons) {
      if (GetSkinProp(b, kPropTimerId) != 0) return false;
    }
    return true;
  }
  // Input reaches the buttons a little after it is made, so the fades it starts are waited for.
  void WatchUntilIdle() {
    Watch(60);
    for (int i = 0; i < 40 && !Idle(); ++i) Watch(100);
  }
};

TEST(SkinnedFormInUse, HoverPressAndFocusLooksComeAndGoAndCaptionsNeverFade) {
  Flow f;
  for (int pixels : f.Baseline) {
    ASSERT_GT(pixels, 20) << "no caption to watch";
  }
  for (HWND button : f.Buttons) {
    skintest::MoveCursorInto(button, kWidth / 2, kHeight / 2);
    f.WatchUntilIdle();
    EXPECT_EQ(Shown(button), FacePixels(button, kStateHover)) << "hover look missing";
    skintest::MouseButton(true);
    f.Watch(80);
    EXPECT_EQ(Shown(button), FacePixels(button, kStatePressed)) << "press look missing";
    skintest::MouseButton(false);
    f.WatchUntilIdle();
    EXPECT_EQ(Shown(button), FacePixels(button, kStateHover))
        << "not back to hover after the click";
  }
  skintest::ParkCursor();
  // Leaving is seen about 400 ms later; then each button fades back to normal.
  f.Watch(600);
  f.WatchUntilIdle();
  for (HWND button : f.Buttons) {
    EXPECT_EQ(GetSkinProp(button, kPropOldState), kStateNormal);
    EXPECT_EQ(Shown(button), FacePixels(button, kStateNormal)) << "hover look stayed";
  }
  // The focus going from button to button, as the tab key moves it.
  for (HWND button : f.Buttons) {
    SetFocus(button);
    f.WatchUntilIdle();
    EXPECT_EQ(Shown(button), FacePixels(button, kStateNormal));
  }
  SetFocus(f.Form);
  f.WatchUntilIdle();
  for (size_t i = 0; i < f.Buttons.size(); ++i) {
    EXPECT_EQ(Shown(f.Buttons[i]), FacePixels(f.Buttons[i], kStateNormal))
        << "focus rectangle stayed";
    EXPECT_GE(f.LeastCaption[i], 0.9) << "caption of button " << i << " faded out during use";
  }
  EXPECT_GT(f.Samples, 100);
}

}  // namespace

// Command button faces on real buttons: the four faces, the blend that shows them, the disabled
// and focused faces, resizing, and the GDI objects of many attach/detach cycles.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "skin/skinner.h"
#include "skin/sprite_table.h"
#include "skin_test_support.h"

namespace {

using skintest::ReadPixels;

HDC Face(HWND button, int state) {
  return reinterpret_cast<HDC>(GetSkinProp(button, FaceDcPropName(state)));
}

int CountColour(const std::vector<COLORREF>& pixels, COLORREF colour) {
  int n = 0;
  for (COLORREF c : pixels) n += c == colour;
  return n;
}

struct ButtonForm {
  HWND Form;
  HWND Button;
};

ButtonForm MakeButton(const char* caption = "Build", int width = 145, int height = 33) {
  ButtonForm f;
  f.Form = skintest::CreateForm();
  f.Button = skintest::CreateChild(f.Form, "Button", caption, BS_PUSHBUTTON, 20, 20, width, height);
  AttachSkin(f.Form);
  skintest::Pump(30);
  return f;
}

void Close(const ButtonForm& f) {
  DetachSkin(f.Form);
  DestroyWindow(f.Form);
}

TEST(ButtonFaces, FourFacesOfTheWindowSizeDrawnFromTheirFrames) {
  ButtonForm f = MakeButton();
  for (int s = 0; s < kVisualStateCount; ++s) {
    HDC face = Face(f.Button, s);
    SIZE size = skintest::SelectedBitmapSize(face);
    EXPECT_EQ(size.cx, 145);
    EXPECT_EQ(size.cy, 33);
    // Corners are unscaled copies of the frame's corners.
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(GetPixel(face, x, y), GetPixel(SkinImage1, x, 21 * s + y));
        EXPECT_EQ(GetPixel(face, 142 + x, 30 + y), GetPixel(SkinImage1, 4 + x, 21 * s + 18 + y));
      }
    }
  }
  // Caption colours: black on the enabled faces, grey on the disabled one.
  for (int s = 0; s < kVisualStateCount; ++s) {
    std::vector<COLORREF> pixels = ReadPixels(Face(f.Button, s), 0, 0, 145, 33);
    if (s == kStateDisabled) {
      EXPECT_GT(CountColour(pixels, SkinDisabledTextColour), 0);
      EXPECT_EQ(CountColour(pixels, 0), 0);
    } else {
      EXPECT_GT(CountColour(pixels, 0), 0) << "face " << s << " has no caption";
      EXPECT_EQ(CountColour(pixels, SkinDisabledTextColour), 0);
    }
  }
  Close(f);
}

TEST(PresentButtonFace, LevelZeroLeavesThePictureAndFullLevelReplacesIt) {
  ButtonForm f = MakeButton();
  HDC windowDc = GetWindowDC(f.Button);
  FillBox(windowDc, 0, 0, 145, 33, 0x00102030);
  SetSkinProp(f.Button, kPropOldState, kStateHover);
  SetSkinProp(f.Button, kPropAlphaLevel, 0);
  EXPECT_EQ(PresentButtonFace(f.Button, nullptr), 0);
  EXPECT_EQ(GetPixel(windowDc, 70, 16), 0x00102030u);
  SetSkinProp(f.Button, kPropAlphaLevel, 255);
  PresentButtonFace(f.Button, nullptr);
  // Away from the cut corners every pixel is the hover face.
  EXPECT_EQ(ReadPixels(windowDc, 2, 2, 141, 29),
            ReadPixels(Face(f.Button, kStateHover), 2, 2, 141, 29));
  // Half way: each channel mixed, within one step of the exact blend.
  FillBox(windowDc, 0, 0, 145, 33, 0x00000000);
  SetSkinProp(f.Button, kPropAlphaLevel, 128);
  PresentButtonFace(f.Button, windowDc);
  const COLORREF face = GetPixel(Face(f.Button, kStateHover), 70, 5);
  const COLORREF mixed = GetPixel(windowDc, 70, 5);
  EXPECT_NEAR(GetRValue(mixed), GetRValue(face) * 128 / 255, 1);
  EXPECT_NEAR(GetBValue(mixed), GetBValue(face) * 128 / 255, 1);
  ReleaseDC(f.Button, windowDc);
  Close(f);
}

TEST(PresentButtonFace, DisabledButtonShowsFaceThreeWhateverTheLastState) {
  ButtonForm f = MakeButton();
  EnableWindow(f.Button, FALSE);
  SetSkinProp(f.Button, kPropOldState, kStatePressed);
  SetSkinProp(f.Button, kPropAlphaLevel, 255);
  PresentButtonFace(f.Button, nullptr);
  EXPECT_EQ(GetSkinProp(f.Button, kPropOldState), kStateDisabled);
  HDC windowDc = GetWindowDC(f.Button);
  std::vector<COLORREF> shown = ReadPixels(windowDc, 2, 2, 141, 29);
  EXPECT_EQ(shown, ReadPixels(Face(f.Button, kStateDisabled), 2, 2, 141, 29));
  EXPECT_GT(CountColour(shown, SkinDisabledTextColour), 0);
  ReleaseDC(f.Button, windowDc);
  Close(f);
}

TEST(PaintCommandButton, PaintShowsTheFaceAtFullStrengthAndEndsTheFade) {
  ButtonForm f = MakeButton();
  SetSkinProp(f.Button, kPropAlphaLevel, 40);
  StartFadeTimer(f.Button);
  InvalidateRect(f.Button, nullptr, FALSE);
  UpdateWindow(f.Button);
  EXPECT_EQ(GetSkinProp(f.Button, kPropAlphaLevel), 255);
  EXPECT_EQ(GetSkinProp(f.Button, kPropTimerId), 0);
  HDC windowDc = GetWindowDC(f.Button);
  EXPECT_EQ(ReadPixels(windowDc, 2, 2, 141, 29),
            ReadPixels(Face(f.Button, kStateNormal), 2, 2, 141, 29));
  ReleaseDC(f.Button, windowDc);
  Close(f);
}

TEST(RenderButtonFaces, FocusRectangleOnAllFacesOnlyWhileFocused) {
  ButtonForm f = MakeButton();
  std::vector<std::vector<COLORREF>> unfocused;
  for (int s = 0; s < kVisualStateCount; ++s)
    unfocused.push_back(ReadPixels(Face(f.Button, s), 0, 2, 145, 1));
  SetFocus(f.Button);
  ASSERT_EQ(GetFocus(), f.Button);
  RenderButtonFaces(f.Button);
  for (int s = 0; s < kVisualStateCount; ++s) {
    std::vector<COLORREF> row = ReadPixels(Face(f.Button, s), 0, 2, 145, 1);
    int changed = 0;
    for (int x = 0; x < 145; ++x) {
      if (row[x] != unfocused[s][x]) {
        ++changed;
        EXPECT_TRUE(x >= 2 && x < 143) << "focus drawn outside the inset box at " << x;
      }
    }
    EXPECT_GT(changed, 30) << "face " << s << " has no focus rectangle";
  }
  SetFocus(f.Form);
  RenderButtonFaces(f.Button);
  for (int s = 0; s < kVisualStateCount; ++s) {
    EXPECT_EQ(ReadPixels(Face(f.Button, s), 0, 2, 145, 1), unfocused[s]) << "face " << s;
  }
  Close(f);
}

TEST(ResizeButtonFaces, FacesRecordAndRegionFollowTheNewSize) {
  ButtonForm f = MakeButton();
  HGDIOBJ firstBitmap = GetCurrentObject(Face(f.Button, 0), OBJ_BITMAP);
  SetWindowPos(f.Button, nullptr, 0, 0, 90, 40, SWP_NOMOVE | SWP_NOZORDER);
  for (int s = 0; s < kVisualStateCount; ++s) {
    HDC face = Face(f.Button, s);
    SIZE size = skintest::SelectedBitmapSize(face);
    EXPECT_EQ(size.cx, 90);
    EXPECT_EQ(size.cy, 40);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(GetCurrentObject(face, OBJ_BITMAP)),
              GetSkinProp(f.Button, FaceBitmapPropName(s)))
        << "the record names a bitmap the face no longer holds";
    EXPECT_EQ(GetPixel(face, 87, 37), GetPixel(SkinImage1, 4, 21 * s + 18));
  }
  EXPECT_EQ(GetObjectType(firstBitmap), 0u) << "the replaced bitmap was not deleted";
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  GetWindowRgn(f.Button, region);
  RECT box{};
  GetRgnBox(region, &box);
  EXPECT_EQ(box.right, 90);
  EXPECT_EQ(box.bottom, 40);
  EXPECT_FALSE(PtInRegion(region, 89, 39));
  DeleteObject(region);
  Close(f);
}

TEST(ButtonFaces, NoGdiObjectLeftAfterAThousandCycles) {
  // The counter itself must see objects come and go, or the comparison below proves nothing.
  const int empty = skintest::CountGdiObjects();
  HBRUSH probes[10];
  for (HBRUSH& b : probes) b = CreateSolidBrush(0x00123456);
  EXPECT_EQ(skintest::CountGdiObjects(), empty + 10);
  for (HBRUSH b : probes) DeleteObject(b);

  HWND form = skintest::CreateForm();
  HWND button = skintest::CreateChild(form, "Button", "Cycle", BS_PUSHBUTTON, 20, 20, 145, 33);
  HWND check = skintest::CreateChild(form, "Button", "Check", BS_AUTOCHECKBOX, 20, 70, 100, 20);
  skintest::Pump(20);
  const int before = skintest::CountGdiObjects();
  std::printf(
      "GDI objects counted by %s: %d\n",
      GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS) ? "GetGuiResources" : "handle census",
      before);
  for (int i = 0; i < 1000; ++i) {
    AttachSkin(form);
    SetWindowPos(button, nullptr, 0, 0, 100 + i % 50, 30 + i % 7, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(check, nullptr, 0, 0, 100 + i % 9, 20, SWP_NOMOVE | SWP_NOZORDER);
    InvalidateRect(button, nullptr, FALSE);
    UpdateWindow(button);
    SetSkinProp(button, kPropAlphaLevel, 128);
    PresentButtonFace(button, nullptr);
    DetachSkin(form);
  }
  skintest::Pump(20);
  EXPECT_EQ(skintest::CountGdiObjects(), before);
  DestroyWindow(form);
}

// Not a check: writes a picture of skinned buttons for a person to look at, when asked to.
TEST(ButtonFaces, Screenshot) {
  const char* path = std::getenv("SKIN_SCREENSHOT");
  if (!path) GTEST_SKIP() << "set SKIN_SCREENSHOT to a .bmp path";
  HWND form = skintest::CreateForm(520, 200, "Folivane");
  HWND c1 = skintest::CreateChild(form, "Button", "Import folder", BS_PUSHBUTTON, 30, 20, 177, 33);
  skintest::CreateChild(form, "Button", "\xD7\xAA  \xBB\xBB  \xC9\xFA  \xB3\xC9", BS_PUSHBUTTON,
                        300, 20, 145, 33);
  skintest::CreateChild(form, "Button", "Disabled", BS_PUSHBUTTON | WS_DISABLED, 30, 80, 120, 28);
  skintest::CreateChild(form, "Button", "A caption much too long for its button", BS_PUSHBUTTON,
                        170, 80, 120, 28);
  skintest::CreateChild(form, "Button", "Small", BS_PUSHBUTTON, 310, 80, 60, 21);
  skintest::CreateChild(form, "Button", "Tall", BS_PUSHBUTTON, 390, 70, 80, 60);
  AttachSkin(form);
  SetFocus(c1);
  RenderButtonFaces(c1);
  InvalidateRect(form, nullptr, TRUE);
  skintest::Pump(300);
  EXPECT_TRUE(skintest::SaveWindowBitmap(form, path));
  DetachSkin(form);
  DestroyWindow(form);
}

}  // namespace

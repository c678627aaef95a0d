#include "skin/paint/button_faces.h"

#include <string>

#include "skin/blit.h"
#include "skin/gdi_handles.h"
#include "skin/input/timers.h"
#include "skin/paint/primitives.h"
#include "skin/record.h"

namespace {

constexpr COLORREF kCaptionColour = 0x00000000;
constexpr BYTE kOpaque = 255;
constexpr LONG_PTR kSystemPaintedStyleBits = 0x6;

HDC FaceDc(HWND window, int state) {
  return reinterpret_cast<HDC>(GetSkinProp(window, FaceDcPropName(state)));
}

}  // namespace

bool KeepsSystemPainting(LONG_PTR style) { return (style & kSystemPaintedStyleBits) != 0; }

HRGN CreateButtonRegion(int width, int height) {
  return CreateRoundRectRgn(0, 0, width + 1, height + 1, kButtonCornerEllipse,
                            kButtonCornerEllipse);
}

void RenderButtonFaces(HWND window) {
  WindowBox box{};
  GetWindowBox(window, box);
  const std::wstring caption = GetWindowCaption(window);
  const HFONT font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
  const bool focused = GetFocus() == window;
  const int captionWidth = box.Width - 2 * kCaptionInset;
  const int captionHeight = box.Height - 2 * kCaptionInset;
  for (int state = 0; state < kVisualStateCount; ++state) {
    HDC face = FaceDc(window, state);
    // Without a font the DC keeps its default one. The face DC lives as long as the button; it
    // must not keep the application's font selected, or the font could not be deleted while
    // the button is skinned: the selection ends with each pass.
    ScopedSelection fontSelection(face, font);
    SetBkMode(face, TRANSPARENT);
    DrawSpritePiece(face, 0, 0, box.Width, box.Height, SkinImage1, 0, kFaceFrameHeight * state,
                    kFaceFrameWidth, kFaceFrameHeight, kFaceBorder, kFaceBorder, kFaceBorder,
                    kFaceBorder);
    SetTextColor(face, state == kStateDisabled ? SkinDisabledTextColour : kCaptionColour);
    DrawTextBox(face, caption, kCaptionInset, kCaptionInset, captionWidth, captionHeight,
                CaptionFormat);
    if (focused) DrawFocusBox(face, kCaptionInset, kCaptionInset, captionWidth, captionHeight);
  }
}

int PresentButtonFace(HWND window, HDC dc) {
  if (!IsWindowEnabled(window)) SetSkinProp(window, kPropOldState, kStateDisabled);
  if (KeepsSystemPainting(GetSkinProp(window, kPropOldStyle))) return 0;
  WindowBox box{};
  GetWindowBox(window, box);
  const int state = static_cast<int>(GetSkinProp(window, kPropOldState));
  const BYTE level = static_cast<BYTE>(GetSkinProp(window, kPropAlphaLevel));
  HDC face = FaceDc(window, state);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, level, 0};
  if (dc) {
    AlphaBlend(dc, 0, 0, box.Width, box.Height, face, 0, 0, box.Width, box.Height, blend);
  } else {
    ScopedWindowDc windowDc(window);
    AlphaBlend(windowDc.get(), 0, 0, box.Width, box.Height, face, 0, 0, box.Width, box.Height,
               blend);
  }
  return 0;
}

void ResizeButtonFaces(HWND window) {
  ScopedWindowDc windowDc(window);
  WindowBox box{};
  GetWindowBox(window, box);
  for (int state = 0; state < kVisualStateCount; ++state) {
    HDC face = FaceDc(window, state);
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(windowDc.get(), box.Width, box.Height));
    // Only a bitmap that really was selected out is deleted and replaced in the record; the
    // new one then belongs to the face DC.
    GdiObject<HGDIOBJ> replaced(SelectObject(face, bitmap.get()));
    if (replaced.get()) {
      SetSkinProp(window, FaceBitmapPropName(state), reinterpret_cast<LONG_PTR>(bitmap.release()));
    }
  }
  RenderButtonFaces(window);
  SetWindowRgn(window, CreateButtonRegion(box.Width, box.Height), TRUE);
}

LRESULT PaintCommandButton(WNDPROC previous, HWND window, UINT message, WPARAM wParam,
                           LPARAM lParam) {
  if (KeepsSystemPainting(GetSkinProp(window, kPropOldStyle))) {
    return CallWindowProcA(previous, window, message, wParam, lParam);
  }
  StopFadeTimer(window);
  SetSkinProp(window, kPropAlphaLevel, kOpaque);
  ScopedPaint paint(window);
  PresentButtonFace(window, paint.get());
  return 0;
}

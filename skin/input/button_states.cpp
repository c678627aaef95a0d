#include "skin/input/button_states.h"

#include "skin/input/timers.h"
#include "skin/paint/button_faces.h"
#include "skin/record.h"

namespace {

void SetLevel(HWND window, int level) { SetSkinProp(window, kPropAlphaLevel, level); }

void SetState(HWND window, int state) { SetSkinProp(window, kPropOldState, state); }

// A fade that starts while another runs keeps the running timer and simply continues on it from
// the new level with the new face.
void StartFade(HWND window, int state, int level) {
  SetState(window, state);
  SetLevel(window, level);
  StartFadeTimer(window);
}

bool IsUnderCursor(HWND window) {
  POINT cursor{};
  GetCursorPos(&cursor);
  return WindowFromPoint(cursor) == window;
}

}  // namespace

void ButtonMouseMove(HWND window) {
  if (GetSkinProp(window, kPropMouseFlag) == 0) {
    SetSkinProp(window, kPropMouseFlag, 1);
    TrackMouseLeave(window);
    StartFade(window, kStateHover, kFadeFromEnter);
    return;
  }
  if (IsUnderCursor(window)) return;
  StopFadeTimer(window);
  SetLevel(window, kOpaqueLevel);
  PresentButtonFace(window, nullptr);
}

void ButtonMouseLeave(HWND window) {
  SetSkinProp(window, kPropMouseFlag, 0);
  SetState(window, kStateHover);
  SetLevel(window, kLeaveHoverLevel);
  PresentButtonFace(window, nullptr);
  StartFade(window, kStateNormal, kFadeFromEnter);
}

void ButtonPress(HWND window) {
  StopFadeTimer(window);
  SetState(window, kStatePressed);
  SetLevel(window, kOpaqueLevel);
  PresentButtonFace(window, nullptr);
  SetLevel(window, 0);
}

void ButtonRelease(HWND window) {
  SetSkinProp(window, kPropMouseFlag, 0);
  StartFade(window, kStateNormal, kFadeFromRelease);
}

void ButtonSpaceRelease(HWND window) {
  SetSkinProp(window, kPropMouseFlag, 0);
  StartFade(window, kStateNormal, kFadeFromEnter);
}

void ButtonFocusChange(HWND window) {
  RenderButtonFaces(window);
  SetLevel(window, kFadeFromEnter);
  StartFadeTimer(window);
}

void ButtonEnable(HWND window, bool enabled) {
  SetState(window, enabled ? kStateNormal : kStateDisabled);
  PresentButtonFace(window, nullptr);
}

void FadeButtonTick(HWND window) {
  const int level = static_cast<int>(GetSkinProp(window, kPropAlphaLevel));
  PresentButtonFace(window, nullptr);
  const int next = level + kFadeStep;
  if (next > kOpaqueLevel) {
    StopFadeTimer(window);
    SetLevel(window, 0);
  } else {
    SetLevel(window, next);
  }
}

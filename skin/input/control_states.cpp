#include "skin/input/control_states.h"

#include "skin/input/timers.h"
#include "skin/paint/check_option.h"
#include "skin/paint/combo_frames.h"
#include "skin/paint/primitives.h"

namespace {

// Bit 0 of a combo box style is set for CBS_SIMPLE and CBS_DROPDOWNLIST, clear for the editable
// CBS_DROPDOWN, whose edit field takes the mouse away from all but the drop button.
constexpr LONG_PTR kWholeWindowIsButtonBit = 0x1;
// Inset of the drop-button zone from the right, top and bottom edges.
constexpr int kDropZoneInset = 2;

void PaintCheckOrOption(HWND window, ControlKind kind, int state, bool force) {
  if (kind == ControlKind::CheckBox) {
    PaintCheckBox(window, state, force);
  } else {
    PaintOptionButton(window, state, force);
  }
}

void RequestComboState(HWND window, int state) { PaintComboButton(window, nullptr, state, false); }

bool IsEditableCombo(HWND window, ControlKind kind) {
  return kind == ControlKind::ComboBox &&
         (GetWindowLongPtrA(window, GWL_STYLE) & kWholeWindowIsButtonBit) == 0;
}

bool IsCursorInDropZone(HWND window, LPARAM lParam) {
  WindowBox box{};
  GetWindowBox(window, box);
  return IsInDropButtonZone(box.Width, box.Height, GetSystemMetrics(SM_CXVSCROLL),
                            SignedLoWord(lParam), SignedHiWord(lParam));
}

void BeginLeaveTracking(HWND window) {
  if (GetSkinProp(window, kPropMouseFlag) != 0) return;
  SetSkinProp(window, kPropMouseFlag, 1);
  TrackMouseLeave(window);
}

int HeldOrHover(WPARAM wParam) { return (wParam & MK_LBUTTON) ? kStatePressed : kStateHover; }

}  // namespace

bool IsInDropButtonZone(int width, int height, int scrollWidth, int x, int y) {
  return x >= width - scrollWidth - kDropZoneInset && x <= width - kDropZoneInset &&
         y >= kDropZoneInset && y <= height - kDropZoneInset;
}

void CheckOrOptionMouseMove(HWND window, ControlKind kind, WPARAM wParam) {
  BeginLeaveTracking(window);
  PaintCheckOrOption(window, kind, HeldOrHover(wParam), true);
}

void CheckOrOptionPress(HWND window, ControlKind kind) {
  PaintCheckOrOption(window, kind, kStatePressed, false);
}

void CheckOrOptionRelease(HWND window, ControlKind kind) {
  PaintCheckOrOption(window, kind, kStateNormal, false);
}

void CheckOrOptionMouseLeave(HWND window, ControlKind kind) {
  SetSkinProp(window, kPropMouseFlag, 0);
  PaintCheckOrOption(window, kind, kStateNormal, false);
}

void CheckOrOptionKey(HWND window, ControlKind kind, UINT message, WPARAM wParam) {
  if (wParam != VK_SPACE) return;
  PaintCheckOrOption(window, kind, message == WM_KEYDOWN ? kStatePressed : kStateNormal, false);
}

void OptionFocusChange(HWND window) { PaintOptionButton(window, kStateNormal, true); }

void ComboMouseMove(HWND window, ControlKind kind, WPARAM wParam, LPARAM lParam) {
  BeginLeaveTracking(window);
  if (IsEditableCombo(window, kind) && !IsCursorInDropZone(window, lParam)) {
    RequestComboState(window, kStateNormal);
    return;
  }
  RequestComboState(window, HeldOrHover(wParam));
}

void ComboPress(HWND window, ControlKind kind, LPARAM lParam) {
  if (IsEditableCombo(window, kind) && !IsCursorInDropZone(window, lParam)) return;
  RequestComboState(window, kStatePressed);
}

void ComboRelease(HWND window) {
  POINT cursor{};
  GetCursorPos(&cursor);
  RequestComboState(window, WindowFromPoint(cursor) == window ? kStateHover : kStateNormal);
}

void ComboMouseLeave(HWND window) {
  SetSkinProp(window, kPropMouseFlag, 0);
  RequestComboState(window, kStateNormal);
}

void ComboPositionChanging(HWND window) { RequestComboState(window, kStateNormal); }

BOOL CALLBACK RefreshCheckAndOption(HWND window, LPARAM) {
  if (GetSkinProp(window, kPropProcAddr) == 0) return TRUE;
  const ControlKind kind = GetControlKind(window);
  if (kind == ControlKind::CheckBox || kind == ControlKind::OptionButton) {
    PaintCheckOrOption(window, kind, kStateNormal, true);
  }
  return TRUE;
}

void RefreshSiblings(HWND window) {
  HWND parent = GetParent(window);
  EnumChildWindows(parent ? parent : window, RefreshCheckAndOption, 0);
}

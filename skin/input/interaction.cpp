#include "skin/input/interaction.h"

#include "skin/input/button_states.h"
#include "skin/input/control_states.h"
#include "skin/input/header_tracking.h"
#include "skin/record.h"

namespace {

LRESULT CallPrevious(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(previous, window, message, wParam, lParam);
}

// A previous procedure can run application code that releases the skin (a click that closes or
// detaches the form). Drawing and starting a fade timer on a window the engine no longer serves
// would leave a timer ticking and properties behind on it, so such a window is left alone.
bool StillSkinned(HWND window) { return GetSkinProp(window, kPropProcAddr) != 0; }

bool IsCheckOrOption(ControlKind kind) {
  return kind == ControlKind::CheckBox || kind == ControlKind::OptionButton;
}

bool IsComboOrDriveList(ControlKind kind) {
  return kind == ControlKind::ComboBox || kind == ControlKind::DriveListBox;
}

}  // namespace

LRESULT OnMouseMove(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const ControlKind kind = GetControlKind(window);
  const LRESULT result = CallPrevious(previous, window, message, wParam, lParam);
  if (!StillSkinned(window)) return result;
  if (kind == ControlKind::CommandButton) {
    ButtonMouseMove(window);
  } else if (IsCheckOrOption(kind)) {
    CheckOrOptionMouseMove(window, kind, wParam);
  } else if (IsComboOrDriveList(kind)) {
    ComboMouseMove(window, kind, wParam, lParam);
  } else if (kind == ControlKind::Header) {
    HeaderMouseMove(window, wParam, lParam);
  }
  return result;
}

LRESULT OnMouseLeave(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const ControlKind kind = GetControlKind(window);
  const LRESULT result = CallPrevious(previous, window, message, wParam, lParam);
  if (!StillSkinned(window)) return result;
  if (kind == ControlKind::CommandButton) {
    ButtonMouseLeave(window);
  } else if (IsCheckOrOption(kind)) {
    CheckOrOptionMouseLeave(window, kind);
  } else if (IsComboOrDriveList(kind)) {
    ComboMouseLeave(window);
  } else if (kind == ControlKind::Header) {
    HeaderMouseLeave(window);
  }
  return result;
}

LRESULT OnLButtonDown(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const ControlKind kind = GetControlKind(window);
  const LRESULT result = CallPrevious(previous, window, message, wParam, lParam);
  if (!StillSkinned(window)) return result;
  if (kind == ControlKind::CommandButton) {
    ButtonPress(window);
  } else if (IsCheckOrOption(kind)) {
    CheckOrOptionPress(window, kind);
  } else if (IsComboOrDriveList(kind)) {
    ComboPress(window, kind, lParam);
  } else if (kind == ControlKind::Header) {
    HeaderPress(window, lParam);
  }
  return result;
}

LRESULT OnLButtonUp(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const ControlKind kind = GetControlKind(window);
  const LRESULT result = CallPrevious(previous, window, message, wParam, lParam);
  if (!StillSkinned(window)) return result;
  if (kind == ControlKind::CommandButton) {
    ButtonRelease(window);
  } else if (IsCheckOrOption(kind)) {
    CheckOrOptionRelease(window, kind);
  } else if (IsComboOrDriveList(kind)) {
    ComboRelease(window);
  } else if (kind == ControlKind::Header) {
    HeaderRelease(window);
  }
  return result;
}

LRESULT OnLButtonDblClk(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const ControlKind kind = GetControlKind(window);
  const LRESULT result = CallPrevious(previous, window, message, wParam, lParam);
  if (!StillSkinned(window)) return result;
  if (kind == ControlKind::CommandButton) {
    ButtonPress(window);
  } else if (kind == ControlKind::Header) {
    HeaderPress(window, lParam);
  }
  return result;
}

LRESULT OnKeyDown(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const ControlKind kind = GetControlKind(window);
  const LRESULT result = CallPrevious(previous, window, message, wParam, lParam);
  if (!StillSkinned(window)) return result;
  if (kind == ControlKind::CommandButton) {
    if (wParam == VK_SPACE) ButtonPress(window);
  } else if (IsCheckOrOption(kind)) {
    CheckOrOptionKey(window, kind, message, wParam);
  }
  return result;
}

LRESULT OnKeyUp(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const ControlKind kind = GetControlKind(window);
  const LRESULT result = CallPrevious(previous, window, message, wParam, lParam);
  if (!StillSkinned(window)) return result;
  if (kind == ControlKind::CommandButton) {
    if (wParam == VK_SPACE) ButtonSpaceRelease(window);
  } else if (IsCheckOrOption(kind)) {
    CheckOrOptionKey(window, kind, message, wParam);
  }
  return result;
}

LRESULT OnSetFocus(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const ControlKind kind = GetControlKind(window);
  const LRESULT result = CallPrevious(previous, window, message, wParam, lParam);
  if (!StillSkinned(window)) return result;
  if (kind == ControlKind::CommandButton) {
    ButtonFocusChange(window);
  } else if (kind == ControlKind::OptionButton) {
    OptionFocusChange(window);
  }
  return result;
}

LRESULT OnKillFocus(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return OnSetFocus(previous, window, message, wParam, lParam);
}

LRESULT OnEnable(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const ControlKind kind = GetControlKind(window);
  const LRESULT result = CallPrevious(previous, window, message, wParam, lParam);
  if (!StillSkinned(window)) return result;
  if (kind == ControlKind::CommandButton) ButtonEnable(window, wParam != 0);
  return result;
}

LRESULT OnTimer(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (GetControlKind(window) == ControlKind::CommandButton) FadeButtonTick(window);
  return CallPrevious(previous, window, message, wParam, lParam);
}

LRESULT OnWindowPosChanging(WNDPROC previous, HWND window, UINT message, WPARAM wParam,
                            LPARAM lParam) {
  const ControlKind kind = GetControlKind(window);
  const LRESULT result = CallPrevious(previous, window, message, wParam, lParam);
  if (!StillSkinned(window)) return result;
  if (IsComboOrDriveList(kind)) ComboPositionChanging(window);
  return result;
}

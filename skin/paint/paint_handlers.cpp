#include "skin/paint/paint_handlers.h"

#include "skin/paint/button_faces.h"
#include "skin/paint/check_option.h"
#include "skin/paint/combo_frames.h"
#include "skin/paint/header_bar.h"
#include "skin/paint/progress_bar.h"
#include "skin/record.h"
#include "skin/skinner.h"

LRESULT OnPaint(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (GetControlKind(window)) {
    case ControlKind::CommandButton:
      return PaintCommandButton(previous, window, message, wParam, lParam);
    case ControlKind::ComboBox:
      return PaintComboBox(previous, window, message, wParam, lParam);
    case ControlKind::DriveListBox:
      return PaintDriveList(previous, window, message, wParam, lParam);
    case ControlKind::CheckBox:
    case ControlKind::OptionButton:
      return PaintCheckOrOption(previous, window, message, wParam, lParam);
    case ControlKind::DataList:
    case ControlKind::ComboList:
      return PaintListFrame(previous, window, message, wParam, lParam);
    case ControlKind::ProgressBar:
      return PaintProgressClient(previous, window, message, wParam, lParam);
    case ControlKind::Header:
      return PaintHeaderBar(previous, window, message, wParam, lParam);
    case ControlKind::Grid:
      return PaintGridFrame(previous, window, message, wParam, lParam);
    default:
      return CallWindowProcA(previous, window, message, wParam, lParam);
  }
}

LRESULT OnNcPaint(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (GetControlKind(window)) {
    case ControlKind::ProgressBar:
      return PaintProgressFrame(previous, window, message, wParam, lParam);
    case ControlKind::DataList:
      return CallWindowProcA(previous, window, message, wParam, lParam);
    default:
      return FlattenClientEdge(previous, window, message, wParam, lParam);
  }
}

LRESULT OnSize(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallWindowProcA(previous, window, message, wParam, lParam);
  if (GetControlKind(window) == ControlKind::CommandButton) ResizeButtonFaces(window);
  return result;
}

LRESULT OnActivate(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND other = reinterpret_cast<HWND>(lParam);
  if (other) {
    // GetParent names the owner of a top-level window, so this covers the message boxes and
    // dialogs the window opens; other forms are taken on when activation moves to them.
    if (GetParent(other) == window || GetControlKind(other) == ControlKind::Form) {
      AttachWindow(other);
    }
  }
  return CallWindowProcA(previous, window, message, wParam, lParam);
}

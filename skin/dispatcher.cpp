#include "skin/skinner.h"

#include "skin/input/control_states.h"
#include "skin/input/interaction.h"
#include "skin/paint/paint_handlers.h"

// Every message of every skinned window passes here, so the common path is one property lookup
// and one table lookup; handlers read the class name only for the messages they take.

namespace {

// Every handler gets the window's previous procedure and the message's four values, and returns
// the message result. A handler that wants the default behaviour calls the previous procedure.
using SkinHandler = LRESULT (*)(WNDPROC previous, HWND window, UINT message, WPARAM wParam,
                                LPARAM lParam);

LRESULT PassToPrevious(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(previous, window, message, wParam, lParam);
}

// WM_ENTERIDLE names a modal dialog box or menu of the owner; WM_CTLCOLORLISTBOX a list box, for
// a combo box its drop-down list. Neither is reached by child enumeration, so they are attached
// here, after the previous procedure has answered (its brush is the WM_CTLCOLORLISTBOX result).
LRESULT AttachNamedWindow(WNDPROC previous, HWND window, UINT message, WPARAM wParam,
                          LPARAM lParam) {
  LRESULT result = CallWindowProcA(previous, window, message, wParam, lParam);
  if (lParam != 0) AttachWindow(reinterpret_cast<HWND>(lParam));
  return result;
}

// A left-button release can change the value of controls other than the one released on (the
// option buttons of a group), so after it every skinned check box and option button under the
// same parent is drawn again.
LRESULT OnLButtonUpAndRefresh(WNDPROC previous, HWND window, UINT message, WPARAM wParam,
                              LPARAM lParam) {
  LRESULT result = OnLButtonUp(previous, window, message, wParam, lParam);
  RefreshSiblings(window);
  return result;
}

struct Route {
  UINT Message;
  SkinHandler Handler;
};

// The messages the engine takes; every other message goes to the previous procedure.
constexpr Route kRoutes[] = {
    {WM_SIZE, OnSize},
    {WM_ACTIVATE, OnActivate},
    {WM_SETFOCUS, OnSetFocus},
    {WM_KILLFOCUS, OnKillFocus},
    {WM_ENABLE, OnEnable},
    {WM_PAINT, OnPaint},
    {WM_WINDOWPOSCHANGING, OnWindowPosChanging},
    {WM_NCPAINT, OnNcPaint},
    {WM_KEYDOWN, OnKeyDown},
    {WM_KEYUP, OnKeyUp},
    {WM_TIMER, OnTimer},
    {WM_ENTERIDLE, AttachNamedWindow},
    {WM_CTLCOLORLISTBOX, AttachNamedWindow},
    {WM_MOUSEMOVE, OnMouseMove},
    {WM_LBUTTONDOWN, OnLButtonDown},
    {WM_LBUTTONUP, OnLButtonUpAndRefresh},
    {WM_LBUTTONDBLCLK, OnLButtonDblClk},
    {WM_MOUSELEAVE, OnMouseLeave},
};

SkinHandler FindHandler(UINT message) {
  for (const Route& route : kRoutes) {
    if (route.Message == message) return route.Handler;
  }
  return PassToPrevious;
}

}  // namespace

LRESULT CALLBACK SkinWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!window) return 0;
  WNDPROC previous = reinterpret_cast<WNDPROC>(GetSkinProp(window, kPropProcAddr));
  // Still installed but no longer (or not yet) skinned.
  if (!previous) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_DESTROY) {
    // The previous procedure sees WM_DESTROY only after the engine has let go of the window
    // and, for a form, of all its descendants.
    DetachWindow(window);
    return CallWindowProcA(previous, window, message, wParam, lParam);
  }
  return FindHandler(message)(previous, window, message, wParam, lParam);
}

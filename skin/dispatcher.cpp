#include "skin/skinner.h"

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

struct Route {
    UINT Message;
    SkinHandler Handler;
};

// The messages the engine takes. The interaction handlers (focus, enable, keys, mouse, timer,
// window position) and the non-client painter are not part of the engine yet: until they are,
// their messages go to the previous procedure, as every message without a handler does.
constexpr Route kRoutes[] = {
    {WM_SIZE, OnSize},
    {WM_ACTIVATE, PassToPrevious},
    {WM_SETFOCUS, PassToPrevious},
    {WM_KILLFOCUS, PassToPrevious},
    {WM_ENABLE, PassToPrevious},
    {WM_PAINT, OnPaint},
    {WM_WINDOWPOSCHANGING, PassToPrevious},
    {WM_NCPAINT, PassToPrevious},
    {WM_KEYDOWN, PassToPrevious},
    {WM_KEYUP, PassToPrevious},
    {WM_TIMER, PassToPrevious},
    {WM_ENTERIDLE, AttachNamedWindow},
    {WM_CTLCOLORLISTBOX, AttachNamedWindow},
    {WM_MOUSEMOVE, PassToPrevious},
    {WM_LBUTTONDOWN, PassToPrevious},
    {WM_LBUTTONUP, PassToPrevious},
    {WM_LBUTTONDBLCLK, PassToPrevious},
    {WM_MOUSELEAVE, PassToPrevious},
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

#include "skin/paint/paint_handlers.h"

#include "skin/paint/button_faces.h"
#include "skin/record.h"

LRESULT OnPaint(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (GetControlKind(window) == ControlKind::CommandButton) {
        return PaintCommandButton(previous, window, message, wParam, lParam);
    }
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

LRESULT OnSize(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = CallWindowProcA(previous, window, message, wParam, lParam);
    if (GetControlKind(window) == ControlKind::CommandButton) ResizeButtonFaces(window);
    return result;
}

#pragma once
// Check boxes and option buttons: the system draws the caption, focus and background, and the
// skin paints its own box or circle over the system's one at the control's left edge, vertically
// centred. The painters keep the state they last drew in OLDSTATE and skip a call whose state is
// unchanged unless forced; they take and release the window DC themselves, so the interaction
// handlers may call them at any time on the user-interface thread.

#include <windows.h>

// Paints the check box of `window` in visual state `state` (0 normal, 1 hover, 2 pressed) and
// stores the state in OLDSTATE. Returns 1 when it painted, 0 when it skipped because OLDSTATE
// already held `state` and `force` was false.
int PaintCheckBox(HWND window, int state, bool force);
// The same for the circle (and dot) of an option button.
int PaintOptionButton(HWND window, int state, bool force);
// WM_PAINT of the check box and option button kinds: the previous procedure paints, then the box
// or circle is drawn in the normal state, forced. Returns the previous procedure's result.
LRESULT PaintCheckOrOption(WNDPROC previous, HWND window, UINT message, WPARAM wParam,
                           LPARAM lParam);

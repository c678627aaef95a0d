#pragma once
// Check boxes, option buttons, combo boxes and drive list boxes: the state each input message
// requests from their painters. The painters keep OLDSTATE and skip a request for the state they
// last drew unless it is forced; check boxes and option buttons are forced on every mouse move,
// so a move always redraws them. Every function runs after the previous procedure.

#include <windows.h>

#include "skin/record.h"

// The drop-button zone of an editable (CBS_DROPDOWN) combo box, from the outer size of the
// window, the width of a vertical scroll bar and the cursor's client position. All bounds are
// inclusive: w - cx - 2 <= x <= w - 2 and 2 <= y <= h - 2.
bool IsInDropButtonZone(int width, int height, int scrollWidth, int x, int y);

// `kind` is CheckBox or OptionButton.
void CheckOrOptionMouseMove(HWND window, ControlKind kind, WPARAM wParam);
void CheckOrOptionPress(HWND window, ControlKind kind);
void CheckOrOptionRelease(HWND window, ControlKind kind);
void CheckOrOptionMouseLeave(HWND window, ControlKind kind);
// WM_KEYDOWN / WM_KEYUP: only the space key changes the look.
void CheckOrOptionKey(HWND window, ControlKind kind, UINT message, WPARAM wParam);
// WM_SETFOCUS / WM_KILLFOCUS of an option button: normal, forced.
void OptionFocusChange(HWND window);

// `kind` is ComboBox or DriveListBox.
void ComboMouseMove(HWND window, ControlKind kind, WPARAM wParam, LPARAM lParam);
void ComboPress(HWND window, ControlKind kind, LPARAM lParam);
// Hover while the cursor is still over the window itself (not one of its children), else normal.
void ComboRelease(HWND window);
void ComboMouseLeave(HWND window);
void ComboPositionChanging(HWND window);

// The sibling refresh's callback: every skinned check box and option button is drawn normal,
// forced, so that one whose value changed with a click on another is drawn right. Returns TRUE.
BOOL CALLBACK RefreshCheckAndOption(HWND window, LPARAM);
// Runs RefreshCheckAndOption over the descendants of the window's parent, or of the window itself
// when it has none.
void RefreshSiblings(HWND window);

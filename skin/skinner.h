#pragma once
// The skin engine's front door. The main window hands its handle to AttachSkin when it loads and
// to DetachSkin when it unloads; everything else follows from the subclassing that attach sets up.
//
// AttachSkin subclasses the window and every descendant (descendants first) with SkinWindowProc,
// giving each the properties of its control kind; the first call of the process also probes for
// TrackMouseEvent and builds the sprite images. DetachSkin undoes it, descendants first, and
// releases the sprite images when no skinned window remains. Descendants are enumerated only for
// windows of the form kind: class "#32770", "Form", "ThunderFormDC" or "ThunderRT6FormDC".

#include <windows.h>

#include "skin/blit.h"
#include "skin/input/timers.h"
#include "skin/paint/button_faces.h"
#include "skin/paint/primitives.h"
#include "skin/record.h"
#include "skin/sprites.h"

// The result of AttachWindow for the window: 1 when it was skinned now, 0 for a 0 handle or a
// window that is already skinned.
int AttachSkin(HWND window);
// The result of DetachWindow for the window: 1 when it was released now, 0 for a 0 handle or a
// window that is not skinned.
int DetachSkin(HWND window);

// Subclasses one window (and, for a form, its descendants first). Never builds the images.
int AttachWindow(HWND window);
// Releases one window (and, for a form, its descendants first).
int DetachWindow(HWND window);

// True when the module can be found or loaded and exports the function.
bool IsApiAvailable(const char* function, const char* module);

// The window procedure installed in every skinned window.
LRESULT CALLBACK SkinWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

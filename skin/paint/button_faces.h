#pragma once
// Command button faces: four pre-rendered pictures of the whole button, one per visual state, in
// the face DCs of the button's record. Showing the button is one constant-alpha blend of the face
// of its state; all costly drawing happens in RenderButtonFaces.

#include <windows.h>

// Nine-slice border of a face frame in SkinImage1, and the frame size.
constexpr int kFaceFrameWidth = 7;
constexpr int kFaceFrameHeight = 21;
constexpr int kFaceBorder = 3;
// Inset of the caption box and of the focus rectangle from the window's edges.
constexpr int kCaptionInset = 2;
// Corner ellipse of the rounded window region of a command button.
constexpr int kButtonCornerEllipse = 3;

// Paints all four faces of the window into its face DCs.
void RenderButtonFaces(HWND window);
// Blends the face of the window's current state onto `dc` (window coordinates), or onto the
// window DC when `dc` is 0, with ALPHALEVEL as constant alpha. Returns 0.
int PresentButtonFace(HWND window, HDC dc);
// Gives the faces the window's new size: new bitmaps in the face DCs (the 0BMP..3BMP properties
// follow them), faces rendered again, and a rounded region of the new size.
void ResizeButtonFaces(HWND window);
// WM_PAINT of the command button kind.
LRESULT PaintCommandButton(WNDPROC previous, HWND window, UINT message, WPARAM wParam,
                           LPARAM lParam);

// True when a button style keeps its system painting (check boxes, radio buttons, group boxes,
// owner-drawn buttons): any style with bit 0x2 or 0x4 set.
bool KeepsSystemPainting(LONG_PTR style);
// The rounded region a command button gets for its outer size; the caller hands it to the system.
HRGN CreateButtonRegion(int width, int height);

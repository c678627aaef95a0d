#pragma once
// Helpers of the painter tests: real system controls under the class names of the engine's
// control kinds, and pixel comparisons against the sprite images.

#include <windows.h>

#include <string>
#include <vector>

namespace painttest {

// Registers `name` once as a superclass of the system class `base` (same procedure, extra bytes
// and cursor), so that a real button, combo box, list box or progress bar carries a class name
// of the kind under test. A window whose TESTCHECK property is set answers BM_GETCHECK with that
// value minus one, for check states a real control of its style refuses to hold.
void RegisterSuperclass(const char* name, const char* base);
void SetReportedCheck(HWND window, int check);

// A form with the one control, attached; the control is created visible and on screen.
struct Skinned {
  HWND Form;
  HWND Control;
};
Skinned MakeSkinned(const char* className, const char* text, DWORD style, int width, int height,
                    DWORD exStyle = 0);
void Close(const Skinned& s);

// Compares the piece (sx, sy, w, h) of `image`, blitted with the key colour at (x, y) of the
// window DC, against the window: every non-key pixel equals the sprite, every key pixel equals
// `under` (the picture before the blit, same region, row by row). Returns the number of pixels
// that differ; `report` names the first one.
int CompareKeyedPiece(HWND window, int x, int y, HDC image, int sx, int sy, int w, int h,
                      const std::vector<COLORREF>& under, std::string* report = nullptr);
// The window-DC pixels of a region, row by row.
std::vector<COLORREF> WindowPixels(HWND window, int x, int y, int width, int height);
// The sub-region (x, y, width, height) of a row-by-row picture `stride` pixels wide.
std::vector<COLORREF> Crop(const std::vector<COLORREF>& pixels, int stride, int x, int y, int width,
                           int height);
// True when every pixel of the one-pixel ring (x, y, w, h) of the window DC has `colour`.
bool RingIs(HWND window, int x, int y, int width, int height, COLORREF colour);
// Fills a window-DC region with a marker colour that no painter uses.
constexpr COLORREF kMarker = 0x00123456;
void Mark(HWND window, int x, int y, int width, int height);

}  // namespace painttest

#pragma once
// Shared helpers of the skin engine tests: real windows on the Xvfb screen, a message pump with a
// time limit, pixel readback and a GDI object count.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace skintest {

// Pumps this thread's queue for `ms` milliseconds.
void Pump(DWORD ms);

// A top-level window of class "Form" (the form kind), visible and on screen, whose procedure
// records what reaches it (see FormLog).
HWND CreateForm(int width = 420, int height = 320, const char* caption = "Skin test");
// A child control of `className` on `parent`.
HWND CreateChild(HWND parent, const char* className, const char* text, DWORD style, int x, int y,
                 int width, int height, DWORD exStyle = 0);
// A top-level window of class "SkinPlainTest" (the other kind) that records messages likewise.
HWND CreatePlainWindow();

struct FormLog {
  UINT LastMessage = 0;
  WPARAM LastWParam = 0;
  LPARAM LastLParam = 0;
  // Filled when a window of ours receives WM_DESTROY: for each child, whether it still carried
  // PROCADDR and whether its window procedure was the one it had before the skin.
  UINT MouseLeaveCount = 0;
  bool DestroySeen = false;
  int ChildrenStillSkinned = 0;
  int ChildrenWithForeignProc = 0;
};
FormLog& Log();
// The result every message recorded by our windows returns (WM_COMMAND and WM_SETTEXT).
constexpr LRESULT kRecordedResult = 0x5A5A1234;
// Remembers the current window procedures of the children of `form` for the WM_DESTROY check.
void RememberChildProcedures(HWND form);

// All direct and indirect children of a window, in enumeration order.
std::vector<HWND> Descendants(HWND window);
bool HasProp(HWND window, const char* name);
// The names of the engine's properties that the window carries, sorted; a property whose value is
// 0 is listed too (GetPropA cannot tell it from a missing one).
std::vector<std::string> EnginePropNames(HWND window);

// Pixels of a DC region, row by row, read with GetPixel.
std::vector<COLORREF> ReadPixels(HDC dc, int x, int y, int width, int height);
// Size of the bitmap selected into a DC.
SIZE SelectedBitmapSize(HDC dc);

// The process's GDI objects: GetGuiResources where the system counts them; where it does not
// (Wine answers 0) a census of the process's GDI handle table.
int CountGdiObjects();

// A visible dialog box ("#32770") of the thread, waited for up to `timeout_ms`; null if none.
HWND WaitForDialogOfThread(DWORD thread, DWORD timeout_ms);
// The command buttons inside a window that carry PROCADDR.
int CountSkinnedButtons(HWND window);

// Writes the window's current picture (window DC) to a 24-bit BMP file.
bool SaveWindowBitmap(HWND window, const std::string& path);

}  // namespace skintest

#pragma once
// Drawing primitives and metrics shared by the painters. Boxes are given as origin plus size
// and turned into a Win32 rectangle just before the call. They hold no state and draw into any DC.

#include <windows.h>

#include <string>

// A window's screen rectangle together with its size. Painters draw in window coordinates and use
// only Width and Height.
struct WindowBox {
  int Left;
  int Top;
  int Right;   // exclusive
  int Bottom;  // exclusive
  int Width;
  int Height;
};

// The skin's fixed colours (COLORREF, 0x00BBGGRR).
constexpr COLORREF SkinBorderColour = 0x00D5A554;
constexpr COLORREF SkinDisabledBorderColour = 0x00E9CFA4;
constexpr COLORREF SkinPressedBoxColour = 0x00C48639;
constexpr COLORREF SkinProgressColour = 0x00F6D64C;
constexpr COLORREF SkinDisabledTextColour = 0x00968A79;
constexpr COLORREF SkinKeyColour = 0x00FF00FF;
constexpr COLORREF SkinWhite = 0x00FFFFFF;

// Every caption the engine draws: one line, centred both ways, cut with "..." when too wide.
constexpr UINT CaptionFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;

// Fills `box` from GetWindowRect and returns its result; a failure leaves six zeros.
BOOL GetWindowBox(HWND window, WindowBox& box);
// The window's text, converted from the ANSI code page; empty when it has none.
std::wstring GetWindowCaption(HWND window);
// DrawTextA of the text in the ANSI code page; colour, mode and font are the DC's.
int DrawTextBox(HDC dc, const std::wstring& text, int x, int y, int width, int height, UINT format);
// FillRect / FrameRect with a solid brush made and deleted for the one call.
int FillBox(HDC dc, int x, int y, int width, int height, COLORREF colour);
int FrameBox(HDC dc, int x, int y, int width, int height, COLORREF colour);
// The dotted XOR focus rectangle: drawing it twice removes it.
BOOL DrawFocusBox(HDC dc, int x, int y, int width, int height);
// The non-client border of one side of a control (scroll bars excluded), horizontally and
// vertically. Always returns 1.
int GetBorderThickness(HWND window, int& horizontal, int& vertical);

// Rounds to the nearest integer with halves going to the even neighbour (2.5 -> 2, 1.5 -> 2).
int RoundHalfEven(double value);
// Half of a length as every painter centres things: floating-point halving, halves to even.
int HalveLength(int length);

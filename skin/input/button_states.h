#pragma once
// Command buttons: the visual state each input message moves them to, and the cross-fade that
// shows the new state. A fade blends the face of OLDSTATE over whatever the button shows, with a
// constant alpha that starts at the level the transition sets and rises by kFadeStep per tick of
// the fade timer until it has been drawn fully opaque. Presses are drawn opaque at once.
//
// Every function here runs after the button's previous procedure has handled the message, except
// FadeButtonTick, which runs before it.

#include <windows.h>

// Added to ALPHALEVEL per tick. The start levels below are multiples of it, so the last blend of
// a fade is at exactly 255 and leaves the face fully opaque.
constexpr int kFadeStep = 3;
constexpr int kFadeFromEnter = 0;
constexpr int kFadeFromRelease = 60;
// The one blend of the hover face with which leaving starts, before the fade back to normal.
constexpr int kLeaveHoverLevel = 140;
constexpr int kOpaqueLevel = 255;

// WM_MOUSEMOVE: the first move inside starts the hover fade; a move that finds the cursor over
// another window (the button holds the capture after a press) ends any fade and shows the
// current face opaque.
void ButtonMouseMove(HWND window);
// WM_MOUSELEAVE: one blend of the hover face, then a fade to normal from 0.
void ButtonMouseLeave(HWND window);
// WM_LBUTTONDOWN, WM_LBUTTONDBLCLK and the space key going down: the pressed face, opaque, no fade.
void ButtonPress(HWND window);
// WM_LBUTTONUP: a fade to normal from kFadeFromRelease.
void ButtonRelease(HWND window);
// The space key going up: a fade to normal from 0.
void ButtonSpaceRelease(HWND window);
// WM_SETFOCUS and WM_KILLFOCUS: the faces are rendered again (with or without the focus
// rectangle) and the current state's new face fades in from 0.
void ButtonFocusChange(HWND window);
// WM_ENABLE: normal or disabled, shown at the current level; the timer is left alone.
void ButtonEnable(HWND window, bool enabled);
// One tick of the fade (WM_TIMER, whatever its identifier): blend at ALPHALEVEL, then raise it by
// kFadeStep, or stop the timer and reset it to 0 once the blend at 255 has been made.
void FadeButtonTick(HWND window);

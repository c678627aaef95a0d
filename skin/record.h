#pragma once
// The skinned window record and the control kinds.
//
// The engine keeps no table of the windows it serves: everything it knows about a skinned window
// lives on the window as named properties, each one pointer-sized value (so -1 reads back as -1
// in 32 and 64 bits). A property that was never set reads as 0, and the engine treats 0 as absent.
// A window is skinned exactly while it carries PROCADDR.

#include <windows.h>

#include <string>

// Property names.
constexpr char kPropProcAddr[] = "PROCADDR";
constexpr char kPropOldState[] = "OLDSTATE";
constexpr char kPropOldStyle[] = "OLDSTYLE";
constexpr char kPropMouseFlag[] = "MOUSEFLAG";
constexpr char kPropAlphaLevel[] = "ALPHALEVEL";
constexpr char kPropTimerId[] = "TIMERID";
constexpr char kPropHdIndex[] = "HDINDEX";
constexpr char kPropHmIndex[] = "HMINDEX";

// Visual states, the values of OLDSTATE.
constexpr int kStateNormal = 0;
constexpr int kStateHover = 1;
constexpr int kStatePressed = 2;
constexpr int kStateDisabled = 3;
constexpr int kVisualStateCount = 4;

// "0HDC".."3HDC": the face DC of a command button for visual state 0..3.
const char* FaceDcPropName(int state);
// "0BMP".."3BMP": the bitmap selected into that face DC.
const char* FaceBitmapPropName(int state);

LONG_PTR GetSkinProp(HWND window, const char* name);
void SetSkinProp(HWND window, const char* name, LONG_PTR value);
void RemoveSkinProp(HWND window, const char* name);

enum class ControlKind {
  Form,
  CommandButton,
  ComboBox,
  DriveListBox,
  CheckBox,
  OptionButton,
  ProgressBar,
  Header,
  DataList,
  ComboList,
  Grid,
  Other,
};

// The class name as the platform reports it (not lower-cased); empty when it cannot be read.
std::string GetWindowClassName(HWND window);
// The kind of a class name, compared after lower-casing.
ControlKind KindOfClassName(const std::string& className);
// The kind of a window, read afresh from its class name: the kind is never stored.
ControlKind GetControlKind(HWND window);

// The engine's process-wide values. All are touched only on the user-interface thread.
extern bool SkinInitialised;
extern bool HasUserTrackMouseEvent;
extern int SkinnedWindowCount;
extern HDC SkinImage1;
extern HDC SkinImage2;
extern HDC SkinImage3;
extern HDC SkinImage4;
extern HDC SkinImage5;

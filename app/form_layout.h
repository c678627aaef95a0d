// The layout of Form1: its client size and its controls, in tab order, with their positions
// in twips as designed and their window classes, styles and initial texts.
#pragma once

#include <windows.h>

#include <cstddef>

namespace app {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kFormClientWidthTwips = 7500;
inline constexpr int kFormClientHeightTwips = 5505;

// The class of the main window. The skin engine treats a window of this class as a form.
inline constexpr wchar_t kFormClassName[] = L"Form";

enum ControlId : int {
  kCommand1Id = 1001,
  kCommand2Id,
  kFile1Id,
  kText1Id,
  kLabel1Id,
  kImage1Id,
};

struct ControlLayout {
  const char* name;
  ControlId id;
  const wchar_t* window_class;
  DWORD style;
  DWORD ex_style;
  int left, top, width, height;  // twips, relative to the client area
  const wchar_t* text;
};

// Creation order is tab order: the first four take the focus in turn; the label and the
// picture do not.
extern const ControlLayout kForm1Controls[];
extern const std::size_t kForm1ControlCount;

inline constexpr int TwipsToPixels(int twips) { return twips / kTwipsPerPixel; }

const ControlLayout* FindControlLayout(ControlId id);

}  // namespace app

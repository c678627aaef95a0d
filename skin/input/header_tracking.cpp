#include "skin/input/header_tracking.h"

#include <commctrl.h>

#include "skin/input/timers.h"
#include "skin/paint/header_bar.h"
#include "skin/record.h"

namespace {

int GetIndex(HWND window, const char* name) {
  // Stored pointer-sized; -1 reads back as -1, and the value is compared as a signed integer.
  return static_cast<int>(GetSkinProp(window, name));
}

void SetIndex(HWND window, const char* name, int index) { SetSkinProp(window, name, index); }

int ItemCount(HWND window) {
  return static_cast<int>(SendMessageA(window, HDM_GETITEMCOUNT, 0, 0));
}

int ItemAt(HWND window, int count, int x) {
  for (int i = 0; i < count; ++i) {
    RECT item{};
    SendMessageA(window, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    if (x >= item.left && x <= item.right) return i;
  }
  return -1;
}

void PaintItem(HWND window, int index, int state) {
  PaintHeaderItem(window, nullptr, index, state);
}

}  // namespace

int HeaderItemAt(HWND window, int x) { return ItemAt(window, ItemCount(window), x); }

void HeaderPress(HWND window, LPARAM lParam) {
  const int count = ItemCount(window);
  // A header without items (or whose count fails) keeps its pressed index.
  if (count <= 0) return;
  const int pressed = ItemAt(window, count, SignedLoWord(lParam));
  SetIndex(window, kPropHdIndex, pressed);
  if (pressed >= 0) PaintItem(window, pressed, kHeaderItemPressed);
}

void HeaderMouseMove(HWND window, WPARAM wParam, LPARAM lParam) {
  if (GetSkinProp(window, kPropMouseFlag) == 0) {
    SetSkinProp(window, kPropMouseFlag, 1);
    TrackMouseLeave(window);
  }
  const int found = HeaderItemAt(window, SignedLoWord(lParam));
  const int hover = GetIndex(window, kPropHmIndex);
  const int pressed = GetIndex(window, kPropHdIndex);
  if (found == hover) return;
  // The pressed item keeps its look until the release.
  if (hover >= 0 && hover != pressed) PaintItem(window, hover, kHeaderItemNormal);
  if (wParam & MK_LBUTTON) {
    // While the button is held the hover index stays where the press found it.
    if (found == pressed) PaintItem(window, found, kHeaderItemPressed);
    return;
  }
  SetIndex(window, kPropHmIndex, found);
  PaintItem(window, found, kHeaderItemHover);
}

void HeaderRelease(HWND window) {
  const int pressed = GetIndex(window, kPropHdIndex);
  SetIndex(window, kPropHdIndex, -1);
  if (pressed < 0) return;
  POINT cursor{};
  GetCursorPos(&cursor);
  PaintItem(window, pressed,
            WindowFromPoint(cursor) == window ? kHeaderItemNormal : kHeaderItemHover);
}

void HeaderMouseLeave(HWND window) {
  const int hover = GetIndex(window, kPropHmIndex);
  SetSkinProp(window, kPropMouseFlag, 0);
  SetIndex(window, kPropHdIndex, -1);
  SetIndex(window, kPropHmIndex, -1);
  if (hover >= 0) PaintItem(window, hover, kHeaderItemNormal);
}

#include "skin/skinner.h"

#include "skin/gdi_handles.h"
#include "skin/paint/button_faces.h"

namespace {

constexpr char kTrackModule[] = "User32";
constexpr char kTrackFunction[] = "TrackMouseEvent";
constexpr UINT kRepaintFlags = RDW_INVALIDATE | RDW_INTERNALPAINT;
constexpr WPARAM kWholeFrame = 1;

BOOL CALLBACK AttachChild(HWND child, LPARAM) {
  AttachWindow(child);
  return TRUE;
}

BOOL CALLBACK DetachChild(HWND child, LPARAM) {
  DetachWindow(child);
  return TRUE;
}

void AttachCommandButton(HWND window) {
  WindowBox box{};
  GetWindowBox(window, box);
  {
    ScopedWindowDc windowDc(window);
    // The face DCs and their bitmaps live in the window's properties until DetachCommandButton.
    for (int state = 0; state < kVisualStateCount; ++state) {
      HDC face = CreateCompatibleDC(windowDc.get());
      HBITMAP bitmap = CreateCompatibleBitmap(windowDc.get(), box.Width, box.Height);
      SelectObject(face, bitmap);
      SetSkinProp(window, FaceDcPropName(state), reinterpret_cast<LONG_PTR>(face));
      SetSkinProp(window, FaceBitmapPropName(state), reinterpret_cast<LONG_PTR>(bitmap));
    }
    RenderButtonFaces(window);
  }

  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  if (!KeepsSystemPainting(style)) SendMessageA(window, BM_SETSTYLE, BS_OWNERDRAW, TRUE);
  SetSkinProp(window, kPropOldStyle, style);
  SetSkinProp(window, kPropMouseFlag, 0);
  SetSkinProp(window, kPropTimerId, 0);
  SetSkinProp(window, kPropOldState, IsWindowEnabled(window) ? kStateNormal : kStateDisabled);
  SetSkinProp(window, kPropAlphaLevel, 0);
  SetWindowRgn(window, CreateButtonRegion(box.Width, box.Height), TRUE);
}

void DetachCommandButton(HWND window) {
  for (int state = 0; state < kVisualStateCount; ++state) {
    HDC face = reinterpret_cast<HDC>(GetSkinProp(window, FaceDcPropName(state)));
    // The bitmap the face DC holds now: after a resize it is no longer the first one.
    HGDIOBJ bitmap = face ? GetCurrentObject(face, OBJ_BITMAP) : nullptr;
    DeleteDC(face);
    DeleteObject(bitmap);
    RemoveSkinProp(window, FaceDcPropName(state));
    RemoveSkinProp(window, FaceBitmapPropName(state));
  }
  StopFadeTimer(window);
  SetWindowLongPtrA(window, GWL_STYLE, GetSkinProp(window, kPropOldStyle));
  RemoveSkinProp(window, kPropOldStyle);
  RemoveSkinProp(window, kPropMouseFlag);
  RemoveSkinProp(window, kPropTimerId);
  RemoveSkinProp(window, kPropOldState);
  RemoveSkinProp(window, kPropAlphaLevel);
  SetWindowRgn(window, nullptr, TRUE);
}

void RepaintThroughProcedure(HWND window) {
  SendMessageA(window, WM_NCPAINT, kWholeFrame, 0);
  RedrawWindow(window, nullptr, nullptr, kRepaintFlags);
}

}  // namespace

int AttachSkin(HWND window) {
  if (!SkinInitialised) {
    SkinInitialised = true;
    HasUserTrackMouseEvent = IsApiAvailable(kTrackFunction, kTrackModule);
    BuildSkinImages();
  }
  return AttachWindow(window);
}

int DetachSkin(HWND window) { return DetachWindow(window); }

bool IsApiAvailable(const char* function, const char* module) {
  bool loaded = false;
  HMODULE handle = GetModuleHandleA(module);
  if (!handle) {
    handle = LoadLibraryA(module);
    if (!handle) return false;
    loaded = true;
  }
  const bool available = GetProcAddress(handle, function) != nullptr;
  if (loaded) FreeLibrary(handle);
  return available;
}

int AttachWindow(HWND window) {
  if (!window) return 0;
  if (GetSkinProp(window, kPropProcAddr) != 0) return 0;
  switch (GetControlKind(window)) {
    case ControlKind::Form:
      EnumChildWindows(window, AttachChild, 0);
      break;
    case ControlKind::CommandButton:
      AttachCommandButton(window);
      break;
    case ControlKind::ComboBox:
    case ControlKind::DriveListBox:
    case ControlKind::CheckBox:
    case ControlKind::OptionButton:
      SetSkinProp(window, kPropMouseFlag, 0);
      SetSkinProp(window, kPropOldState, kStateNormal);
      break;
    case ControlKind::Header:
      SetSkinProp(window, kPropMouseFlag, 0);
      SetSkinProp(window, kPropHdIndex, -1);
      SetSkinProp(window, kPropHmIndex, -1);
      break;
    default:
      break;
  }
  ++SkinnedWindowCount;
  LONG_PTR previous =
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SkinWindowProc));
  SetSkinProp(window, kPropProcAddr, previous);
  RepaintThroughProcedure(window);
  return 1;
}

int DetachWindow(HWND window) {
  if (!window) return 0;
  const LONG_PTR previous = GetSkinProp(window, kPropProcAddr);
  if (previous == 0) return 0;
  switch (GetControlKind(window)) {
    case ControlKind::Form:
      EnumChildWindows(window, DetachChild, 0);
      break;
    case ControlKind::CommandButton:
      DetachCommandButton(window);
      break;
    case ControlKind::ComboBox:
    case ControlKind::DriveListBox:
    case ControlKind::CheckBox:
    case ControlKind::OptionButton:
      RemoveSkinProp(window, kPropMouseFlag);
      RemoveSkinProp(window, kPropOldState);
      break;
    case ControlKind::Header:
      RemoveSkinProp(window, kPropMouseFlag);
      RemoveSkinProp(window, kPropHdIndex);
      RemoveSkinProp(window, kPropHmIndex);
      break;
    default:
      break;
  }
  RemoveSkinProp(window, kPropProcAddr);
  SetWindowLongPtrA(window, GWLP_WNDPROC, previous);
  RepaintThroughProcedure(window);
  if (--SkinnedWindowCount <= 0) {
    SkinnedWindowCount = 0;
    ReleaseSkinImages();
    SkinInitialised = false;
  }
  return 1;
}

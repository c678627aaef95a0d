#include "skin/input/timers.h"

#include <cstdint>

#include "skin/record.h"

namespace {

using TrackMouseEventProc = BOOL(WINAPI*)(LPTRACKMOUSEEVENT);

// Looks a function up by name in a module that is loaded on first use and kept for the process.
TrackMouseEventProc BindTrackMouseEvent(const char* module, const char* function) {
  HMODULE handle = GetModuleHandleA(module);
  if (!handle) handle = LoadLibraryA(module);
  if (!handle) return nullptr;
  return reinterpret_cast<TrackMouseEventProc>(
      reinterpret_cast<void*>(GetProcAddress(handle, function)));
}

}  // namespace

UINT_PTR StartFadeTimer(HWND window) {
  if (GetSkinProp(window, kPropTimerId) != 0) return 0;
  UINT_PTR id = SetTimer(window, kFadeTimerId, kFadeIntervalMs, nullptr);
  SetSkinProp(window, kPropTimerId, static_cast<LONG_PTR>(id));
  return id;
}

BOOL StopFadeTimer(HWND window) {
  LONG_PTR id = GetSkinProp(window, kPropTimerId);
  if (id == 0) return 0;
  BOOL result = KillTimer(window, static_cast<UINT_PTR>(id));
  SetSkinProp(window, kPropTimerId, 0);
  return result;
}

void TrackMouseLeave(HWND window) {
  TRACKMOUSEEVENT request{};
  request.cbSize = sizeof request;
  request.dwFlags = TME_LEAVE;
  request.hwndTrack = window;
  request.dwHoverTime = 0;
  if (HasUserTrackMouseEvent) {
    static TrackMouseEventProc userTrack = BindTrackMouseEvent("User32", "TrackMouseEvent");
    if (userTrack) userTrack(&request);
  } else {
    static TrackMouseEventProc commonTrack = BindTrackMouseEvent("comctl32", "_TrackMouseEvent");
    if (commonTrack) commonTrack(&request);
  }
}

int SignedLoWord(LPARAM value) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(value & 0xFFFF));
}

int SignedHiWord(LPARAM value) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>((value >> 16) & 0xFFFF));
}

// Tiny owners of GDI handles for the Windows side: whoever creates or takes one gives it back
// on every path, in the right order. A holder made from a failed call holds 0 and gives back
// nothing; the GDI calls made with its 0 handle do nothing, as they did before.
#pragma once

#include <windows.h>

#include <utility>

// A DC taken from a window: GetWindowDC (whole window) or GetDC (client area), released with
// ReleaseDC.
class ScopedWindowDc {
 public:
  enum Area { kWholeWindow, kClientArea };
  explicit ScopedWindowDc(HWND window, Area area = kWholeWindow)
      : window_(window), dc_(area == kWholeWindow ? GetWindowDC(window) : GetDC(window)) {}
  ~ScopedWindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  ScopedWindowDc(const ScopedWindowDc&) = delete;
  ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A DC we create (CreateCompatibleDC, CreateDC), deleted with DeleteDC.
class ScopedDc {
 public:
  explicit ScopedDc(HDC dc) : dc_(dc) {}
  ~ScopedDc() {
    if (dc_) DeleteDC(dc_);
  }
  ScopedDc(const ScopedDc&) = delete;
  ScopedDc& operator=(const ScopedDc&) = delete;
  HDC get() const { return dc_; }
  // Gives up ownership, for a DC that lives on in a window property.
  HDC release() { return std::exchange(dc_, nullptr); }

 private:
  HDC dc_;
};

// A GDI object we create (bitmap, brush, font, palette, region), deleted with DeleteObject.
// Declare it before the ScopedSelection that selects it, so that it is selected out first.
template <typename Handle>
class GdiObject {
 public:
  explicit GdiObject(Handle handle = nullptr) : handle_(handle) {}
  ~GdiObject() {
    if (handle_) DeleteObject(handle_);
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  Handle get() const { return handle_; }
  // Gives up ownership, for an object that lives on in a window property or a DC.
  Handle release() { return std::exchange(handle_, nullptr); }

 private:
  Handle handle_;
};

// An object selected into a DC for a while; the object it replaced goes back in at the end.
// Selecting nothing (a 0 object) selects nothing and puts nothing back.
class ScopedSelection {
 public:
  ScopedSelection(HDC dc, HGDIOBJ object)
      : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
  ~ScopedSelection() {
    if (previous_) SelectObject(dc_, previous_);
  }
  ScopedSelection(const ScopedSelection&) = delete;
  ScopedSelection& operator=(const ScopedSelection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A palette selected into a DC and realised; at the end the previous one goes back and is
// realised again. `background` is SelectPalette's own flag for the way back.
class ScopedPaletteSelection {
 public:
  ScopedPaletteSelection(HDC dc, HPALETTE palette, BOOL background)
      : dc_(dc), previous_(SelectPalette(dc, palette, TRUE)), background_(background) {
    RealizePalette(dc);
  }
  ~ScopedPaletteSelection() {
    SelectPalette(dc_, previous_, background_);
    RealizePalette(dc_);
  }
  ScopedPaletteSelection(const ScopedPaletteSelection&) = delete;
  ScopedPaletteSelection& operator=(const ScopedPaletteSelection&) = delete;

 private:
  HDC dc_;
  HPALETTE previous_;
  BOOL background_;
};

// BeginPaint .. EndPaint.
class ScopedPaint {
 public:
  explicit ScopedPaint(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ~ScopedPaint() { EndPaint(window_, &paint_); }
  ScopedPaint(const ScopedPaint&) = delete;
  ScopedPaint& operator=(const ScopedPaint&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

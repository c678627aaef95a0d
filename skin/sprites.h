#pragma once
// Canvases and the five sprite images.
//
// A canvas is a memory DC holding its own display-compatible bitmap. It is identified by its DC
// alone: ReleaseCanvas finds the bitmap as the DC's current bitmap, so releasing the DC always
// releases the bitmap with it.

#include <windows.h>

// The DC of a new width x height canvas, or 0 when it cannot be made. Its pixels are undefined.
HDC CreateCanvas(int width, int height);
// Frees the canvas's DC and its bitmap. A 0 canvas is ignored.
void ReleaseCanvas(HDC canvas);

// A canvas for the length of a scope.
class ScopedCanvas {
 public:
  ScopedCanvas(int width, int height) : canvas_(CreateCanvas(width, height)) {}
  ~ScopedCanvas() { ReleaseCanvas(canvas_); }
  ScopedCanvas(const ScopedCanvas&) = delete;
  ScopedCanvas& operator=(const ScopedCanvas&) = delete;
  HDC get() const { return canvas_; }

 private:
  HDC canvas_;
};

// Makes SkinImage1..SkinImage5 and writes every pixel from the sprite pixel table.
void BuildSkinImages();
// Releases the five images and sets their handles back to 0.
void ReleaseSkinImages();

#include "skin/sprites.h"

#include "skin/gdi_handles.h"
#include "skin/record.h"
#include "skin/sprite_table.h"

namespace {

constexpr char kDisplayDriver[] = "DISPLAY";

HDC* const kSkinImages[kSpriteImageCount] = {&SkinImage1, &SkinImage2, &SkinImage3, &SkinImage4,
                                             &SkinImage5};

}  // namespace

HDC CreateCanvas(int width, int height) {
  ScopedDc display(CreateDCA(kDisplayDriver, nullptr, nullptr, nullptr));
  if (!display.get()) return nullptr;
  ScopedDc canvas(CreateCompatibleDC(display.get()));
  if (!canvas.get()) return nullptr;
  // Compatible with the display, not with the memory DC: a bitmap compatible with a fresh
  // memory DC would be monochrome.
  GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(display.get(), width, height));
  if (!bitmap.get()) return nullptr;
  // The canvas keeps its bitmap selected for its whole life; ReleaseCanvas frees both.
  SelectObject(canvas.get(), bitmap.release());
  return canvas.release();
}

void ReleaseCanvas(HDC canvas) {
  if (!canvas) return;
  // Deleting the DC first deselects the bitmap, which may then be deleted.
  HGDIOBJ bitmap = GetCurrentObject(canvas, OBJ_BITMAP);
  DeleteDC(canvas);
  DeleteObject(bitmap);
}

void BuildSkinImages() {
  for (int i = 0; i < kSpriteImageCount; ++i) {
    const SpriteImageData& data = kSpriteImageData[i];
    *kSkinImages[i] = CreateCanvas(data.Width, data.Height);
  }
  for (int i = 0; i < kSpriteImageCount; ++i) {
    const SpriteImageData& data = kSpriteImageData[i];
    HDC image = *kSkinImages[i];
    for (int y = 0; y < data.Height; ++y) {
      for (int x = 0; x < data.Width; ++x) {
        SetPixel(image, x, y, data.Pixels[y * data.Width + x]);
      }
    }
  }
}

void ReleaseSkinImages() {
  for (HDC* image : kSkinImages) {
    ReleaseCanvas(*image);
    *image = nullptr;
  }
}

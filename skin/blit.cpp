#include "skin/blit.h"

#include <olectl.h>

#include "skin/gdi_handles.h"
#include "skin/sprites.h"

namespace {

constexpr char kDisplayDriver[] = "DISPLAY";
constexpr COLORREF kWhite = 0x00FFFFFF;
constexpr COLORREF kBlack = 0x00000000;
// Destination AND NOT source: clears the pixels that the mask marks.
constexpr DWORD kRopAndNotSource = 0x00220326;

// The nine copies of a nine-slice, corners first, then edges, then the centre.
void DrawNineSlice(HDC canvas, int width, int height, HDC source, int sx, int sy, int sw, int sh,
                   int l, int t, int r, int b) {
  const int w = width;
  const int h = height;
  if (l > 0 && t > 0) BitBlt(canvas, 0, 0, l, t, source, sx, sy, SRCCOPY);
  if (r > 0 && t > 0) BitBlt(canvas, w - r, 0, r, t, source, sx + sw - r, sy, SRCCOPY);
  if (l > 0 && b > 0) BitBlt(canvas, 0, h - b, l, b, source, sx, sy + sh - b, SRCCOPY);
  if (r > 0 && b > 0) {
    BitBlt(canvas, w - r, h - b, r, b, source, sx + sw - r, sy + sh - b, SRCCOPY);
  }
  if (l > 0) {
    StretchBlt(canvas, 0, t, l, h - t - b, source, sx, sy + t, l, sh - t - b, SRCCOPY);
  }
  if (r > 0) {
    StretchBlt(canvas, w - r, t, r, h - t - b, source, sx + sw - r, sy + t, r, sh - t - b, SRCCOPY);
  }
  if (t > 0) {
    StretchBlt(canvas, l, 0, w - l - r, t, source, sx + l, sy, sw - l - r, t, SRCCOPY);
  }
  if (b > 0) {
    StretchBlt(canvas, l, h - b, w - l - r, b, source, sx + l, sy + sh - b, sw - l - r, b, SRCCOPY);
  }
  StretchBlt(canvas, l, t, w - l - r, h - t - b, source, sx + l, sy + t, sw - l - r, sh - t - b,
             SRCCOPY);
}

}  // namespace

int DrawSpritePiece(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
                    int sourceY, int sourceWidth, int sourceHeight, int left, int top, int right,
                    int bottom, std::optional<COLORREF> keyColour) {
  if (width == 0 || height == 0 || sourceWidth == 0 || sourceHeight == 0) return 0;
  ScopedCanvas ownCanvas(width, height);
  const HDC canvas = ownCanvas.get();
  if (left <= 0 && top <= 0 && right <= 0 && bottom <= 0) {
    StretchBlt(canvas, 0, 0, width, height, source, sourceX + left, sourceY + top,
               sourceWidth - right, sourceHeight - bottom, SRCCOPY);
  } else {
    DrawNineSlice(canvas, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, left,
                  top, right, bottom);
  }
  int result = 1;
  if (keyColour) {
    BlitTransparent(destination, x, y, width, height, canvas, 0, 0, *keyColour, nullptr);
  } else {
    result = BitBlt(destination, x, y, width, height, canvas, 0, 0, SRCCOPY);
  }
  return result;
}

void BlitTransparent(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
                     int sourceY, COLORREF keyColour, HPALETTE palette) {
  // Declared in the order of making: each DC's selections end before its bitmap is deleted,
  // and the halftone palette outlives the DCs it is selected into.
  ScopedDc display(CreateDCA(kDisplayDriver, nullptr, nullptr, nullptr));
  GdiObject<HPALETTE> halftone(palette ? nullptr : CreateHalftonePalette(display.get()));
  if (!palette) palette = halftone.get();
  COLORREF key = 0;
  OleTranslateColor(keyColour, palette, &key);
  key &= 0x00FFFFFF;

  // What the destination shows now.
  ScopedDc backDc(CreateCompatibleDC(display.get()));
  GdiObject<HBITMAP> backBitmap(CreateCompatibleBitmap(display.get(), width, height));
  ScopedSelection backSelection(backDc.get(), backBitmap.get());
  ScopedPaletteSelection backPalette(backDc.get(), palette, FALSE);
  BitBlt(backDc.get(), 0, 0, width, height, destination, x, y, SRCCOPY);

  // The source, with the source DC's colours.
  ScopedDc sourceDc(CreateCompatibleDC(display.get()));
  GdiObject<HBITMAP> sourceBitmap(CreateCompatibleBitmap(display.get(), width, height));
  ScopedSelection sourceSelection(sourceDc.get(), sourceBitmap.get());
  ScopedPaletteSelection sourcePalette(sourceDc.get(), palette, TRUE);
  SetBkColor(sourceDc.get(), GetBkColor(source));
  SetTextColor(sourceDc.get(), GetTextColor(source));
  BitBlt(sourceDc.get(), 0, 0, width, height, source, sourceX, sourceY, SRCCOPY);

  // A colour-to-monochrome copy turns pixels of the background colour into 1, all others into 0.
  ScopedDc maskDc(CreateCompatibleDC(display.get()));
  GdiObject<HBITMAP> maskBitmap(CreateBitmap(width, height, 1, 1, nullptr));
  ScopedSelection maskSelection(maskDc.get(), maskBitmap.get());
  SetBkColor(sourceDc.get(), key);
  SetTextColor(sourceDc.get(), kWhite);
  BitBlt(maskDc.get(), 0, 0, width, height, sourceDc.get(), 0, 0, SRCCOPY);

  // Monochrome-to-colour copies map 1 to the background colour and 0 to the text colour:
  // key pixels of the source become black, opaque pixels of the background become black.
  SetTextColor(sourceDc.get(), kBlack);
  SetBkColor(sourceDc.get(), kWhite);
  BitBlt(sourceDc.get(), 0, 0, width, height, maskDc.get(), 0, 0, kRopAndNotSource);
  BitBlt(backDc.get(), 0, 0, width, height, maskDc.get(), 0, 0, SRCAND);
  BitBlt(backDc.get(), 0, 0, width, height, sourceDc.get(), 0, 0, SRCPAINT);
  BitBlt(destination, x, y, width, height, backDc.get(), 0, 0, SRCCOPY);
}

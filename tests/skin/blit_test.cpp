// Nine-slice piece drawing and key-colour transparency, read back pixel by pixel.

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "skin/skinner.h"
#include "skin_test_support.h"

namespace {

using skintest::ReadPixels;

constexpr COLORREF kBackground = 0x00203040;

// Every pixel of the source gets its own colour, so each destination pixel names its origin.
COLORREF Marker(int x, int y) { return RGB(x * 8 + 1, y * 8 + 1, 0x77); }

HDC MarkedSource(int width, int height) {
  HDC source = CreateCanvas(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) SetPixel(source, x, y, Marker(x, y));
  }
  return source;
}

HDC FilledCanvas(int width, int height, COLORREF colour) {
  HDC canvas = CreateCanvas(width, height);
  FillBox(canvas, 0, 0, width, height, colour);
  return canvas;
}

TEST(DrawSpritePiece, ExactSizeReproducesThePiecePixelForPixel) {
  HDC source = MarkedSource(7, 21);
  const int borders[][4] = {{3, 3, 3, 3}, {2, 1, 1, 1}, {0, 0, 0, 0}, {5, 0, 1, 7}};
  for (const auto& b : borders) {
    HDC target = FilledCanvas(9, 23, kBackground);
    EXPECT_NE(DrawSpritePiece(target, 1, 1, 7, 21, source, 0, 0, 7, 21, b[0], b[1], b[2], b[3]), 0);
    EXPECT_EQ(ReadPixels(target, 1, 1, 7, 21), ReadPixels(source, 0, 0, 7, 21))
        << "borders " << b[0] << b[1] << b[2] << b[3];
    EXPECT_EQ(GetPixel(target, 0, 0), kBackground) << "drawn outside the rectangle";
    EXPECT_EQ(GetPixel(target, 8, 22), kBackground) << "drawn outside the rectangle";
    ReleaseCanvas(target);
  }
  ReleaseCanvas(source);
}

TEST(DrawSpritePiece, NineSliceKeepsCornersAndStretchesEdgesAndCentre) {
  HDC source = MarkedSource(7, 21);
  HDC target = FilledCanvas(75, 23, kBackground);
  ASSERT_NE(DrawSpritePiece(target, 0, 0, 75, 23, source, 0, 0, 7, 21, 3, 3, 3, 3), 0);
  // Corners: unscaled copies.
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(GetPixel(target, x, y), Marker(x, y));
      EXPECT_EQ(GetPixel(target, 72 + x, y), Marker(4 + x, y));
      EXPECT_EQ(GetPixel(target, x, 20 + y), Marker(x, 18 + y));
      EXPECT_EQ(GetPixel(target, 72 + x, 20 + y), Marker(4 + x, 18 + y));
    }
  }
  // Left and right edges: 15 source rows over 17, in order, each source row used.
  for (int edge = 0; edge < 2; ++edge) {
    const int dx = edge ? 72 : 0;
    const int sx = edge ? 4 : 0;
    std::set<int> rowsUsed;
    int lastRow = 0;
    for (int y = 3; y < 20; ++y) {
      int sourceRow = -1;
      for (int r = 3; r <= 17; ++r) {
        if (GetPixel(target, dx, y) == Marker(sx, r)) sourceRow = r;
      }
      ASSERT_NE(sourceRow, -1) << "edge pixel at y " << y << " is not from the edge";
      EXPECT_GE(sourceRow, lastRow);
      lastRow = sourceRow;
      rowsUsed.insert(sourceRow);
      for (int k = 1; k < 3; ++k) EXPECT_EQ(GetPixel(target, dx + k, y), Marker(sx + k, sourceRow));
    }
    EXPECT_EQ(rowsUsed.size(), 15u);
  }
  // Centre: 69 x 17 from the single column 3, rows 3..17; every row is one colour.
  for (int y = 3; y < 20; ++y) {
    const COLORREF first = GetPixel(target, 3, y);
    bool fromCentre = false;
    for (int r = 3; r <= 17; ++r) fromCentre |= first == Marker(3, r);
    EXPECT_TRUE(fromCentre) << y;
    for (int x = 3; x < 72; ++x) ASSERT_EQ(GetPixel(target, x, y), first) << x << "," << y;
  }
  // Top and bottom edges: columns 3 of rows 0..2 and 18..20, stretched along the width.
  for (int x = 3; x < 72; ++x) {
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(GetPixel(target, x, k), Marker(3, k));
      EXPECT_EQ(GetPixel(target, x, 20 + k), Marker(3, 18 + k));
    }
  }
  ReleaseCanvas(target);
  ReleaseCanvas(source);
}

TEST(DrawSpritePiece, AllBordersZeroStretchesTheWholePiece) {
  HDC source = MarkedSource(2, 2);
  HDC target = FilledCanvas(20, 20, kBackground);
  ASSERT_NE(DrawSpritePiece(target, 0, 0, 20, 20, source, 0, 0, 2, 2, 0, 0, 0, 0), 0);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) ASSERT_EQ(GetPixel(target, x, y), Marker(x / 10, y / 10));
  }
  ReleaseCanvas(target);
  ReleaseCanvas(source);
}

TEST(DrawSpritePiece, ZeroSizeDrawsNothingAndReturnsZero) {
  HDC source = MarkedSource(7, 21);
  HDC target = FilledCanvas(10, 10, kBackground);
  const std::vector<COLORREF> before = ReadPixels(target, 0, 0, 10, 10);
  EXPECT_EQ(DrawSpritePiece(target, 0, 0, 0, 10, source, 0, 0, 7, 21, 3, 3, 3, 3), 0);
  EXPECT_EQ(DrawSpritePiece(target, 0, 0, 10, 0, source, 0, 0, 7, 21, 3, 3, 3, 3), 0);
  EXPECT_EQ(DrawSpritePiece(target, 0, 0, 10, 10, source, 0, 0, 0, 21, 3, 3, 3, 3), 0);
  EXPECT_EQ(DrawSpritePiece(target, 0, 0, 10, 10, source, 0, 0, 7, 0, 3, 3, 3, 3, SkinKeyColour),
            0);
  EXPECT_EQ(ReadPixels(target, 0, 0, 10, 10), before);
  ReleaseCanvas(target);
  ReleaseCanvas(source);
}

TEST(DrawSpritePiece, KeyColouredPixelsLeaveTheDestinationUntouched) {
  BuildSkinImages();
  HDC target = FilledCanvas(13, 13, kBackground);
  // The hover option circle, exact size, with the key colour: the corners show the background.
  EXPECT_EQ(
      DrawSpritePiece(target, 0, 0, 13, 13, SkinImage4, 0, 13, 13, 13, 5, 5, 5, 5, SkinKeyColour),
      1);
  for (int y = 0; y < 13; ++y) {
    for (int x = 0; x < 13; ++x) {
      const COLORREF source = GetPixel(SkinImage4, x, 13 + y);
      const COLORREF expected = source == SkinKeyColour ? kBackground : source;
      ASSERT_EQ(GetPixel(target, x, y), expected) << x << "," << y;
    }
  }
  ReleaseCanvas(target);
  ReleaseSkinImages();
}

// A source half key colour, half marked pixels; the source DC's own colours must survive.
void ExpectTransparentCopy(HDC destination, COLORREF key, COLORREF keyAsGiven) {
  HDC source = MarkedSource(12, 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 12; ++x) {
      if ((x + y) % 3 == 0) SetPixel(source, x, y, key);
    }
  }
  SetBkColor(source, 0x00010203);
  SetTextColor(source, 0x00040506);
  const std::vector<COLORREF> before = ReadPixels(destination, 5, 6, 12, 8);
  BlitTransparent(destination, 5, 6, 12, 8, source, 0, 0, keyAsGiven);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 12; ++x) {
      const COLORREF expected = (x + y) % 3 == 0 ? before[y * 12 + x] : Marker(x, y);
      ASSERT_EQ(GetPixel(destination, 5 + x, 6 + y), expected) << x << "," << y;
    }
  }
  EXPECT_EQ(GetBkColor(source), 0x00010203u);
  EXPECT_EQ(GetTextColor(source), 0x00040506u);
  ReleaseCanvas(source);
}

TEST(BlitTransparent, KeyPixelsKeepTheWindowPictureAndOthersAreCopied) {
  HWND form = skintest::CreateForm(200, 150);
  HDC windowDc = GetDC(form);
  FillBox(windowDc, 0, 0, 40, 40, kBackground);
  SetPixel(windowDc, 5, 6, 0x00ABCDEF);  // a distinct pixel under a key pixel
  ExpectTransparentCopy(windowDc, SkinKeyColour, SkinKeyColour);
  EXPECT_EQ(GetPixel(windowDc, 5, 6), 0x00ABCDEFu);
  ReleaseDC(form, windowDc);
  DestroyWindow(form);
}

TEST(BlitTransparent, SystemColourIndexKeyIsMatchedByItsCurrentValue) {
  HDC target = FilledCanvas(30, 30, kBackground);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  ExpectTransparentCopy(target, face, 0x80000000 | COLOR_BTNFACE);
  ReleaseCanvas(target);
}

TEST(BlitTransparent, SourceWithoutKeyPixelsIsAPlainCopy) {
  HDC source = MarkedSource(10, 10);
  HDC target = FilledCanvas(10, 10, kBackground);
  BlitTransparent(target, 0, 0, 10, 10, source, 0, 0, SkinKeyColour);
  EXPECT_EQ(ReadPixels(target, 0, 0, 10, 10), ReadPixels(source, 0, 0, 10, 10));
  ReleaseCanvas(target);
  ReleaseCanvas(source);
}

// Every drawing call that makes its own DCs, bitmaps, brushes or palettes gives them all back,
// and leaves the target DC with the objects it had: no path leaks or frees twice.
TEST(DrawingCalls, GiveBackEveryGdiObjectAndLeaveTheTargetsSelectionsAsTheyWere) {
  HDC source = MarkedSource(16, 16);
  HDC target = FilledCanvas(16, 16, kBackground);
  const HGDIOBJ bitmap = GetCurrentObject(target, OBJ_BITMAP);
  const HGDIOBJ font = GetCurrentObject(target, OBJ_FONT);
  const HGDIOBJ brush = GetCurrentObject(target, OBJ_BRUSH);
  const HGDIOBJ palette = GetCurrentObject(target, OBJ_PAL);
  struct Call {
    const char* name;
    void (*draw)(HDC target, HDC source);
  };
  const Call calls[] = {
      {"FillBox", [](HDC t, HDC) { FillBox(t, 1, 1, 8, 8, SkinWhite); }},
      {"FrameBox", [](HDC t, HDC) { FrameBox(t, 1, 1, 8, 8, SkinBorderColour); }},
      {"BlitTransparent",
       [](HDC t, HDC s) { BlitTransparent(t, 0, 0, 16, 16, s, 0, 0, SkinKeyColour, nullptr); }},
      {"DrawSpritePiece, nine slices",
       [](HDC t, HDC s) { DrawSpritePiece(t, 0, 0, 12, 12, s, 0, 0, 16, 16, 3, 3, 3, 3); }},
      {"DrawSpritePiece, key colour", [](HDC t, HDC s) {
         DrawSpritePiece(t, 0, 0, 12, 12, s, 0, 0, 16, 16, 0, 0, 0, 0, SkinKeyColour);
       }}};
  for (const Call& call : calls) {
    const int before = skintest::CountGdiObjects();
    for (int i = 0; i < 50; ++i) call.draw(target, source);
    EXPECT_EQ(skintest::CountGdiObjects(), before) << call.name;
    EXPECT_EQ(GetCurrentObject(target, OBJ_BITMAP), bitmap) << call.name;
    EXPECT_EQ(GetCurrentObject(target, OBJ_FONT), font) << call.name;
    EXPECT_EQ(GetCurrentObject(target, OBJ_BRUSH), brush) << call.name;
    EXPECT_EQ(GetCurrentObject(target, OBJ_PAL), palette) << call.name;
  }
  ReleaseCanvas(target);
  ReleaseCanvas(source);
}

}  // namespace

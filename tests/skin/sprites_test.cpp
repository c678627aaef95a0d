// The five sprite images: sizes, every pixel against the table, the fixed rows and key regions
// that the painters rely on, and canvases that own their bitmaps.

#include <gtest/gtest.h>

#include <vector>

#include "skin/skinner.h"
#include "skin/sprite_table.h"
#include "skin_test_support.h"

namespace {

using skintest::ReadPixels;

HDC ImageDc(int index) {
  HDC images[] = {SkinImage1, SkinImage2, SkinImage3, SkinImage4, SkinImage5};
  return images[index];
}

COLORREF TablePixel(int image, int x, int y) {
  const SpriteImageData& data = kSpriteImageData[image];
  return data.Pixels[y * data.Width + x];
}

std::vector<COLORREF> Row(HDC image, int y, int x0, int width) {
  return ReadPixels(image, x0, y, width, 1);
}

class SpriteImages : public ::testing::Test {
 protected:
  void SetUp() override { BuildSkinImages(); }
  void TearDown() override { ReleaseSkinImages(); }
};

TEST_F(SpriteImages, EveryPixelReadsBackAsTheTableSays) {
  const SIZE expected[] = {{7, 84}, {15, 18}, {18, 24}, {13, 52}, {9, 20}};
  int total = 0;
  for (int i = 0; i < kSpriteImageCount; ++i) {
    HDC image = ImageDc(i);
    ASSERT_NE(image, nullptr) << "image " << i + 1;
    SIZE size = skintest::SelectedBitmapSize(image);
    EXPECT_EQ(size.cx, expected[i].cx) << "image " << i + 1;
    EXPECT_EQ(size.cy, expected[i].cy) << "image " << i + 1;
    ASSERT_EQ(kSpriteImageData[i].Width, expected[i].cx);
    ASSERT_EQ(kSpriteImageData[i].Height, expected[i].cy);
    for (int y = 0; y < expected[i].cy; ++y) {
      for (int x = 0; x < expected[i].cx; ++x) {
        ASSERT_EQ(GetPixel(image, x, y), TablePixel(i, x, y))
            << "image " << i + 1 << " at " << x << "," << y;
        ++total;
      }
    }
  }
  EXPECT_EQ(total, 2146);
}

TEST_F(SpriteImages, ButtonFaceRowsThatShapeEveryButton) {
  const std::vector<COLORREF> top = {0x00F9E1BF, 0x00E3B36B, 0x00D8972C, 0x00D58F1B,
                                     0x00D8972C, 0x00E3B36B, 0x00F9E1BF};
  for (int face = 0; face < 3; ++face) {
    EXPECT_EQ(Row(SkinImage1, 21 * face, 0, 7), top) << "face " << face;
    for (int y = 3; y <= 17; ++y) {
      EXPECT_EQ(GetPixel(SkinImage1, 0, 21 * face + y), 0x00D58F1Bu);
      EXPECT_EQ(GetPixel(SkinImage1, 6, 21 * face + y), 0x00D58F1Bu);
    }
  }
  EXPECT_EQ(Row(SkinImage1, 10, 0, 7),
            (std::vector<COLORREF>{0x00D58F1B, 0x00FBF0E3, 0x00F9EAD7, 0x00F9EAD7, 0x00F9EAD7,
                                   0x00FBF0E3, 0x00D58F1B}));
  EXPECT_EQ(Row(SkinImage1, 63 + 10, 0, 7),
            (std::vector<COLORREF>{0x00E8C387, 0x00FBF4EB, 0x00FAF1E5, 0x00FAF1E5, 0x00FAF1E5,
                                   0x00FBF4EB, 0x00E8C387}));
}

TEST_F(SpriteImages, DropDownStripsAndArrows) {
  for (int y = 0; y < 18; ++y) {
    EXPECT_EQ(GetPixel(SkinImage2, 0, y), 0x00D1A04Eu) << y;
    EXPECT_EQ(GetPixel(SkinImage2, 4, y), 0x00D1A04Eu) << y;
  }
  // Columns 8..14: two arrows (rows 7, 5, 3, 1 wide, centred) and the key colour elsewhere.
  for (int y = 0; y < 18; ++y) {
    for (int x = 0; x < 7; ++x) {
      COLORREF expected = SkinKeyColour;
      if (y < 8) {
        const int row = y % 4;
        if (x >= row && x < 7 - row) expected = y < 4 ? 0x005F5519 : 0x00ACA584;
      }
      EXPECT_EQ(GetPixel(SkinImage2, 8 + x, y), expected) << 8 + x << "," << y;
    }
  }
}

TEST_F(SpriteImages, OptionCircleMiddleRowAndOutlines) {
  EXPECT_EQ(Row(SkinImage4, 6, 0, 13),
            (std::vector<COLORREF>{0x00D2A683, 0x00FAF7F3, 0x00FEFEFD, 0x00FFFFFF, 0x00FFFFFF,
                                   0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF,
                                   0x00FEFEFD, 0x00FAF7F3, 0x00D2A683}));
  EXPECT_EQ(GetPixel(SkinImage4, 0, 26 + 6), 0x00C18964u);
  EXPECT_EQ(GetPixel(SkinImage4, 12, 26 + 6), 0x00C18964u);
  EXPECT_EQ(GetPixel(SkinImage4, 0, 39 + 6), 0x00E8D2C1u);
  EXPECT_EQ(GetPixel(SkinImage4, 12, 39 + 6), 0x00E8D2C1u);
  EXPECT_EQ(Row(SkinImage5, 19, 0, 9), std::vector<COLORREF>(9, 0x00F2DAC0));
}

int CountKey(HDC image, int width, int height) {
  int count = 0;
  for (COLORREF c : ReadPixels(image, 0, 0, width, height)) count += c == SkinKeyColour;
  return count;
}

TEST_F(SpriteImages, KeyColourExactlyWhereTransparencyIsWanted) {
  EXPECT_EQ(CountKey(SkinImage1, 7, 84), 0);
  EXPECT_EQ(CountKey(SkinImage5, 9, 20), 0);
  EXPECT_EQ(CountKey(SkinImage2, 15, 18), 94);
  EXPECT_EQ(CountKey(SkinImage3, 18, 24), 240);
  EXPECT_EQ(CountKey(SkinImage4, 13, 52), 96);
  // Image 3: everything outside the six glyph rectangles is key-coloured.
  const RECT glyphs[] = {{0, 0, 9, 8},    {9, 0, 18, 8},  {1, 9, 8, 16},
                         {10, 9, 17, 16}, {2, 18, 7, 23}, {11, 18, 16, 23}};
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 18; ++x) {
      bool inGlyph = false;
      for (const RECT& g : glyphs) {
        inGlyph |= x >= g.left && x < g.right && y >= g.top && y < g.bottom;
      }
      if (!inGlyph) {
        EXPECT_EQ(GetPixel(SkinImage3, x, y), SkinKeyColour) << x << "," << y;
      }
    }
  }
  // Image 4: the 3-pixel triangle in each corner of each circle, and nothing else.
  for (int y = 0; y < 52; ++y) {
    for (int x = 0; x < 13; ++x) {
      const int cx = x < 13 - x ? x : 12 - x;
      const int cy = (y % 13) < 13 - (y % 13) ? y % 13 : 12 - (y % 13);
      const bool corner = cx + cy <= 2;
      EXPECT_EQ(GetPixel(SkinImage4, x, y) == SkinKeyColour, corner) << x << "," << y;
    }
  }
}

TEST(SpriteLifecycle, ImagesRebuiltAfterFullDetachAreIdentical) {
  const int sizes[][2] = {{7, 84}, {15, 18}, {18, 24}, {13, 52}, {9, 20}};
  HWND form = skintest::CreateForm();
  ASSERT_EQ(AttachSkin(form), 1);
  std::vector<std::vector<COLORREF>> first;
  for (int i = 0; i < kSpriteImageCount; ++i) {
    first.push_back(ReadPixels(ImageDc(i), 0, 0, sizes[i][0], sizes[i][1]));
  }
  HDC firstImage1 = SkinImage1;
  ASSERT_EQ(DetachSkin(form), 1);
  EXPECT_FALSE(SkinInitialised);
  for (int i = 0; i < kSpriteImageCount; ++i) EXPECT_EQ(ImageDc(i), nullptr);
  EXPECT_EQ(GetObjectType(firstImage1), 0u) << "the first images were not released";

  ASSERT_EQ(AttachSkin(form), 1);
  for (int i = 0; i < kSpriteImageCount; ++i) {
    EXPECT_EQ(ReadPixels(ImageDc(i), 0, 0, sizes[i][0], sizes[i][1]), first[i]) << i + 1;
  }
  DetachSkin(form);
  DestroyWindow(form);
}

TEST(Canvas, ReleasingACanvasFreesItsDcAndBitmap) {
  HDC canvas = CreateCanvas(31, 17);
  ASSERT_NE(canvas, nullptr);
  HGDIOBJ bitmap = GetCurrentObject(canvas, OBJ_BITMAP);
  SIZE size = skintest::SelectedBitmapSize(canvas);
  EXPECT_EQ(size.cx, 31);
  EXPECT_EQ(size.cy, 17);
  // Display-compatible, not monochrome: colours survive.
  SetPixel(canvas, 3, 4, 0x00123456);
  EXPECT_EQ(GetPixel(canvas, 3, 4), 0x00123456u);
  ReleaseCanvas(canvas);
  EXPECT_EQ(GetObjectType(canvas), 0u);
  EXPECT_EQ(GetObjectType(bitmap), 0u);
}

}  // namespace

#pragma once
// The pixel table of the five skin sprite images (generated into sprite_table.cpp by
// sprite_art.py). Plain data: no platform types, one COLORREF value (0x00BBGGRR) per pixel,
// row by row from the top-left corner.

#include <cstdint>

struct SpriteImageData {
  int Width;
  int Height;
  const std::uint32_t* Pixels;  // Width * Height values
};

constexpr int kSpriteImageCount = 5;

// Index 0 holds SkinImage1, index 4 SkinImage5.
extern const SpriteImageData kSpriteImageData[kSpriteImageCount];

#pragma once
// Drawing pieces of the sprite images: nine-slice scaling and key-colour transparency.
// Both operations are stateless and change only the pixels of the destination rectangle.

#include <windows.h>

#include <optional>

// Draws the piece (sourceX, sourceY, sourceWidth, sourceHeight) of `source` into the rectangle
// (x, y, width, height) of `destination` as a nine-slice: the corners given by the four borders
// are copied unscaled, the edges are stretched along their length and the centre both ways.
// All borders 0 (or less) stretch the whole piece. With a key colour, source pixels of that colour
// leave the destination untouched.
// Returns 0 when a size is 0 and nothing is drawn; otherwise the final BitBlt's result, or 1 with
// a key colour.
int DrawSpritePiece(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
                    int sourceY, int sourceWidth, int sourceHeight, int left, int top, int right,
                    int bottom, std::optional<COLORREF> keyColour = std::nullopt);

// Copies (sourceX, sourceY, width, height) of `source` to (x, y) of `destination`, except where
// the source has the key colour. The key is an RGB value or a system colour index with the high
// bit set (as OleTranslateColor takes it). With palette 0 a halftone palette is made for the call.
// The destination is written once, from an off-screen composition.
void BlitTransparent(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
                     int sourceY, COLORREF keyColour, HPALETTE palette = nullptr);

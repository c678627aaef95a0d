// Draws the pictures of Folivane's main window and writes them as Windows icon and cursor
// files: the open-book program icon (32 x 32), the help picture (42 x 17, a blue round badge
// with a white question mark, then "帮助" in black, on a transparent background) and the
// pointing-hand cursor (32 x 32, hot spot at the finger tip, 6,0).
//
// usage: make_pictures OUTPUT_FOLDER
// Portable C++17, no libraries: the files are made the same on every machine, and the
// committed copies are checked against a fresh run by the native tests.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Rgba {
  uint8_t r = 0, g = 0, b = 0, a = 0;
};

struct Picture {
  int width, height;
  std::vector<Rgba> pixels;
  Picture(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w * h)) {}
  Rgba& At(int x, int y) { return pixels[static_cast<size_t>(y * width + x)]; }
};

constexpr Rgba kTransparent = {0, 0, 0, 0};
constexpr Rgba kBlack = {0, 0, 0, 255};
constexpr Rgba kWhite = {255, 255, 255, 255};
constexpr Rgba kBadgeBlue = {30, 104, 214, 255};
constexpr Rgba kBadgeRim = {16, 64, 150, 255};
constexpr Rgba kCoverBlue = {36, 78, 150, 255};
constexpr Rgba kPageEdge = {90, 90, 96, 255};
constexpr Rgba kPageWhite = {252, 252, 246, 255};
constexpr Rgba kTextLine = {150, 156, 170, 255};
constexpr Rgba kSpine = {60, 46, 40, 255};

// Source-over blend of `top` with coverage `coverage` (0..1) onto `pixel`.
void Blend(Rgba& pixel, Rgba top, double coverage) {
  double a_top = top.a / 255.0 * coverage;
  double a_bottom = pixel.a / 255.0;
  double a_out = a_top + a_bottom * (1 - a_top);
  if (a_out <= 0) {
    pixel = kTransparent;
    return;
  }
  auto mix = [&](uint8_t t, uint8_t b) {
    return static_cast<uint8_t>(std::lround((t * a_top + b * a_bottom * (1 - a_top)) / a_out));
  };
  pixel = {mix(top.r, pixel.r), mix(top.g, pixel.g), mix(top.b, pixel.b),
           static_cast<uint8_t>(std::lround(a_out * 255))};
}

// Paints a shape given by an inside test, with 4 x 4 samples per pixel for smooth edges.
template <typename Inside>
void Fill(Picture& picture, Rgba colour, Inside inside) {
  constexpr int kSamples = 4;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      int hits = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          if (inside(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples)) ++hits;
        }
      }
      if (hits) Blend(picture.At(x, y), colour, hits / double(kSamples * kSamples));
    }
  }
}

// Paints pixel art: `ink` where the art has '#', `fill` where it has 'o'.
void Stamp(Picture& picture, int left, int top, const std::vector<std::string>& art, Rgba ink,
           Rgba fill = kTransparent) {
  for (size_t row = 0; row < art.size(); ++row) {
    for (size_t col = 0; col < art[row].size(); ++col) {
      char c = art[row][col];
      if (c == '#') picture.At(left + int(col), top + int(row)) = ink;
      if (c == 'o') picture.At(left + int(col), top + int(row)) = fill;
    }
  }
}

// --- the open book ----------------------------------------------------------------------------

// The top edge of the left page, rising from the outer edge and dipping into the spine.
double PageTop(double x) { return 9.0 - 3.2 * std::sin(3.14159265 * (x - 2.5) / 13.5); }

Picture DrawBookIcon() {
  Picture picture(32, 32);
  constexpr double kMid = 16.0;
  auto mirrored = [&](double x) { return x < kMid ? x : 2 * kMid - x; };
  // The cover, showing below and beside the pages.
  Fill(picture, kCoverBlue, [&](double x, double y) {
    double m = mirrored(x);
    return m >= 1.0 && y >= PageTop(m) + 3.0 && y <= PageTop(m) + 21.5;
  });
  // The pages: an edge, then the paper inside it.
  Fill(picture, kPageEdge, [&](double x, double y) {
    double m = mirrored(x);
    return m >= 2.5 && y >= PageTop(m) && y <= PageTop(m) + 18.5;
  });
  Fill(picture, kPageWhite, [&](double x, double y) {
    double m = mirrored(x);
    return m >= 3.5 && m <= kMid - 0.6 && y >= PageTop(m) + 1.0 && y <= PageTop(m) + 17.5;
  });
  // Lines of text on both pages.
  for (int line = 0; line < 5; ++line) {
    double offset = 4.0 + 2.8 * line;
    Fill(picture, kTextLine, [&](double x, double y) {
      double m = mirrored(x);
      double d = y - (PageTop(m) + offset);
      return m >= 5.0 && m <= 13.8 && d >= 0 && d < 0.9;
    });
  }
  Fill(picture, kSpine, [&](double x, double y) {
    return std::fabs(x - kMid) < 0.6 && y >= PageTop(kMid - 0.5) && y <= PageTop(kMid) + 19.0;
  });
  return picture;
}

// --- the help picture -------------------------------------------------------------------------

const std::vector<std::string> kQuestionMark = {
    ".####.", "##..##", "....##", "...##.", "..##..", "..##..", "......", "..##..", "..##..",
};

// 帮 and 助, 12 x 12 each.
const std::vector<std::string> kBang = {
    ".#####.####.", "...#...#..#.", ".#####.#.#..", "...#...#..#.", "######.#..#.", "..#....#.##.",
    ".#.....#....", "..########..", "..#..#...#..", "..#..#...#..", "..#..#..##..", ".....#......",
};
const std::vector<std::string> kZhu = {
    "........#...", ".####...#...", ".#..#...#...", ".#..#.######", ".####...#..#", ".#..#...#..#",
    ".#..#...#..#", ".####..#...#", ".#..#..#...#", ".#..#.#....#", "#####.#....#", ".....#...##.",
};

Picture DrawHelpPicture() {
  Picture picture(42, 17);
  constexpr double kCx = 8.0, kCy = 8.5, kRadius = 7.8;
  Fill(picture, kBadgeRim,
       [&](double x, double y) { return std::hypot(x - kCx, y - kCy) <= kRadius; });
  Fill(picture, kBadgeBlue,
       [&](double x, double y) { return std::hypot(x - kCx, y - kCy) <= kRadius - 1.0; });
  Stamp(picture, 5, 4, kQuestionMark, kWhite);
  Stamp(picture, 17, 3, kBang, kBlack);
  Stamp(picture, 30, 3, kZhu, kBlack);
  return picture;
}

// --- the pointing hand ------------------------------------------------------------------------

const std::vector<std::string> kHand = {
    ".....##..........", "....#oo#.........", "....#oo#.........", "....#oo#.........",
    "....#oo#.........", "....#oo###.......", "....#oo#oo###....", "....#oo#oo#oo##..",
    ".##.#oo#oo#oo#o#.", "#oo##oo#oo#oo#o#.", "#ooo#oooooooooo#.", ".#oo#ooooooooooo#",
    "..#ooooooooooooo#", "..#ooooooooooooo#", "...#oooooooooooo#", "...#ooooooooooo#.",
    "....#oooooooooo#.", "....#oooooooooo#.", ".....#oooooooo#..", ".....##########..",
};

Picture DrawPointingHand() {
  Picture picture(32, 32);
  Stamp(picture, 0, 0, kHand, kBlack, kWhite);
  return picture;
}

// --- icon and cursor files ----------------------------------------------------------------

void Put16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// One image, 32 bits per pixel with alpha, and the 1-bit mask for systems that ignore alpha.
// Cursors carry their hot spot where icons carry planes and bit count.
std::vector<uint8_t> EncodeIconFile(const Picture& p, bool cursor, int hot_x, int hot_y) {
  const uint32_t mask_stride = ((p.width + 31) / 32) * 4;
  const uint32_t image_size = 40 + p.width * p.height * 4 + mask_stride * p.height;
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, cursor ? 2 : 1);
  Put16(out, 1);
  out.push_back(uint8_t(p.width));
  out.push_back(uint8_t(p.height));
  out.push_back(0);  // no palette
  out.push_back(0);
  Put16(out, cursor ? hot_x : 1);
  Put16(out, cursor ? hot_y : 32);
  Put32(out, image_size);
  Put32(out, 6 + 16);
  // BITMAPINFOHEADER; the height counts the colour image and the mask.
  Put32(out, 40);
  Put32(out, p.width);
  Put32(out, p.height * 2);
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, 0);
  Put32(out, image_size - 40);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Picture copy = p;
  for (int y = p.height - 1; y >= 0; --y) {  // bottom-up
    for (int x = 0; x < p.width; ++x) {
      Rgba c = copy.At(x, y);
      out.push_back(c.b);
      out.push_back(c.g);
      out.push_back(c.r);
      out.push_back(c.a);
    }
  }
  for (int y = p.height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(mask_stride, 0);
    for (int x = 0; x < p.width; ++x) {
      if (copy.At(x, y).a < 128) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    std::perror(path.c_str());
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = (std::fclose(file) == 0) && ok;
  if (!ok) std::perror(path.c_str());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_pictures OUTPUT_FOLDER\n");
    return 2;
  }
  std::string folder = argv[1];
  bool ok = WriteFile(folder + "/book.ico", EncodeIconFile(DrawBookIcon(), false, 0, 0));
  ok =
      WriteFile(folder + "/help_picture.ico", EncodeIconFile(DrawHelpPicture(), false, 0, 0)) && ok;
  ok = WriteFile(folder + "/pointing_hand.cur", EncodeIconFile(DrawPointingHand(), true, 6, 0)) &&
       ok;
  return ok ? 0 : 1;
}

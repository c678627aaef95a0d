#!/usr/bin/env python3
"""Draws the five skin sprite images and writes them as a C++ pixel table.

Usage: python3 skin/sprite_art.py > skin/sprite_table.cpp

The engine never runs this script: the generated table is committed and is the one source of the
pixels. Change the artwork here, regenerate, and commit both files together.

Colours are handled as (r, g, b) tuples and written as COLORREF values (0x00BBGGRR). The
artwork is a light theme with a blue accent: white and pale blue fills, medium blue outlines,
sky-blue hover and pressed states, low-contrast outlines for disabled states.
"""

KEY = (0xFF, 0x00, 0xFF)
WHITE = (0xFF, 0xFF, 0xFF)


def rgb(colorref):
    return (colorref & 0xFF, (colorref >> 8) & 0xFF, (colorref >> 16) & 0xFF)


def colorref(c):
    return c[0] | (c[1] << 8) | (c[2] << 16)


def blend(a, b, t):
    """a moved by t (0..1) towards b, rounded to nearest."""
    return tuple(int(x + (y - x) * t + 0.5) for x, y in zip(a, b))


def gradient(stops, y):
    """Linear interpolation between (row, colour) stops, clamped at both ends."""
    if y <= stops[0][0]:
        return stops[0][1]
    for (y0, c0), (y1, c1) in zip(stops, stops[1:]):
        if y <= y1:
            return blend(c0, c1, (y - y0) / (y1 - y0))
    return stops[-1][1]


class Image:
    def __init__(self, width, height, fill=WHITE):
        self.width, self.height = width, height
        self.px = [[fill] * width for _ in range(height)]

    def set(self, x, y, c):
        self.px[y][x] = c


# --- Image 1: command button faces, four 7 x 21 frames stacked, nine-slice borders 3 ----------

FACE_STATES = [
    # outline, lighten factor of the inner highlight columns, fill stops (row, rgb)
    dict(outline=rgb(0x00D58F1B), lighten=0.3,
         fill=[(2, (0xF2, 0xF8, 0xFE)), (9, (0xE4, 0xF0, 0xFB)),
               (10, rgb(0x00F9EAD7)), (18, (0xCC, 0xE3, 0xF7))]),
    dict(outline=rgb(0x00D58F1B), lighten=0.3,
         fill=[(2, (0xE8, 0xF5, 0xFF)), (9, (0xD2, 0xEB, 0xFE)),
               (10, (0xBE, 0xE2, 0xFC)), (18, (0xAE, 0xD9, 0xFA))]),
    dict(outline=rgb(0x00D58F1B), lighten=0.15,
         fill=[(2, (0xA6, 0xD2, 0xF5)), (9, (0xB0, 0xD8, 0xF7)),
               (10, (0xB8, 0xDC, 0xF8)), (18, (0xC4, 0xE3, 0xFA))]),
    dict(outline=rgb(0x00E8C387), lighten=0.22,
         fill=[(2, (0xF6, 0xFA, 0xFD)), (9, (0xEC, 0xF5, 0xFB)),
               (10, rgb(0x00FAF1E5)), (18, (0xDE, 0xED, 0xF8))]),
]
# The rounded top and bottom edge of the enabled faces, left half (mirrored on the right).
FACE_EDGE = [rgb(0x00F9E1BF), rgb(0x00E3B36B), rgb(0x00D8972C)]


def draw_face(img, top, state):
    s = FACE_STATES[state]
    outline = s["outline"]
    if state < 3:
        edge = FACE_EDGE
    else:
        edge = [blend(WHITE, outline, t) for t in (0.2, 0.65, 0.95)]

    def fill(y):
        return gradient(s["fill"], y)

    def highlight(y):
        return blend(fill(y), WHITE, s["lighten"])

    for y in range(21):
        for x in range(7):
            col = min(x, 6 - x)          # distance from the nearer side
            row = min(y, 20 - y)         # distance from the nearer end
            if row == 0:
                c = edge[col] if col < 3 else outline
            elif col == 0:
                c = edge[row] if row < 3 else outline
            elif y == 1:
                # inner top line: a highlight, or a shadow when pressed
                inner = blend(fill(2), outline, 0.25) if state == 2 else blend(fill(2), WHITE, 0.6)
                c = blend(outline, inner, 0.5) if col == 1 else inner
            elif y == 19:
                inner = blend(fill(18), outline, 0.15)
                c = blend(outline, inner, 0.5) if col == 1 else inner
            elif col == 1:
                c = highlight(y)
            else:
                c = fill(y)
            img.set(x, top + y, c)


def image1():
    img = Image(7, 84)
    for state in range(4):
        draw_face(img, 21 * state, state)
    return img


# --- Image 2: drop-down button strips and arrows ----------------------------------------------

STRIP_OUTLINE = rgb(0x00D1A04E)
DROP_STRIPS = [
    [(1, (0xEA, 0xF5, 0xFF)), (8, (0xD4, 0xEC, 0xFE)), (9, (0xC0, 0xE3, 0xFC)), (16, (0xB0, 0xDA, 0xFA))],
    [(1, (0xA8, 0xD3, 0xF5)), (8, (0xB2, 0xD9, 0xF7)), (9, (0xBA, 0xDD, 0xF8)), (16, (0xC6, 0xE4, 0xFA))],
]
ARROW_ENABLED = rgb(0x005F5519)
ARROW_DISABLED = rgb(0x00ACA584)


def image2():
    img = Image(15, 18, KEY)
    for i, stops in enumerate(DROP_STRIPS):
        left = 4 * i
        for y in range(18):
            fill = gradient(stops, y)
            for x in range(4):
                if x == 0:
                    c = STRIP_OUTLINE
                elif y == 0:
                    c = blend(STRIP_OUTLINE, WHITE, 0.45)
                elif y == 17:
                    c = blend(fill, STRIP_OUTLINE, 0.35)
                elif x == 1:
                    c = blend(fill, WHITE, 0.5)
                elif x == 3:
                    c = blend(fill, STRIP_OUTLINE, 0.12)
                else:
                    c = fill
                img.set(left + x, y, c)
    for top, colour in ((0, ARROW_ENABLED), (4, ARROW_DISABLED)):
        for row in range(4):
            for x in range(row, 7 - row):
                img.set(8 + x, top + row, colour)
    return img


# --- Image 3: check mark, indeterminate square, option dot; enabled left, disabled at +9 ------

CHECK_MARK = [
    ".......##",
    "......###",
    ".....###.",
    "#...###..",
    "##.###...",
    "#####....",
    ".###.....",
    "..#......",
]
GLYPH_TONES = [  # top and bottom colour of each glyph, enabled then disabled
    dict(check=((0x3A, 0x78, 0xC8), (0x1A, 0x4C, 0x96)),
         square=((0x5C, 0x9C, 0xE2), (0x2E, 0x70, 0xC6)), square_rim=(0x2A, 0x64, 0xB4),
         dot=((0x70, 0xAE, 0xEE), (0x2A, 0x6C, 0xC2)), dot_rim=(0x1F, 0x5C, 0xAE)),
    dict(check=((0xBC, 0xCA, 0xDA), (0xA4, 0xB4, 0xC8)),
         square=((0xD2, 0xDC, 0xE8), (0xBE, 0xCB, 0xDB)), square_rim=(0xB0, 0xBF, 0xD2),
         dot=((0xD4, 0xDE, 0xEA), (0xBC, 0xC9, 0xDA)), dot_rim=(0xAE, 0xBD, 0xD0)),
]


def image3():
    img = Image(18, 24, KEY)
    for side, tones in enumerate(GLYPH_TONES):
        dx = 9 * side
        top, bottom = tones["check"]
        for y, line in enumerate(CHECK_MARK):
            for x, ch in enumerate(line):
                if ch == "#":
                    img.set(dx + x, y, blend(top, bottom, y / 7))
        top, bottom = tones["square"]
        for y in range(7):
            for x in range(7):
                rim = x in (0, 6) or y in (0, 6)
                c = tones["square_rim"] if rim else blend(top, bottom, (y - 1) / 4)
                img.set(dx + 1 + x, 9 + y, c)
        top, bottom = tones["dot"]
        for y in range(5):
            for x in range(5):
                if x in (0, 4) and y in (0, 4):
                    continue                     # rounded: the corners stay transparent
                rim = x in (0, 4) or y in (0, 4)
                c = tones["dot_rim"] if rim else blend(top, bottom, (y - 1) / 2)
                img.set(dx + 2 + x, 18 + y, c)
    return img


# --- Image 4: option button circles, four 13 x 13 frames stacked ------------------------------

CIRCLES = [
    dict(outline=rgb(0x00D2A683), rim1=rgb(0x00FAF7F3), rim2=rgb(0x00FEFEFD),
         fill=[(0, WHITE), (12, WHITE)]),
    dict(outline=(0x3C, 0x9A, 0xE6), rim1=(0xD8, 0xEC, 0xFD), rim2=(0xE4, 0xF2, 0xFE),
         fill=[(2, (0xEA, 0xF5, 0xFF)), (10, (0xC8, 0xE5, 0xFC))]),
    dict(outline=rgb(0x00C18964), rim1=(0x9A, 0xC6, 0xEE), rim2=(0xAE, 0xD4, 0xF4),
         fill=[(2, (0xB8, 0xDA, 0xF7)), (10, (0xA0, 0xCC, 0xF4))]),
    dict(outline=rgb(0x00E8D2C1), rim1=(0xF6, 0xF8, 0xFB), rim2=(0xFB, 0xFC, 0xFD),
         fill=[(0, (0xFB, 0xFC, 0xFD)), (12, (0xF6, 0xF8, 0xFB))]),
]
CIRCLE_RADIUS = 6.55        # a touch over 6.5 so the middle pixel of each side is solid outline
CORNER_KEY = [(0, 0), (1, 0), (2, 0), (0, 1), (1, 1), (0, 2)]


def circle_coverage(x, y, n=8):
    inside = 0
    for sy in range(n):
        for sx in range(n):
            px, py = x + (sx + 0.5) / n - 6.5, y + (sy + 0.5) / n - 6.5
            inside += px * px + py * py <= CIRCLE_RADIUS ** 2
    return inside / (n * n)


def corner_key(x, y):
    cx, cy = min(x, 12 - x), min(y, 12 - y)
    return (cx, cy) in CORNER_KEY


def image4():
    img = Image(13, 52)
    for state, s in enumerate(CIRCLES):
        for y in range(13):
            for x in range(13):
                if corner_key(x, y):
                    c = KEY
                else:
                    d = ((x - 6) ** 2 + (y - 6) ** 2) ** 0.5
                    if d >= 5.5:
                        c = blend(WHITE, s["outline"], circle_coverage(x, y))
                    elif d >= 4.5:
                        c = s["rim1"]
                    elif d >= 3.5:
                        c = s["rim2"]
                    else:
                        c = gradient(s["fill"], y)
                img.set(x, 13 * state + y, c)
    return img


# --- Image 5: header item strips, three 3 x 20 side by side -----------------------------------

HEADER_BOTTOM = rgb(0x00F2DAC0)
HEADER_STRIPS = [
    dict(fill=[(1, WHITE), (18, (0xEC, 0xF4, 0xFC))], side=(0xD5, 0xE3, 0xF1), top=(0xFA, 0xFC, 0xFE)),
    dict(fill=[(1, (0xEE, 0xF7, 0xFF)), (18, (0xCF, 0xE8, 0xFD))], side=(0xA8, 0xD2, 0xF4),
         top=(0xA8, 0xD2, 0xF4)),
    dict(fill=[(1, (0xB4, 0xD8, 0xF6)), (18, (0xC8, 0xE2, 0xF9))], side=(0x8A, 0xBE, 0xEA),
         top=(0x9E, 0xC8, 0xEE)),
]


def image5():
    img = Image(9, 20)
    for i, s in enumerate(HEADER_STRIPS):
        for y in range(20):
            fill = gradient(s["fill"], y)
            for x in range(3):
                if y == 19:
                    c = HEADER_BOTTOM
                elif y == 0:
                    c = s["top"] if (i > 0 or x == 1) else WHITE
                elif i == 0 and x == 0:
                    c = WHITE                   # highlight left of the separator
                elif i == 0 and x == 2:
                    # separator line, fading out towards the top and bottom
                    c = s["side"] if 3 <= y <= 16 else blend(fill, s["side"], 0.4)
                elif x in (0, 2):
                    c = s["side"]
                else:
                    c = fill
                img.set(3 * i + x, y, c)
    return img


# --- checks of the fixed layout, then output --------------------------------------------------

def check(images):
    i1, i2, i3, i4, i5 = images
    sizes = [(img.width, img.height) for img in images]
    assert sizes == [(7, 84), (15, 18), (18, 24), (13, 52), (9, 20)], sizes
    top_row = [0x00F9E1BF, 0x00E3B36B, 0x00D8972C, 0x00D58F1B, 0x00D8972C, 0x00E3B36B, 0x00F9E1BF]
    for f in range(3):
        assert [colorref(c) for c in i1.px[21 * f]] == top_row
        for y in range(3, 18):
            assert colorref(i1.px[21 * f + y][0]) == colorref(i1.px[21 * f + y][6]) == 0x00D58F1B
    assert [colorref(c) for c in i1.px[10]] == [0x00D58F1B, 0x00FBF0E3] + [0x00F9EAD7] * 3 + [0x00FBF0E3, 0x00D58F1B]
    assert [colorref(c) for c in i1.px[63 + 10]] == [0x00E8C387, 0x00FBF4EB] + [0x00FAF1E5] * 3 + [0x00FBF4EB, 0x00E8C387]
    assert all(colorref(i2.px[y][x]) == 0x00D1A04E for y in range(18) for x in (0, 4))
    assert [colorref(c) for c in i4.px[6]] == [0x00D2A683, 0x00FAF7F3, 0x00FEFEFD] + [0x00FFFFFF] * 7 + [0x00FEFEFD, 0x00FAF7F3, 0x00D2A683]
    assert colorref(i4.px[26 + 6][0]) == colorref(i4.px[26 + 6][12]) == 0x00C18964
    assert colorref(i4.px[39 + 6][0]) == colorref(i4.px[39 + 6][12]) == 0x00E8D2C1
    assert all(colorref(c) == 0x00F2DAC0 for c in i5.px[19])
    keys = [sum(c == KEY for row in img.px for c in row) for img in images]
    assert keys == [0, 94, 240, 96, 0], keys


def main():
    images = [image1(), image2(), image3(), image4(), image5()]
    check(images)
    out = ["// Generated by skin/sprite_art.py; edit the script, not this file.",
           "// The pixels of the five skin sprite images, row by row, as COLORREF values (0x00BBGGRR).",
           "",
           '#include "skin/sprite_table.h"',
           ""]
    for n, img in enumerate(images, 1):
        out.append(f"static const std::uint32_t kImage{n}[{img.width * img.height}] = {{")
        for y, row in enumerate(img.px):
            out.append("    " + ", ".join(f"0x{colorref(c):08X}" for c in row) + ",")
        out.append("};")
        out.append("")
    out.append("const SpriteImageData kSpriteImageData[kSpriteImageCount] = {")
    for n, img in enumerate(images, 1):
        out.append(f"    {{{img.width}, {img.height}, kImage{n}}},")
    out.append("};")
    print("\n".join(out))


if __name__ == "__main__":
    main()

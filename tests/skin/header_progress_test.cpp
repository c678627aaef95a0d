// Headers and progress bars on real common controls: every item piece and its text against a
// picture composed from the sprite, the single-item repaint, and the bar's fill and frame at the
// positions where rounding decides a pixel.

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "paint_test_support.h"
#include "skin/paint/header_bar.h"
#include "skin/paint/progress_bar.h"
#include "skin/skinner.h"
#include "skin_test_support.h"

namespace {

using painttest::RingIs;
using painttest::WindowPixels;

constexpr char kProgressClass[] = "ProgressBar20WndClass";
constexpr int kHeaderWidth = 300;
constexpr int kHeaderHeight = 24;

struct HeaderItem {
  const char* Text;
  int Width;
};
// The second text is Chinese in the ANSI code page (GBK); the third item has no text.
const HeaderItem kItems[] = {{"Name", 80}, {"\xB4\xF3\xD0\xA1", 70}, {"", 60}, {"Type", 50}};
constexpr int kItemCount = 4;

struct Header {
  painttest::Skinned S;
  HFONT Font;
};

Header MakeHeader() {
  InitCommonControls();
  Header h;
  h.S.Form = skintest::CreateForm(kHeaderWidth + 80, 120, "header");
  h.S.Control = skintest::CreateChild(h.S.Form, WC_HEADERA, "", HDS_HORZ, 20, 20, kHeaderWidth,
                                      kHeaderHeight);
  h.Font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  SendMessageA(h.S.Control, WM_SETFONT, reinterpret_cast<WPARAM>(h.Font), FALSE);
  for (int i = 0; i < kItemCount; ++i) {
    HDITEMA item{};
    item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
    item.fmt = HDF_LEFT | HDF_STRING;
    item.cxy = kItems[i].Width;
    item.pszText = const_cast<char*>(kItems[i].Text);
    SendMessageA(h.S.Control, HDM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
  }
  AttachSkin(h.S.Form);
  skintest::Pump(30);
  return h;
}

int ItemLeft(int index) {
  int left = 0;
  for (int i = 0; i < index; ++i) left += kItems[i].Width;
  return left;
}

// What an item must look like: its piece in the header's height, and its text centred in the
// header's font, composed independently of the painters.
std::vector<COLORREF> ExpectedItem(const Header& h, int index, int state) {
  const int width = kItems[index].Width;
  HDC canvas = CreateCanvas(width, kHeaderHeight);
  DrawSpritePiece(canvas, 0, 0, width, kHeaderHeight, SkinImage5, 3 * state, 0, 3, 20, 1, 1, 1, 1);
  HGDIOBJ old = SelectObject(canvas, h.Font);
  SetBkMode(canvas, TRANSPARENT);
  RECT box{0, 0, width, kHeaderHeight};
  if (kItems[index].Text[0]) DrawTextA(canvas, kItems[index].Text, -1, &box, CaptionFormat);
  std::vector<COLORREF> pixels = skintest::ReadPixels(canvas, 0, 0, width, kHeaderHeight);
  SelectObject(canvas, old);
  ReleaseCanvas(canvas);
  return pixels;
}

std::vector<COLORREF> ShownItem(const Header& h, int index) {
  return WindowPixels(h.S.Control, ItemLeft(index), 0, kItems[index].Width, kHeaderHeight);
}

void RepaintHeader(const Header& h, LONG_PTR pressed, LONG_PTR hover) {
  SetSkinProp(h.S.Control, kPropHdIndex, pressed);
  SetSkinProp(h.S.Control, kPropHmIndex, hover);
  InvalidateRect(h.S.Control, nullptr, FALSE);
  UpdateWindow(h.S.Control);
}

TEST(HeaderBar, ItemsShowNormalHoverAndPressedPiecesWithTheirTexts) {
  Header h = MakeHeader();
  ASSERT_EQ(GetSkinProp(h.S.Control, kPropHdIndex), -1);
  // The three pieces differ where the checks below look, so a wrong piece cannot pass.
  ASSERT_NE(ExpectedItem(h, 2, 0), ExpectedItem(h, 2, 1));
  ASSERT_NE(ExpectedItem(h, 2, 1), ExpectedItem(h, 2, 2));

  const struct {
    LONG_PTR Pressed, Hover;
    int States[kItemCount];
  } cases[] = {
      {-1, -1, {0, 0, 0, 0}},
      {-1, 2, {0, 0, 1, 0}},
      {2, 2, {0, 0, 2, 0}},  // pressed wins over hover
      {0, 1, {2, 1, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("pressed " + std::to_string(c.Pressed) + " hover " + std::to_string(c.Hover));
    RepaintHeader(h, c.Pressed, c.Hover);
    for (int i = 0; i < kItemCount; ++i) {
      EXPECT_EQ(ShownItem(h, i), ExpectedItem(h, i, c.States[i])) << "item " << i;
    }
  }
  // Right of the last item: the background column, stretched.
  const int rest = ItemLeft(kItemCount);
  const std::vector<COLORREF> background =
      WindowPixels(h.S.Control, rest, 0, kHeaderWidth - rest, kHeaderHeight);
  EXPECT_EQ(background.front(), GetPixel(SkinImage5, 1, 0));
  EXPECT_EQ(background.back(), GetPixel(SkinImage5, 1, 19));
  painttest::Close(h.S);
}

TEST(HeaderBar, ItemTextsAreTheirOwnCentredInTheHeadersFont) {
  Header h = MakeHeader();
  RepaintHeader(h, -1, -1);
  // The text comes back through a zeroed buffer of 256; drawn with anything of the buffer
  // beyond the text, or in another font, it would not match the item's own text centred.
  for (int i : {0, 1, 3}) {
    const std::vector<COLORREF> shown = ShownItem(h, i);
    EXPECT_EQ(shown, ExpectedItem(h, i, 0)) << "item " << i;
    HDC canvas = CreateCanvas(kItems[i].Width, kHeaderHeight);
    DrawSpritePiece(canvas, 0, 0, kItems[i].Width, kHeaderHeight, SkinImage5, 0, 0, 3, 20, 1, 1, 1,
                    1);
    EXPECT_NE(shown, skintest::ReadPixels(canvas, 0, 0, kItems[i].Width, kHeaderHeight))
        << "item " << i << " shows no text";
    ReleaseCanvas(canvas);
  }
  painttest::Close(h.S);
}

TEST(PaintHeaderItem, RepaintsOneItemAndNegativeIndexDrawsNothing) {
  Header h = MakeHeader();
  RepaintHeader(h, -1, -1);
  const std::vector<COLORREF> first = ShownItem(h, 0);
  EXPECT_EQ(PaintHeaderItem(h.S.Control, nullptr, 1, kHeaderItemHover), 0);
  EXPECT_EQ(ShownItem(h, 1), ExpectedItem(h, 1, 1));
  EXPECT_EQ(ShownItem(h, 0), first);
  PaintHeaderItem(h.S.Control, nullptr, 1, 7);  // any other value is the normal piece
  EXPECT_EQ(ShownItem(h, 1), ExpectedItem(h, 1, 0));

  painttest::Mark(h.S.Control, 0, 0, kHeaderWidth, kHeaderHeight);
  EXPECT_EQ(PaintHeaderItem(h.S.Control, nullptr, -1, kHeaderItemPressed), 0);
  for (COLORREF c : WindowPixels(h.S.Control, 0, 0, kHeaderWidth, kHeaderHeight)) {
    ASSERT_EQ(c, painttest::kMarker);
  }
  painttest::Close(h.S);
}

// Progress bars: a WS_BORDER bar has a one-pixel non-client border, so its client area is the
// window less two pixels each way.
struct Bar {
  painttest::Skinned S;
  int ClientWidth;
  int ClientHeight;
};

Bar MakeBar(DWORD style, int clientWidth, int clientHeight) {
  InitCommonControls();
  painttest::RegisterSuperclass(kProgressClass, PROGRESS_CLASSA);
  Bar b;
  b.S = painttest::MakeSkinned(kProgressClass, "", style | WS_BORDER, clientWidth + 2,
                               clientHeight + 2);
  RECT client{};
  GetClientRect(b.S.Control, &client);
  b.ClientWidth = client.right;
  b.ClientHeight = client.bottom;
  SendMessageA(b.S.Control, PBM_SETRANGE32, 0, kProgressFullScale);
  return b;
}

void SetPosition(const Bar& b, int position) {
  SendMessageA(b.S.Control, PBM_SETPOS, position, 0);
  InvalidateRect(b.S.Control, nullptr, FALSE);
  UpdateWindow(b.S.Control);
}

std::vector<COLORREF> ClientPixels(const Bar& b) {
  HDC dc = GetDC(b.S.Control);
  std::vector<COLORREF> pixels = skintest::ReadPixels(dc, 0, 0, b.ClientWidth, b.ClientHeight);
  ReleaseDC(b.S.Control, dc);
  return pixels;
}

// Filled columns counted from the left, when every row shows the same fill and the rest white.
int FilledColumns(const std::vector<COLORREF>& pixels, int width, int height) {
  int filled = 0;
  while (filled < width && pixels[filled] == SkinProgressColour) ++filled;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const COLORREF expected = x < filled ? SkinProgressColour : SkinWhite;
      if (pixels[static_cast<size_t>(y) * width + x] != expected) return -1;
    }
  }
  return filled;
}

TEST(ProgressBar, HorizontalFillAtZeroHalfAndFullScale) {
  Bar b = MakeBar(0, 101, 18);
  ASSERT_EQ(b.ClientWidth, 101);
  // 15000 / 30000 x 101 = 50.5, which goes to the even 50.
  for (const auto& c : {std::pair<int, int>{0, 0}, {15000, 50}, {30000, 101}, {1, 0}}) {
    SetPosition(b, c.first);
    EXPECT_EQ(FilledColumns(ClientPixels(b), b.ClientWidth, b.ClientHeight), c.second)
        << "position " << c.first;
  }
  // The frame picture: the same fill, shifted by the border, inside a one-pixel frame.
  SetPosition(b, 15000);
  SendMessageA(b.S.Control, WM_NCPAINT, 1, 0);
  EXPECT_TRUE(RingIs(b.S.Control, 0, 0, 103, 20, SkinBorderColour));
  const std::vector<COLORREF> row = WindowPixels(b.S.Control, 1, 9, 101, 1);
  EXPECT_EQ(FilledColumns(row, 101, 1), 50);

  // The full scale is 30000 whatever the control's range: 100 of 0..100 is a third of a pixel.
  SendMessageA(b.S.Control, PBM_SETRANGE32, 0, 100);
  SetPosition(b, 100);
  EXPECT_EQ(FilledColumns(ClientPixels(b), b.ClientWidth, b.ClientHeight), 0);
  painttest::Close(b.S);
}

TEST(ProgressBar, VerticalFillLeavesTheLastClientRowWhiteButNotTheFramePicture) {
  for (DWORD smooth : {0ul, static_cast<unsigned long>(PBS_SMOOTH)}) {
    SCOPED_TRACE(smooth ? "smooth" : "segmented");
    Bar b = MakeBar(PBS_VERTICAL | smooth, 20, 21);
    ASSERT_EQ(b.ClientHeight, 21);
    // 21 - 10.5 and 10.5 both go to 10: rows 10..19 filled, row 20 white.
    SetPosition(b, 15000);
    const std::vector<COLORREF> client = ClientPixels(b);
    for (int y = 0; y < 21; ++y) {
      const COLORREF expected = y >= 10 && y < 20 ? SkinProgressColour : SkinWhite;
      EXPECT_EQ(client[static_cast<size_t>(y) * 20 + 7], expected) << "client row " << y;
    }
    // The frame picture fills down to the client's last row, for segmented bars too.
    SendMessageA(b.S.Control, WM_NCPAINT, 1, 0);
    EXPECT_TRUE(RingIs(b.S.Control, 0, 0, 22, 23, SkinBorderColour));
    const std::vector<COLORREF> column = WindowPixels(b.S.Control, 8, 1, 1, 21);
    for (int y = 0; y < 21; ++y) {
      EXPECT_EQ(column[y], y >= 10 ? SkinProgressColour : SkinWhite) << "frame row " << y;
    }
    SetPosition(b, 30000);
    const std::vector<COLORREF> full = ClientPixels(b);
    EXPECT_EQ(std::count(full.begin(), full.end(), SkinProgressColour), 20 * 21);
    painttest::Close(b.S);
  }
}

TEST(ProgressBar, DisabledBarKeepsTheBorderColourAndResizedBarUsesItsNewSize) {
  Bar b = MakeBar(0, 101, 18);
  SetPosition(b, 15000);
  EnableWindow(b.S.Control, FALSE);
  SendMessageA(b.S.Control, WM_NCPAINT, 1, 0);
  EXPECT_TRUE(RingIs(b.S.Control, 0, 0, 103, 20, SkinBorderColour));
  EnableWindow(b.S.Control, TRUE);
  SetWindowPos(b.S.Form, nullptr, 0, 0, 400, 200, SWP_NOMOVE | SWP_NOZORDER);
  // Wider by 100: 15000 of 201 pixels is 100.5, which goes to 100.
  SetWindowPos(b.S.Control, nullptr, 0, 0, 203, 20, SWP_NOMOVE | SWP_NOZORDER);
  b.ClientWidth = 201;
  UpdateWindow(b.S.Control);
  SetPosition(b, 15000);
  EXPECT_EQ(FilledColumns(ClientPixels(b), 201, b.ClientHeight), 100);
  painttest::Close(b.S);
}

}  // namespace

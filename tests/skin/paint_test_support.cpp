#include "paint_test_support.h"

#include <map>

#include "skin/skinner.h"
#include "skin_test_support.h"

namespace painttest {
namespace {

constexpr char kReportedCheck[] = "TESTCHECK";

std::map<std::string, WNDPROC>& BaseProcedures() {
  static std::map<std::string, WNDPROC> procedures;
  return procedures;
}

LRESULT CALLBACK SuperclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == BM_GETCHECK) {
    if (HANDLE reported = GetPropA(window, kReportedCheck)) {
      return reinterpret_cast<LRESULT>(reported) - 1;
    }
  }
  const WNDPROC base = BaseProcedures()[GetWindowClassName(window)];
  return CallWindowProcA(base, window, message, wParam, lParam);
}

}  // namespace

void RegisterSuperclass(const char* name, const char* base) {
  if (BaseProcedures().count(name)) return;
  WNDCLASSA info{};
  GetClassInfoA(nullptr, base, &info);
  BaseProcedures()[name] = info.lpfnWndProc;
  info.lpfnWndProc = SuperclassProc;
  info.hInstance = GetModuleHandleA(nullptr);
  info.lpszClassName = name;
  info.style &= ~CS_GLOBALCLASS;
  RegisterClassA(&info);
}

void SetReportedCheck(HWND window, int check) {
  SetPropA(window, kReportedCheck, reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(check) + 1));
}

Skinned MakeSkinned(const char* className, const char* text, DWORD style, int width, int height,
                    DWORD exStyle) {
  Skinned s;
  s.Form = skintest::CreateForm(width + 80, height + 80, "painter");
  s.Control = skintest::CreateChild(s.Form, className, text, style, 20, 20, width, height, exStyle);
  AttachSkin(s.Form);
  skintest::Pump(30);
  return s;
}

void Close(const Skinned& s) {
  DetachSkin(s.Form);
  DestroyWindow(s.Form);
}

std::vector<COLORREF> Crop(const std::vector<COLORREF>& pixels, int stride, int x, int y, int width,
                           int height) {
  std::vector<COLORREF> part;
  for (int row = y; row < y + height; ++row) {
    for (int col = x; col < x + width; ++col) {
      part.push_back(pixels[static_cast<size_t>(row) * stride + col]);
    }
  }
  return part;
}

std::vector<COLORREF> WindowPixels(HWND window, int x, int y, int width, int height) {
  HDC dc = GetWindowDC(window);
  std::vector<COLORREF> pixels = skintest::ReadPixels(dc, x, y, width, height);
  ReleaseDC(window, dc);
  return pixels;
}

int CompareKeyedPiece(HWND window, int x, int y, HDC image, int sx, int sy, int w, int h,
                      const std::vector<COLORREF>& under, std::string* report) {
  const std::vector<COLORREF> shown = WindowPixels(window, x, y, w, h);
  int differences = 0;
  for (int row = 0; row < h; ++row) {
    for (int col = 0; col < w; ++col) {
      const COLORREF sprite = GetPixel(image, sx + col, sy + row);
      const size_t i = static_cast<size_t>(row) * w + col;
      const COLORREF expected = sprite == SkinKeyColour ? under[i] : sprite;
      if (shown[i] == expected) continue;
      if (differences++ == 0 && report) {
        char text[128];
        wsprintfA(text, "(%d,%d) shows %06X, expected %06X", col, row, shown[i], expected);
        *report = text;
      }
    }
  }
  return differences;
}

bool RingIs(HWND window, int x, int y, int width, int height, COLORREF colour) {
  const std::vector<COLORREF> pixels = WindowPixels(window, x, y, width, height);
  for (int row = 0; row < height; ++row) {
    for (int col = 0; col < width; ++col) {
      const bool onRing = row == 0 || row == height - 1 || col == 0 || col == width - 1;
      if (onRing && pixels[static_cast<size_t>(row) * width + col] != colour) return false;
    }
  }
  return true;
}

void Mark(HWND window, int x, int y, int width, int height) {
  HDC dc = GetWindowDC(window);
  FillBox(dc, x, y, width, height, kMarker);
  ReleaseDC(window, dc);
}

}  // namespace painttest

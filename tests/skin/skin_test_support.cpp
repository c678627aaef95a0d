#include "skin_test_support.h"

#include "skin/record.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace skintest {
namespace {

constexpr char kFormClass[] = "Form";
constexpr char kPlainClass[] = "SkinPlainTest";
// GDI handles carry a table index in their low 16 bits; the census asks for each index.
constexpr unsigned kFirstGdiIndex = 0x20;
constexpr unsigned kGdiIndexCount = 0x10000;

FormLog gLog;
std::map<HWND, LONG_PTR> gChildProcs;

BOOL CALLBACK CheckChildAtDestroy(HWND child, LPARAM) {
  if (GetPropA(child, "PROCADDR")) ++gLog.ChildrenStillSkinned;
  auto known = gChildProcs.find(child);
  if (known != gChildProcs.end() && GetWindowLongPtrA(child, GWLP_WNDPROC) != known->second) {
    ++gLog.ChildrenWithForeignProc;
  }
  return TRUE;
}

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOUSELEAVE:
      ++gLog.MouseLeaveCount;
      return 0;
    case WM_COMMAND:
    case WM_SETTEXT:
    case WM_ENTERIDLE:
      gLog.LastMessage = message;
      gLog.LastWParam = wParam;
      gLog.LastLParam = lParam;
      if (message == WM_SETTEXT) DefWindowProcA(window, message, wParam, lParam);
      return kRecordedResult;
    case WM_DESTROY:
      gLog.DestroySeen = true;
      EnumChildWindows(window, CheckChildAtDestroy, 0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void RegisterClassOnce(const char* name) {
  WNDCLASSA wc{};
  if (GetClassInfoA(GetModuleHandleA(nullptr), name, &wc)) return;
  wc.lpfnWndProc = RecordingProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name;
  RegisterClassA(&wc);
}

BOOL CALLBACK CollectDescendant(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

BOOL CALLBACK RememberChildProc(HWND child, LPARAM) {
  gChildProcs[child] = GetWindowLongPtrA(child, GWLP_WNDPROC);
  return TRUE;
}

}  // namespace

void Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  MSG msg;
  do {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  } while (GetTickCount() - start < ms);
}

HWND CreateForm(int width, int height, const char* caption) {
  RegisterClassOnce(kFormClass);
  HWND form = CreateWindowExA(0, kFormClass, caption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                              width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  Pump(20);
  return form;
}

HWND CreatePlainWindow() {
  RegisterClassOnce(kPlainClass);
  HWND window = CreateWindowExA(0, kPlainClass, "plain", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60,
                                200, 120, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  Pump(10);
  return window;
}

HWND CreateChild(HWND parent, const char* className, const char* text, DWORD style, int x, int y,
                 int width, int height, DWORD exStyle) {
  return CreateWindowExA(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width,
                         height, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
}

FormLog& Log() { return gLog; }

void RememberChildProcedures(HWND form) {
  gChildProcs.clear();
  EnumChildWindows(form, RememberChildProc, 0);
}

std::vector<HWND> Descendants(HWND window) {
  std::vector<HWND> list;
  EnumChildWindows(window, CollectDescendant, reinterpret_cast<LPARAM>(&list));
  return list;
}

bool HasProp(HWND window, const char* name) { return GetPropA(window, name) != nullptr; }

namespace {

const char* const kEnginePropNames[] = {
    "0BMP",       "0HDC",    "1BMP",    "1HDC",      "2BMP",     "2HDC",     "3BMP",     "3HDC",
    "ALPHALEVEL", "HDINDEX", "HMINDEX", "MOUSEFLAG", "OLDSTATE", "OLDSTYLE", "PROCADDR", "TIMERID"};

BOOL CALLBACK CollectPropName(HWND, LPSTR name, HANDLE, ULONG_PTR list) {
  // Atom-named properties of the system have no string name.
  if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) == 0) return TRUE;
  for (const char* known : kEnginePropNames) {
    if (lstrcmpiA(known, name) == 0) {
      reinterpret_cast<std::vector<std::string>*>(list)->push_back(known);
    }
  }
  return TRUE;
}

}  // namespace

std::vector<std::string> EnginePropNames(HWND window) {
  std::vector<std::string> names;
  EnumPropsExA(window, CollectPropName, reinterpret_cast<LPARAM>(&names));
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<COLORREF> ReadPixels(HDC dc, int x, int y, int width, int height) {
  std::vector<COLORREF> pixels;
  pixels.reserve(static_cast<size_t>(width) * height);
  for (int row = 0; row < height; ++row) {
    for (int col = 0; col < width; ++col) pixels.push_back(GetPixel(dc, x + col, y + row));
  }
  return pixels;
}

SIZE SelectedBitmapSize(HDC dc) {
  BITMAP info{};
  GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof info, &info);
  return SIZE{info.bmWidth, info.bmHeight};
}

int CountGdiObjects() {
  DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (counted != 0) return static_cast<int>(counted);
  int census = 0;
  for (unsigned index = 0; index < kGdiIndexCount; ++index) {
    HGDIOBJ handle = reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(kFirstGdiIndex + index));
    if (GetObjectType(handle) != 0) ++census;
  }
  return census;
}

bool SaveWindowBitmap(HWND window, const std::string& path) {
  RECT rect{};
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  HDC windowDc = GetWindowDC(window);
  HDC memory = CreateCompatibleDC(windowDc);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
  GdiFlush();
  const int stride = (width * 3 + 3) & ~3;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + stride * height;
  bool ok = false;
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
    std::fwrite(bits, static_cast<size_t>(stride) * height, 1, out);
    ok = std::fclose(out) == 0;
  }
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(window, windowDc);
  return ok;
}

namespace {

BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM found) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CountSkinnedButton(HWND child, LPARAM count) {
  if (GetControlKind(child) == ControlKind::CommandButton && GetPropA(child, "PROCADDR")) {
    ++*reinterpret_cast<int*>(count);
  }
  return TRUE;
}

}  // namespace

HWND WaitForDialogOfThread(DWORD thread, DWORD timeout_ms) {
  HWND box = nullptr;
  for (DWORD start = GetTickCount(); !box && GetTickCount() - start < timeout_ms; Sleep(10)) {
    EnumThreadWindows(thread, FindVisibleDialog, reinterpret_cast<LPARAM>(&box));
  }
  return box;
}

int CountSkinnedButtons(HWND window) {
  int count = 0;
  EnumChildWindows(window, CountSkinnedButton, reinterpret_cast<LPARAM>(&count));
  return count;
}

}  // namespace skintest

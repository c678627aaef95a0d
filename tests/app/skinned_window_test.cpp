// Form1 under the skin engine, loaded and unloaded through its own handlers in this process:
// which windows carry the skin, the boxes and the folder dialog it opens, and the looks a user
// sees when moving over, pressing and tabbing through the buttons.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "skin/skinner.h"
#include "tests/app/dialog_watch.h"

namespace {

using apptest::PumpUntil;

constexpr int kCommand1 = 1001, kCommand2 = 1002, kImage1 = 1006;

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

std::vector<HWND> WindowAndDescendants(HWND window) {
  std::vector<HWND> all{window};
  EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&all));
  return all;
}

BOOL CALLBACK CountSkinProperty(HWND, LPSTR name, HANDLE, ULONG_PTR count) {
  // Atoms and the system's own properties come as integers or other names.
  if (!IS_INTRESOURCE(name)) {
    static const char* const kNames[] = {"PROCADDR",   "OLDSTATE", "OLDSTYLE", "MOUSEFLAG",
                                         "ALPHALEVEL", "TIMERID",  "HDINDEX",  "HMINDEX",
                                         "0HDC",       "1HDC",     "2HDC",     "3HDC",
                                         "0BMP",       "1BMP",     "2BMP",     "3BMP"};
    for (const char* skin_name : kNames)
      if (!lstrcmpiA(name, skin_name)) ++*reinterpret_cast<int*>(count);
  }
  return TRUE;
}

int SkinPropertyCount(HWND window) {
  int count = 0;
  EnumPropsExA(window, CountSkinProperty, reinterpret_cast<LPARAM>(&count));
  return count;
}

// The face colour a little inside the top-left corner, below any caption.
COLORREF FacePixel(HWND button) {
  HDC dc = GetWindowDC(button);
  COLORREF c = GetPixel(dc, 4, 4);
  ReleaseDC(button, dc);
  return c;
}

// Dark pixels of a button as it shows now: the ink of its caption.
int CaptionInk(HWND button) {
  RECT r;
  GetWindowRect(button, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC window_dc = GetWindowDC(button);
  HDC copy = CreateCompatibleDC(window_dc);
  HBITMAP bitmap = CreateDIBSection(window_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(copy, bitmap);
  BitBlt(copy, 0, 0, w, h, window_dc, 0, 0, SRCCOPY);
  GdiFlush();
  int ink = 0;
  const auto* px = static_cast<const unsigned char*>(bits);
  for (int i = 0; i < w * h; ++i, px += 4)
    if (px[0] < 96 && px[1] < 96 && px[2] < 96) ++ink;
  SelectObject(copy, old);
  DeleteObject(bitmap);
  DeleteDC(copy);
  ReleaseDC(button, window_dc);
  return ink;
}

POINT Centre(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class SkinnedForm1 : public ::testing::Test {
 protected:
  void SetUp() override {
    SetCursorPos(0, 0);
    ASSERT_TRUE(app::RegisterForm1Class(GetModuleHandleW(nullptr)));
    count_before_ = SkinnedWindowCount;
    form_ = app::CreateForm1(GetModuleHandleW(nullptr));
    ASSERT_NE(form_, nullptr);
    ShowWindow(form_, SW_SHOWNORMAL);
    SetForegroundWindow(form_);
    PumpUntil(200);
  }
  void TearDown() override {
    if (IsWindow(form_)) {
      app::Form1Unload(form_);
      DestroyWindow(form_);
    }
    PumpUntil(20);
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    SetCursorPos(0, 0);
  }
  HWND form_ = nullptr;
  int count_before_ = 0;
  DWORD ui_thread_ = GetCurrentThreadId();
};

TEST_F(SkinnedForm1, EveryWindowCarriesTheSkinRightAfterLoad) {
  std::vector<HWND> windows = WindowAndDescendants(form_);
  ASSERT_GE(windows.size(), 7u);
  for (HWND w : windows) {
    char cls[64];
    GetClassNameA(w, cls, sizeof cls);
    EXPECT_NE(GetPropA(w, "PROCADDR"), nullptr) << cls;
  }
  EXPECT_EQ(SkinnedWindowCount, count_before_ + static_cast<int>(windows.size()));
}

TEST_F(SkinnedForm1, UnloadLeavesNoSkinPropertyOnAnyWindow) {
  std::vector<HWND> windows = WindowAndDescendants(form_);
  app::Form1Unload(form_);
  for (HWND w : windows) EXPECT_EQ(SkinPropertyCount(w), 0);
  EXPECT_EQ(SkinnedWindowCount, count_before_);
  // The window still works unskinned until it is destroyed.
  EXPECT_TRUE(IsWindow(form_));
}

TEST_F(SkinnedForm1, HelpMessageIsSkinnedWhileOpenAndTheCountComesBack) {
  const int count = SkinnedWindowCount;
  std::atomic<bool> skinned{false}, answered{false};
  std::thread watcher([&] {
    HWND box = apptest::WaitForDialog(ui_thread_, 10000);
    if (!box) return;
    for (DWORD t0 = GetTickCount(); GetTickCount() - t0 < 3000 && !skinned; Sleep(10))
      skinned = GetPropA(box, "PROCADDR") != nullptr;
    apptest::PressDialogButton(box, IDOK);
    answered = true;
  });
  POINT p = Centre(GetDlgItem(form_, kImage1));
  SetCursorPos(p.x, p.y);
  INPUT click[2] = {};
  click[0].type = click[1].type = INPUT_MOUSE;
  click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, click, sizeof(INPUT));
  PumpUntil(10000, [&] { return answered.load(); });
  watcher.join();
  PumpUntil(100);
  EXPECT_TRUE(answered) << "no help message appeared";
  EXPECT_TRUE(skinned) << "the help message was not skinned while open";
  EXPECT_EQ(SkinnedWindowCount, count);
}

TEST_F(SkinnedForm1, FolderDialogIsSkinnedWhileOpen) {
  const int count = SkinnedWindowCount;
  std::atomic<bool> skinned{false}, answered{false};
  std::thread watcher([&] {
    HWND dialog = apptest::WaitForDialog(ui_thread_, 15000);
    if (!dialog) return;
    for (DWORD t0 = GetTickCount(); GetTickCount() - t0 < 3000 && !skinned; Sleep(10))
      skinned = GetPropA(dialog, "PROCADDR") != nullptr;
    apptest::PressDialogButton(dialog, IDCANCEL);
    answered = true;
  });
  SendMessageW(GetDlgItem(form_, kCommand1), BM_CLICK, 0, 0);
  PumpUntil(15000, [&] { return answered.load(); });
  watcher.join();
  PumpUntil(100);
  EXPECT_TRUE(answered) << "no folder dialog appeared";
  EXPECT_TRUE(skinned) << "the folder dialog was not skinned while open";
  EXPECT_EQ(SkinnedWindowCount, count);
}

TEST_F(SkinnedForm1, HoverAndPressLooksComeAndGoOnTheButtons) {
  for (int id : {kCommand1, kCommand2}) {
    SCOPED_TRACE(id);
    HWND button = GetDlgItem(form_, id);
    const COLORREF normal = FacePixel(button);
    const int ink = CaptionInk(button);
    ASSERT_GT(ink, 20) << "the caption shows no ink";
    // The caption is sampled all through the looks that follow: it must never fade out.
    int least_ink = ink;
    auto sample = [&] { least_ink = std::min(least_ink, CaptionInk(button)); };
    POINT c = Centre(button);
    SetCursorPos(c.x, c.y);
    // A full hover fade takes about 1.3 s.
    PumpUntil(3000, [&] {
      sample();
      return GetPropA(button, "TIMERID") == nullptr && FacePixel(button) != normal;
    });
    const COLORREF hover = FacePixel(button);
    EXPECT_NE(hover, normal) << "no hover look";
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(GetPropA(button, "OLDSTATE")), 1);

    // Press: the pressed face at once, without a fade. Release outside, so nothing is clicked.
    INPUT down = {};
    down.type = INPUT_MOUSE;
    down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &down, sizeof down);
    PumpUntil(1000, [&] { return reinterpret_cast<LONG_PTR>(GetPropA(button, "OLDSTATE")) == 2; });
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(GetPropA(button, "OLDSTATE")), 2);
    const COLORREF pressed = FacePixel(button);
    EXPECT_NE(pressed, hover) << "no pressed look";

    SetCursorPos(0, 0);
    PumpUntil(200);
    INPUT up = {};
    up.type = INPUT_MOUSE;
    up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &up, sizeof up);
    PumpUntil(4000, [&] {
      sample();
      return GetPropA(button, "TIMERID") == nullptr && FacePixel(button) == normal;
    });
    EXPECT_EQ(FacePixel(button), normal) << "the look did not go back to normal";
    EXPECT_GE(least_ink, ink * 9 / 10) << "the caption faded or vanished during the looks";
  }
}

}  // namespace

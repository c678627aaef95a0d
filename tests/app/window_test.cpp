// Form1 in this process: its class, layout, pictures, cursor, file list and message boxes,
// read back from the real windows.
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "tests/app/dialog_watch.h"
#include "tests/app/expected_texts.h"
#include "tests/app/temp_folder.h"

namespace {

using apptest::DialogSeen;
using apptest::DialogWatcher;
using apptest::PumpUntil;

constexpr int kCommand2 = 1002, kFile1 = 1003, kImage1 = 1006;

class Form1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app::RegisterForm1Class(GetModuleHandleW(nullptr)));
    form_ = app::CreateForm1Window(GetModuleHandleW(nullptr));
    ASSERT_NE(form_, nullptr);
    ShowWindow(form_, SW_SHOWNORMAL);
    SetForegroundWindow(form_);
    PumpUntil(150);
  }
  void TearDown() override {
    if (IsWindow(form_)) DestroyWindow(form_);
    PumpUntil(20);
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  }

  RECT ControlRect(int id) {
    RECT r;
    GetWindowRect(GetDlgItem(form_, id), &r);
    MapWindowPoints(nullptr, form_, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

  POINT ScreenCentre(int id) {
    RECT r;
    GetWindowRect(GetDlgItem(form_, id), &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }

  std::vector<std::wstring> ListEntries() {
    std::vector<std::wstring> entries;
    HWND list = GetDlgItem(form_, kFile1);
    for (LRESULT i = 0, n = SendMessageW(list, LB_GETCOUNT, 0, 0); i < n; ++i) {
      wchar_t text[MAX_PATH];
      SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
      entries.push_back(text);
    }
    return entries;
  }

  void ClickAt(POINT p) {
    SetCursorPos(p.x, p.y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
  }

  HWND form_ = nullptr;
};

TEST_F(Form1Test, WindowIsAFormClassWithCaptionIconAndDesignedClientSize) {
  wchar_t name[64];
  GetClassNameW(form_, name, 64);
  EXPECT_STREQ(name, L"Form");
  char ansi_name[64];
  GetClassNameA(form_, ansi_name, 64);
  EXPECT_EQ(lstrcmpiA(ansi_name, "form"), 0);  // the skin engine's form kind
  GetWindowTextW(form_, name, 64);
  EXPECT_STREQ(name, L"Folivane");
  RECT client;
  GetClientRect(form_, &client);
  EXPECT_EQ(client.right, 500);
  EXPECT_EQ(client.bottom, 367);

  HICON icon = reinterpret_cast<HICON>(GetClassLongPtrW(form_, GCLP_HICON));
  ASSERT_NE(icon, nullptr);
  ICONINFO info;
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP bitmap;
  GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
  EXPECT_EQ(bitmap.bmWidth, 32);
  EXPECT_EQ(bitmap.bmHeight, 32);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
}

TEST_F(Form1Test, ControlsHaveTheirClassesPositionsTextsAndEdges) {
  for (const apptest::ExpectedControl& expected : apptest::kExpectedControls) {
    SCOPED_TRACE(expected.id);
    HWND control = GetDlgItem(form_, expected.id);
    ASSERT_NE(control, nullptr);
    wchar_t text[128];
    GetClassNameW(control, text, 128);
    EXPECT_STREQ(text, expected.window_class);
    RECT r = ControlRect(expected.id);
    EXPECT_EQ(r.left, expected.left);
    EXPECT_EQ(r.top, expected.top);
    EXPECT_EQ(r.right - r.left, expected.width);
    EXPECT_EQ(r.bottom - r.top, expected.height);
    GetWindowTextW(control, text, 128);
    EXPECT_STREQ(text, expected.text);
    bool edge = (GetWindowLongW(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0;
    EXPECT_EQ(edge, expected.client_edge);
  }
}

TEST_F(Form1Test, TabOrderIsImportBuildListTextBoxAndChildOrderFollowsIt) {
  std::vector<int> order;
  for (HWND child = GetWindow(form_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    order.push_back(GetDlgCtrlID(child));
  }
  EXPECT_EQ(order, (std::vector<int>{1001, 1002, 1003, 1004, 1005, 1006}));

  std::vector<int> tabbing;
  HWND at = GetDlgItem(form_, 1001);
  for (int i = 0; i < 4; ++i) {
    at = GetNextDlgTabItem(form_, at, FALSE);
    tabbing.push_back(GetDlgCtrlID(at));
  }
  EXPECT_EQ(tabbing, (std::vector<int>{1002, 1003, 1004, 1001}));
}

TEST_F(Form1Test, HelpPictureShowsBadgeAndTextOverTheWindowBackground) {
  HWND image = GetDlgItem(form_, kImage1);
  RedrawWindow(image, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  PumpUntil(50);
  HDC dc = GetDC(image);
  COLORREF background = GetSysColor(COLOR_BTNFACE);
  // Outside the round badge, in its corner, and right of the text: the window shows through.
  EXPECT_EQ(GetPixel(dc, 0, 0), background);
  EXPECT_EQ(GetPixel(dc, 41, 16), background);
  // The badge is blue, its question mark white, the text black.
  COLORREF badge = GetPixel(dc, 3, 8);
  EXPECT_GT(GetBValue(badge), 150);
  EXPECT_LT(GetRValue(badge), 100);
  EXPECT_EQ(GetPixel(dc, 6, 4), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 17, 7), RGB(0, 0, 0));   // 帮, left end of its fifth row
  EXPECT_EQ(GetPixel(dc, 30, 13), RGB(0, 0, 0));  // 助, its base line
  ReleaseDC(image, dc);
}

TEST_F(Form1Test, PointerOverHelpPictureIsTheHandWithHotSpotAtItsFingerTip) {
  POINT centre = ScreenCentre(kImage1);
  SetCursorPos(centre.x, centre.y);
  HCURSOR hand = nullptr;
  PumpUntil(1000, [&] {
    hand = GetCursor();
    ICONINFO info;
    if (!hand || !GetIconInfo(hand, &info)) return false;
    bool found = info.xHotspot == 6 && info.yHotspot == 0;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return found;
  });
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(hand, &info));
  EXPECT_EQ(info.xHotspot, 6u);
  EXPECT_EQ(info.yHotspot, 0u);
  BITMAP bitmap = {};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  EXPECT_EQ(bitmap.bmWidth, 32);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);

  // Over the text box the pointer is not the hand any more.
  POINT text_box = ScreenCentre(1004);
  SetCursorPos(text_box.x, text_box.y);
  PumpUntil(1000, [&] { return GetCursor() != hand; });
  EXPECT_NE(GetCursor(), hand);
}

TEST_F(Form1Test, ClickOnHelpPictureShowsTheHelpMessageEveryTime) {
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    std::atomic<bool> answered{false};
    DialogWatcher watcher(GetCurrentThreadId(), [&answered](HWND box) {
      apptest::PressDialogButton(box, IDOK);
      answered = true;
    });
    ClickAt(ScreenCentre(kImage1));
    // The box is modal inside the dispatch of the click; it returns once answered.
    PumpUntil(10000, [&] { return answered.load(); });
    DialogSeen seen = watcher.Join();
    PumpUntil(100);
    ASSERT_NE(seen.hwnd, nullptr) << "no message box";
    EXPECT_EQ(seen.title, L"帮助");
    EXPECT_EQ(seen.text, apptest::kExpectedHelpText);
    EXPECT_EQ(seen.buttons.size(), 1u);
    EXPECT_FALSE(seen.has_icon);
    EXPECT_EQ(seen.owner, form_);
  }
  EXPECT_TRUE(IsWindowVisible(form_));
}

TEST_F(Form1Test, BuildWithEmptyListIsRefusedInAMessageOwnedByTheWindow) {
  app::SetChapterFolder(form_, L" ");
  DialogWatcher watcher(GetCurrentThreadId(),
                        [](HWND box) { apptest::PressDialogButton(box, IDOK); });
  SendMessageW(GetDlgItem(form_, kCommand2), BM_CLICK, 0, 0);
  DialogSeen seen = watcher.Join();
  PumpUntil(50);
  ASSERT_NE(seen.hwnd, nullptr) << "no message box";
  EXPECT_EQ(seen.title, apptest::kExpectedEmptyListTitle);
  EXPECT_EQ(seen.text, apptest::kExpectedEmptyListText);
  EXPECT_EQ(seen.buttons.size(), 1u);
  EXPECT_FALSE(seen.has_icon);
  EXPECT_EQ(seen.owner, form_);
}

TEST_F(Form1Test, ImportListsOnlyChapterFilesSortedByNameWithoutCase) {
  apptest::TempFolder folder(L"form-import");
  for (const wchar_t* name :
       {L"第一章.htm", L"b.HTML", L"a.txt", L"C.mht", L"f.htm.bak", L"x.mhtml", L"notes.txt1",
        L"readme.doc", L".dot.htm", L"hidden.htm"}) {
    ASSERT_TRUE(apptest::WriteBytes(folder.File(name), "<title>t</title>"));
  }
  SetFileAttributesW(folder.File(L"hidden.htm").c_str(), FILE_ATTRIBUTE_HIDDEN);
  CreateDirectoryW(folder.File(L"sub.htm").c_str(), nullptr);

  app::SetChapterFolder(form_, folder.path());
  EXPECT_EQ(ListEntries(), (std::vector<std::wstring>{L"a.txt", L"b.HTML", L"C.mht", L"f.htm.bak",
                                                      L"第一章.htm"}));
  EXPECT_EQ(app::GetChapterFolder(form_), folder.path());

  // A second import replaces the list entirely.
  apptest::TempFolder second(L"form-import-2");
  ASSERT_TRUE(apptest::WriteBytes(second.File(L"only.txt"), "x"));
  app::SetChapterFolder(form_, second.path());
  EXPECT_EQ(ListEntries(), (std::vector<std::wstring>{L"only.txt"}));

  // The start-up blank, and a cancelled import, list nothing.
  app::SetChapterFolder(form_, L" ");
  EXPECT_TRUE(ListEntries().empty());
  app::SetChapterFolder(form_, L"");
  EXPECT_TRUE(ListEntries().empty());
}

TEST_F(Form1Test, ImportListsChaptersInReadingOrder) {
  const std::vector<std::wstring> in_order = {L"第1章.txt",    L"第2章.txt",
                                              L"第10章.txt",   L"第十一章.htm",
                                              L"第二十章.htm", L"第一百零一章.htm"};
  apptest::TempFolder folder(L"form-order");
  for (auto name = in_order.rbegin(); name != in_order.rend(); ++name) {
    ASSERT_TRUE(apptest::WriteBytes(folder.File(*name), "x"));
  }
  app::SetChapterFolder(form_, folder.path());
  EXPECT_EQ(ListEntries(), in_order);
}

}  // namespace

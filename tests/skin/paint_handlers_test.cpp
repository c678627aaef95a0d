// The paint, non-client paint and activation handlers on a form holding every kind: what they
// leave to the system, the windows that activation skins, the GDI objects of many paints, and
// screenshots of the skinned form and message box.

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "paint_test_support.h"
#include "skin/paint/check_option.h"
#include "skin/paint/combo_frames.h"
#include "skin/paint/header_bar.h"
#include "skin/skinner.h"
#include "skin_test_support.h"

namespace {

using painttest::WindowPixels;

void RegisterKinds() {
  InitCommonControls();
  painttest::RegisterSuperclass("ThunderRT6CheckBox", "Button");
  painttest::RegisterSuperclass("ThunderRT6OptionButton", "Button");
  painttest::RegisterSuperclass("ThunderRT6DriveListBox", "ComboBox");
  painttest::RegisterSuperclass("DataListWndClass", "ListBox");
  painttest::RegisterSuperclass("ApexGrid", "ListBox");
  painttest::RegisterSuperclass("ProgressBar20WndClass", PROGRESS_CLASSA);
}

// A form with one control of every kind (and the system classes the main window uses), before
// the skin is attached.
struct EveryKind {
  HWND Form;
  HWND Check, Option, DropList, DropDown, Drive, DataList, Grid, Progress, Vertical, Header;
  HWND Edit, List, Button;
};

HWND AddCombo(HWND form, const char* className, DWORD style, int x, int y) {
  HWND combo = skintest::CreateChild(form, className, "", style | WS_VSCROLL, x, y, 150, 120);
  for (const char* item : {"C:", "D:", "\xB5\xDA\xD2\xBB\xD5\xC2"}) {
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  }
  SendMessageA(combo, CB_SETCURSEL, 2, 0);
  return combo;
}

EveryKind MakeEveryKind() {
  RegisterKinds();
  EveryKind k{};
  k.Form = skintest::CreateForm(560, 400, "Folivane");
  const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  k.Button =
      skintest::CreateChild(k.Form, "Button", "\xB5\xBC\xC8\xEB", BS_PUSHBUTTON, 20, 16, 120, 30);
  k.Check = skintest::CreateChild(k.Form, "ThunderRT6CheckBox", "Check box", BS_AUTOCHECKBOX, 20,
                                  60, 120, 21);
  k.Option = skintest::CreateChild(k.Form, "ThunderRT6OptionButton", "Option", BS_AUTORADIOBUTTON,
                                   20, 90, 120, 21);
  k.DropList = AddCombo(k.Form, "ComboBox", CBS_DROPDOWNLIST, 160, 16);
  k.DropDown = AddCombo(k.Form, "ComboBox", CBS_DROPDOWN, 160, 50);
  k.Drive = AddCombo(k.Form, "ThunderRT6DriveListBox", CBS_DROPDOWNLIST, 160, 84);
  k.Edit = skintest::CreateChild(k.Form, "Edit", "\xCA\xE9\xC3\xFB", ES_AUTOHSCROLL, 330, 16, 200,
                                 24, WS_EX_CLIENTEDGE);
  k.List = skintest::CreateChild(k.Form, "ListBox", "", LBS_NOINTEGRALHEIGHT | WS_VSCROLL, 330, 50,
                                 200, 90, WS_EX_CLIENTEDGE);
  // Enough entries for the list's scroll bar to show, as a full chapter folder does.
  for (int i = 1; i <= 12; ++i) {
    const std::string item = "chapter" + std::to_string(i) + ".htm";
    SendMessageA(k.List, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
  SendMessageA(k.List, LB_SETCURSEL, 0, 0);
  k.DataList = skintest::CreateChild(k.Form, "DataListWndClass", "",
                                     LBS_NOINTEGRALHEIGHT | WS_BORDER, 20, 130, 120, 80);
  SendMessageA(k.DataList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("data row"));
  k.Grid = skintest::CreateChild(k.Form, "ApexGrid", "", LBS_NOINTEGRALHEIGHT | WS_BORDER, 160, 130,
                                 150, 80);
  SendMessageA(k.Grid, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("grid row"));
  k.Header = skintest::CreateChild(k.Form, WC_HEADERA, "", HDS_HORZ, 330, 160, 200, 24);
  SendMessageA(k.Header, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  const char* texts[] = {"\xC3\xFB\xB3\xC6", "Size", "Type"};
  for (int i = 0; i < 3; ++i) {
    HDITEMA item{};
    item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
    item.fmt = HDF_LEFT | HDF_STRING;
    item.cxy = 60;
    item.pszText = const_cast<char*>(texts[i]);
    SendMessageA(k.Header, HDM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
  }
  k.Progress =
      skintest::CreateChild(k.Form, "ProgressBar20WndClass", "", WS_BORDER, 20, 230, 290, 20);
  k.Vertical = skintest::CreateChild(k.Form, "ProgressBar20WndClass", "", WS_BORDER | PBS_VERTICAL,
                                     330, 200, 22, 80);
  for (HWND bar : {k.Progress, k.Vertical}) {
    SendMessageA(bar, PBM_SETRANGE32, 0, 30000);
    SendMessageA(bar, PBM_SETPOS, 18000, 0);
  }
  for (HWND c : {k.Button, k.Check, k.Option, k.DropList, k.DropDown, k.Drive, k.Edit, k.List,
                 k.DataList, k.Grid}) {
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  SendMessageA(k.Check, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageA(k.Option, BM_SETCHECK, BST_CHECKED, 0);
  skintest::Pump(30);
  return k;
}

void RepaintAll(HWND form) {
  RedrawWindow(form, nullptr, nullptr,
               RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

TEST(OnPaint, ClassesOfNoPaintedKindKeepTheSystemsClientPicture) {
  RegisterKinds();
  HWND form = skintest::CreateForm(460, 200, "pass");
  // A check box of the system's button class is of the command button kind and keeps its
  // system painting; an edit is of no painted kind at all.
  HWND check =
      skintest::CreateChild(form, "Button", "system check", BS_AUTOCHECKBOX, 10, 10, 150, 21);
  HWND edit = skintest::CreateChild(form, "Edit", "text box", 0, 10, 50, 150, 24, WS_EX_CLIENTEDGE);
  AttachSkin(form);
  HWND checkTwin =
      skintest::CreateChild(form, "Button", "system check", BS_AUTOCHECKBOX, 200, 10, 150, 21);
  HWND editTwin =
      skintest::CreateChild(form, "Edit", "text box", 0, 200, 50, 150, 24, WS_EX_CLIENTEDGE);
  ASSERT_NE(GetSkinProp(check, kPropProcAddr), 0);
  ASSERT_EQ(GetSkinProp(checkTwin, kPropProcAddr), 0);
  RepaintAll(form);
  skintest::Pump(30);
  auto client = [](HWND w) {
    HDC dc = GetDC(w);
    RECT r{};
    GetClientRect(w, &r);
    // The rounded region of a skinned button clips its corner pixels; the rest must match.
    std::vector<COLORREF> pixels = skintest::ReadPixels(dc, 1, 1, r.right - 2, r.bottom - 2);
    ReleaseDC(w, dc);
    return pixels;
  };
  EXPECT_EQ(client(check), client(checkTwin));
  EXPECT_EQ(client(edit), client(editTwin));
  // The edit's flat frame comes from WM_NCPAINT only.
  EXPECT_EQ(WindowPixels(edit, 0, 0, 1, 1)[0], SkinBorderColour);
  EXPECT_NE(WindowPixels(editTwin, 0, 0, 1, 1)[0], SkinBorderColour);
  DetachSkin(form);
  DestroyWindow(form);
}

TEST(OnNcPaint, DataListKeepsTheSystemFrameAndProgressBarsAreNotPassedOn) {
  RegisterKinds();
  HWND form = skintest::CreateForm(400, 200, "nc");
  HWND data = skintest::CreateChild(form, "DataListWndClass", "", LBS_NOINTEGRALHEIGHT, 10, 10, 120,
                                    80, WS_EX_CLIENTEDGE);
  HWND twin = skintest::CreateChild(form, "ListBox", "", LBS_NOINTEGRALHEIGHT, 200, 10, 120, 80,
                                    WS_EX_CLIENTEDGE);
  AttachSkin(form);
  DetachWindow(twin);
  SendMessageA(data, WM_NCPAINT, 1, 0);
  SendMessageA(twin, WM_NCPAINT, 1, 0);
  EXPECT_EQ(WindowPixels(data, 0, 0, 120, 2), WindowPixels(twin, 0, 0, 120, 2));
  // A progress bar's WM_NCPAINT result is 0 and comes from the skin alone.
  HWND bar = skintest::CreateChild(form, "ProgressBar20WndClass", "", WS_BORDER, 10, 120, 100, 20);
  AttachWindow(bar);
  painttest::Mark(bar, 0, 0, 100, 20);
  EXPECT_EQ(SendMessageA(bar, WM_NCPAINT, 1, 0), 0);
  EXPECT_TRUE(painttest::RingIs(bar, 0, 0, 100, 20, SkinBorderColour));
  DetachSkin(form);
  DestroyWindow(form);
}

// Watches for the message box of the test thread without naming it to the owner: only the
// activation handler can skin it.
struct BoxWatch {
  DWORD Thread = 0;
  std::string Screenshot;
  std::atomic<bool> BoxSkinned{false};
  std::atomic<int> ButtonsSkinned{0};
  std::atomic<int> CountWhileOpen{0};
};

void WatchBox(BoxWatch* watch) {
  HWND box = skintest::WaitForDialogOfThread(watch->Thread, 5000);
  if (!box) return;
  for (DWORD start = GetTickCount(); !GetPropA(box, "PROCADDR") && GetTickCount() - start < 2000;) {
    Sleep(10);
  }
  watch->BoxSkinned = GetPropA(box, "PROCADDR") != nullptr;
  watch->ButtonsSkinned = skintest::CountSkinnedButtons(box);
  watch->CountWhileOpen = SkinnedWindowCount;
  if (!watch->Screenshot.empty()) {
    Sleep(400);  // the box's own thread paints it in its modal loop
    skintest::SaveWindowBitmap(box, watch->Screenshot);
  }
  PostMessageA(box, WM_COMMAND, IDOK, 0);
}

int ShowWatchedBox(HWND owner, BoxWatch& watch) {
  watch.Thread = GetCurrentThreadId();
  std::thread watcher(WatchBox, &watch);
  // "Help": Chinese text as the tool shows it.
  const int result = MessageBoxW(
      owner,
      L"\u5C06\u7AE0\u8282\u6587\u4EF6\u653E\u5728\u4E00\u4E2A\u6587\u4EF6\u5939\u4E2D\u3002",
      L"Folivane", MB_OK);
  watcher.join();
  return result;
}

TEST(OnActivate, OwnedMessageBoxIsSkinnedWhileOpenAndReleasedAfter) {
  HWND form = skintest::CreateForm();
  skintest::CreateChild(form, "Button", "OK", BS_PUSHBUTTON, 10, 10, 80, 24);
  ASSERT_EQ(AttachSkin(form), 1);
  const int before = SkinnedWindowCount;
  BoxWatch watch;
  EXPECT_EQ(ShowWatchedBox(form, watch), IDOK);
  EXPECT_TRUE(watch.BoxSkinned) << "the box was not skinned on activation";
  EXPECT_GE(watch.ButtonsSkinned.load(), 1);
  EXPECT_GT(watch.CountWhileOpen.load(), before + 1);
  EXPECT_EQ(SkinnedWindowCount, before);
  DetachSkin(form);
  DestroyWindow(form);
}

TEST(OnActivate, AttachesOwnedPopupsAndFormsButNotUnrelatedWindows) {
  HWND form = skintest::CreateForm();
  ASSERT_EQ(AttachSkin(form), 1);
  const int before = SkinnedWindowCount;

  EXPECT_EQ(SendMessageA(form, WM_ACTIVATE, WA_INACTIVE, 0), 0);
  EXPECT_EQ(SkinnedWindowCount, before);

  HWND unrelated = skintest::CreatePlainWindow();  // activation really moves to it
  skintest::Pump(30);
  SendMessageA(form, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(unrelated));
  EXPECT_EQ(GetSkinProp(unrelated, kPropProcAddr), 0);
  EXPECT_EQ(SkinnedWindowCount, before);

  // A pop-up of the same plain class owned by the form: GetParent names the form.
  HWND owned = CreateWindowExA(0, "SkinPlainTest", "owned", WS_POPUP | WS_VISIBLE, 80, 80, 100, 60,
                               form, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_EQ(GetParent(owned), form);
  SendMessageA(form, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(owned));
  EXPECT_NE(GetSkinProp(owned, kPropProcAddr), 0);

  // Another form, unowned, is taken on by its kind.
  HWND other = CreateWindowExA(0, "Form", "other", WS_OVERLAPPEDWINDOW, 300, 80, 200, 100, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
  SendMessageA(form, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(other));
  EXPECT_NE(GetSkinProp(other, kPropProcAddr), 0);
  EXPECT_EQ(SkinnedWindowCount, before + 2);

  DestroyWindow(owned);
  DestroyWindow(other);
  DestroyWindow(unrelated);
  EXPECT_EQ(SkinnedWindowCount, before);
  DetachSkin(form);
  DestroyWindow(form);
}

TEST(Painters, NoGdiObjectLeftAfterAThousandPaintsOfEveryKind) {
  EveryKind k = MakeEveryKind();
  AttachSkin(k.Form);
  auto paintEverything = [&k](int round) {
    RepaintAll(k.Form);
    const int state = round % 3;
    PaintCheckBox(k.Check, state, true);
    PaintOptionButton(k.Option, state, true);
    int comboState = state;
    PaintComboButton(k.DropList, nullptr, comboState, true);
    PaintComboButton(k.Drive, nullptr, comboState, false);
    PaintHeaderItem(k.Header, nullptr, round % 3, state);
    SendMessageA(k.Progress, PBM_SETPOS, (round * 97) % 30001, 0);
    SendMessageA(k.Vertical, WM_NCPAINT, 1, 0);
  };
  // The cursor away from the form, so that no hover or fade joins in.
  SetCursorPos(1270, 1010);
  for (int round = 0; round < 10; ++round) paintEverything(round);
  skintest::Pump(20);
  const int before = skintest::CountGdiObjects();
  ASSERT_GT(before, 0);
  for (int round = 0; round < 1000; ++round) paintEverything(round);
  skintest::Pump(20);
  // Every path of every painter runs at least 333 times here, so a leak of one object per
  // paint shows as hundreds; the slack allows for one object the system creates on first use.
  const int after = skintest::CountGdiObjects();
  EXPECT_GE(after, before - 2);
  EXPECT_LE(after, before + 2);
  DetachSkin(k.Form);
  DestroyWindow(k.Form);
}

// Pictures for a person to look at: SKIN_SCREENSHOT_DIR names a folder for form.bmp (every kind
// skinned) and messagebox.bmp (a skinned message box of the form).
TEST(Painters, Screenshots) {
  const char* folder = std::getenv("SKIN_SCREENSHOT_DIR");
  if (!folder) GTEST_SKIP() << "set SKIN_SCREENSHOT_DIR to a folder";
  EveryKind k = MakeEveryKind();
  AttachSkin(k.Form);
  SetSkinProp(k.Header, kPropHmIndex, 1);
  SetSkinProp(k.Header, kPropHdIndex, 2);
  RepaintAll(k.Form);
  skintest::Pump(300);
  PaintCheckBox(k.Check, 1, true);
  EXPECT_TRUE(skintest::SaveWindowBitmap(k.Form, std::string(folder) + "/form.bmp"));
  BoxWatch watch;
  watch.Screenshot = std::string(folder) + "/messagebox.bmp";
  ShowWatchedBox(k.Form, watch);
  EXPECT_TRUE(watch.BoxSkinned);
  DetachSkin(k.Form);
  DestroyWindow(k.Form);
}

}  // namespace

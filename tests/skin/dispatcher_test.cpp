// The central window procedure: pass-through, detach on WM_DESTROY, and the windows that
// WM_ENTERIDLE and WM_CTLCOLORLISTBOX name.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "skin/skinner.h"
#include "skin_test_support.h"

namespace {

using skintest::Log;

TEST(SkinWindowProc, UnroutedMessagesReachThePreviousProcedureUnchanged) {
  HWND window = skintest::CreatePlainWindow();
  ASSERT_EQ(AttachSkin(window), 1);
  const WPARAM wParam = static_cast<WPARAM>(0x10002);
  const LPARAM lParam = static_cast<LPARAM>(0x3344);
  EXPECT_EQ(SendMessageA(window, WM_COMMAND, wParam, lParam), skintest::kRecordedResult);
  EXPECT_EQ(Log().LastMessage, static_cast<UINT>(WM_COMMAND));
  EXPECT_EQ(Log().LastWParam, wParam);
  EXPECT_EQ(Log().LastLParam, lParam);

  const char text[] = "new caption";
  EXPECT_EQ(SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)),
            skintest::kRecordedResult);
  EXPECT_EQ(Log().LastMessage, static_cast<UINT>(WM_SETTEXT));
  EXPECT_EQ(Log().LastLParam, reinterpret_cast<LPARAM>(text));

  // WM_ENTERIDLE naming no window only calls the previous procedure.
  const int count = SkinnedWindowCount;
  EXPECT_EQ(SendMessageA(window, WM_ENTERIDLE, MSGF_DIALOGBOX, 0), skintest::kRecordedResult);
  EXPECT_EQ(Log().LastMessage, static_cast<UINT>(WM_ENTERIDLE));
  EXPECT_EQ(SkinnedWindowCount, count);
  DetachSkin(window);
  DestroyWindow(window);
}

TEST(SkinWindowProc, WithoutProcAddrTheWindowGetsDefaultProcessing) {
  HWND window = skintest::CreatePlainWindow();
  const LONG_PTR original =
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SkinWindowProc));
  Log().LastMessage = 0;
  SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("by default"));
  EXPECT_EQ(Log().LastMessage, 0u) << "a procedure it no longer has was called";
  char text[32] = {};
  GetWindowTextA(window, text, sizeof text);
  EXPECT_STREQ(text, "by default");
  SetWindowLongPtrA(window, GWLP_WNDPROC, original);
  DestroyWindow(window);
}

TEST(SkinWindowProc, DestroyDetachesChildrenBeforeTheFormSeesIt) {
  HWND form = skintest::CreateForm();
  skintest::CreateChild(form, "Button", "One", BS_PUSHBUTTON, 10, 10, 80, 24);
  skintest::CreateChild(form, "Edit", "Two", 0, 10, 40, 80, 20, WS_EX_CLIENTEDGE);
  skintest::CreateChild(form, "Static", "Three", 0, 10, 70, 80, 20);
  skintest::RememberChildProcedures(form);
  ASSERT_EQ(AttachSkin(form), 1);
  ASSERT_EQ(SkinnedWindowCount, 4);
  Log() = skintest::FormLog{};
  DestroyWindow(form);
  EXPECT_TRUE(Log().DestroySeen);
  EXPECT_EQ(Log().ChildrenStillSkinned, 0);
  EXPECT_EQ(Log().ChildrenWithForeignProc, 0);
  EXPECT_EQ(SkinnedWindowCount, 0);
  EXPECT_FALSE(SkinInitialised);
}

// Watches for the message box of the test thread, names it in WM_ENTERIDLE to the skinned owner,
// records what the engine made of it, and closes it.
struct BoxWatch {
  DWORD Thread = 0;
  HWND Owner = nullptr;
  std::atomic<bool> BoxSkinned{false};
  std::atomic<int> ButtonsSkinned{0};
  std::atomic<int> CountWhileOpen{0};
};

void WatchBox(BoxWatch* watch) {
  HWND box = skintest::WaitForDialogOfThread(watch->Thread, 5000);
  if (!box) return;
  SendMessageA(watch->Owner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(box));
  watch->BoxSkinned = GetPropA(box, "PROCADDR") != nullptr;
  watch->ButtonsSkinned = skintest::CountSkinnedButtons(box);
  watch->CountWhileOpen = SkinnedWindowCount;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
}

TEST(SkinWindowProc, EnterIdleSkinsTheMessageBoxUntilItIsDestroyed) {
  HWND form = skintest::CreateForm();
  ASSERT_EQ(AttachSkin(form), 1);
  const int before = SkinnedWindowCount;
  BoxWatch watch;
  watch.Thread = GetCurrentThreadId();
  watch.Owner = form;
  std::thread watcher(WatchBox, &watch);
  MessageBoxW(form, L"\u5E2E\u52A9", L"Folivane", MB_OK);
  watcher.join();
  EXPECT_TRUE(watch.BoxSkinned);
  EXPECT_GE(watch.ButtonsSkinned.load(), 1);
  EXPECT_GT(watch.CountWhileOpen.load(), before + 1) << "box and its children";
  EXPECT_EQ(SkinnedWindowCount, before) << "the box's destruction did not detach it";
  DetachSkin(form);
  DestroyWindow(form);
}

TEST(SkinWindowProc, DropDownListIsSkinnedAndOutlivesTheFormsDetach) {
  HWND form = skintest::CreateForm();
  HWND combo =
      skintest::CreateChild(form, "ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL, 10, 10, 150, 150);
  for (const char* item : {"one", "two", "three"}) {
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  }
  ASSERT_EQ(AttachSkin(form), 1);
  const int attached = SkinnedWindowCount;
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  GetComboBoxInfo(combo, &info);
  ASSERT_NE(info.hwndList, nullptr);
  SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
  skintest::Pump(50);
  EXPECT_NE(GetSkinProp(info.hwndList, kPropProcAddr), 0) << "drop-down list not skinned";
  EXPECT_EQ(GetWindowClassName(info.hwndList), "ComboLBox");
  EXPECT_EQ(SkinnedWindowCount, attached + 1);
  SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
  skintest::Pump(20);

  DetachSkin(form);
  EXPECT_EQ(SkinnedWindowCount, 1) << "the list is not a child and stays skinned";
  EXPECT_TRUE(SkinInitialised);
  DestroyWindow(form);
  EXPECT_EQ(SkinnedWindowCount, 0);
  EXPECT_FALSE(SkinInitialised);
}

}  // namespace

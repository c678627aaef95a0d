// The folder chooser: the shell's dialog, driven through its tree and buttons.
#include <windows.h>
#include <gtest/gtest.h>

#include <objbase.h>

#include <string>

#include "app/choose_folder.h"
#include "tests/app/browse_driver.h"
#include "tests/app/dialog_watch.h"
#include "tests/app/temp_folder.h"

namespace {

using apptest::DialogSeen;
using apptest::DialogWatcher;

class ChooseFolderTest : public ::testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(ChooseFolderTest, ChosenFolderComesBackAsItsPathWithoutSeparator) {
  apptest::TempFolder parent(L"chooser");
  std::wstring folder = parent.File(L"章节 一");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  bool selected = false;
  DialogWatcher watcher(GetCurrentThreadId(), [&](HWND dialog) {
    selected = apptest::SelectFolderInBrowseDialog(dialog, folder, 20000);
    apptest::PressDialogButton(dialog, selected ? IDOK : IDCANCEL);
  });
  std::wstring chosen = app::ChooseFolder();
  DialogSeen seen = watcher.Join();
  ASSERT_TRUE(selected);
  EXPECT_EQ(lstrcmpiW(chosen.c_str(), folder.c_str()), 0) << "chosen: " << chosen.size();
  // No owner: the dialog stands on its own; and no prompt above the tree.
  EXPECT_EQ(seen.owner, nullptr);
}

TEST_F(ChooseFolderTest, DriveRootComesBackWithItsSeparator) {
  wchar_t windows[MAX_PATH] = L"";
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 2u);
  const std::wstring root = std::wstring(windows, 2) + L"\\";
  bool selected = false;
  DialogWatcher watcher(GetCurrentThreadId(), [&](HWND dialog) {
    selected = apptest::SelectFolderInBrowseDialog(dialog, root, 20000);
    apptest::PressDialogButton(dialog, selected ? IDOK : IDCANCEL);
  });
  std::wstring chosen = app::ChooseFolder();
  watcher.Join();
  ASSERT_TRUE(selected);
  EXPECT_EQ(lstrcmpiW(chosen.c_str(), root.c_str()), 0) << "chosen: " << chosen.size();
}

TEST_F(ChooseFolderTest, PromptAboveTheTreeIsEmpty) {
  std::wstring prompt = L"?";
  DialogWatcher watcher(GetCurrentThreadId(), [&](HWND dialog) {
    // The prompt is the first static of the dialog, above the tree.
    HWND first_static = FindWindowExW(dialog, nullptr, L"Static", nullptr);
    wchar_t text[128] = L"";
    GetWindowTextW(first_static, text, 128);
    prompt = text;
    apptest::PressDialogButton(dialog, IDCANCEL);
  });
  app::ChooseFolder();
  watcher.Join();
  EXPECT_EQ(prompt, L"");
}

TEST_F(ChooseFolderTest, CancelReturnsTheEmptyString) {
  DialogWatcher watcher(GetCurrentThreadId(),
                        [](HWND dialog) { apptest::PressDialogButton(dialog, IDCANCEL); });
  EXPECT_EQ(app::ChooseFolder(), L"");
  EXPECT_NE(watcher.Join().hwnd, nullptr);
}

}  // namespace

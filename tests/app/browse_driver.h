// Drives the shell's browse-for-folder dialog as a user would: selects a folder in its tree and
// presses OK. The dialog may belong to this process or to another one.
#pragma once

#include <windows.h>

#include <string>

namespace apptest {

// Selects `folder` (a full path) in the dialog and waits until the tree's current item is the
// folder's last component; returns false if it never got there within `timeout_ms`.
bool SelectFolderInBrowseDialog(HWND dialog, const std::wstring& folder, DWORD timeout_ms);

}  // namespace apptest

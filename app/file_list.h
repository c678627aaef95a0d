// File1, the file list: shows the chapter files of one folder, sorted by name. Its path is the
// chapter folder and its entries are the chapter list of a build.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace app {

// The chapter files of a folder: files only (no folders), hidden and system files left out,
// names matching "*.htm*;*.txt;*.mht" by their real extension, sorted by name without regard
// to case. A blank or empty path is no folder at all and lists nothing.
std::vector<std::wstring> ListChapterFiles(const std::wstring& folder);

// Replaces the entries of a list box.
void ShowListEntries(HWND list, const std::vector<std::wstring>& entries);

// The entries of a list box in the list's order.
std::vector<std::wstring> ReadListEntries(HWND list);

}  // namespace app

#include "app/choose_folder.h"

#include <windows.h>
#include <shlobj.h>

#include "text/codepage.h"

namespace app {

namespace {

constexpr size_t kPathBufferChars = 512;

}  // namespace

std::wstring ChooseFolder() {
  char title[] = "";
  BROWSEINFOA browse = {};
  browse.hwndOwner = nullptr;
  browse.pidlRoot = nullptr;
  browse.pszDisplayName = nullptr;
  browse.lpszTitle = title;
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  browse.lpfn = nullptr;
  browse.lParam = 0;
  browse.iImage = 0;
  PIDLIST_ABSOLUTE item = SHBrowseForFolderA(&browse);
  if (!item) return {};  // cancelled

  // SHGetPathFromIDListA writes at most MAX_PATH characters; the larger buffer leaves room.
  std::string buffer(kPathBufferChars, ' ');
  BOOL found = SHGetPathFromIDListA(item, buffer.data());
  CoTaskMemFree(item);
  if (!found) return {};
  buffer.resize(buffer.find('\0') == std::string::npos ? buffer.size() : buffer.find('\0'));
  return text::CodePageToWide(text::SystemCodePage(), buffer);
}

}  // namespace app

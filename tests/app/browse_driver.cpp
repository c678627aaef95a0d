#include "tests/app/browse_driver.h"

#include <commctrl.h>
#include <shlobj.h>

namespace apptest {

namespace {

// Memory in the dialog's process: the dialog reads its message arguments there.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  bool ok() const { return address_ != nullptr; }
  char* address() const { return static_cast<char*>(address_); }
  bool Write(size_t offset, const void* data, size_t size) {
    return offset + size <= size_ &&
           WriteProcessMemory(process_, address() + offset, data, size, nullptr);
  }
  bool Read(size_t offset, void* data, size_t size) {
    return offset + size <= size_ &&
           ReadProcessMemory(process_, address() + offset, data, size, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
  size_t size_;
};

std::wstring LastComponent(const std::wstring& path) {
  std::wstring trimmed = path;
  while (!trimmed.empty() && (trimmed.back() == L'\\' || trimmed.back() == L'/'))
    trimmed.pop_back();
  size_t slash = trimmed.find_last_of(L"\\/");
  return slash == std::wstring::npos ? trimmed : trimmed.substr(slash + 1);
}

std::wstring Upper(std::wstring text) {
  CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::wstring CaretText(HWND tree, RemoteBuffer& remote) {
  auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!item) return {};
  constexpr size_t kTextOffset = 256;
  constexpr int kTextChars = 256;
  TVITEMW query = {};
  query.mask = TVIF_TEXT;
  query.hItem = item;
  query.pszText = reinterpret_cast<wchar_t*>(remote.address() + kTextOffset);
  query.cchTextMax = kTextChars;
  wchar_t empty = L'\0';
  remote.Write(kTextOffset, &empty, sizeof empty);
  remote.Write(0, &query, sizeof query);
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.address()));
  wchar_t text[kTextChars] = {};
  remote.Read(kTextOffset, text, sizeof text - sizeof(wchar_t));
  return text;
}

}  // namespace

bool SelectFolderInBrowseDialog(HWND dialog, const std::wstring& folder, DWORD timeout_ms) {
  HWND tree = FindWindowExW(dialog, nullptr, L"SysTreeView32", nullptr);
  RemoteBuffer remote(dialog, 4096);
  if (!tree || !remote.ok()) return false;
  // The path travels in the ANSI code page, as the dialog's A message expects it.
  int size = WideCharToMultiByte(CP_ACP, 0, folder.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, folder.c_str(), -1, ansi.data(), size, nullptr, nullptr);
  constexpr size_t kPathOffset = 2048;
  remote.Write(kPathOffset, ansi.data(), ansi.size());

  // The selection is made asynchronously: ask again until the tree shows it. A drive shows
  // under its label with the drive in brackets, "System (C:)".
  std::wstring wanted = LastComponent(folder);
  const bool drive = wanted.size() == 2 && wanted[1] == L':';
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeout_ms; Sleep(50)) {
    SendMessageW(dialog, BFFM_SETSELECTIONA, TRUE,
                 reinterpret_cast<LPARAM>(remote.address() + kPathOffset));
    std::wstring caret = Upper(CaretText(tree, remote));
    if (drive ? caret.find(L"(" + Upper(wanted) + L")") != std::wstring::npos
              : caret == Upper(wanted)) {
      return true;
    }
  }
  return false;
}

}  // namespace apptest

#include "app/file_list.h"

#include "book/chapter_list.h"
#include "text/utf.h"

namespace app {

namespace {

bool IsBlank(const std::wstring& text) {
  return text.find_first_not_of(L' ') == std::wstring::npos;
}

}  // namespace

std::vector<std::wstring> ListChapterFiles(const std::wstring& folder) {
  if (IsBlank(folder)) return {};
  std::wstring pattern = folder;
  if (pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
  pattern += L'*';

  // The system's own wildcard match also hits short 8.3 aliases ("*.htm" finds "a.html"),
  // so every name is listed and the real name is matched here.
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return {};
  constexpr DWORD kNotListed =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  do {
    if (found.dwFileAttributes & kNotListed) continue;
    std::string name = text::WideToUtf8(found.cFileName);
    if (book::IsChapterFileName(name)) names.push_back(std::move(name));
  } while (FindNextFileW(search, &found));
  FindClose(search);

  book::SortChapterNames(names);
  std::vector<std::wstring> chapters;
  chapters.reserve(names.size());
  for (const std::string& name : names) chapters.push_back(text::Utf8ToWide(name));
  return chapters;
}

void ShowListEntries(HWND list, const std::vector<std::wstring>& entries) {
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const std::wstring& entry : entries) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

std::vector<std::wstring> ReadListEntries(HWND list) {
  std::vector<std::wstring> entries;
  LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring entry(static_cast<size_t>(length < 0 ? 0 : length) + 1, L'\0');
    LRESULT copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i),
                                  reinterpret_cast<LPARAM>(entry.data()));
    entry.resize(static_cast<size_t>(copied < 0 ? 0 : copied));
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace app

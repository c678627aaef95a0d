// Stands in for hhc.exe in tests: records how it was started (its command line and the show
// command it was given) in hhc-call.txt beside itself, as UTF-8, and exits.
#include <windows.h>

#include <string>

#include "text/utf.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  wchar_t self[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, n);
  path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"hhc-call.txt";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  GetStartupInfoW(&si);
  std::wstring record = std::wstring(GetCommandLineW()) + L"\n" + std::to_wstring(show) + L"\n" +
                        std::to_wstring((si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1) +
                        L"\n";
  const std::string utf8 = text::WideToUtf8(record);
  std::wstring temp = path + L".part";
  HANDLE f = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(f, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(f);
  MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
  return 0;
}

#include "app/book_platform_win.h"

#include <shellapi.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "app/system_error_win.h"
#include "text/codepage.h"
#include "text/utf.h"

namespace app {
namespace {

// Up to two seconds: a compiler reads each project file in well under that.
constexpr int kRenameAttempts = 40;
constexpr DWORD kRenameRetryMs = 50;

class WindowsBookPlatform : public book::BookPlatform {
 public:
  WindowsBookPlatform(HWND owner, std::wstring program_folder)
      : owner_(owner), program_folder_(std::move(program_folder)) {}

  // The system's ANSI code page. No best-fit mapping: a character the code page lacks becomes
  // "?", never a look-alike.
  std::string ToAnsi(const std::string& utf8) const override {
    return text::EncodeCodePageReplacing(text::SystemCodePage(), utf8);
  }

  bool ToAnsiStrict(const std::string& utf8, std::string& ansi) const override {
    return text::EncodeCodePage(text::SystemCodePage(), utf8, &ansi);
  }

  bool FromAnsiStrict(const std::string& ansi, std::string& utf8) const override {
    return text::DecodeCodePage(text::SystemCodePage(), ansi, &utf8);
  }

  bool IsAnsiLeadByte(unsigned char byte) const override {
    return text::IsLeadByte(text::SystemCodePage(), byte);
  }

  unsigned AnsiCodePage() const override { return text::SystemCodePage(); }

  std::FILE* OpenFile(const std::string& path, const char* mode) const override {
    return _wfopen(text::Utf8ToWide(path).c_str(), text::Utf8ToWide(mode).c_str());
  }

  // A compiler started by the previous build may hold the old file open for a moment; Windows
  // refuses to replace it until then, so the rename is tried again for a while.
  bool RenameOver(const std::string& temporary, const std::string& path) const override {
    const std::wstring from = text::Utf8ToWide(temporary);
    const std::wstring to = text::Utf8ToWide(path);
    for (int attempt = 0;; ++attempt) {
      if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
      const DWORD error = GetLastError();
      const bool busy = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
                        error == ERROR_LOCK_VIOLATION;
      if (!busy || attempt == kRenameAttempts) {
        errno = busy ? EACCES : error == ERROR_PATH_NOT_FOUND ? ENOENT : EIO;
        return false;
      }
      Sleep(kRenameRetryMs);
    }
  }

  void RemoveFile(const std::string& path) const override {
    _wremove(text::Utf8ToWide(path).c_str());
  }

  std::string LoadTemplate(int id) const override {
    const wchar_t* text = nullptr;
    int n = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id),
                        reinterpret_cast<LPWSTR>(&text), 0);
    if (n <= 0) return BookPlatform::LoadTemplate(id);
    return text::WideToUtf8(std::wstring(text, static_cast<std::size_t>(n)));
  }

  std::string LoadAboutPage() const override {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(kAboutPageId), "custom");
    HGLOBAL data = res ? LoadResource(module, res) : nullptr;
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) return BookPlatform::LoadAboutPage();
    return std::string(static_cast<const char*>(bytes), SizeofResource(module, res));
  }

  void ShowMessage(const std::string& text, const std::string& title) override {
    MessageBoxW(owner_, text::Utf8ToWide(text).c_str(), text::Utf8ToWide(title).c_str(), MB_OK);
  }

  void ReportError(const std::string& message) override {
    MessageBoxW(owner_, text::Utf8ToWide(message).c_str(), L"Folivane", MB_OK);
  }

  void OpenWithShell(const std::string& path) override {
    ShellExecuteA(nullptr, nullptr, ToAnsi(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }

  bool StartCompiler(const std::string& project_path, std::string& reason) override {
    // Both paths quoted: a folder with a blank in its name must reach the compiler whole.
    std::wstring folder = program_folder_.empty() ? ProgramFolder() : program_folder_;
    const std::string command =
        "\"" + text::WideToUtf8(folder) + "/hhc.exe\" \"" + project_path + "\"";
    const std::string ansi = ToAnsi(command);
    std::vector<char> line(ansi.begin(), ansi.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
      reason = text::WideToUtf8(SystemErrorText(GetLastError())) + " (" + command + ")";
      return false;
    }
    // A failed compile shows a box; this lets it come to the front over this window.
    AllowSetForegroundWindow(pi.dwProcessId);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
  }

 private:
  static constexpr int kAboutPageId = 101;

  HWND owner_;
  std::wstring program_folder_;
};

}  // namespace

std::wstring ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  std::size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return L".";
  // A drive root keeps its own separator.
  return path.substr(0, (slash == 2 && path[1] == L':') ? 3 : slash);
}

std::unique_ptr<book::BookPlatform> MakeWindowsBookPlatform(HWND owner,
                                                            std::wstring program_folder) {
  return std::make_unique<WindowsBookPlatform>(owner, std::move(program_folder));
}

}  // namespace app

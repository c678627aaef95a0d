#include "app/book_platform_win.h"

#include <shellapi.h>

#include <cstdio>
#include <vector>

#include "app/text_convert_win.h"

namespace app {
namespace {

// Unicode to CP_ACP. No best-fit mapping: a character the code page lacks becomes the default
// character "?", never a look-alike. With `strict`, such a character is a failure instead.
bool AnsiFromUtf8(const std::string& utf8, std::string& ansi, bool strict) {
  ansi.clear();
  if (utf8.empty()) return true;
  int wn = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                               static_cast<int>(utf8.size()), nullptr, 0);
  if (wn <= 0) return false;
  std::wstring w(static_cast<std::size_t>(wn), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &w[0], wn);
  BOOL used_default = FALSE;
  int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), wn, nullptr, 0, "?",
                              &used_default);
  if (n <= 0) return false;
  ansi.assign(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), wn, &ansi[0], n, "?", &used_default);
  return !(strict && used_default);
}

class WindowsBookPlatform : public book::BookPlatform {
 public:
  WindowsBookPlatform(HWND owner, std::wstring program_folder)
      : owner_(owner), program_folder_(std::move(program_folder)) {}

  std::string ToAnsi(const std::string& utf8) const override {
    std::string ansi;
    AnsiFromUtf8(utf8, ansi, false);
    return ansi;
  }

  bool ToAnsiStrict(const std::string& utf8, std::string& ansi) const override {
    return AnsiFromUtf8(utf8, ansi, true);
  }

  bool FromAnsiStrict(const std::string& ansi, std::string& utf8) const override {
    utf8.clear();
    if (ansi.empty()) return true;
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(),
                                static_cast<int>(ansi.size()), nullptr, 0);
    if (n <= 0) return false;
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &w[0], n);
    utf8 = WideToUtf8(w);
    return true;
  }

  bool IsAnsiLeadByte(unsigned char byte) const override { return IsDBCSLeadByte(byte) != 0; }

  std::FILE* OpenFile(const std::string& path, const char* mode) const override {
    return _wfopen(Utf8ToWide(path).c_str(), Utf8ToWide(mode).c_str());
  }

  std::string LoadTemplate(int id) const override {
    const wchar_t* text = nullptr;
    int n = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id),
                        reinterpret_cast<LPWSTR>(&text), 0);
    if (n <= 0) return BookPlatform::LoadTemplate(id);
    return WideToUtf8(std::wstring(text, static_cast<std::size_t>(n)));
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
    MessageBoxW(owner_, Utf8ToWide(text).c_str(), Utf8ToWide(title).c_str(), MB_OK);
  }

  void ReportError(const std::string& message) override {
    MessageBoxW(owner_, Utf8ToWide(message).c_str(), L"Folivane", MB_OK);
  }

  void OpenWithShell(const std::string& path) override {
    ShellExecuteA(nullptr, nullptr, ToAnsi(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }

  bool StartCompiler(const std::string& project_path, std::string& reason) override {
    // Both paths quoted: a folder with a blank in its name must reach the compiler whole.
    std::wstring folder = program_folder_.empty() ? ProgramFolder() : program_folder_;
    const std::string command = "\"" + WideToUtf8(folder) + "/hhc.exe\" \"" + project_path + "\"";
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
      reason = WideToUtf8(SystemErrorText(GetLastError())) + " (" + command + ")";
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

// hhc.exe: loads hha.dll from the folder of the executable and hands it the command line.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tools/hhc/failure_box_win.h"
#include "tools/hhc/hha_abi.h"

namespace {

std::wstring OwnFolder() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// Without its library there is no book; a run nobody reads says so in a box of its own (the
// skin lives in the library too).
int LibraryMissing(const char* line) {
  std::fprintf(stderr, "%s\n", line);
  if (IsStandardErrorUnseen()) {
    ShowFailureBox(
        std::string(u8"没能生成电子书。\r\n\r\n帮助编译器的程序库 hha.dll 无法使用。\r\n") + line +
        u8"\r\n\r\n请重新启动 Folivane (它会放回缺少的文件), 然后再转换生成一次。");
  }
  return 3;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Only our own folder: a hha.dll elsewhere on the search path is not ours to call.
  std::wstring dll = OwnFolder() + L"hha.dll";
  HMODULE module = LoadLibraryExW(dll.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) {
    const DWORD error = GetLastError();
    return LibraryMissing(("hhc: error: hha.dll: cannot load the compiler library (error " +
                           std::to_string(error) + ")")
                              .c_str());
  }
  auto compile = reinterpret_cast<HhaCompileWFn>(GetProcAddress(module, HHA_COMPILE_ENTRY));
  if (!compile) {
    FreeLibrary(module);
    return LibraryMissing("hhc: error: hha.dll: entry point " HHA_COMPILE_ENTRY " not found");
  }
  int status = compile(argc - 1, argv + 1);
  FreeLibrary(module);
  return status;
}

// hhc.exe: loads hha.dll from the folder of the executable and hands it the command line.
#include <windows.h>

#include <cstdio>
#include <string>

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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Only our own folder: a hha.dll elsewhere on the search path is not ours to call.
  std::wstring dll = OwnFolder() + L"hha.dll";
  HMODULE module = LoadLibraryExW(dll.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) {
    std::fprintf(stderr, "hhc: error: hha.dll: cannot load the compiler library (error %lu)\n",
                 GetLastError());
    return 3;
  }
  auto compile = reinterpret_cast<HhaCompileWFn>(GetProcAddress(module, HHA_COMPILE_ENTRY));
  if (!compile) {
    std::fprintf(stderr, "hhc: error: hha.dll: entry point %s not found\n", HHA_COMPILE_ENTRY);
    FreeLibrary(module);
    return 3;
  }
  int status = compile(argc - 1, argv + 1);
  FreeLibrary(module);
  return status;
}

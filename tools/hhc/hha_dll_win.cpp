// hha.dll: the whole compiler behind one exported function.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "hhc/compile_run.h"
#include "tools/hhc/failure_box_win.h"
#include "tools/hhc/hha_abi.h"

namespace {

std::string Utf8(const wchar_t* text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string out(n - 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

extern "C" __declspec(dllexport) int __cdecl HhaCompileW(int argc, const wchar_t* const* argv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(Utf8(argv[i]));
  chm::CompileResult result;
  const int status = chm::RunHhc(args, stderr, &result);
  // Warnings stay on standard error and in the error log: the book was made.
  if (status != 0 && result.error && IsStandardErrorUnseen()) {
    ShowFailureBox(chm::FormatUserMessage(result.book, *result.error));
  }
  return status;
}

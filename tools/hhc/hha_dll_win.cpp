// hha.dll: the whole compiler behind one exported function.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "hhc/compile_run.h"
#include "skin/skinner.h"
#include "text/utf.h"
#include "tools/hhc/failure_box_win.h"
#include "tools/hhc/hha_abi.h"

namespace {

// The box is not ours to create, so the skin is attached when it is about to be activated,
// the moment the program's own window catches its boxes; the skin engine lets it go when it is
// destroyed.
LRESULT CALLBACK SkinBoxOnActivate(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND window = reinterpret_cast<HWND>(wParam);
    wchar_t window_class[16] = L"";
    GetClassNameW(window, window_class, 16);
    if (lstrcmpW(window_class, L"#32770") == 0) AttachSkin(window);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

extern "C" __declspec(dllexport) int __cdecl HhaCompileW(int argc, const wchar_t* const* argv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(text::WideToUtf8(argv[i]));
  chm::CompileResult result;
  const int status = chm::RunHhc(args, stdout, stderr, &result);
  // Warnings stay on standard error and in the error log: the book was made.
  if (status != 0 && result.error && IsStandardErrorUnseen()) {
    ShowFailureBox(chm::FormatUserMessage(result.book, *result.error), SkinBoxOnActivate);
  }
  return status;
}

// Conversion through the system's code page tables for the Windows build (hha.dll).
#ifdef _WIN32

#include <windows.h>

#include <string>

#include "text/codepage.h"

namespace chm {
namespace {

bool ToWide(unsigned code_page, std::string_view in, std::wstring* out) {
  if (in.empty()) {
    out->clear();
    return true;
  }
  int n = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, in.data(),
                              static_cast<int>(in.size()), nullptr, 0);
  if (n <= 0) return false;
  out->resize(n);
  return MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, in.data(),
                             static_cast<int>(in.size()), out->data(), n) == n;
}

bool FromWide(unsigned code_page, const std::wstring& in, std::string* out) {
  if (in.empty()) {
    out->clear();
    return true;
  }
  BOOL used_default = FALSE;
  // UTF-8 accepts neither flag nor the default-character pointer.
  DWORD flags = code_page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL* used = code_page == CP_UTF8 ? nullptr : &used_default;
  int n = WideCharToMultiByte(code_page, flags, in.data(), static_cast<int>(in.size()), nullptr, 0,
                              nullptr, used);
  if (n <= 0 || used_default) return false;
  out->resize(n);
  n = WideCharToMultiByte(code_page, flags, in.data(), static_cast<int>(in.size()), out->data(), n,
                          nullptr, used);
  return n > 0 && !used_default;
}

}  // namespace

bool CodePageSupported(unsigned code_page) { return IsValidCodePage(code_page) != 0; }

bool DecodeCodePage(unsigned code_page, std::string_view bytes, std::string* utf8) {
  if (IsAscii(bytes)) {
    utf8->assign(bytes);
    return true;
  }
  std::wstring wide;
  return ToWide(code_page, bytes, &wide) && FromWide(CP_UTF8, wide, utf8);
}

bool EncodeCodePage(unsigned code_page, std::string_view utf8, std::string* bytes) {
  if (IsAscii(utf8)) {
    bytes->assign(utf8);
    return true;
  }
  std::wstring wide;
  return ToWide(CP_UTF8, utf8, &wide) && FromWide(code_page, wide, bytes);
}

}  // namespace chm

#endif  // _WIN32

// Code pages through the system's tables for the Windows build.
#ifdef _WIN32

#include <windows.h>

#include <string>

#include "text/ascii.h"
#include "text/codepage.h"
#include "text/utf.h"

namespace text {
namespace {

bool ToWide(unsigned code_page, std::string_view in, std::wstring* out) {
  out->clear();
  if (in.empty()) return true;
  int n = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, in.data(),
                              static_cast<int>(in.size()), nullptr, 0);
  if (n <= 0) return false;
  out->resize(n);
  return MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, in.data(),
                             static_cast<int>(in.size()), out->data(), n) == n;
}

bool FromWide(unsigned code_page, const std::wstring& in, std::string* out) {
  out->clear();
  if (in.empty()) return true;
  // UTF-8 accepts neither the flag nor the default-character pointer; it lacks nothing.
  if (code_page == CP_UTF8) {
    *out = WideToUtf8(in);
    return true;
  }
  // No look-alike: a character the code page lacks is a failure, never a best-fit stand-in.
  const DWORD flags = WC_NO_BEST_FIT_CHARS;
  const int length = static_cast<int>(in.size());
  BOOL used_default = FALSE;
  int n =
      WideCharToMultiByte(code_page, flags, in.data(), length, nullptr, 0, nullptr, &used_default);
  if (n <= 0 || used_default) return false;
  out->resize(n);
  return WideCharToMultiByte(code_page, flags, in.data(), length, out->data(), n, nullptr,
                             nullptr) == n;
}

}  // namespace

unsigned SystemCodePage() { return GetACP(); }

bool CodePageSupported(unsigned code_page) { return IsValidCodePage(code_page) != 0; }

// UTF-8 to and from UTF-16 is our own code (utf.cpp), strict where the code page side is.
bool DecodeCodePage(unsigned code_page, std::string_view bytes, std::string* utf8) {
  if (IsAscii(bytes)) {
    utf8->assign(bytes);
    return true;
  }
  std::wstring wide;
  if (!ToWide(code_page, bytes, &wide)) return false;
  *utf8 = WideToUtf8(wide);
  return true;
}

bool EncodeCodePage(unsigned code_page, std::string_view utf8, std::string* bytes) {
  if (IsAscii(utf8)) {
    bytes->assign(utf8);
    return true;
  }
  if (!IsValidUtf8(utf8)) return false;
  return FromWide(code_page, Utf8ToWide(utf8), bytes);
}

std::wstring CodePageToWide(unsigned code_page, std::string_view bytes) {
  if (bytes.empty()) return {};
  const int length = static_cast<int>(bytes.size());
  int n = MultiByteToWideChar(code_page, 0, bytes.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(code_page, 0, bytes.data(), length, wide.data(), n);
  return wide;
}

std::string WideToCodePage(unsigned code_page, std::wstring_view wide) {
  if (wide.empty()) return {};
  const int length = static_cast<int>(wide.size());
  int n = WideCharToMultiByte(code_page, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(code_page, 0, wide.data(), length, bytes.data(), n, nullptr, nullptr);
  return bytes;
}

}  // namespace text

#endif  // _WIN32

// iconv-based conversion for the native build.
#ifndef _WIN32

#include <iconv.h>

#include <cerrno>
#include <string>

#include "text/codepage.h"

namespace chm {
namespace {

std::string IconvName(unsigned code_page) {
  if (code_page == 65001) return "UTF-8";
  return "CP" + std::to_string(code_page);
}

bool Convert(const std::string& from, const std::string& to, std::string_view in,
             std::string* out) {
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out->clear();
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char buffer[4096];
  bool ok = true;
  while (src_left > 0) {
    char* dst = buffer;
    size_t dst_left = sizeof buffer;
    size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    out->append(buffer, dst - buffer);
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      ok = false;  // EILSEQ or EINVAL: invalid or truncated input, or no mapping
      break;
    }
    if (r != static_cast<size_t>(-1) && r > 0) {
      ok = false;  // irreversible (approximate) conversions count as failures
      break;
    }
  }
  if (ok) {
    char* dst = buffer;
    size_t dst_left = sizeof buffer;
    iconv(cd, nullptr, nullptr, &dst, &dst_left);
    out->append(buffer, dst - buffer);
  }
  iconv_close(cd);
  return ok;
}

}  // namespace

bool CodePageSupported(unsigned code_page) {
  iconv_t cd = iconv_open("UTF-8", IconvName(code_page).c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(cd);
  return true;
}

bool DecodeCodePage(unsigned code_page, std::string_view bytes, std::string* utf8) {
  if (IsAscii(bytes)) {
    utf8->assign(bytes);
    return true;
  }
  return Convert(IconvName(code_page), "UTF-8", bytes, utf8);
}

bool EncodeCodePage(unsigned code_page, std::string_view utf8, std::string* bytes) {
  if (IsAscii(utf8)) {
    bytes->assign(utf8);
    return true;
  }
  return Convert("UTF-8", IconvName(code_page), utf8, bytes);
}

}  // namespace chm

#endif  // !_WIN32

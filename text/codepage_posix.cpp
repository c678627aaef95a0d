// Code pages through iconv for the native build.
#ifndef _WIN32

#include <iconv.h>

#include <cerrno>
#include <map>
#include <string>
#include <utility>

#include "text/ascii.h"
#include "text/codepage.h"

namespace text {
namespace {

constexpr unsigned kUtf8CodePage = 65001;
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

std::string IconvName(unsigned code_page) {
  if (code_page == kUtf8CodePage) return "UTF-8";
  if (code_page == 54936) return "GB18030";  // iconv has no number for it
  return "CP" + std::to_string(code_page);
}

// Opening a converter loads its tables, which costs far more than converting a short text;
// the title reader converts one character at a time. So each thread keeps the converters it
// has opened, in both directions, until it ends.
class Converters {
 public:
  ~Converters() {
    for (auto& entry : open_) {
      if (entry.second != kNoConverter) iconv_close(entry.second);
    }
  }

  // kNoConverter when the system has no such conversion.
  iconv_t Get(unsigned code_page, bool to_utf8) {
    auto found = open_.find({code_page, to_utf8});
    if (found != open_.end()) return found->second;
    const std::string name = IconvName(code_page);
    iconv_t cd = to_utf8 ? iconv_open("UTF-8", name.c_str()) : iconv_open(name.c_str(), "UTF-8");
    open_.emplace(std::make_pair(code_page, to_utf8), cd);
    return cd;
  }

 private:
  std::map<std::pair<unsigned, bool>, iconv_t> open_;
};

thread_local Converters converters;

bool Convert(iconv_t cd, std::string_view in, std::string* out) {
  out->clear();
  if (cd == kNoConverter) return false;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char buffer[4096];
  while (src_left > 0) {
    char* dst = buffer;
    size_t dst_left = sizeof buffer;
    size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    out->append(buffer, dst - buffer);
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      return false;  // EILSEQ or EINVAL: invalid or truncated input, or no mapping
    }
    if (r != static_cast<size_t>(-1) && r > 0) {
      return false;  // irreversible (approximate) conversions count as failures
    }
  }
  char* dst = buffer;
  size_t dst_left = sizeof buffer;
  iconv(cd, nullptr, nullptr, &dst, &dst_left);
  out->append(buffer, dst - buffer);
  return true;
}

}  // namespace

unsigned SystemCodePage() { return 936; }

bool CodePageSupported(unsigned code_page) {
  return converters.Get(code_page, true) != kNoConverter;
}

bool DecodeCodePage(unsigned code_page, std::string_view bytes, std::string* utf8) {
  if (IsAscii(bytes)) {
    utf8->assign(bytes);
    return true;
  }
  return Convert(converters.Get(code_page, true), bytes, utf8);
}

bool EncodeCodePage(unsigned code_page, std::string_view utf8, std::string* bytes) {
  if (IsAscii(utf8)) {
    bytes->assign(utf8);
    return true;
  }
  return Convert(converters.Get(code_page, false), utf8, bytes);
}

}  // namespace text

#endif  // !_WIN32

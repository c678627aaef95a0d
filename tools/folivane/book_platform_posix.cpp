#include "tools/folivane/book_platform_posix.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The code page the generated project declares (Language=0x804).
constexpr const char kAnsiCodePage[] = "CP936";

// Converts all of `in`; false on any sequence the target cannot take.
bool Convert(iconv_t cd, const std::string& in, std::string& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  out.assign(in.size() * 2 + 8, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  char* dst = &out[0];
  std::size_t dst_left = out.size();
  if (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<std::size_t>(-1) ||
      iconv(cd, nullptr, nullptr, &dst, &dst_left) == static_cast<std::size_t>(-1)) {
    return false;
  }
  out.resize(out.size() - dst_left);
  return true;
}

std::size_t Utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

}  // namespace

PosixBookPlatform::PosixBookPlatform(std::string compiler)
    : compiler_(std::move(compiler)),
      to_ansi_(iconv_open(kAnsiCodePage, "UTF-8")),
      from_ansi_(iconv_open("UTF-8", kAnsiCodePage)) {}

PosixBookPlatform::~PosixBookPlatform() {
  if (to_ansi_ != reinterpret_cast<iconv_t>(-1)) iconv_close(to_ansi_);
  if (from_ansi_ != reinterpret_cast<iconv_t>(-1)) iconv_close(from_ansi_);
}

std::string PosixBookPlatform::ToAnsi(const std::string& utf8) const {
  std::string out;
  if (ToAnsiStrict(utf8, out)) return out;
  // Character by character, with "?" for what the code page lacks, as the Windows conversion
  // does with its default character.
  out.clear();
  for (std::size_t i = 0; i < utf8.size();) {
    std::size_t len = std::min(Utf8Length(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
    std::string piece;
    // Windows substitutes per UTF-16 unit: a character beyond the BMP becomes "??".
    out += ToAnsiStrict(utf8.substr(i, len), piece) ? piece : std::string(len == 4 ? "??" : "?");
    i += len;
  }
  return out;
}

bool PosixBookPlatform::ToAnsiStrict(const std::string& utf8, std::string& ansi) const {
  return to_ansi_ != reinterpret_cast<iconv_t>(-1) && Convert(to_ansi_, utf8, ansi);
}

bool PosixBookPlatform::FromAnsiStrict(const std::string& ansi, std::string& utf8) const {
  return from_ansi_ != reinterpret_cast<iconv_t>(-1) && Convert(from_ansi_, ansi, utf8);
}

bool PosixBookPlatform::IsAnsiLeadByte(unsigned char byte) const {
  return byte >= 0x81 && byte <= 0xFE;
}

std::FILE* PosixBookPlatform::OpenFile(const std::string& path, const char* mode) const {
  return std::fopen(path.c_str(), mode);
}

void PosixBookPlatform::ShowMessage(const std::string& text, const std::string&) {
  std::fprintf(stderr, "%s\n", text.c_str());
}

void PosixBookPlatform::ReportError(const std::string& message) {
  std::fprintf(stderr, "folivane: %s\n", message.c_str());
}

void PosixBookPlatform::OpenWithShell(const std::string&) {
  // A terminal has no folder window to open; the path of the book is printed at the end.
}

bool PosixBookPlatform::StartCompiler(const std::string& project_path, std::string& reason) {
  if (compiler_.empty()) return true;
  if (access(compiler_.c_str(), X_OK) != 0) {
    compiler_missing_ = true;
    reason = u8"找不到编译器“" + compiler_ + u8"”：" + std::strerror(errno);
    return false;
  }
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid < 0) {
    reason = std::strerror(errno);
    return false;
  }
  if (pid == 0) {
    execl(compiler_.c_str(), compiler_.c_str(), "-q", project_path.c_str(),
          static_cast<char*>(nullptr));
    std::fprintf(stderr, "folivane: %s: %s\n", compiler_.c_str(), std::strerror(errno));
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  compiler_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return true;
}

#include "tools/folivane/book_platform_posix.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "text/codepage.h"

namespace {

// The code page the generated project declares (Language=0x804).
constexpr unsigned kAnsiCodePage = 936;

}  // namespace

PosixBookPlatform::PosixBookPlatform(std::string compiler) : compiler_(std::move(compiler)) {}

std::string PosixBookPlatform::ToAnsi(const std::string& utf8) const {
  return text::EncodeCodePageReplacing(kAnsiCodePage, utf8);
}

bool PosixBookPlatform::ToAnsiStrict(const std::string& utf8, std::string& ansi) const {
  return text::EncodeCodePage(kAnsiCodePage, utf8, &ansi);
}

bool PosixBookPlatform::FromAnsiStrict(const std::string& ansi, std::string& utf8) const {
  return text::DecodeCodePage(kAnsiCodePage, ansi, &utf8);
}

bool PosixBookPlatform::IsAnsiLeadByte(unsigned char byte) const {
  return text::IsLeadByte(kAnsiCodePage, byte);
}

unsigned PosixBookPlatform::AnsiCodePage() const { return kAnsiCodePage; }

std::FILE* PosixBookPlatform::OpenFile(const std::string& path, const char* mode) const {
  return std::fopen(path.c_str(), mode);
}

bool PosixBookPlatform::RenameOver(const std::string& temporary, const std::string& path) const {
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

void PosixBookPlatform::RemoveFile(const std::string& path) const { std::remove(path.c_str()); }

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

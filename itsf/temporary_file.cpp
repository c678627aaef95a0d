#include "itsf/temporary_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace chm {
namespace fs = std::filesystem;

namespace {

// Collisions only cost another try; the exclusive creation is what keeps runs apart.
constexpr int kNameAttempts = 64;
constexpr int kTagDigits = 8;
constexpr auto kStaleAfter = std::chrono::hours(24);

// Opens `path` only if no file of that name exists; the open and the check are one step in
// the file system.
int CreateExclusive(const fs::path& path) {
#ifdef _WIN32
  int fd = _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd >= 0) _close(fd);
#else
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd >= 0) close(fd);
#endif
  return fd;
}

unsigned long ProcessId() {
#ifdef _WIN32
  return static_cast<unsigned long>(_getpid());
#else
  return static_cast<unsigned long>(getpid());
#endif
}

// Eight hex digits that differ between runs and between the files of one run: the random
// device, mixed with the process, the clock and a counter in case the device is weak.
std::string NameTag() {
  static std::atomic<unsigned> counter{0};
  std::random_device device;
  std::uint64_t mix = device();
  mix = mix * 0x9E3779B97F4A7C15ull ^ ProcessId();
  mix = mix * 0x9E3779B97F4A7C15ull ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  mix = mix * 0x9E3779B97F4A7C15ull ^ counter.fetch_add(1);
  char tag[kTagDigits + 1];
  std::snprintf(tag, sizeof tag, "%08x", static_cast<unsigned>(mix >> 32 ^ mix));
  return tag;
}

// "BOOK.XXXXXXXX.part" or "BOOK.XXXXXXXX.content.part", as CreateTemporaryBeside names them.
bool IsTemporaryOf(const std::string& book_name, const std::string& name) {
  const std::string prefix = book_name + ".";
  if (name.size() <= prefix.size() + kTagDigits || name.compare(0, prefix.size(), prefix) != 0) {
    return false;
  }
  for (size_t i = prefix.size(); i < prefix.size() + kTagDigits; ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
  }
  const std::string rest = name.substr(prefix.size() + kTagDigits);
  return rest == ".part" || rest == ".content.part";
}

}  // namespace

fs::path CreateTemporaryBeside(const fs::path& book, const std::string& suffix) {
  int error_number = EEXIST;
  fs::path path;
  for (int attempt = 0; attempt < kNameAttempts && error_number == EEXIST; ++attempt) {
    path = book;
    path += "." + NameTag() + "." + suffix;
    errno = 0;
    if (CreateExclusive(path) >= 0) return path;
    error_number = errno;
  }
  FailWritingBook(book, path, error_number);
}

void RemoveStaleTemporaries(const fs::path& book) {
  const std::string book_name = book.filename().u8string();
  fs::path folder = book.parent_path();
  if (folder.empty()) folder = ".";
  std::error_code ec;
  const auto now = fs::file_time_type::clock::now();
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!IsTemporaryOf(book_name, it->path().filename().u8string())) continue;
    std::error_code ignored;
    const auto written = fs::last_write_time(it->path(), ignored);
    if (!ignored && now - written > kStaleAfter) fs::remove(it->path(), ignored);
  }
}

void FailWritingBook(const fs::path& book, const fs::path& file, int error_number) {
  const std::string name = file.filename().u8string();
  switch (error_number) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      Fail(ErrorCode::kDiskFull, book.u8string(), name);
    case EACCES:
    case EPERM:
    case EROFS:
    case ENOENT:
    case ENOTDIR:
      Fail(ErrorCode::kFolderUnwritable, book.u8string(),
           name + ": " + std::strerror(error_number));
    default:
      Fail(ErrorCode::kBookUnwritable, book.u8string(),
           error_number ? name + ": " + std::strerror(error_number) : name);
  }
}

}  // namespace chm

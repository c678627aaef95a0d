#include "book/line_buffer.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace book {

std::string AnsiTemplate(const BookPlatform& platform, int id) {
  return platform.ToAnsi(platform.LoadTemplate(id));
}

namespace {

// "chm_hhp.hhp.1a2b3c4d.tmp": a name of this run's own, so two builds started together never
// write into one file.
std::string TemporaryName(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  std::random_device device;
  char tag[16];
  std::snprintf(tag, sizeof tag, "%08x", static_cast<unsigned>(device() ^ counter.fetch_add(1)));
  return path + "." + tag + ".tmp";
}

}  // namespace

bool WriteWholeFile(const BookPlatform& platform, const std::string& path, const std::string& bytes,
                    std::string& reason) {
  const std::string temporary = TemporaryName(path);
  std::FILE* f = platform.OpenFile(temporary, "wb");
  if (!f) {
    reason = std::strerror(errno);
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (!ok) reason = std::strerror(errno);
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    reason = std::strerror(errno);
  }
  if (ok && !platform.RenameOver(temporary, path)) {
    ok = false;
    reason = std::strerror(errno);
  }
  if (!ok) platform.RemoveFile(temporary);
  return ok;
}

bool WriteLineBuffer(const BookPlatform& platform, const LineBuffer& lines, const std::string& path,
                     std::string& reason) {
  std::string text;
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  text.reserve(size);
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return WriteWholeFile(platform, path, text, reason);
}

}  // namespace book

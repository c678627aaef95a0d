#include "book/line_buffer.h"

#include <cerrno>
#include <cstring>

namespace book {

std::string AnsiTemplate(const BookPlatform& platform, int id) {
  return platform.ToAnsi(platform.LoadTemplate(id));
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
  std::FILE* f = platform.OpenFile(path, "wb");
  if (!f) {
    reason = std::strerror(errno);
    return false;
  }
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (!ok) reason = std::strerror(errno);
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    reason = std::strerror(errno);
  }
  return ok;
}

}  // namespace book

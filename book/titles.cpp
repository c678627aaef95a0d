#include "book/titles.h"

#include <cerrno>
#include <cstring>

#include "text/ascii.h"
#include "text/unicode_case.h"

namespace book {

std::string TextBetween(const std::string& text, const std::string& open,
                        const std::string& close) {
  std::size_t start = text.find(open);
  if (start == std::string::npos) return std::string();
  start += open.size();
  std::size_t end = open.empty() ? std::string::npos : text.find(open, start);
  std::string piece =
      text.substr(start, end == std::string::npos ? std::string::npos : end - start);
  std::size_t cut = close.empty() ? std::string::npos : piece.find(close);
  return cut == std::string::npos ? piece : piece.substr(0, cut);
}

std::string LowerAnsiText(const BookPlatform& platform, const std::string& ansi) {
  std::string out;
  out.reserve(ansi.size());
  std::size_t i = 0;
  while (i < ansi.size()) {
    unsigned char b = static_cast<unsigned char>(ansi[i]);
    if (b < 0x80) {
      out.push_back(text::LowerAscii(ansi[i]));
      ++i;
      continue;
    }
    std::size_t len = (platform.IsAnsiLeadByte(b) && i + 1 < ansi.size()) ? 2 : 1;
    std::string ch = ansi.substr(i, len);
    i += len;
    // Characters are decoded one at a time, so bytes that the code page cannot read (a UTF-8
    // file on a GBK system, say) pass through unchanged instead of turning into "?".
    std::string utf8;
    std::string lowered;
    if (platform.FromAnsiStrict(ch, utf8) && text::LowerUtf8(utf8, lowered) &&
        platform.ToAnsiStrict(lowered, ch)) {
    }
    out += ch;
  }
  return out;
}

namespace {

constexpr const char kTitleOpen[] = "<title>";
constexpr const char kTitleClose[] = "</title>";

// Reads one line: up to a carriage return, which is consumed together with a line feed that
// directly follows it. Returns false at the end of the file when nothing was read.
bool ReadLine(std::FILE* f, std::string& line) {
  line.clear();
  int c = std::getc(f);
  if (c == EOF) return false;
  while (c != EOF && c != '\r') {
    line.push_back(static_cast<char>(c));
    c = std::getc(f);
  }
  if (c == '\r') {
    int next = std::getc(f);
    if (next != '\n' && next != EOF) std::ungetc(next, f);
  }
  return true;
}

// Whether the line may hold the marker in some capitalisation: a cheap test before the
// character-wise lower-casing, which is the costly part.
bool MayHoldTitle(const std::string& line) {
  for (std::size_t i = line.find('<'); i != std::string::npos; i = line.find('<', i + 1)) {
    if (line.size() - i < sizeof kTitleOpen - 1) return false;
    if (text::StartsWithNoCase(std::string_view(line).substr(i), kTitleOpen)) return true;
  }
  return false;
}

}  // namespace

bool ReadChapterTitle(const BookPlatform& platform, const std::string& path, std::string& title,
                      std::string& reason) {
  title.clear();
  std::FILE* f = platform.OpenFile(path, "rb");
  if (!f) {
    reason = std::strerror(errno);
    return false;
  }
  std::string line;
  bool found = false;
  while (ReadLine(f, line)) {
    if (!MayHoldTitle(line)) continue;
    std::string lower = LowerAnsiText(platform, line);
    if (lower.find(kTitleOpen) == std::string::npos) continue;
    title = TextBetween(lower, kTitleOpen, kTitleClose);
    found = true;
    break;
  }
  bool failed = !found && std::ferror(f);
  if (failed) reason = std::strerror(errno);
  std::fclose(f);
  return !failed;
}

bool ChapterEntryName(const BookPlatform& platform, const std::string& folder,
                      const std::string& file_name, std::string& entry_name, std::string& reason) {
  std::string title;
  if (!ReadChapterTitle(platform, folder + "/" + file_name, title, reason)) return false;
  entry_name = title.empty() ? platform.ToAnsi(file_name) : title;
  return true;
}

}  // namespace book

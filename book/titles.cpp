#include "book/titles.h"

#include <cerrno>
#include <cstring>
#include <string_view>

#include "text/ascii.h"
#include "text/chapter_encoding.h"
#include "text/codepage.h"
#include "text/mime.h"
#include "text/unicode_case.h"
#include "text/utf.h"

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

// A chapter's bytes in order: its file, or a web archive's page decoded in memory. Bytes
// looked at for a byte-order mark and not part of one are handed out again first.
class ChapterBytes {
 public:
  explicit ChapterBytes(std::FILE* file) : file_(file) {}
  explicit ChapterBytes(std::string_view memory) : memory_(memory) {}

  int Get() {
    if (!pushed_back_.empty()) {
      const int c = static_cast<unsigned char>(pushed_back_.front());
      pushed_back_.erase(0, 1);
      return c;
    }
    if (file_) return std::getc(file_);
    return at_ < memory_.size() ? static_cast<unsigned char>(memory_[at_++]) : EOF;
  }
  void Unget(int c) {
    if (c != EOF) pushed_back_.insert(pushed_back_.begin(), static_cast<char>(c));
  }
  // A byte-order mark at the start, consumed; what it marks in `*encoding`.
  bool TakeByteOrderMark(text::Encoding* encoding) {
    std::string head;
    for (int i = 0; i < 3; ++i) {
      const int c = Get();
      if (c == EOF) break;
      head.push_back(static_cast<char>(c));
    }
    const std::size_t mark = text::ByteOrderMark(head, encoding);
    pushed_back_ = head.substr(mark);
    return mark > 0;
  }

 private:
  std::FILE* file_ = nullptr;
  std::string_view memory_;
  std::size_t at_ = 0;
  std::string pushed_back_;
};

// Reads one line: up to a carriage return, which is consumed together with a line feed that
// directly follows it. Returns false at the end when nothing was read.
bool ReadLine(ChapterBytes& bytes, std::string& line) {
  line.clear();
  int c = bytes.Get();
  if (c == EOF) return false;
  while (c != EOF && c != '\r') {
    line.push_back(static_cast<char>(c));
    c = bytes.Get();
  }
  if (c == '\r') {
    int next = bytes.Get();
    if (next != '\n') bytes.Unget(next);
  }
  return true;
}

// The same line rule for UTF-16 text: the line comes back as UTF-8 (a lone surrogate
// becomes U+FFFD).
bool ReadUtf16Line(ChapterBytes& bytes, bool big_endian, std::string& line) {
  auto unit = [&](char16_t* u) {
    const int a = bytes.Get();
    if (a == EOF) return false;
    const int b = bytes.Get();
    if (b == EOF) return false;  // a lone last byte is no character
    *u = static_cast<char16_t>(big_endian ? (a << 8) | b : (b << 8) | a);
    return true;
  };
  std::u16string units;
  char16_t u;
  if (!unit(&u)) return false;
  bool more = true;
  while (more && u != u'\r') {
    units.push_back(u);
    more = unit(&u);
  }
  if (more) {
    // After a CR: a LF belongs to the line end; anything else starts the next line.
    const int a = bytes.Get();
    const int b = a == EOF ? EOF : bytes.Get();
    const bool lf = b != EOF && (big_endian ? (a == 0 && b == '\n') : (a == '\n' && b == 0));
    if (!lf) {
      bytes.Unget(b);
      bytes.Unget(a);
    }
  }
  line = text::Utf16ToUtf8(units);
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

// The title in a line of Unicode text, lower-cased and converted to the ANSI code page;
// false when the lower-cased line does not hold the marker.
bool TitleInUnicodeLine(const BookPlatform& platform, const std::string& utf8, std::string& title) {
  std::string lower;
  // Ill-formed bytes in a line said to be UTF-8 become U+FFFD, which the code page writes "?".
  if (!text::LowerUtf8(utf8, lower))
    text::LowerUtf8(text::Utf16ToUtf8(text::Utf8ToUtf16(utf8)), lower);
  if (lower.find(kTitleOpen) == std::string::npos) return false;
  title = platform.ToAnsi(TextBetween(lower, kTitleOpen, kTitleClose));
  return true;
}

// The title in a line of 8-bit text in the encoding decided for it.
bool TitleInLine(const BookPlatform& platform, const std::string& line,
                 const text::ChapterEncoding& encoding, std::string& title) {
  if (encoding.encoding == text::Encoding::kUtf8) return TitleInUnicodeLine(platform, line, title);
  std::string utf8;
  if (encoding.encoding == text::Encoding::kCodePage &&
      text::DecodeCodePage(encoding.code_page, line, &utf8)) {
    return TitleInUnicodeLine(platform, utf8, title);
  }
  // The ANSI code page, byte for byte as the chapter has it.
  const std::string lower = LowerAnsiText(platform, line);
  if (lower.find(kTitleOpen) == std::string::npos) return false;
  title = TextBetween(lower, kTitleOpen, kTitleClose);
  return true;
}

// The title search over a chapter's bytes. The encoding is decided when a line may hold the
// title, from everything read up to and including that line: a byte-order mark, then
// `declared` (a web archive part's charset) or a charset the text declares, then UTF-8 when
// the text is UTF-8 by its form, otherwise the ANSI code page.
bool FindTitle(const BookPlatform& platform, ChapterBytes& bytes, const std::string& declared,
               std::string& title) {
  text::Encoding marked;
  if (bytes.TakeByteOrderMark(&marked)) {
    std::string line;
    if (marked == text::Encoding::kUtf8) {
      while (ReadLine(bytes, line)) {
        if (MayHoldTitle(line) && TitleInUnicodeLine(platform, line, title)) return true;
      }
      return false;
    }
    while (ReadUtf16Line(bytes, marked == text::Encoding::kUtf16Be, line)) {
      if (MayHoldTitle(line) && TitleInUnicodeLine(platform, line, title)) return true;
    }
    return false;
  }
  bool declared_known = false;
  const text::ChapterEncoding from_declared =
      text::EncodingForCharset(declared, platform.AnsiCodePage(), &declared_known);
  text::CharsetSniffer sniffer(platform.AnsiCodePage());
  std::string line;
  while (ReadLine(bytes, line)) {
    if (!declared_known) sniffer.Feed(line);
    if (!MayHoldTitle(line)) continue;
    const text::ChapterEncoding encoding = declared_known ? from_declared : sniffer.Decide();
    if (TitleInLine(platform, line, encoding, title)) return true;
  }
  return false;
}

// A web archive's name, which a browser gives in the Subject header when the page's own title
// is missing, lower-cased as titles are.
std::string SubjectTitle(const BookPlatform& platform, const std::string& subject) {
  std::string lower;
  if (text::LowerUtf8(subject, lower)) return platform.ToAnsi(lower);
  return LowerAnsiText(platform, subject);
}

// Archives read this far without finding their page are read as other chapters are.
constexpr std::size_t kLongestArchiveScan = 64u << 20;
constexpr std::size_t kArchiveReadChunk = 256u << 10;

// The title of a web archive whose page is transfer-encoded; false for any other file, which
// is then read as any chapter is.
bool WebArchiveTitle(const BookPlatform& platform, std::FILE* f, std::string& title) {
  std::string bytes;
  text::WebArchive archive;
  text::ArchiveScan scan = text::ArchiveScan::kNeedMore;
  while (scan == text::ArchiveScan::kNeedMore) {
    const std::size_t had = bytes.size();
    bytes.resize(had + kArchiveReadChunk);
    bytes.resize(had + std::fread(&bytes[had], 1, kArchiveReadChunk, f));
    const bool complete =
        bytes.size() < had + kArchiveReadChunk || bytes.size() >= kLongestArchiveScan;
    scan = text::ScanWebArchive(bytes, complete, &archive);
  }
  if (scan != text::ArchiveScan::kFound || !archive.has_page || !archive.page_encoded) return false;
  ChapterBytes page(archive.page);
  if (!FindTitle(platform, page, archive.charset, title) || title.empty())
    title = SubjectTitle(platform, archive.subject);
  return true;
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
  bool found = text::EndsWithNoCase(path, ".mht") && WebArchiveTitle(platform, f, title);
  if (!found && !std::ferror(f)) {
    title.clear();
    std::rewind(f);
    ChapterBytes bytes(f);
    found = FindTitle(platform, bytes, std::string(), title);
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

// Helpers for the compiler's tests: project folders written the way the book builder writes
// them (GBK, CR LF, the fixed template lines), the hhc program, and three independent readers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace chm_test {

namespace fs = std::filesystem;

// UTF-8 -> GBK through iconv (not through the compiler's own conversion).
std::string Gbk(const std::string& utf8);

void WriteBytes(const fs::path& path, const std::string& bytes);
std::string ReadBytes(const fs::path& path);

struct Chapter {
  std::string file;   // UTF-8 file name
  std::string title;  // entry name in the contents and index (UTF-8)
  std::string body;   // page bytes, written as they are
};

// A project as the book builder writes it: chm_hhp.hhp, chm_hhc.hhc, chm_hhk.hhk,
// chm_about.htm and the chapters. `book` is the book name B (Compiled file=B.chm).
void WriteProject(const fs::path& folder, const std::string& book,
                  const std::vector<Chapter>& chapters);

// The lines of the project file in UTF-8 (before GBK), so that tests can alter one.
std::vector<std::string> ProjectLines(const std::string& book,
                                      const std::vector<Chapter>& chapters);
void WriteProjectLines(const fs::path& folder, const std::vector<std::string>& lines);

// A fresh empty folder under the system's temporary folder.
fs::path FreshFolder(const std::string& name);

struct ProgramRun {
  ProgramRun() = default;
  ProgramRun(int s, std::string e, std::string o = {})
      : status(s), err(std::move(e)), out(std::move(o)) {}
  int status = -1;
  std::string err;
  std::string out;
};
// Runs build/.../hhc with the arguments; stderr and stdout captured.
ProgramRun RunHhcProgram(const std::vector<std::string>& args);

// name (with leading '/') -> content, for every non-directory entry outside "::".
using BookFiles = std::map<std::string, std::string>;

// chmlib: enumerate, chm_resolve_object by name for each entry, retrieve. Fails the current
// test (ADD_FAILURE) on any mismatch between enumeration and look-up.
BookFiles ReadWithChmlib(const fs::path& book);
// libmspack's CHM decompressor: open, extract every file.
BookFiles ReadWithMspack(const fs::path& book);
// 7-Zip: "7z t" must say "Everything is Ok"; then "7z x" into a folder.
BookFiles ReadWith7z(const fs::path& book);

// Each stored name ("/..." -> expected content) looked up on its own, as a viewer opening one
// page does: through chmlib's chm_resolve_object, and through libmspack's fast_find on a header
// from fast_open (which reads no listing, so the look-up goes through the index chunks and the
// quickrefs). Fails the current test naming how many names each reader missed or misread.
void ExpectEveryNameFound(const fs::path& book, const BookFiles& expected);

// ITSP fields of the book's directory.
struct DirectoryShape {
  std::uint32_t depth = 0, root = 0, chunks = 0;
};
DirectoryShape ReadDirectoryShape(const fs::path& book);

}  // namespace chm_test

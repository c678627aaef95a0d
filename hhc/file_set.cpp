#include "hhc/file_set.h"

#include "hhc/link_scan.h"
#include "itsf/error.h"
#include "text/ascii.h"
#include "text/codepage.h"

namespace chm {
namespace fs = std::filesystem;

namespace {

// chmlib and the readers built on it (Wine's among them) refuse names over 512 bytes, the
// leading '/' included.
constexpr size_t kMaxNameBytes = 511;

bool IsReservedName(const std::string& name) {
  return name[0] == '#' || name[0] == '$' || name[0] == ':';
}

}  // namespace

bool FileSet::Probe(const fs::path& path, fs::file_status* status) {
  if (absent_.count(path.native()) != 0) return false;
  std::error_code ec;
  *status = fs::status(path, ec);
  if (fs::exists(*status)) return true;
  absent_.insert(path.native());
  return false;
}

fs::path FileSet::Locate(const std::string& name, const std::string& ansi, bool ansi_spelling,
                         fs::file_status* status) {
  fs::path utf8_path = root_ / fs::u8path(name);
  if (Probe(utf8_path, status)) return utf8_path;
#ifndef _WIN32
  if (ansi_spelling && !ansi.empty() && ansi != name) {
    fs::path ansi_path = root_ / fs::path(ansi);
    if (Probe(ansi_path, status)) return ansi_path;
  }
#else
  // Windows looks file names up in UTF-16, so there is only the one spelling.
  (void)ansi;
  (void)ansi_spelling;
#endif
  return {};
}

bool FileSet::Contains(const std::string& normalised_name) const {
  return by_folded_name_.count(text::LowerAscii(normalised_name)) != 0;
}

bool FileSet::Insert(const std::string& name, const fs::path& disk, const std::string& ansi) {
  std::string folded = text::LowerAscii(name);
  auto found = by_folded_name_.find(folded);
  if (found != by_folded_name_.end()) {
    const StoredFile& other = files_[found->second];
    if (other.name == name) return false;
    std::error_code ec;
    if (fs::equivalent(other.disk, disk, ec)) return false;  // case-insensitive file system
    Fail(ErrorCode::kCaseDuplicate, other.name, "and " + name);
  }
  if (name.size() > kMaxNameBytes) Fail(ErrorCode::kTooLarge, name, "name longer than 511 bytes");
  if (IsReservedName(name)) Fail(ErrorCode::kReservedName, name);
  by_folded_name_.emplace(std::move(folded), files_.size());
  files_.push_back(StoredFile{name, ansi, disk});
  return true;
}

void FileSet::AddRequired(const std::string& raw_name, const std::string& origin) {
  std::string name;
  if (!NormaliseRelativePath(raw_name, &name)) {
    Fail(ErrorCode::kOutsideProject, raw_name, "named by " + origin);
  }
  if (Contains(name) && files_[by_folded_name_.at(text::LowerAscii(name))].name == name) return;
  std::string ansi;
  if (!text::EncodeCodePage(code_page_, name, &ansi)) {
    Fail(ErrorCode::kNameOutsideCodePage, name, "code page " + std::to_string(code_page_));
  }
  fs::file_status status;
  fs::path disk = Locate(name, ansi, true, &status);
  if (disk.empty()) Fail(ErrorCode::kFileMissing, name, "named by " + origin);
  if (!fs::is_regular_file(status)) Fail(ErrorCode::kFileUnreadable, name, "not a regular file");
  Insert(name, disk, ansi);
}

bool FileSet::AddIfPresent(const std::string& name, bool ansi_spelling) {
  if (name.empty() || IsReservedName(name)) return false;
  auto found = by_folded_name_.find(text::LowerAscii(name));
  if (found != by_folded_name_.end() && files_[found->second].name == name) return true;
  std::string ansi;
  bool encodable = text::EncodeCodePage(code_page_, name, &ansi);
  fs::file_status status;
  fs::path disk = Locate(name, encodable ? ansi : name, ansi_spelling, &status);
  if (disk.empty() || !fs::is_regular_file(status)) return false;
  if (!encodable) {
    Fail(ErrorCode::kNameOutsideCodePage, name, "code page " + std::to_string(code_page_));
  }
  Insert(name, disk, ansi);
  return true;
}

}  // namespace chm

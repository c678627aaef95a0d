// The set of files a book stores: names as the book lists them (UTF-8, '/' separators,
// relative to the project folder), where each lies on disk, and its name in the project's
// code page. Names that differ only in case are refused: every reader looks names up without
// regard to case, so one would silently hide the other.
#pragma once

#include <filesystem>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace chm {

struct StoredFile {
  std::string name;  // e.g. "images/a.png"
  std::string ansi;  // the same in the project's code page
  std::filesystem::path disk;
};

class FileSet {
 public:
  FileSet(std::filesystem::path root, unsigned code_page)
      : root_(std::move(root)), code_page_(code_page) {}

  // A file the project names (`origin` says where, for the message). Throws CompileFailure
  // when it is missing, unreadable, outside the project folder or clashes with another name.
  void AddRequired(const std::string& raw_name, const std::string& origin);

  // A file found through a link or a sitemap: added when it exists as a regular file inside the
  // project folder. Returns true if the file is (now or already) in the set. Without
  // `ansi_spelling` only the UTF-8 spelling of the name is looked for on disk.
  bool AddIfPresent(const std::string& normalised_name, bool ansi_spelling = true);

  size_t size() const { return files_.size(); }
  const StoredFile& operator[](size_t i) const { return files_[i]; }
  const std::filesystem::path& root() const { return root_; }
  bool Contains(const std::string& normalised_name) const;

 private:
  // Where a stored name lies on disk: its UTF-8 spelling, or else its code page bytes (files
  // copied from a Windows machine keep such names), with its status. Empty when neither exists.
  std::filesystem::path Locate(const std::string& name, const std::string& ansi, bool ansi_spelling,
                               std::filesystem::file_status* status);
  // Whether `path` exists, with its status. Paths found absent are remembered: pages tend to
  // repeat the same dead links, and each look-up is a system call.
  bool Probe(const std::filesystem::path& path, std::filesystem::file_status* status);
  bool Insert(const std::string& name, const std::filesystem::path& disk, const std::string& ansi);

  std::filesystem::path root_;
  unsigned code_page_;
  std::vector<StoredFile> files_;
  std::unordered_map<std::string, size_t> by_folded_name_;
  std::unordered_set<std::filesystem::path::string_type> absent_;
};

}  // namespace chm

// Writing the finished book: to a temporary file of this run beside it first, renamed over the
// book's name only when everything was written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "itsf/bytes.h"

namespace chm {

// Fails (kBookReadOnly) when a book of that name exists and is read-only, or (kBookUnwritable)
// when a folder stands in its place; the compiler asks before its work and again at the end.
void CheckBookReplaceable(const std::filesystem::path& book);

class BookOutput {
 public:
  explicit BookOutput(std::filesystem::path book);
  ~BookOutput();  // removes the temporary file unless Commit succeeded
  BookOutput(const BookOutput&) = delete;
  BookOutput& operator=(const BookOutput&) = delete;

  void Write(const Bytes& bytes);
  void Write(const std::uint8_t* data, size_t size);
  // Flushes and closes the temporary file so that it can be read back before Commit. Throws
  // CompileFailure (kDiskFull, kFolderUnwritable or kBookUnwritable) on failure.
  void Close();
  const std::filesystem::path& temporary_path() const { return temp_; }
  // Flushes, closes (unless Close did) and renames over the book. Throws CompileFailure on any
  // failure: kBookInUse when another program holds the book open and it cannot be replaced.
  void Commit();

 private:
  std::filesystem::path book_;
  std::filesystem::path temp_;
  std::ofstream out_;
  bool committed_ = false;
};

}  // namespace chm

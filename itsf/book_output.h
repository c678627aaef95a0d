// Writing the finished book: to a temporary name beside it first, renamed over the book's
// name only when everything was written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "itsf/bytes.h"

namespace chm {

class BookOutput {
 public:
  explicit BookOutput(std::filesystem::path book);
  ~BookOutput();  // removes the temporary file unless Commit succeeded
  BookOutput(const BookOutput&) = delete;
  BookOutput& operator=(const BookOutput&) = delete;

  void Write(const Bytes& bytes);
  void Write(const std::uint8_t* data, size_t size);
  // Flushes and closes the temporary file so that it can be read back before Commit. Throws
  // CompileFailure (kBookUnwritable) on failure.
  void Close();
  const std::filesystem::path& temporary_path() const { return temp_; }
  // Flushes, closes (unless Close did) and renames. Throws CompileFailure (kBookUnwritable) on any
  // failure.
  void Commit();

 private:
  [[noreturn]] void Failed(const std::string& what);

  std::filesystem::path book_;
  std::filesystem::path temp_;
  std::ofstream out_;
  bool committed_ = false;
};

}  // namespace chm

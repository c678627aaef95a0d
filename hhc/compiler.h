// The help compiler: reads a project (.hhp) and everything it names, and writes the book
// named by its "Compiled file" option into the project's folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "itsf/error.h"
#include "lzx/encoder.h"

namespace chm {

struct CompileSettings {
  LzxLevel level = LzxLevel::kNormal;
  int threads = LzxDefaultThreads();       // encoding the compressed section
  std::optional<std::uint64_t> unix_time;  // build time to record; now when absent
  // Called with the temporary file once the whole book is written and closed, before it is read
  // back and takes the book's name. Tests damage the file here as a faulty writer would.
  std::function<void(const std::filesystem::path& temporary)> written;
};

struct CompileResult {
  bool ok = false;
  std::string book;       // UTF-8 path of the book written (or that would have been)
  std::string error_log;  // UTF-8 path from "Error log file", empty when none
  std::vector<std::string> warnings;
  std::optional<Error> error;  // set when !ok
  std::uint64_t stored_files = 0;
  std::uint64_t input_bytes = 0;
  std::uint64_t topics = 0;      // pages and sitemaps, as #TOPICS lists them
  std::uint64_t book_bytes = 0;  // size of the book written
};

// Never throws for bad input: every failure comes back as result.error, and no book is left
// under the book's name unless the compile succeeded.
CompileResult CompileProject(const std::string& project_path_utf8, const CompileSettings& settings);

// Checks the last component of a book's file name (no path separators) as Windows would.
bool IsValidBookFileName(const std::string& name);

}  // namespace chm

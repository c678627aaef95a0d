// The compiler's error vocabulary: one code per kind of failure, one message table shared by
// the native command line and hha.dll. A message names the file and the reason; the words a
// user reads in a message box also say what to do.
#pragma once

#include <stdexcept>
#include <string>

namespace chm {

enum class ErrorCode {
  kUsage,                // wrong command line
  kFileMissing,          // a file the project names does not exist
  kFileUnreadable,       // exists but cannot be read (or is a folder)
  kBookUnwritable,       // the book or its temporary file cannot be written
  kBookInUse,            // another program holds the book open, so it cannot be replaced
  kBookReadOnly,         // the book exists and is read-only
  kFolderUnwritable,     // the book's folder refuses new files
  kDiskFull,             // no room left for the book or its temporary files
  kProjectUnreadable,    // the project file itself is missing or cannot be read
  kBadProjectText,       // bytes that are not text in the project's code page
  kBadProjectLine,       // a project line that cannot be understood
  kBadWindow,            // a [WINDOWS] line with too few fields or a malformed value
  kBadSitemap,           // a contents or index file with unbalanced tags
  kBadBookName,          // "Compiled file" is not a valid file name
  kNameOutsideCodePage,  // a stored file's name cannot be written in the project's code page
  kCaseDuplicate,        // two stored names differ only in case
  kOutsideProject,       // a listed file lies outside the project folder
  kTooLarge,             // a name or a table exceeds what the format can hold
  kUnsupportedCodePage,  // the Language's code page cannot be converted on this system
  kReservedName,         // a stored name that would clash with the book's own internal files
};

// The fixed reason text of each code, e.g. "file not found".
const char* ErrorReason(ErrorCode code);

struct Error {
  ErrorCode code;
  std::string file;    // UTF-8, as the user knows it (relative to the project when possible)
  std::string detail;  // optional extra words, e.g. the line number
};

// "FILE: REASON (DETAIL)" on one line.
std::string FormatError(const Error& error);

// What a user reads when a build fails, in the program's language (UTF-8, CR LF between
// lines): the book that was not made (`book_path` may be empty when the project could not be
// read), what failed, the file concerned and what to do.
std::string FormatUserMessage(const std::string& book_path, const Error& error);

// Thrown inside the compiler and caught by its entry point, which turns it into a message.
class CompileFailure : public std::runtime_error {
 public:
  explicit CompileFailure(Error error)
      : std::runtime_error(FormatError(error)), error_(std::move(error)) {}
  const Error& error() const { return error_; }

 private:
  Error error_;
};

[[noreturn]] inline void Fail(ErrorCode code, std::string file, std::string detail = {}) {
  throw CompileFailure(Error{code, std::move(file), std::move(detail)});
}

}  // namespace chm

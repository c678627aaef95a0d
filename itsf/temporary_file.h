// The temporary files of one compiler run, beside the book. Every name is created exclusively
// (a name that exists already is never opened, truncated or removed), so any number of runs on
// one project, started together, each work in files of their own.
#pragma once

#include <filesystem>
#include <string>

#include "itsf/error.h"

namespace chm {

// Creates an empty file "BOOK.XXXXXXXX.SUFFIX" beside `book` under a name no other file has,
// and returns its path; the caller removes it. Throws CompileFailure naming the book when the
// folder refuses new files (kFolderUnwritable, kDiskFull, or kBookUnwritable with the system's
// reason).
std::filesystem::path CreateTemporaryBeside(const std::filesystem::path& book,
                                            const std::string& suffix);

// Removes what runs that were killed or lost their power left beside `book`: temporary files
// of this book's pattern untouched for a day. A live run writes its files continuously, and
// Windows refuses to remove a file it holds open anyway.
void RemoveStaleTemporaries(const std::filesystem::path& book);

// The failure of writing `file` on the book's way to disk, from the C library's error number
// captured right after the failed call: a full disk, a folder that refuses writing, or the
// system's own reason.
[[noreturn]] void FailWritingBook(const std::filesystem::path& book,
                                  const std::filesystem::path& file, int error_number);

}  // namespace chm

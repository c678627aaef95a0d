#include "itsf/book_output.h"

#include <cerrno>
#include <chrono>
#include <thread>

#include "itsf/error.h"
#include "itsf/temporary_file.h"

namespace chm {
namespace fs = std::filesystem;

namespace {

// A rename onto a name that another process is replacing at the same moment, or that a
// scanner has just opened for a glance, is refused for a moment only; a reader that holds the
// book open refuses for as long as it stays open.
constexpr auto kRenameRetryPause = std::chrono::milliseconds(50);
constexpr int kRenameAttempts = 40;

}  // namespace

void CheckBookReplaceable(const fs::path& book) {
  std::error_code ec;
  const fs::file_status status = fs::status(book, ec);
  if (ec || !fs::exists(status)) return;
  if (fs::is_directory(status)) Fail(ErrorCode::kBookUnwritable, book.u8string(), "a folder");
  // POSIX lets a rename replace a read-only file; Windows refuses. A read-only book is kept on
  // both.
  if ((status.permissions() & fs::perms::owner_write) == fs::perms::none) {
    Fail(ErrorCode::kBookReadOnly, book.u8string());
  }
}

BookOutput::BookOutput(fs::path book) : book_(std::move(book)) {
  RemoveStaleTemporaries(book_);
  temp_ = CreateTemporaryBeside(book_, "part");
  errno = 0;
  out_.open(temp_, std::ios::binary | std::ios::trunc);
  if (!out_) FailWritingBook(book_, temp_, errno);
}

BookOutput::~BookOutput() {
  if (committed_) return;
  if (out_.is_open()) out_.close();
  std::error_code ec;
  fs::remove(temp_, ec);
}

void BookOutput::Write(const Bytes& bytes) { Write(bytes.data(), bytes.size()); }

void BookOutput::Write(const std::uint8_t* data, size_t size) {
  errno = 0;
  out_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out_) FailWritingBook(book_, temp_, errno);
}

void BookOutput::Close() {
  if (!out_.is_open()) return;
  errno = 0;
  out_.close();
  if (out_.fail()) FailWritingBook(book_, temp_, errno);
}

// One rename, which replaces the book whole: a reader sees the old book or the new one, and
// of several runs finishing together the last rename stands. The old book is never removed
// first, so a failed rename leaves it as it was.
void BookOutput::Commit() {
  Close();
  std::error_code ec;
  for (int attempt = 0; attempt < kRenameAttempts; ++attempt) {
    CheckBookReplaceable(book_);
    ec.clear();
    fs::rename(temp_, book_, ec);
    if (!ec) {
      committed_ = true;
      return;
    }
#ifdef _WIN32
    // Windows refuses to replace a file that another program holds open without sharing its
    // deletion, as viewers do while a book is shown.
    if (!fs::exists(book_)) break;  // the folder is the trouble, not a holder of the book
    std::this_thread::sleep_for(kRenameRetryPause);
#else
    break;  // POSIX renames over open files; what failed is the folder
#endif
  }
#ifdef _WIN32
  if (fs::exists(book_)) Fail(ErrorCode::kBookInUse, book_.u8string());
#endif
  FailWritingBook(book_, book_, ec.value());
}

}  // namespace chm

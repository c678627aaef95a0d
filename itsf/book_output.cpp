#include "itsf/book_output.h"

#include "itsf/error.h"

namespace chm {
namespace fs = std::filesystem;

BookOutput::BookOutput(fs::path book) : book_(std::move(book)) {
  temp_ = book_;
  temp_ += ".part";
  out_.open(temp_, std::ios::binary | std::ios::trunc);
  if (!out_) Failed("cannot create " + temp_.filename().u8string());
}

BookOutput::~BookOutput() {
  if (committed_) return;
  if (out_.is_open()) out_.close();
  std::error_code ec;
  fs::remove(temp_, ec);
}

void BookOutput::Write(const Bytes& bytes) { Write(bytes.data(), bytes.size()); }

void BookOutput::Write(const std::uint8_t* data, size_t size) {
  out_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out_) Failed("write failed");
}

void BookOutput::Close() {
  if (!out_.is_open()) return;
  out_.close();
  if (out_.fail()) Failed("write failed");
}

void BookOutput::Commit() {
  Close();
  std::error_code ec;
  fs::rename(temp_, book_, ec);
  if (ec) {
    // Some platforms refuse to rename over an existing file.
    std::error_code ignored;
    fs::remove(book_, ignored);
    ec.clear();
    fs::rename(temp_, book_, ec);
  }
  if (ec) Failed(ec.message());
  committed_ = true;
}

void BookOutput::Failed(const std::string& what) {
  Fail(ErrorCode::kBookUnwritable, book_.u8string(), what);
}

}  // namespace chm

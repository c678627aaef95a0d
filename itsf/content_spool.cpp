#include "itsf/content_spool.h"

#include <cerrno>
#include <vector>

#include "itsf/error.h"
#include "itsf/temporary_file.h"

namespace chm {
namespace fs = std::filesystem;

namespace {
constexpr std::size_t kCopyChunk = 1 << 16;
}  // namespace

ContentSpool::ContentSpool(const fs::path& book) : book_(book) {
  temp_ = CreateTemporaryBeside(book_, "content.part");
  errno = 0;
  out_.open(temp_, std::ios::binary | std::ios::trunc);
  if (!out_) FailWritingBook(book_, temp_, errno);
}

ContentSpool::~ContentSpool() {
  if (out_.is_open()) out_.close();
  std::error_code ec;
  fs::remove(temp_, ec);
}

void ContentSpool::Write(const std::uint8_t* data, std::size_t size) {
  errno = 0;
  out_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out_) FailWritingBook(book_, temp_, errno);
  size_ += size;
}

void ContentSpool::CopyTo(BookOutput* out) {
  errno = 0;
  out_.close();
  if (out_.fail()) FailWritingBook(book_, temp_, errno);
  std::ifstream in(temp_, std::ios::binary);
  if (!in) Failed("cannot reopen " + temp_.filename().u8string());
  std::vector<char> chunk(kCopyChunk);
  std::uint64_t copied = 0;
  while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
    const auto n = static_cast<std::size_t>(in.gcount());
    out->Write(reinterpret_cast<const std::uint8_t*>(chunk.data()), n);
    copied += n;
  }
  // A short read would leave the directory pointing past the end of the data.
  if (in.bad() || copied != size_) Failed("read failed on " + temp_.filename().u8string());
  in.close();
  std::error_code ec;
  fs::remove(temp_, ec);
}

void ContentSpool::Failed(const std::string& what) {
  Fail(ErrorCode::kBookUnwritable, book_.u8string(), what);
}

}  // namespace chm

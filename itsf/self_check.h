// The finished book read back before it takes the book's name: headers, the whole directory
// walked in order and every name looked up again through the index chunks, the ::DataSpace
// files, and the compressed section decoded frame by frame with our own decoder and compared
// with digests the encoder noted of its input. A fault in our own writer then fails the
// compile instead of handing over a book that readers misread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace chm {

// Random access to a written book.
class BookImage {
 public:
  virtual ~BookImage() = default;
  virtual std::uint64_t Size() const = 0;
  // False when [offset, offset + size) lies outside the image or cannot be read.
  virtual bool Read(std::uint64_t offset, std::uint8_t* out, std::size_t size) = 0;
};

class MemoryBookImage : public BookImage {
 public:
  explicit MemoryBookImage(const std::vector<std::uint8_t>* bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_->size(); }
  bool Read(std::uint64_t offset, std::uint8_t* out, std::size_t size) override;

 private:
  const std::vector<std::uint8_t>* bytes_;
};

class FileBookImage : public BookImage {
 public:
  explicit FileBookImage(const std::filesystem::path& path);
  bool is_open() const { return in_.is_open(); }
  std::uint64_t Size() const override { return size_; }
  bool Read(std::uint64_t offset, std::uint8_t* out, std::size_t size) override;

 private:
  std::ifstream in_;
  std::uint64_t size_ = 0;
};

// What the writer meant to write, in a few bytes per frame: the LzxFrameDigest of each 32 KiB
// frame of section 1, and the sum of DirectoryEntryDigest over every directory entry (a sum,
// so that the order the entries were given in does not matter).
struct BookExpectation {
  std::vector<std::uint64_t> frame_digests;
  std::uint64_t directory_digest = 0;
};

std::uint64_t DirectoryEntryDigest(const std::string& name, std::uint64_t section,
                                   std::uint64_t offset, std::uint64_t length);

// Checks a whole book against what the writer meant to write. Returns an empty string when the book
// is sound, else what was found, e.g. "name /a.htm not found through the index" or "frame 3 decodes
// differently". Memory stays small: one frame, the index chunks, and a few bytes per stored file.
std::string CheckBook(BookImage* image, const BookExpectation& expected);

// Reads the file at `path` back and throws CompileFailure (kBookUnwritable) naming
// `book_label` with "self-check: ..." when CheckBook finds a fault.
void SelfCheckBook(const std::filesystem::path& path, const std::string& book_label,
                   const BookExpectation& expected);

}  // namespace chm

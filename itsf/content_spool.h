// The compressed section on its way into the book. The directory in front of it needs its
// length, so it is spooled to a temporary file beside the book while the pages stream through
// the encoder, then copied into place: memory no longer grows with the book.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "itsf/book_output.h"
#include "lzx/encoder.h"

namespace chm {

class ContentSpool : public LzxSink {
 public:
  // Creates BOOK.XXXXXXXX.content.part, a name of this run's own. Throws CompileFailure naming
  // the book when the file cannot be made.
  explicit ContentSpool(const std::filesystem::path& book);
  ~ContentSpool() override;  // always removes the temporary file
  ContentSpool(const ContentSpool&) = delete;
  ContentSpool& operator=(const ContentSpool&) = delete;

  void Write(const std::uint8_t* data, std::size_t size) override;
  std::uint64_t size() const { return size_; }

  // Appends everything spooled to `out` and removes the temporary file.
  void CopyTo(BookOutput* out);

 private:
  [[noreturn]] void Failed(const std::string& what);

  std::filesystem::path book_;
  std::filesystem::path temp_;
  std::ofstream out_;
  std::uint64_t size_ = 0;
};

}  // namespace chm

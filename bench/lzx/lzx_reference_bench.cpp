// lzx_reference_bench [BOOK.chm ...] [--only=<level>]
// Decodes the compressed section of books that Microsoft's help compiler wrote (by default the
// four under shared/reference/hhw), re-encodes the same bytes at each of our levels, and prints
// our size against Microsoft's per book and in total, with each level's speed on one core.
// The books use the window and reset interval ours does (64 KiB, a reset every two frames), so
// the sizes compare the encoders alone.
#include <chm_lib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "lzx/decoder.h"
#include "lzx/encoder.h"

namespace {

constexpr char kContent[] = "::DataSpace/Storage/MSCompressed/Content";
constexpr char kResetTable[] =
    "::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/"
    "InstanceData/ResetTable";
constexpr std::size_t kWriteChunk = 4096;

std::uint64_t U64(const std::uint8_t* p) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
  return v;
}
std::uint32_t U32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool ReadObject(chmFile* chm, const char* name, std::vector<std::uint8_t>* out) {
  chmUnitInfo ui;
  if (chm_resolve_object(chm, name, &ui) != CHM_RESOLVE_SUCCESS) return false;
  out->resize(ui.length);
  return chm_retrieve_object(chm, &ui, out->data(), 0, static_cast<LONGINT64>(ui.length)) ==
         static_cast<LONGINT64>(ui.length);
}

struct Book {
  std::string name;
  std::uint64_t theirs = 0;  // compressed section's bytes as Microsoft's compiler wrote them
  std::uint64_t their_header_bits = 0;  // of those, block headers and trees
  std::vector<std::uint8_t> content;
};

// The book's section 1 decoded, or an empty content with the reason printed.
Book LoadBook(const std::filesystem::path& path) {
  Book book;
  book.name = path.filename().string();
  chmFile* chm = chm_open(path.c_str());
  if (chm == nullptr) {
    std::printf("%s: chmlib cannot open it\n", book.name.c_str());
    return book;
  }
  std::vector<std::uint8_t> compressed, table;
  const bool read = ReadObject(chm, kContent, &compressed) && ReadObject(chm, kResetTable, &table);
  chm_close(chm);
  if (!read || table.size() < 0x28) {
    std::printf("%s: no compressed section\n", book.name.c_str());
    return book;
  }
  const std::uint32_t entries = U32(&table[4]), header = U32(&table[0x0C]);
  const std::uint64_t uncompressed = U64(&table[0x10]);
  std::vector<std::uint64_t> offsets;
  // One entry per frame; ours add one for the section's end, Microsoft's do not.
  const std::uint64_t frames = (uncompressed + chm::kLzxFrameSize - 1) / chm::kLzxFrameSize;
  for (std::uint32_t i = 0; i < entries && i < frames && header + 8 * (i + 1) <= table.size();
       ++i) {
    offsets.push_back(U64(&table[header + 8 * i]));
  }
  // Microsoft's frames do not always end where the reset table says the next one starts, so
  // each frame is decoded from where the one before it stopped, to the end of its interval,
  // as chmlib reads them.
  chm::LzxDecoder decoder;
  std::vector<std::uint8_t> frame(chm::kLzxFrameSize);
  std::size_t cursor = 0;
  for (std::size_t k = 0; k < offsets.size(); ++k) {
    if (k % 2 == 0) {
      decoder.Reset();
      cursor = offsets[k];
    }
    const std::size_t end =
        k / 2 * 2 + 2 < offsets.size() ? offsets[k / 2 * 2 + 2] : compressed.size();
    if (cursor > end || !decoder.DecodeFrame(compressed.data() + cursor, end - cursor, frame.data(),
                                             frame.size())) {
      std::printf("%s: frame %zu does not decode: %s\n", book.name.c_str(), k,
                  decoder.Error().c_str());
      book.content.clear();
      return book;
    }
    cursor += decoder.BytesConsumed();
    book.content.insert(book.content.end(), frame.begin(), frame.end());
  }
  book.content.resize(std::min<std::uint64_t>(uncompressed, book.content.size()));
  book.theirs = compressed.size();
  book.their_header_bits = decoder.HeaderBits();
  return book;
}

struct Encoded {
  std::uint64_t bytes = 0;
  std::uint64_t header_bits = 0;  // block headers and trees
  double seconds = 0;
};

// Share of the output spent on block headers and trees, in per cent.
double HeaderShare(const Encoded& e) {
  return e.bytes == 0 ? 0 : 100.0 * static_cast<double>(e.header_bits) / (8.0 * e.bytes);
}

Encoded Encode(const std::vector<std::uint8_t>& input, chm::LzxLevel level) {
  const auto start = std::chrono::steady_clock::now();
  chm::LzxEncoder encoder(level);
  for (std::size_t pos = 0; pos < input.size(); pos += kWriteChunk) {
    encoder.Write(input.data() + pos, std::min(kWriteChunk, input.size() - pos));
  }
  encoder.Finish();
  return {encoder.CompressedSize(), encoder.HeaderBits(),
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
}

}  // namespace

int main(int argc, char** argv) {
  std::string only;
  std::vector<std::filesystem::path> paths;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.rfind("--only=", 0) == 0) {
      only = a.substr(7);
    } else {
      paths.emplace_back(a);
    }
  }
  if (paths.empty()) {
    const std::filesystem::path dir = FOLIVANE_REFERENCE_DIR;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
      if (e.path().extension() == ".chm") paths.push_back(e.path());
    }
    std::sort(paths.begin(), paths.end());
    if (paths.empty()) {
      std::printf("no books given and none in %s\n", dir.c_str());
      return 1;
    }
  }
  std::vector<Book> books;
  for (const auto& p : paths) {
    Book b = LoadBook(p);
    if (!b.content.empty()) books.push_back(std::move(b));
  }
  const struct {
    chm::LzxLevel level;
    const char* name;
  } levels[] = {{chm::LzxLevel::kNormal, "default"}, {chm::LzxLevel::kBest, "--best"}};
  std::printf("%-22s %10s %12s", "book", "input", "Microsoft");
  for (const auto& l : levels) {
    if (only.empty() || only == l.name) {
      std::printf(" %12s %7s %6s %7s", l.name, "ratio", "trees%", "MB/s");
    }
  }
  std::printf("\n");
  std::uint64_t total_in = 0, total_theirs = 0, their_header_bits = 0;
  std::vector<Encoded> totals(std::size(levels));
  for (const Book& b : books) {
    total_in += b.content.size();
    total_theirs += b.theirs;
    their_header_bits += b.their_header_bits;
    std::printf("%-22s %10zu %12llu", b.name.c_str(), b.content.size(),
                static_cast<unsigned long long>(b.theirs));
    for (std::size_t i = 0; i < std::size(levels); ++i) {
      if (!only.empty() && only != levels[i].name) continue;
      const Encoded e = Encode(b.content, levels[i].level);
      totals[i].bytes += e.bytes;
      totals[i].header_bits += e.header_bits;
      totals[i].seconds += e.seconds;
      std::printf(" %12llu %7.4f %6.2f %7.2f", static_cast<unsigned long long>(e.bytes),
                  static_cast<double>(e.bytes) / static_cast<double>(b.theirs), HeaderShare(e),
                  static_cast<double>(b.content.size()) / 1e6 / e.seconds);
    }
    std::printf("\n");
  }
  std::printf("%-22s %10llu %12llu", "total", static_cast<unsigned long long>(total_in),
              static_cast<unsigned long long>(total_theirs));
  for (std::size_t i = 0; i < std::size(levels); ++i) {
    if (!only.empty() && only != levels[i].name) continue;
    std::printf(" %12llu %7.4f %6.2f %7.2f", static_cast<unsigned long long>(totals[i].bytes),
                static_cast<double>(totals[i].bytes) / static_cast<double>(total_theirs),
                HeaderShare(totals[i]), static_cast<double>(total_in) / 1e6 / totals[i].seconds);
  }
  std::printf(
      "\nratio ours/Microsoft in total; goals: default <= 0.980, --best <= 0.965\n"
      "trees%%: share of our output spent on block headers, pretrees and code lengths; "
      "Microsoft's: %.2f %%\n",
      total_theirs == 0 ? 0.0
                        : 100.0 * static_cast<double>(their_header_bits) / (8.0 * total_theirs));
  return 0;
}

#include "itsf/self_check.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

#include "itsf/container.h"
#include "itsf/directory.h"
#include "itsf/error.h"
#include "lzx/decoder.h"
#include "lzx/encoder.h"

namespace chm {
namespace {

constexpr std::uint64_t kDirectoryOffset = kItsfHeaderSize + kHeaderSection0Size;
constexpr std::size_t kControlDataSize = 28;
constexpr std::size_t kResetTableHeader = 0x28;
// The most a 32 KiB frame can take: every byte a 16-bit literal code, plus the trees.
constexpr std::uint64_t kMaxFrameExtent = 3 * kLzxFrameSize;

struct Fault {
  std::string what;
};

[[noreturn]] void Found(std::string what) { throw Fault{std::move(what)}; }

std::uint32_t U16(const std::uint8_t* p) { return p[0] | static_cast<std::uint32_t>(p[1]) << 8; }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | U16(p + 2) << 16; }
std::uint64_t U64(const std::uint8_t* p) {
  return U32(p) | static_cast<std::uint64_t>(U32(p + 4)) << 32;
}

bool SameName(const std::string& a, const std::string& b) {
  return !DirectoryNameLess(a, b) && !DirectoryNameLess(b, a);
}

// One parsed chunk: its entries' names and, for listing chunks, their locations; for index
// chunks, the chunk each entry leads to.
struct ChunkEntry {
  std::string name;
  std::uint64_t section = 0, offset = 0, length = 0;  // or section = child chunk (PMGI)
};

struct Chunk {
  bool listing = false;
  std::uint32_t prev = kNoChunk, next = kNoChunk;
  std::vector<ChunkEntry> entries;
};

std::uint64_t ReadEncInt(const std::uint8_t* chunk, std::size_t* at, std::size_t end) {
  std::uint64_t v = 0;
  for (int n = 0; n < 9; ++n) {
    if (*at >= end) Found("a directory entry runs past its chunk's entries");
    const std::uint8_t b = chunk[(*at)++];
    v = v << 7 | (b & 0x7F);
    if ((b & 0x80) == 0) return v;
  }
  Found("a directory number is too long");
}

Chunk ParseChunk(const std::uint8_t* c, std::uint32_t number) {
  const std::string where = " in chunk " + std::to_string(number);
  Chunk chunk;
  if (std::memcmp(c, "PMGL", 4) == 0) {
    chunk.listing = true;
  } else if (std::memcmp(c, "PMGI", 4) != 0) {
    Found("no chunk signature" + where);
  }
  const std::size_t header = chunk.listing ? kPmglHeaderSize : kPmgiHeaderSize;
  const std::uint32_t free_space = U32(c + 4);
  const std::size_t count = U16(c + kChunkSize - 2);
  const std::size_t quickrefs = QuickrefCount(count);
  if (free_space > kChunkSize - header ||
      kChunkSize - free_space > kChunkSize - 2 - 2 * quickrefs) {
    Found("bad free space" + where);
  }
  const std::size_t end = kChunkSize - free_space;
  if (chunk.listing) {
    chunk.prev = U32(c + 0x0C);
    chunk.next = U32(c + 0x10);
  }
  std::size_t at = header;
  std::vector<std::uint16_t> starts;
  while (at < end) {
    starts.push_back(static_cast<std::uint16_t>(at - header));
    ChunkEntry e;
    const std::uint64_t len = ReadEncInt(c, &at, end);
    if (len == 0 || len > end - at) Found("a name runs past its chunk's entries" + where);
    e.name.assign(reinterpret_cast<const char*>(c + at), static_cast<std::size_t>(len));
    at += static_cast<std::size_t>(len);
    e.section = ReadEncInt(c, &at, end);
    if (chunk.listing) {
      e.offset = ReadEncInt(c, &at, end);
      e.length = ReadEncInt(c, &at, end);
    }
    chunk.entries.push_back(std::move(e));
  }
  if (chunk.entries.size() != count) Found("entry count differs from the entries" + where);
  for (std::size_t i = kQuickrefEvery, q = 1; i < count; i += kQuickrefEvery, ++q) {
    if (U16(c + kChunkSize - 2 - 2 * q) != starts[i]) Found("bad quickref" + where);
  }
  return chunk;
}

class BookChecker {
 public:
  BookChecker(BookImage* image, const BookExpectation& expected)
      : image_(image),
        digests_(expected.frame_digests),
        directory_digest_(expected.directory_digest) {}
  void Run();

 private:
  void Read(std::uint64_t offset, std::uint8_t* out, std::size_t size, const char* what) {
    if (!image_->Read(offset, out, size))
      Found(std::string(what) + " lies past the end of the file");
  }
  void CheckHeaders();
  Chunk LoadChunk(std::uint32_t number);
  const Chunk& IndexChunk(std::uint32_t number);
  void WalkDirectory();
  void LookUpThroughIndex(const ChunkEntry& entry, std::uint32_t chunk, std::size_t index,
                          const Chunk& current);
  void NoteEntry(const ChunkEntry& entry);
  std::vector<std::uint8_t> ReadSection0File(const ChunkEntry& entry, const char* what);
  void CheckSection1Layout();
  void CheckContent();

  BookImage* image_;
  const std::vector<std::uint64_t>& digests_;
  std::uint64_t directory_digest_;
  std::uint64_t walked_digest_ = 0;
  std::uint64_t content0_ = 0;  // file offset of content section 0
  std::uint32_t chunks_ = 0, depth_ = 0, root_ = kNoChunk, first_ = 0, last_ = 0;
  std::map<std::uint32_t, Chunk> index_chunks_;
  std::map<std::string, ChunkEntry> data_space_;                   // the ::DataSpace files we need
  std::vector<std::pair<std::uint64_t, std::uint64_t>> section1_;  // offset, length
};

void BookChecker::CheckHeaders() {
  std::uint8_t h[kDirectoryOffset + kItspHeaderSize];
  Read(0, h, sizeof h, "the header");
  static const std::uint8_t kGuids[32] = {0x10, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11,
                                          0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC,
                                          0x11, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11,
                                          0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};
  if (std::memcmp(h, "ITSF", 4) != 0 || U32(h + 4) != 3 || U32(h + 8) != kItsfHeaderSize ||
      std::memcmp(h + 0x18, kGuids, 32) != 0 || U64(h + 0x38) != kItsfHeaderSize ||
      U64(h + 0x40) != kHeaderSection0Size || U64(h + 0x48) != kDirectoryOffset) {
    Found("bad ITSF header");
  }
  const std::uint64_t directory_size = U64(h + 0x50);
  content0_ = U64(h + 0x58);
  if (content0_ != kDirectoryOffset + directory_size || content0_ > image_->Size()) {
    Found("bad ITSF header");
  }
  const std::uint8_t* s0 = h + kItsfHeaderSize;
  if (U32(s0) != 0x01FE || U64(s0 + 8) != image_->Size()) {
    Found("header section 0 does not give the file's length");
  }
  const std::uint8_t* p = h + kDirectoryOffset;
  if (std::memcmp(p, "ITSP", 4) != 0 || U32(p + 4) != 1 || U32(p + 8) != kItspHeaderSize ||
      U32(p + 0x10) != kChunkSize) {
    Found("bad ITSP header");
  }
  depth_ = U32(p + 0x18);
  root_ = U32(p + 0x1C);
  first_ = U32(p + 0x20);
  last_ = U32(p + 0x24);
  chunks_ = U32(p + 0x2C);
  if (directory_size != kItspHeaderSize + static_cast<std::uint64_t>(chunks_) * kChunkSize ||
      chunks_ == 0 || depth_ == 0 || first_ >= chunks_ || last_ >= chunks_ ||
      (depth_ == 1) != (root_ == kNoChunk) || (root_ != kNoChunk && root_ >= chunks_)) {
    Found("bad ITSP header");
  }
}

Chunk BookChecker::LoadChunk(std::uint32_t number) {
  if (number >= chunks_) Found("chunk number " + std::to_string(number) + " out of range");
  std::uint8_t c[kChunkSize];
  Read(kDirectoryOffset + kItspHeaderSize + static_cast<std::uint64_t>(number) * kChunkSize, c,
       kChunkSize, "a directory chunk");
  return ParseChunk(c, number);
}

// Index chunks are kept once read: every look-up passes through them.
const Chunk& BookChecker::IndexChunk(std::uint32_t number) {
  auto it = index_chunks_.find(number);
  if (it == index_chunks_.end()) {
    Chunk c = LoadChunk(number);
    if (c.listing) Found("index chunk " + std::to_string(number) + " is a listing chunk");
    it = index_chunks_.emplace(number, std::move(c)).first;
  }
  return it->second;
}

// Descends from the root as readers do (the last index entry not after the name) and must
// arrive at the very entry the linear walk is at.
void BookChecker::LookUpThroughIndex(const ChunkEntry& entry, std::uint32_t chunk,
                                     std::size_t index, const Chunk& current) {
  const std::string not_found = "name " + entry.name + " not found through the index";
  std::uint32_t at = depth_ > 1 ? root_ : first_;
  for (std::uint32_t level = depth_; level > 1; --level) {
    const Chunk& c = IndexChunk(at);
    const ChunkEntry* pick = nullptr;
    for (const ChunkEntry& e : c.entries) {
      if (DirectoryNameLess(entry.name, e.name)) break;
      pick = &e;
    }
    if (pick == nullptr || pick->section >= chunks_) Found(not_found);
    at = static_cast<std::uint32_t>(pick->section);
  }
  Chunk loaded;
  const Chunk* listing = &current;
  if (at != chunk) {
    loaded = LoadChunk(at);
    if (!loaded.listing) Found(not_found);
    listing = &loaded;
  }
  for (std::size_t i = 0; i < listing->entries.size(); ++i) {
    if (!SameName(listing->entries[i].name, entry.name)) continue;
    if (at != chunk || i != index)
      Found("name " + entry.name + " found through the index elsewhere");
    return;
  }
  Found(not_found);
}

void BookChecker::NoteEntry(const ChunkEntry& e) {
  walked_digest_ += DirectoryEntryDigest(e.name, e.section, e.offset, e.length);
  if (e.section > 1) Found("name " + e.name + " names no content section");
  if (e.section == 1) {
    section1_.emplace_back(e.offset, e.length);
    return;
  }
  if (e.offset > image_->Size() - content0_ || e.length > image_->Size() - content0_ - e.offset) {
    Found("name " + e.name + " lies past the end of the file");
  }
  for (const char* name : {kContentName, kControlDataName, kResetTableName, kSpanInfoName}) {
    if (e.name == name) data_space_[name] = e;
  }
}

// Every listing chunk in order through the prev/next links, names strictly ascending.
void BookChecker::WalkDirectory() {
  std::uint32_t number = first_;
  std::uint32_t previous = kNoChunk;
  std::string last_name;
  bool any = false;
  for (std::uint32_t visited = 0;; ++visited) {
    if (visited >= chunks_) Found("the listing chunks' links form a loop");
    const Chunk chunk = LoadChunk(number);
    if (!chunk.listing) Found("chunk " + std::to_string(number) + " is not a listing chunk");
    if (chunk.prev != previous) Found("chunk " + std::to_string(number) + " links back wrongly");
    for (std::size_t i = 0; i < chunk.entries.size(); ++i) {
      const ChunkEntry& e = chunk.entries[i];
      if (any && !DirectoryNameLess(last_name, e.name)) Found("name " + e.name + " out of order");
      any = true;
      last_name = e.name;
      NoteEntry(e);
      LookUpThroughIndex(e, number, i, chunk);
    }
    if (chunk.next == kNoChunk) break;
    previous = number;
    number = chunk.next;
  }
  if (number != last_) Found("the last listing chunk is not the one the header names");
  if (walked_digest_ != directory_digest_) Found("the directory differs from what was written");
}

std::vector<std::uint8_t> BookChecker::ReadSection0File(const ChunkEntry& e, const char* what) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(e.length));
  Read(content0_ + e.offset, bytes.data(), bytes.size(), what);
  return bytes;
}

// 7-Zip declares a book with overlapping section-1 files unsupported.
void BookChecker::CheckSection1Layout() {
  std::sort(section1_.begin(), section1_.end());
  std::uint64_t end = 0;
  for (const auto& [offset, length] : section1_) {
    if (length == 0) continue;
    if (offset < end) Found("two files overlap in the compressed section");
    end = offset + length;
  }
}

void BookChecker::CheckContent() {
  for (const char* name : {kContentName, kControlDataName, kResetTableName, kSpanInfoName}) {
    if (data_space_.count(name) == 0) Found(std::string("no ") + name);
  }
  const ChunkEntry& content = data_space_[kContentName];
  const ChunkEntry& control_entry = data_space_[kControlDataName];
  const ChunkEntry& table_entry = data_space_[kResetTableName];
  const ChunkEntry& span_entry = data_space_[kSpanInfoName];
  if (control_entry.length != kControlDataSize || span_entry.length != 8 ||
      table_entry.length < kResetTableHeader ||
      table_entry.length > kResetTableHeader + 8 * (digests_.size() + 1)) {
    Found("bad ::DataSpace file sizes");
  }
  const std::vector<std::uint8_t> control = ReadSection0File(control_entry, "ControlData");
  const std::uint32_t reset_units = U32(&control[0x0C]), window_units = U32(&control[0x10]);
  const std::uint32_t windows_per_reset = U32(&control[0x14]);
  int window_bits = 15;
  while (window_bits < 21 && (1u << (window_bits - 15)) < window_units) ++window_bits;
  // chmlib counts the frames between resets as reset / (window / 2) * windows_per_reset.
  if (U32(&control[0]) != 6 || std::memcmp(&control[4], "LZXC", 4) != 0 || U32(&control[8]) != 2 ||
      reset_units == 0 || window_units != (1u << (window_bits - 15)) ||
      reset_units * 2 / window_units * windows_per_reset != reset_units) {
    Found("bad ControlData");
  }

  const std::uint64_t uncompressed = U64(ReadSection0File(span_entry, "SpanInfo").data());
  const std::vector<std::uint8_t> table = ReadSection0File(table_entry, "ResetTable");
  const std::uint64_t frames = (uncompressed + kLzxFrameSize - 1) / kLzxFrameSize;
  // One entry per frame, and perhaps a final one holding the compressed length.
  const std::uint32_t entries = U32(&table[4]);
  if (U32(&table[0]) != 2 || (entries != frames && entries != frames + 1) || U32(&table[8]) != 8 ||
      U32(&table[0x0C]) != kResetTableHeader ||
      table.size() != kResetTableHeader + 8 * std::uint64_t{entries} ||
      U64(&table[0x10]) != uncompressed || U64(&table[0x18]) != content.length ||
      U64(&table[0x20]) != kLzxFrameSize ||
      (entries > frames && U64(&table[table.size() - 8]) != content.length)) {
    Found("bad ResetTable");
  }
  if (frames != digests_.size())
    Found("the compressed section's length differs from what was written");
  for (const auto& [offset, length] : section1_) {
    if (offset > uncompressed || length > uncompressed - offset) {
      Found("a file lies past the end of the compressed section");
    }
  }

  LzxDecoder decoder(window_bits);
  std::vector<std::uint8_t> in;
  std::vector<std::uint8_t> out(kLzxFrameSize);
  for (std::uint64_t k = 0; k < frames; ++k) {
    const std::string frame = "frame " + std::to_string(k);
    const std::uint64_t begin = U64(&table[kResetTableHeader + 8 * k]);
    const std::uint64_t end =
        k + 1 < entries ? U64(&table[kResetTableHeader + 8 * (k + 1)]) : content.length;
    if ((k == 0 && begin != 0) || begin >= end || end > content.length ||
        end - begin > kMaxFrameExtent) {
      Found(frame + " has a bad reset table entry");
    }
    in.resize(static_cast<std::size_t>(end - begin));
    Read(content0_ + content.offset + begin, in.data(), in.size(), "Content");
    if (k % reset_units == 0) decoder.Reset();
    if (!decoder.DecodeFrame(in.data(), in.size(), out.data(), out.size())) {
      Found(frame + " does not decode: " + decoder.Error());
    }
    if (decoder.BytesConsumed() != in.size()) Found(frame + " does not end where the next begins");
    if (LzxFrameDigest(out.data(), out.size()) != digests_[k])
      Found(frame + " decodes differently");
  }
  if (decoder.InsideBlock()) Found("the last block claims more bytes than the section has");
}

void BookChecker::Run() {
  CheckHeaders();
  WalkDirectory();
  CheckSection1Layout();
  CheckContent();
}

}  // namespace

bool MemoryBookImage::Read(std::uint64_t offset, std::uint8_t* out, std::size_t size) {
  if (offset > bytes_->size() || size > bytes_->size() - offset) return false;
  std::memcpy(out, bytes_->data() + offset, size);
  return true;
}

FileBookImage::FileBookImage(const std::filesystem::path& path) : in_(path, std::ios::binary) {
  std::error_code ec;
  size_ = std::filesystem::file_size(path, ec);
  if (ec) in_.close();
}

bool FileBookImage::Read(std::uint64_t offset, std::uint8_t* out, std::size_t size) {
  if (!in_.is_open() || offset > size_ || size > size_ - offset) return false;
  in_.clear();
  in_.seekg(static_cast<std::streamoff>(offset));
  in_.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(size));
  return static_cast<std::size_t>(in_.gcount()) == size;
}

std::uint64_t DirectoryEntryDigest(const std::string& name, std::uint64_t section,
                                   std::uint64_t offset, std::uint64_t length) {
  const std::uint64_t fields[3] = {section, offset, length};
  std::uint64_t h = LzxFrameDigest(reinterpret_cast<const std::uint8_t*>(name.data()), name.size());
  for (std::uint64_t f : fields)
    h = LzxFrameDigest(reinterpret_cast<const std::uint8_t*>(&f), 8) ^ (h * 31);
  return h;
}

std::string CheckBook(BookImage* image, const BookExpectation& expected) {
  try {
    BookChecker checker(image, expected);
    checker.Run();
  } catch (const Fault& fault) {
    return fault.what;
  }
  return {};
}

void SelfCheckBook(const std::filesystem::path& path, const std::string& book_label,
                   const BookExpectation& expected) {
  FileBookImage image(path);
  std::string fault = image.is_open() ? CheckBook(&image, expected) : "cannot reopen the book";
  if (!fault.empty()) Fail(ErrorCode::kBookUnwritable, book_label, "self-check: " + fault);
}

}  // namespace chm

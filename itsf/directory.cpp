#include "itsf/directory.h"

#include <algorithm>

#include "itsf/error.h"
#include "text/ascii.h"

namespace chm {
namespace {

// One chunk under construction: entries are appended while they fit beside the quickref area.
class ChunkBuilder {
 public:
  explicit ChunkBuilder(std::uint32_t header_size) : header_size_(header_size) {}

  bool Fits(size_t entry_size) const {
    return header_size_ + body_.size() + entry_size + 2 * QuickrefCount(offsets_.size() + 1) + 2 <=
           kChunkSize;
  }
  bool empty() const { return offsets_.empty(); }

  void Add(const Bytes& entry) {
    offsets_.push_back(static_cast<std::uint32_t>(body_.size()));
    body_.insert(body_.end(), entry.begin(), entry.end());
  }

  // Writes header, entries, zeros, quickrefs and the count into `out` (exactly 4096 bytes).
  // `header` holds the signature and fields after the free-space DWORD.
  void Emit(const char* signature, const Bytes& header_tail, Bytes* out) const {
    size_t start = out->size();
    PutText(out, std::string_view(signature, 4));
    PutU32(out, static_cast<std::uint32_t>(kChunkSize - header_size_ - body_.size()));
    out->insert(out->end(), header_tail.begin(), header_tail.end());
    out->insert(out->end(), body_.begin(), body_.end());
    out->resize(start + kChunkSize, 0);
    size_t at = start + kChunkSize - 2;
    SetU16(out, at, static_cast<std::uint32_t>(offsets_.size()));
    for (size_t i = kQuickrefEvery; i < offsets_.size(); i += kQuickrefEvery) {
      at -= 2;
      SetU16(out, at, offsets_[i]);
    }
  }

 private:
  std::uint32_t header_size_;
  Bytes body_;
  std::vector<std::uint32_t> offsets_;
};

Bytes ListingEntry(const DirectoryEntry& e) {
  Bytes b;
  PutEncInt(&b, e.name.size());
  PutText(&b, e.name);
  PutEncInt(&b, e.section);
  PutEncInt(&b, e.offset);
  PutEncInt(&b, e.length);
  return b;
}

Bytes IndexEntry(const std::string& name, std::uint32_t chunk) {
  Bytes b;
  PutEncInt(&b, name.size());
  PutText(&b, name);
  PutEncInt(&b, chunk);
  return b;
}

void CheckFits(const Bytes& entry, std::uint32_t header_size, const std::string& name) {
  if (header_size + entry.size() + 2 > kChunkSize) {
    Fail(ErrorCode::kTooLarge, name, "name too long for a directory chunk");
  }
}

}  // namespace

void PutEncInt(Bytes* out, std::uint64_t value) {
  std::uint8_t groups[10];
  int n = 0;
  do {
    groups[n++] = value & 0x7F;
    value >>= 7;
  } while (value != 0);
  while (n > 1) out->push_back(groups[--n] | 0x80);
  out->push_back(groups[0]);
}

size_t EncIntSize(std::uint64_t value) {
  size_t n = 1;
  while (value >>= 7) ++n;
  return n;
}

bool DirectoryNameLess(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = text::LowerAscii(a[i]), y = text::LowerAscii(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

Directory BuildDirectory(std::vector<DirectoryEntry> entries) {
  std::stable_sort(entries.begin(), entries.end(),
                   [](const DirectoryEntry& a, const DirectoryEntry& b) {
                     return DirectoryNameLess(a.name, b.name);
                   });

  // Listing chunks: fill each as far as it goes.
  std::vector<ChunkBuilder> listing;
  std::vector<std::string> first_names;
  for (const DirectoryEntry& e : entries) {
    Bytes entry = ListingEntry(e);
    CheckFits(entry, kPmglHeaderSize, e.name);
    if (listing.empty() || !listing.back().Fits(entry.size())) {
      listing.emplace_back(kPmglHeaderSize);
      first_names.push_back(e.name);
    }
    listing.back().Add(entry);
  }
  if (listing.empty()) {
    listing.emplace_back(kPmglHeaderSize);
    first_names.emplace_back();
  }

  Directory dir;
  dir.pmgl_count = static_cast<std::uint32_t>(listing.size());
  Bytes chunks;
  for (size_t i = 0; i < listing.size(); ++i) {
    Bytes tail;
    PutU32(&tail, 0);
    PutU32(&tail, i == 0 ? kNoChunk : static_cast<std::uint32_t>(i - 1));
    PutU32(&tail, i + 1 == listing.size() ? kNoChunk : static_cast<std::uint32_t>(i + 1));
    listing[i].Emit("PMGL", tail, &chunks);
  }

  // Index levels, bottom-up, until one chunk covers the level below.
  std::uint32_t next_chunk = dir.pmgl_count;
  std::uint32_t level_first = 0;
  std::vector<std::string> level_names = first_names;
  while (level_names.size() > 1) {
    std::vector<ChunkBuilder> index;
    std::vector<std::string> names_above;
    for (size_t i = 0; i < level_names.size(); ++i) {
      Bytes entry = IndexEntry(level_names[i], level_first + static_cast<std::uint32_t>(i));
      CheckFits(entry, kPmgiHeaderSize, level_names[i]);
      if (index.empty() || !index.back().Fits(entry.size())) {
        index.emplace_back(kPmgiHeaderSize);
        names_above.push_back(level_names[i]);
      }
      index.back().Add(entry);
    }
    for (const ChunkBuilder& c : index) c.Emit("PMGI", Bytes{}, &chunks);
    level_first = next_chunk;
    next_chunk += static_cast<std::uint32_t>(index.size());
    level_names = std::move(names_above);
    ++dir.depth;
  }
  dir.chunk_count = next_chunk;
  dir.root = dir.depth > 1 ? static_cast<std::int32_t>(next_chunk - 1) : -1;

  Bytes& h = dir.bytes;
  PutText(&h, "ITSP");
  PutU32(&h, 1);
  PutU32(&h, kItspHeaderSize);
  PutU32(&h, 0x0A);
  PutU32(&h, kChunkSize);
  PutU32(&h, kQuickrefDensity);
  PutU32(&h, dir.depth);
  PutU32(&h, static_cast<std::uint32_t>(dir.root));
  PutU32(&h, 0);                   // first listing chunk
  PutU32(&h, dir.pmgl_count - 1);  // last listing chunk
  PutU32(&h, 0xFFFFFFFFu);
  PutU32(&h, dir.chunk_count);
  PutU32(&h, 0x0409);
  static const std::uint8_t kTail[8] = {0x9D, 0xF9, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};
  PutGuid(&h, 0x5D02926A, 0x212E, 0x11D0, kTail);
  PutU32(&h, kItspHeaderSize);
  PutU32(&h, 0xFFFFFFFFu);
  PutU32(&h, 0xFFFFFFFFu);
  PutU32(&h, 0xFFFFFFFFu);
  h.insert(h.end(), chunks.begin(), chunks.end());
  return dir;
}

}  // namespace chm

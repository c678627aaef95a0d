// The container's directory: the ITSP header and the PMGL listing chunks, with PMGI index
// chunks over them whenever there is more than one listing chunk.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "itsf/bytes.h"

namespace chm {

constexpr std::uint32_t kChunkSize = 0x1000;
constexpr std::uint32_t kItspHeaderSize = 0x54;
constexpr std::uint32_t kPmglHeaderSize = 0x14;
constexpr std::uint32_t kPmgiHeaderSize = 0x08;
constexpr std::uint32_t kQuickrefDensity = 2;  // a quickref every 1 + 2^2 = 5 entries
constexpr size_t kQuickrefEvery = 1 + (1u << kQuickrefDensity);
constexpr std::uint32_t kNoChunk = 0xFFFFFFFFu;  // no previous/next chunk, no index root

// Quickref slots at the end of a chunk holding `entries` entries.
inline size_t QuickrefCount(size_t entries) {
  return entries == 0 ? 0 : (entries - 1) / kQuickrefEvery;
}

struct DirectoryEntry {
  std::string name;  // UTF-8, starting with '/' or "::"
  std::uint32_t section = 0;
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
};

// ENCINT: base 128, most significant group first, bit 7 set on all but the last byte.
void PutEncInt(Bytes* out, std::uint64_t value);
size_t EncIntSize(std::uint64_t value);

// The order every reader's look-up relies on: bytes compared with 'A'..'Z' folded to lower case.
bool DirectoryNameLess(std::string_view a, std::string_view b);

struct Directory {
  Bytes bytes;  // ITSP header followed by all chunks
  std::uint32_t depth = 1;
  std::uint32_t chunk_count = 0;
  std::uint32_t pmgl_count = 0;
  std::int32_t root = -1;
};

// Sorts the entries and lays out the chunks. Throws CompileFailure (kTooLarge) for a name that
// cannot fit in a chunk.
Directory BuildDirectory(std::vector<DirectoryEntry> entries);

}  // namespace chm

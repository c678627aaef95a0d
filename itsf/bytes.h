// Little-endian byte building for the container's binary structures.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace chm {

using Bytes = std::vector<std::uint8_t>;

inline void PutU8(Bytes* b, std::uint32_t v) { b->push_back(static_cast<std::uint8_t>(v)); }
inline void PutU16(Bytes* b, std::uint32_t v) {
  PutU8(b, v);
  PutU8(b, v >> 8);
}
inline void PutU32(Bytes* b, std::uint32_t v) {
  PutU16(b, v);
  PutU16(b, v >> 16);
}
inline void PutU64(Bytes* b, std::uint64_t v) {
  PutU32(b, static_cast<std::uint32_t>(v));
  PutU32(b, static_cast<std::uint32_t>(v >> 32));
}
inline void PutText(Bytes* b, std::string_view s) { b->insert(b->end(), s.begin(), s.end()); }
inline void PutZeros(Bytes* b, size_t n) { b->insert(b->end(), n, 0); }

inline void SetU16(Bytes* b, size_t at, std::uint32_t v) {
  (*b)[at] = static_cast<std::uint8_t>(v);
  (*b)[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void SetU32(Bytes* b, size_t at, std::uint32_t v) {
  SetU16(b, at, v);
  SetU16(b, at + 2, v >> 16);
}
inline void SetU64(Bytes* b, size_t at, std::uint64_t v) {
  SetU32(b, at, static_cast<std::uint32_t>(v));
  SetU32(b, at + 4, static_cast<std::uint32_t>(v >> 32));
}

// A GUID in its stored order: first DWORD and two WORDs little-endian, the rest as written.
inline void PutGuid(Bytes* b, std::uint32_t d1, std::uint16_t d2, std::uint16_t d3,
                    const std::uint8_t (&d4)[8]) {
  PutU32(b, d1);
  PutU16(b, d2);
  PutU16(b, d3);
  b->insert(b->end(), d4, d4 + 8);
}

}  // namespace chm

// Test helpers for the LZX encoder: independent decoders (chmlib's and libmspack's raw LZX
// decoders, driven the way CHM readers drive them) and generated inputs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lzx/encoder.h"

namespace chm_test {

struct Decoded {
  bool ok = false;
  std::string error;
  std::vector<std::uint8_t> bytes;  // all frames, padding included
};

// Decodes frame by frame with chmlib: LZXinit(16), LZXreset at every reset frame, and each
// frame's compressed extent taken from the frame offsets, as chmlib reads a CHM.
Decoded DecodeWithChmlib(const chm::LzxResult& result);

// Decodes with libmspack's lzxd starting at frame `first_frame` (which must start a reset
// interval) through the end. Warnings libmspack prints (such as a block running across a
// reset) count as failures.
Decoded DecodeWithMspack(const chm::LzxResult& result, std::size_t first_frame = 0);

// Deterministic inputs.
struct NamedInput {
  std::string name;
  std::vector<std::uint8_t> bytes;
};
// The shapes that stress an encoder: sizes around frame and reset boundaries, incompressible
// data, long runs and short periods, copies at nearly the largest distance, an interval
// repeated after a reset, text with random pieces at odd offsets, text whose alphabet changes
// every few KiB (many blocks per interval, trees sent against the block before), and records
// that repeat at distances of a multiple of 8 (aligned offset blocks).
std::vector<NamedInput> HostileLzxInputs();

std::vector<std::uint8_t> RandomBytes(std::size_t size, std::uint32_t seed);
std::vector<std::uint8_t> HtmlLike(std::size_t size, std::uint32_t seed);
// Random words whose 8-letter alphabet changes every `stretch` bytes, taking turns among four.
std::vector<std::uint8_t> ShiftingAlphabets(std::size_t size, std::size_t stretch,
                                            std::uint32_t seed);
// 8-byte records drawn from a table of 600 random ones: every match lies a multiple of 8 back.
std::vector<std::uint8_t> Records(std::size_t size, std::uint32_t seed);

}  // namespace chm_test

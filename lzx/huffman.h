// Length-limited canonical Huffman codes for the LZX trees.
#pragma once

#include <cstdint>

namespace chm {

// Code lengths for `count` symbols with the given frequencies, none longer than `max_length`.
// The result is always a complete prefix code over the used symbols; when fewer than two
// symbols are used, symbols 0/1 are added so that the decoders, which reject incomplete
// tables, accept it. With all frequencies zero and `allow_empty`, every length is 0 (the
// length tree of a block without long matches).
void BuildCodeLengths(const std::uint32_t* freqs, int count, int max_length, std::uint8_t* lengths,
                      bool allow_empty = false);

// Canonical code values for the lengths: shorter codes first, ties in symbol order.
void BuildCanonicalCodes(const std::uint8_t* lengths, int count, std::uint16_t* codes);

}  // namespace chm

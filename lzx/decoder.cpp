#include "lzx/decoder.h"

#include <algorithm>
#include <cstring>

#include "lzx/format.h"

namespace chm {
namespace {

constexpr int kMaxCodeLength = 16;
constexpr int kMainTableBits = 11;
constexpr int kLengthTableBits = 10;
constexpr int kPretreeTableBits = 8;
constexpr int kMaxPositionSlots = 50;  // a 2 MiB window
constexpr int kMaxMainSymbols = kLzxNumChars + 8 * kMaxPositionSlots;

int PositionSlotsFor(int window_bits) {
  switch (window_bits) {
    case 15:
      return 30;
    case 16:
      return 32;
    case 17:
      return 34;
    case 18:
      return 36;
    case 19:
      return 38;
    case 20:
      return 42;
    default:
      return 50;
  }
}

// Words of 16 bits, little-endian, read from the most significant bit down. The buffer keeps
// its bits at the top of a 64-bit value. Reading past the input yields zeros; the caller
// compares Consumed() with the input's size afterwards.
class BitReader {
 public:
  void Start(const std::uint8_t* data, std::size_t size) {
    data_ = data;
    size_ = size;
    pos_ = 0;
    buf_ = 0;
    avail_ = 0;
  }

  void Ensure(int n) {
    if (avail_ >= n) return;
    while (avail_ <= 48) {
      std::uint32_t word = 0;
      if (pos_ < size_) word = data_[pos_];
      if (pos_ + 1 < size_) word |= static_cast<std::uint32_t>(data_[pos_ + 1]) << 8;
      pos_ += 2;
      buf_ |= static_cast<std::uint64_t>(word) << (48 - avail_);
      avail_ += 16;
    }
  }
  std::uint32_t Peek(int n) const { return static_cast<std::uint32_t>(buf_ >> (64 - n)); }
  void Drop(int n) {
    buf_ <<= n;
    avail_ -= n;
  }
  std::uint32_t Read(int n) {
    if (n == 0) return 0;
    Ensure(n);
    const std::uint32_t v = Peek(n);
    Drop(n);
    return v;
  }

  // To the next word boundary of the input.
  void AlignToWord() { Drop(avail_ % 16); }

  // An uncompressed block's padding: 1 to 16 bits, a whole word when already on a boundary.
  // Afterwards bytes are read one by one until ResumeBits.
  void PadToRawBytes() {
    Ensure(16);
    Drop(avail_ % 16 == 0 ? 16 : avail_ % 16);
    pos_ -= static_cast<std::size_t>(avail_ / 8);
    buf_ = 0;
    avail_ = 0;
  }
  std::uint8_t RawByte() {
    const std::uint8_t b = pos_ < size_ ? data_[pos_] : 0;
    ++pos_;
    return b;
  }
  // Bytes past the input read as zeros, as in RawByte.
  void RawBytes(std::uint8_t* out, std::size_t n) {
    const std::size_t have = pos_ < size_ ? std::min(n, size_ - pos_) : 0;
    if (have != 0) std::memcpy(out, data_ + pos_, have);
    std::memset(out + have, 0, n - have);
    pos_ += n;
  }
  void SkipRawByte() { ++pos_; }

  // Bits read since Start.
  std::uint64_t BitPos() const {
    return 8 * static_cast<std::uint64_t>(pos_) - static_cast<std::uint64_t>(avail_);
  }
  std::size_t Consumed() const { return pos_ - static_cast<std::size_t>(avail_ / 8); }

 private:
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t pos_ = 0;
  std::uint64_t buf_ = 0;
  int avail_ = 0;
};

// A canonical Huffman code for decoding: codes up to `table_bits` long resolve in one table
// look-up, longer ones by walking the lengths above it.
class HuffmanDecoder {
 public:
  HuffmanDecoder(int symbols, int table_bits)
      : symbols_(symbols),
        table_bits_(table_bits),
        table_(std::size_t{1} << table_bits),
        sorted_(static_cast<std::size_t>(symbols)) {}

  // False when the lengths form no complete prefix code. All-zero lengths make an empty code,
  // valid until a symbol is asked of it.
  bool Build(const std::uint8_t* lengths) {
    int count[kMaxCodeLength + 1] = {};
    for (int s = 0; s < symbols_; ++s) ++count[lengths[s]];
    count[0] = 0;
    std::uint32_t kraft = 0;
    for (int len = 1; len <= kMaxCodeLength; ++len) {
      kraft += static_cast<std::uint32_t>(count[len]) << (kMaxCodeLength - len);
    }
    empty_ = kraft == 0;
    if (empty_) return true;
    if (kraft != (1u << kMaxCodeLength)) return false;

    std::uint32_t code = 0;
    int index = 0;
    for (int len = 1; len <= kMaxCodeLength; ++len) {
      code = (code + static_cast<std::uint32_t>(count[len - 1])) << 1;
      first_code_[len] = code;
      count_[len] = static_cast<std::uint32_t>(count[len]);
      first_index_[len] = index;
      index += count[len];
    }
    std::uint32_t next[kMaxCodeLength + 1];
    int fill[kMaxCodeLength + 1];
    std::copy(first_code_, first_code_ + kMaxCodeLength + 1, next);
    std::copy(first_index_, first_index_ + kMaxCodeLength + 1, fill);
    std::fill(table_.begin(), table_.end(), 0u);
    for (int s = 0; s < symbols_; ++s) {
      const int len = lengths[s];
      if (len == 0) continue;
      const std::uint32_t c = next[len]++;
      sorted_[static_cast<std::size_t>(fill[len]++)] = static_cast<std::uint16_t>(s);
      if (len <= table_bits_) {
        const std::uint32_t begin = c << (table_bits_ - len);
        const std::uint32_t end = (c + 1) << (table_bits_ - len);
        for (std::uint32_t j = begin; j < end; ++j) {
          table_[j] = static_cast<std::uint32_t>(s) | static_cast<std::uint32_t>(len) << 16;
        }
      }
    }
    return true;
  }

  // The next symbol, or -1 when the code is empty.
  int Decode(BitReader* bits) const {
    if (empty_) return -1;
    bits->Ensure(kMaxCodeLength);
    const std::uint32_t e = table_[bits->Peek(table_bits_)];
    if (e >> 16) {
      bits->Drop(static_cast<int>(e >> 16));
      return static_cast<int>(e & 0xFFFF);
    }
    for (int len = table_bits_ + 1; len <= kMaxCodeLength; ++len) {
      const std::uint32_t c = bits->Peek(len) - first_code_[len];
      if (c < count_[len]) {
        bits->Drop(len);
        return sorted_[static_cast<std::size_t>(first_index_[len]) + c];
      }
    }
    return -1;  // not reached for a complete code
  }

 private:
  int symbols_;
  int table_bits_;
  bool empty_ = true;
  std::vector<std::uint32_t> table_;   // symbol | length << 16; length 0 for longer codes
  std::vector<std::uint16_t> sorted_;  // symbols by code
  std::uint32_t first_code_[kMaxCodeLength + 1] = {};
  std::uint32_t count_[kMaxCodeLength + 1] = {};
  int first_index_[kMaxCodeLength + 1] = {};
};

}  // namespace

struct LzxDecoder::State {
  explicit State(int bits)
      : window_bits(bits < 15   ? 15
                    : bits > 21 ? 21
                                : bits),
        window(std::size_t{1} << window_bits),
        slots(PositionSlotsFor(window_bits)),
        main_symbols(kLzxNumChars + 8 * slots),
        main(main_symbols, kMainTableBits),
        length(kLzxLengthSymbols, kLengthTableBits),
        aligned(kLzxAlignedSymbols, kLzxMaxAlignedCodeLength),
        pretree(kLzxPretreeSymbols, kPretreeTableBits) {
    std::uint32_t base = 0;
    for (int s = 0; s < slots; ++s) {
      extra[s] = s < 4 ? 0 : s < 36 ? s / 2 - 1 : 17;
      slot_base[s] = base;
      base += 1u << extra[s];
    }
    ResetState();
  }

  void ResetState();
  bool Fail(const char* what) {
    error = what;
    failed = true;
    return false;
  }
  bool ReadLengths(std::uint8_t* lens, int first, int last);
  bool ReadBlockHeader();
  bool DecodeRun(std::size_t run, std::size_t frame_start);
  bool CopyRaw(std::size_t run);
  void TranslateE8(std::uint8_t* out, std::size_t size) const;
  bool DecodeFrame(const std::uint8_t* in, std::size_t in_size, std::uint8_t* out,
                   std::size_t out_size);

  int window_bits;
  std::vector<std::uint8_t> window;
  int slots;
  int main_symbols;
  int extra[kMaxPositionSlots];
  std::uint32_t slot_base[kMaxPositionSlots];
  HuffmanDecoder main, length, aligned, pretree;
  std::uint8_t main_lengths[kMaxMainSymbols];
  std::uint8_t length_lengths[kLzxLengthSymbols];
  BitReader bits;

  std::size_t window_pos = 0;
  std::uint64_t interval_pos = 0;  // bytes decoded since the reset, before this frame
  bool header_read = false;
  std::uint32_t e8_size = 0;
  int block_type = 0;
  std::uint32_t block_size = 0;
  std::uint32_t block_remaining = 0;
  bool skip_pad = false;  // an odd-sized uncompressed block's pad byte is still ahead
  bool raw = false;       // inside an uncompressed block's bytes
  std::uint32_t r[3] = {1, 1, 1};
  bool block_across_reset = false;
  bool failed = false;
  std::size_t consumed = 0;
  std::uint64_t header_bits = 0;  // never reset
  std::string error;
};

void LzxDecoder::State::ResetState() {
  block_across_reset = !failed && block_remaining != 0;
  window_pos = 0;
  interval_pos = 0;
  header_read = false;
  e8_size = 0;
  block_type = 0;
  block_remaining = 0;
  skip_pad = false;
  raw = false;
  r[0] = r[1] = r[2] = 1;
  std::memset(main_lengths, 0, sizeof main_lengths);
  std::memset(length_lengths, 0, sizeof length_lengths);
  failed = false;
  error.clear();
}

// One list of code lengths, sent through its own pretree as differences from the lengths the
// decoder remembers.
bool LzxDecoder::State::ReadLengths(std::uint8_t* lens, int first, int last) {
  std::uint8_t pre[kLzxPretreeSymbols];
  for (std::uint8_t& l : pre) l = static_cast<std::uint8_t>(bits.Read(4));
  if (!pretree.Build(pre)) return Fail("incomplete pretree");
  int i = first;
  while (i < last) {
    const int sym = pretree.Decode(&bits);
    if (sym < 0) return Fail("empty pretree");
    if (sym <= 16) {
      lens[i] = static_cast<std::uint8_t>((lens[i] + 17 - sym) % 17);
      ++i;
      continue;
    }
    int run = 0;
    std::uint8_t value = 0;
    if (sym == 17) {
      run = 4 + static_cast<int>(bits.Read(4));
    } else if (sym == 18) {
      run = 20 + static_cast<int>(bits.Read(5));
    } else {
      run = 4 + static_cast<int>(bits.Read(1));
      const int c = pretree.Decode(&bits);
      if (c < 0 || c > 16) return Fail("bad length run symbol");
      value = static_cast<std::uint8_t>((lens[i] + 17 - c) % 17);
    }
    if (run > last - i) return Fail("length run past the end of its list");
    std::memset(lens + i, value, static_cast<std::size_t>(run));
    i += run;
  }
  return true;
}

bool LzxDecoder::State::ReadBlockHeader() {
  if (skip_pad) {
    bits.SkipRawByte();
    skip_pad = false;
  }
  const std::uint64_t header_start = bits.BitPos();
  block_type = static_cast<int>(bits.Read(3));
  block_size = bits.Read(24);
  block_remaining = block_size;
  if (block_size == 0) return Fail("empty block");
  if (block_type == kLzxUncompressed) {
    bits.PadToRawBytes();
    for (std::uint32_t& rv : r) {
      rv = 0;
      for (int k = 0; k < 4; ++k) rv |= static_cast<std::uint32_t>(bits.RawByte()) << (8 * k);
    }
    raw = true;
    header_bits += bits.BitPos() - header_start;
    return true;
  }
  if (block_type != kLzxVerbatim && block_type != kLzxAligned) return Fail("bad block type");
  if (block_type == kLzxAligned) {
    std::uint8_t lens[kLzxAlignedSymbols];
    for (std::uint8_t& l : lens) l = static_cast<std::uint8_t>(bits.Read(3));
    if (!aligned.Build(lens)) return Fail("incomplete aligned tree");
  }
  if (!ReadLengths(main_lengths, 0, kLzxNumChars) ||
      !ReadLengths(main_lengths, kLzxNumChars, main_symbols) ||
      !ReadLengths(length_lengths, 0, kLzxLengthSymbols)) {
    return false;
  }
  if (!main.Build(main_lengths)) return Fail("incomplete main tree");
  if (!length.Build(length_lengths)) return Fail("incomplete length tree");
  header_bits += bits.BitPos() - header_start;
  return true;
}

bool LzxDecoder::State::CopyRaw(std::size_t run) {
  bits.RawBytes(window.data() + window_pos, run);
  window_pos += run;
  return true;
}

// `run` output bytes of a verbatim or aligned block; no match may go past them.
bool LzxDecoder::State::DecodeRun(std::size_t run, std::size_t frame_start) {
  const std::size_t end = window_pos + run;
  const std::size_t mask = window.size() - 1;
  std::uint8_t* w = window.data();
  while (window_pos < end) {
    const int sym = main.Decode(&bits);
    if (sym < 0) return Fail("empty main tree");
    if (sym < kLzxNumChars) {
      w[window_pos++] = static_cast<std::uint8_t>(sym);
      continue;
    }
    const int header = (sym - kLzxNumChars) & 7;
    const int slot = (sym - kLzxNumChars) >> 3;
    std::size_t len = static_cast<std::size_t>(header) + kLzxMinMatch;
    if (header == kLzxNumPrimaryLengths) {
      const int extra_len = length.Decode(&bits);
      if (extra_len < 0) return Fail("a match needs the empty length tree");
      len += static_cast<std::size_t>(extra_len);
    }
    std::uint32_t dist;
    if (slot < 3) {
      dist = r[slot];
      r[slot] = r[0];
      r[0] = dist;
    } else {
      const int n = extra[slot];
      std::uint32_t footer;
      if (block_type == kLzxAligned && n >= 3) {
        footer = bits.Read(n - 3) << 3;
        const int low = aligned.Decode(&bits);
        if (low < 0) return Fail("a match needs the empty aligned tree");
        footer |= static_cast<std::uint32_t>(low);
      } else {
        footer = bits.Read(n);
      }
      dist = slot_base[slot] + footer - 2;
      r[2] = r[1];
      r[1] = r[0];
      r[0] = dist;
    }
    if (len > end - window_pos) return Fail("a match runs past the end of its block or frame");
    const std::uint64_t behind = interval_pos + (window_pos - frame_start);
    if (dist == 0 || dist > behind || dist > window.size()) {
      return Fail("a match reaches before the reset point");
    }
    std::size_t src = (window_pos - dist) & mask;
    if (src + len <= window.size()) {
      for (std::size_t k = 0; k < len; ++k) w[window_pos + k] = w[src + k];
    } else {
      for (std::size_t k = 0; k < len; ++k) w[window_pos + k] = w[(src + k) & mask];
    }
    window_pos += len;
  }
  return true;
}

// Calls to 32-bit absolute addresses were turned into relative ones by the encoder when the
// interval's header gave a translation size. Positions count from the reset point, as chmlib
// and the readers built on it count them.
void LzxDecoder::State::TranslateE8(std::uint8_t* out, std::size_t size) const {
  if (e8_size == 0 || size <= 10) return;
  const std::int64_t translation = e8_size;
  for (std::size_t i = 0; i < size - 10; ++i) {
    if (out[i] != 0xE8) continue;
    const std::int64_t cur = static_cast<std::int64_t>(interval_pos + i);
    const std::int32_t value = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(out[i + 1]) | static_cast<std::uint32_t>(out[i + 2]) << 8 |
        static_cast<std::uint32_t>(out[i + 3]) << 16 |
        static_cast<std::uint32_t>(out[i + 4]) << 24);
    if (value >= -cur && value < translation) {
      const std::int64_t rel = value >= 0 ? value - cur : value + translation;
      const auto u = static_cast<std::uint32_t>(rel);
      for (int k = 0; k < 4; ++k) out[i + 1 + k] = static_cast<std::uint8_t>(u >> (8 * k));
    }
    i += 4;
  }
}

bool LzxDecoder::State::DecodeFrame(const std::uint8_t* in, std::size_t in_size, std::uint8_t* out,
                                    std::size_t out_size) {
  consumed = 0;
  if (failed) return false;
  if (block_across_reset) return Fail("a block runs across the reset point");
  if (out_size == 0 || out_size > kLzxFrameSize) return Fail("bad frame size");
  window_pos &= window.size() - 1;
  if (window_pos + out_size > window.size()) return Fail("frame does not fit the window");
  bits.Start(in, in_size);
  if (!header_read) {
    if (bits.Read(1) != 0) {
      const std::uint32_t high = bits.Read(16);
      e8_size = high << 16 | bits.Read(16);
    }
    header_read = true;
  }
  const std::size_t frame_start = window_pos;
  std::size_t remaining = out_size;
  while (remaining > 0) {
    if (block_remaining == 0 && !ReadBlockHeader()) return false;
    const std::size_t run = std::min<std::size_t>(block_remaining, remaining);
    if (!(raw ? CopyRaw(run) : DecodeRun(run, frame_start))) return false;
    block_remaining -= static_cast<std::uint32_t>(run);
    remaining -= run;
    if (raw && block_remaining == 0) {
      raw = false;
      skip_pad = (block_size & 1) != 0;
    }
  }
  if (!raw) bits.AlignToWord();
  consumed = bits.Consumed();
  if (consumed > in_size) return Fail("the frame reads past the end of its compressed bytes");
  std::memcpy(out, window.data() + frame_start, out_size);
  TranslateE8(out, out_size);
  interval_pos += out_size;
  return true;
}

LzxDecoder::LzxDecoder(int window_bits) : state_(new State(window_bits)) {}
LzxDecoder::~LzxDecoder() { delete state_; }

void LzxDecoder::Reset() { state_->ResetState(); }

bool LzxDecoder::DecodeFrame(const std::uint8_t* in, std::size_t in_size, std::uint8_t* out,
                             std::size_t out_size) {
  return state_->DecodeFrame(in, in_size, out, out_size);
}

std::size_t LzxDecoder::BytesConsumed() const { return state_->consumed; }
bool LzxDecoder::InsideBlock() const { return state_->block_remaining != 0; }
std::uint64_t LzxDecoder::HeaderBits() const { return state_->header_bits; }
const std::string& LzxDecoder::Error() const { return state_->error; }

bool DecodeLzxStream(const std::uint8_t* data, std::size_t size,
                     const std::vector<std::uint64_t>& frame_offsets, std::size_t frames_per_reset,
                     std::vector<std::uint8_t>* out, std::string* error, int window_bits) {
  out->clear();
  if (frames_per_reset == 0) frames_per_reset = 1;
  LzxDecoder decoder(window_bits);
  std::uint8_t frame[kLzxFrameSize];
  for (std::size_t k = 0; k < frame_offsets.size(); ++k) {
    const std::uint64_t begin = frame_offsets[k];
    const std::uint64_t end = k + 1 < frame_offsets.size() ? frame_offsets[k + 1] : size;
    if (begin > end || end > size) {
      *error = "frame " + std::to_string(k) + " has no valid extent";
      return false;
    }
    if (k % frames_per_reset == 0) decoder.Reset();
    const std::size_t extent = static_cast<std::size_t>(end - begin);
    if (!decoder.DecodeFrame(data + begin, extent, frame, kLzxFrameSize)) {
      *error = "frame " + std::to_string(k) + ": " + decoder.Error();
      return false;
    }
    if (decoder.BytesConsumed() != extent) {
      *error = "frame " + std::to_string(k) + " uses " + std::to_string(decoder.BytesConsumed()) +
               " of its " + std::to_string(extent) + " bytes";
      return false;
    }
    out->insert(out->end(), frame, frame + kLzxFrameSize);
  }
  if (decoder.InsideBlock()) {
    *error = "the last block claims more bytes than the stream holds";
    return false;
  }
  return true;
}

}  // namespace chm

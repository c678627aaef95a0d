#include "tests/support/lzx_support.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include <lzx.h>
#include <mspack.h>

// libmspack's static library exports its raw LZX decoder, but the header that declares it is
// not installed. These are the declarations from libmspack's documentation (lzx.h).
extern "C" {
struct lzxd_stream;
struct lzxd_stream* lzxd_init(struct mspack_system* system, struct mspack_file* input,
                              struct mspack_file* output, int window_bits, int reset_interval,
                              int input_buffer_size, off_t output_length, char is_delta);
int lzxd_decompress(struct lzxd_stream* lzx, off_t out_bytes);
void lzxd_free(struct lzxd_stream* lzx);
}

namespace chm_test {
namespace {

constexpr int kWindowBits = 16;
constexpr int kFramesPerReset = 2;
constexpr std::size_t kSlack = 32;  // decoders may look a little past the frame's bytes

// Memory I/O for libmspack: the input file reads from a byte range, the output file appends.
struct MemoryFile {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t pos = 0;
  std::vector<std::uint8_t>* sink = nullptr;
};

struct MemorySystem {
  mspack_system base;
  std::string messages;
};

MemorySystem* g_current_system = nullptr;

int MemRead(mspack_file* file, void* buffer, int bytes) {
  auto* f = reinterpret_cast<MemoryFile*>(file);
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(bytes), f->size - f->pos);
  std::memcpy(buffer, f->data + f->pos, n);
  f->pos += n;
  return static_cast<int>(n);
}

int MemWrite(mspack_file* file, void* buffer, int bytes) {
  auto* f = reinterpret_cast<MemoryFile*>(file);
  const auto* b = static_cast<const std::uint8_t*>(buffer);
  f->sink->insert(f->sink->end(), b, b + bytes);
  return bytes;
}

void MemMessage(mspack_file*, const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (g_current_system != nullptr) g_current_system->messages += std::string(text) + "\n";
}

void* MemAlloc(mspack_system*, std::size_t bytes) { return std::malloc(bytes); }
void MemFree(void* p) { std::free(p); }
void MemCopy(void* src, void* dest, std::size_t bytes) { std::memmove(dest, src, bytes); }

std::size_t FrameCount(const chm::LzxResult& r) { return r.frame_offsets.size(); }

}  // namespace

Decoded DecodeWithChmlib(const chm::LzxResult& result) {
  Decoded d;
  const std::size_t frames = FrameCount(result);
  LZXstate* state = LZXinit(kWindowBits);
  std::vector<std::uint8_t> in;
  std::vector<std::uint8_t> out(chm::kLzxFrameSize);
  for (std::size_t k = 0; k < frames; ++k) {
    const std::uint64_t begin = result.frame_offsets[k];
    const std::uint64_t end = k + 1 < frames ? result.frame_offsets[k + 1] : result.bytes.size();
    if (begin > end || end > result.bytes.size()) {
      d.error = "frame offsets out of order at frame " + std::to_string(k);
      LZXteardown(state);
      return d;
    }
    if (k % kFramesPerReset == 0) LZXreset(state);
    in.assign(result.bytes.begin() + static_cast<std::ptrdiff_t>(begin),
              result.bytes.begin() + static_cast<std::ptrdiff_t>(end));
    in.resize(in.size() + kSlack, 0);
    const int rc = LZXdecompress(state, in.data(), out.data(), static_cast<int>(end - begin),
                                 static_cast<int>(chm::kLzxFrameSize));
    if (rc != DECR_OK) {
      d.error = "chmlib error " + std::to_string(rc) + " in frame " + std::to_string(k);
      LZXteardown(state);
      return d;
    }
    d.bytes.insert(d.bytes.end(), out.begin(), out.end());
  }
  LZXteardown(state);
  d.ok = true;
  return d;
}

Decoded DecodeWithMspack(const chm::LzxResult& result, std::size_t first_frame) {
  Decoded d;
  const std::size_t frames = FrameCount(result);
  if (first_frame >= frames && frames != 0) {
    d.error = "no such frame";
    return d;
  }
  MemorySystem sys{};
  sys.base.read = MemRead;
  sys.base.write = MemWrite;
  sys.base.message = MemMessage;
  sys.base.alloc = MemAlloc;
  sys.base.free = MemFree;
  sys.base.copy = MemCopy;
  g_current_system = &sys;

  const std::size_t start = frames == 0 ? 0 : result.frame_offsets[first_frame];
  MemoryFile in;
  in.data = result.bytes.data() + start;
  in.size = result.bytes.size() - start;
  MemoryFile out;
  out.sink = &d.bytes;
  const off_t length = static_cast<off_t>((frames - first_frame) * chm::kLzxFrameSize);
  lzxd_stream* lzx = lzxd_init(&sys.base, reinterpret_cast<mspack_file*>(&in),
                               reinterpret_cast<mspack_file*>(&out), kWindowBits, kFramesPerReset,
                               4096, length, 0);
  if (lzx == nullptr) {
    d.error = "lzxd_init failed";
    g_current_system = nullptr;
    return d;
  }
  // Asked for everything at once, lzxd also starts the frame after the last one, which fails
  // when that frame would begin a reset interval (it reads the next interval's header bit).
  // Leaving the last byte for a second call lets it come from the frame already decoded.
  int rc = length > 1 ? lzxd_decompress(lzx, length - 1) : MSPACK_ERR_OK;
  if (rc == MSPACK_ERR_OK && length > 0) rc = lzxd_decompress(lzx, 1);
  lzxd_free(lzx);
  g_current_system = nullptr;
  if (rc != MSPACK_ERR_OK) {
    d.error = "libmspack error " + std::to_string(rc) + ": " + sys.messages;
    return d;
  }
  if (!sys.messages.empty()) {
    d.error = "libmspack warned: " + sys.messages;
    return d;
  }
  d.ok = true;
  return d;
}

std::vector<std::uint8_t> RandomBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> v(size);
  for (auto& b : v) b = static_cast<std::uint8_t>(rng() >> 24);
  return v;
}

std::vector<std::uint8_t> HtmlLike(std::size_t size, std::uint32_t seed) {
  static const char* const kWords[] = {
      "the",      "of",      "and",      "window",  "chapter",  "button",    "help",    "file",
      "compiled", "index",   "contents", "topic",   "search",   "page",      "section", "example",
      "value",    "returns", "error",    "message", "function", "parameter", "system",  "book",
      "read",     "write",   "table",    "skin",    "dialog",   "settings",  "option",  "default",
      "click",    "open",    "close",    "left",    "right"};
  static const char* const kTags[] = {"p", "li", "td", "h2", "span", "code", "em", "b"};
  constexpr std::size_t kWordCount = sizeof kWords / sizeof kWords[0];
  constexpr std::size_t kTagCount = sizeof kTags / sizeof kTags[0];
  std::mt19937 rng(seed);
  std::string s;
  int page = 0;
  while (s.size() < size) {
    s += "<html><head><title>Chapter " + std::to_string(++page) +
         "</title><link rel=\"stylesheet\" href=\"style.css\"></head>\n<body>\n";
    const int paragraphs = 3 + static_cast<int>(rng() % 10);
    for (int p = 0; p < paragraphs; ++p) {
      const char* tag = kTags[rng() % kTagCount];
      s += std::string("<") + tag + " class=\"c" + std::to_string(rng() % 7) + "\">";
      const int words = 5 + static_cast<int>(rng() % 60);
      for (int w = 0; w < words; ++w) {
        s += kWords[rng() % kWordCount];
        if (rng() % 11 == 0) s += " " + std::to_string(rng() % 100000);
        s += w + 1 < words ? " " : ".";
      }
      if (rng() % 4 == 0) {
        s += " <a href=\"page" + std::to_string(rng() % 500) + ".html#s" +
             std::to_string(rng() % 40) + "\">see also</a>";
      }
      s += std::string("</") + tag + ">\n";
    }
    s += "</body></html>\n";
  }
  s.resize(size);
  return std::vector<std::uint8_t>(s.begin(), s.end());
}

std::vector<std::uint8_t> ShiftingAlphabets(std::size_t size, std::size_t stretch,
                                            std::uint32_t seed) {
  static const char* const kAlphabets[] = {"abcdefgh", "STUVWXYZ", "01234567", "<>/=\"#&;"};
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> v;
  while (v.size() < size) {
    const char* letters = kAlphabets[v.size() / stretch % 4];
    const std::size_t word = 1 + rng() % 7;
    for (std::size_t k = 0; k < word; ++k)
      v.push_back(static_cast<std::uint8_t>(letters[rng() % 8]));
    v.push_back(' ');
  }
  v.resize(size);
  return v;
}

std::vector<std::uint8_t> Records(std::size_t size, std::uint32_t seed) {
  const auto table = RandomBytes(600 * 8, seed);
  std::mt19937 rng(seed + 1);
  std::vector<std::uint8_t> v;
  while (v.size() < size) {
    const std::size_t r = rng() % 600;
    v.insert(v.end(), table.begin() + static_cast<std::ptrdiff_t>(8 * r),
             table.begin() + static_cast<std::ptrdiff_t>(8 * r + 8));
  }
  v.resize(size);
  return v;
}

std::vector<NamedInput> HostileLzxInputs() {
  std::vector<NamedInput> inputs;
  for (std::size_t size :
       {1, 2, 3, 257, 4999, 32767, 32768, 32769, 65535, 65536, 65537, 98304, 131073}) {
    inputs.push_back(
        {"html " + std::to_string(size), HtmlLike(size, static_cast<std::uint32_t>(size))});
  }
  inputs.push_back({"random", RandomBytes(200001, 7)});
  inputs.push_back({"zeros", std::vector<std::uint8_t>(300000, 0)});
  std::vector<std::uint8_t> periodic(140001);
  for (std::size_t i = 0; i < periodic.size(); ++i) periodic[i] = "xyzzy!"[i % 6];
  inputs.push_back({"period 6", periodic});
  std::vector<std::uint8_t> runs;
  const auto noise = RandomBytes(4000, 3);
  for (std::size_t i = 0; runs.size() < 150000; ++i) {
    runs.insert(runs.end(), 1 + noise[i % noise.size()] % 300, noise[(i * 7 + 1) % noise.size()]);
  }
  inputs.push_back({"runs", runs});
  auto far = HtmlLike(3 * chm::kLzxResetInterval, 11);
  for (std::size_t base = 0; base < far.size(); base += chm::kLzxResetInterval) {
    std::memcpy(&far[base + 65236], &far[base], 300);
  }
  inputs.push_back({"far copies", far});
  auto repeated = RandomBytes(chm::kLzxResetInterval, 5);
  repeated.insert(repeated.end(), repeated.begin(), repeated.end());
  inputs.push_back({"interval repeated", repeated});
  std::vector<std::uint8_t> mixed;
  const std::size_t pieces[] = {20001, 25003, 9, 40001, 1, 30011, 17, 32767, 5, 12345};
  for (std::size_t i = 0; i < sizeof pieces / sizeof pieces[0]; ++i) {
    const auto piece = i % 2 == 0 ? HtmlLike(pieces[i], static_cast<std::uint32_t>(i))
                                  : RandomBytes(pieces[i], static_cast<std::uint32_t>(i));
    mixed.insert(mixed.end(), piece.begin(), piece.end());
  }
  inputs.push_back({"text and random pieces", mixed});
  inputs.push_back({"alphabet every 3000 bytes", ShiftingAlphabets(200000, 3000, 13)});
  inputs.push_back({"8-byte records", Records(150000, 17)});
  return inputs;
}

}  // namespace chm_test

// Our LZX decoder: our encoder's output at every level, an independent encoder's book
// (chmcmd), the E8 translation against chmlib's decoder, and malformed streams.
#include <gtest/gtest.h>

#include <chm_lib.h>

#include <cstdlib>
#include <cstring>

#include "lzx/bit_writer.h"
#include "lzx/decoder.h"
#include "lzx/encoder.h"
#include "lzx/format.h"
#include "tests/support/chm_support.h"
#include "tests/support/lzx_support.h"

namespace chm_test {
namespace {

using chm::LzxLevel;
constexpr std::size_t kFrame = chm::kLzxFrameSize;

std::vector<std::uint8_t> Padded(std::vector<std::uint8_t> data) {
  data.resize((data.size() + kFrame - 1) / kFrame * kFrame, 0);
  return data;
}

TEST(LzxDecoder, DecodesOurEncoderAtEveryLevelAndThreadCountOnHostileInputs) {
  for (const NamedInput& input : HostileLzxInputs()) {
    for (const auto& [level, threads] : {std::pair{LzxLevel::kStore, 1},
                                         {LzxLevel::kNormal, 1},
                                         {LzxLevel::kBest, 1},
                                         {LzxLevel::kNormal, 4},
                                         {LzxLevel::kBest, 4}}) {
      SCOPED_TRACE(input.name + ", level " + std::to_string(static_cast<int>(level)) + ", " +
                   std::to_string(threads) + " threads");
      chm::LzxEncoder encoder(level, nullptr, threads);
      encoder.Write(input.bytes.data(), input.bytes.size());
      encoder.Finish();
      std::vector<std::uint8_t> out;
      std::string error;
      ASSERT_TRUE(chm::DecodeLzxStream(encoder.Output().data(), encoder.Output().size(),
                                       encoder.FrameOffsets(), 2, &out, &error))
          << error;
      const std::vector<std::uint8_t> expected = Padded(input.bytes);
      EXPECT_TRUE(out == expected) << "decoded different content";
      // The digests the encoder notes are those of the frames the decoder gives back.
      ASSERT_EQ(encoder.FrameDigests().size(), out.size() / kFrame);
      for (std::size_t k = 0; k < encoder.FrameDigests().size(); ++k) {
        EXPECT_EQ(encoder.FrameDigests()[k], chm::LzxFrameDigest(&out[k * kFrame], kFrame));
      }
    }
  }
}

TEST(LzxDecoder, DecodingFromALaterResetFrameNeedsNothingBefore) {
  const auto data = HtmlLike(5 * kFrame + 100, 9);
  const chm::LzxResult r = chm::CompressLzx(data.data(), data.size(), LzxLevel::kBest);
  ASSERT_EQ(r.frame_offsets.size(), 6u);
  const std::uint64_t start = r.frame_offsets[4];
  std::vector<std::uint64_t> tail_offsets = {0, r.frame_offsets[5] - start};
  std::vector<std::uint8_t> out;
  std::string error;
  ASSERT_TRUE(chm::DecodeLzxStream(r.bytes.data() + start, r.bytes.size() - start, tail_offsets, 2,
                                   &out, &error))
      << error;
  const auto expected = Padded(data);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), expected.begin() + 4 * kFrame, expected.end()));
}

// Records drawn from a small pool repeat at distances that are multiples of 16, so every
// match footer ends in the same three bits: the encoder picks aligned offset blocks, which
// neither the text inputs nor chmcmd's books produce. chmlib's decoder is the reference.
TEST(LzxDecoder, AlignedOffsetBlocksDecodeAsChmlibDecodesThem) {
  const auto pool = RandomBytes(64 * 16, 31);
  const auto picks = RandomBytes(20000, 32);
  std::vector<std::uint8_t> data;
  for (std::uint8_t pick : picks) {
    const std::size_t record = pick % 64;
    data.insert(data.end(), pool.begin() + static_cast<std::ptrdiff_t>(record * 16),
                pool.begin() + static_cast<std::ptrdiff_t>(record * 16 + 16));
  }
  for (LzxLevel level : {LzxLevel::kNormal, LzxLevel::kBest}) {
    const chm::LzxResult r = chm::CompressLzx(data.data(), data.size(), level);
    // The first word: the E8 bit, then the first block's type.
    ASSERT_GE(r.bytes.size(), 2u);
    EXPECT_EQ((r.bytes[1] >> 4) & 7, chm::kLzxAligned);
    const Decoded by_chmlib = DecodeWithChmlib(r);
    ASSERT_TRUE(by_chmlib.ok) << by_chmlib.error;
    std::vector<std::uint8_t> out;
    std::string error;
    ASSERT_TRUE(
        chm::DecodeLzxStream(r.bytes.data(), r.bytes.size(), r.frame_offsets, 2, &out, &error))
        << error;
    EXPECT_TRUE(out == by_chmlib.bytes);
    EXPECT_TRUE(out == Padded(data));
  }
}

// A book made by chmcmd: its Content, decoded with the offsets of its reset table, must hold
// every compressed file exactly where chmlib finds it.
struct ChmlibBook {
  chmFile* file = nullptr;
  ~ChmlibBook() {
    if (file) chm_close(file);
  }
  std::string Object(const std::string& name) {
    chmUnitInfo ui{};
    if (chm_resolve_object(file, name.c_str(), &ui) != CHM_RESOLVE_SUCCESS) return {};
    std::string bytes(static_cast<std::size_t>(ui.length), '\0');
    chm_retrieve_object(file, &ui, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                        static_cast<LONGINT64>(ui.length));
    return bytes;
  }
};

int CollectCompressed(chmFile*, chmUnitInfo* ui, void* context) {
  if (ui->space == 1 && ui->length > 0)
    static_cast<std::vector<chmUnitInfo>*>(context)->push_back(*ui);
  return CHM_ENUMERATOR_CONTINUE;
}

std::uint64_t Le64(const std::string& s, std::size_t at) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i)
    v = v << 8 | static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
  return v;
}

TEST(LzxDecoder, DecodesABookFromAnIndependentEncoder) {
  const fs::path dir = FreshFolder("chmcmd_book");
  std::vector<Chapter> chapters;
  for (int i = 0; i < 6; ++i) {
    const auto text =
        HtmlLike(40000 + 7000 * static_cast<std::size_t>(i), static_cast<std::uint32_t>(i));
    chapters.push_back(
        {"ch" + std::to_string(i) + ".htm", "c", std::string(text.begin(), text.end())});
  }
  WriteProject(dir, "other", chapters);
  const std::string command = "cd '" + dir.string() + "' && chmcmd chm_hhp.hhp >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << "chmcmd failed";

  ChmlibBook book;
  book.file = chm_open((dir / "other.chm").c_str());
  ASSERT_NE(book.file, nullptr);
  const std::string content = book.Object("::DataSpace/Storage/MSCompressed/Content");
  const std::string table = book.Object(
      "::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/"
      "InstanceData/ResetTable");
  ASSERT_GE(table.size(), 0x28u);
  const std::uint64_t uncompressed = Le64(table, 0x10);
  const std::size_t frames = static_cast<std::size_t>((uncompressed + kFrame - 1) / kFrame);
  ASSERT_GE(frames, 8u) << "the book should span several reset intervals";
  std::vector<std::uint64_t> offsets;
  for (std::size_t k = 0; k < frames; ++k) offsets.push_back(Le64(table, 0x28 + 8 * k));

  std::vector<std::uint8_t> section;
  std::string error;
  ASSERT_TRUE(chm::DecodeLzxStream(reinterpret_cast<const std::uint8_t*>(content.data()),
                                   content.size(), offsets, 2, &section, &error))
      << error;
  std::vector<chmUnitInfo> files;
  chm_enumerate(book.file, CHM_ENUMERATE_ALL, CollectCompressed, &files);
  ASSERT_GE(files.size(), chapters.size());
  for (chmUnitInfo& ui : files) {
    std::string expected(static_cast<std::size_t>(ui.length), '\0');
    chm_retrieve_object(book.file, &ui, reinterpret_cast<unsigned char*>(expected.data()), 0,
                        static_cast<LONGINT64>(ui.length));
    ASSERT_LE(ui.start + ui.length, section.size()) << ui.path;
    EXPECT_EQ(0, std::memcmp(section.data() + ui.start, expected.data(), expected.size()))
        << ui.path;
  }
  fs::remove_all(dir);
}

// Two intervals of uncompressed blocks with translation on, holding E8 bytes followed by
// addresses in and out of the translated range, at both frames of each interval.
TEST(LzxDecoder, E8TranslationAgreesWithChmlib) {
  const std::uint32_t translation = 12000000;
  auto data = RandomBytes(4 * kFrame, 21);
  for (std::uint8_t& b : data) {
    if (b == 0xE8) b = 0;
  }
  const std::int32_t values[] = {0, 5, -3, 11999999, 12000000, -40000, 70000, -70000, 123456};
  std::size_t at = 17;
  for (int round = 0; at + 16 < data.size(); ++round) {
    const auto v = static_cast<std::uint32_t>(values[round % 9]);
    data[at] = 0xE8;
    for (int k = 0; k < 4; ++k)
      data[at + 1 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v >> (8 * k));
    at += 997 + static_cast<std::size_t>(round % 13);
  }
  data[kFrame - 9] = 0xE8;  // too close to the frame end to be translated
  chm::LzxResult r;
  chm::LzxBitWriter bits(&r.bytes);
  for (std::size_t interval = 0; interval < 2; ++interval) {
    r.frame_offsets.push_back(r.bytes.size());
    bits.PutBits(1, 1);
    bits.PutBits(translation >> 16, 16);
    bits.PutBits(translation & 0xFFFF, 16);
    bits.PutBits(chm::kLzxUncompressed, 3);
    bits.PutBits(2 * kFrame, 24);
    bits.PadBeforeRawBytes();
    for (int k = 0; k < 3; ++k) bits.PutRawDword(1);
    bits.PutRawBytes(&data[interval * 2 * kFrame], kFrame);
    r.frame_offsets.push_back(r.bytes.size());
    bits.PutRawBytes(&data[(interval * 2 + 1) * kFrame], kFrame);
  }
  const Decoded by_chmlib = DecodeWithChmlib(r);
  ASSERT_TRUE(by_chmlib.ok) << by_chmlib.error;
  ASSERT_FALSE(by_chmlib.bytes == data) << "chmlib translated nothing";
  std::vector<std::uint8_t> out;
  std::string error;
  ASSERT_TRUE(
      chm::DecodeLzxStream(r.bytes.data(), r.bytes.size(), r.frame_offsets, 2, &out, &error))
      << error;
  EXPECT_TRUE(out == by_chmlib.bytes);
}

// Streams whose shape is wrong in the ways readers disagree about must fail, not guess.
TEST(LzxDecoder, BlockAcrossResetAndBlockLongerThanTheStreamFail) {
  const auto data = RandomBytes(3 * kFrame, 4);
  for (std::size_t frames_in_block : {3u, 2u}) {
    chm::LzxResult r;
    chm::LzxBitWriter bits(&r.bytes);
    bits.PutBits(0, 1);
    bits.PutBits(chm::kLzxUncompressed, 3);
    bits.PutBits(static_cast<std::uint32_t>(frames_in_block == 3 ? 3 * kFrame : 2 * kFrame + 1),
                 24);
    bits.PadBeforeRawBytes();
    for (int k = 0; k < 3; ++k) bits.PutRawDword(1);
    r.frame_offsets = {0};
    bits.PutRawBytes(&data[0], kFrame);
    r.frame_offsets.push_back(r.bytes.size());
    bits.PutRawBytes(&data[kFrame], kFrame);
    std::vector<std::uint8_t> out;
    std::string error;
    if (frames_in_block == 3) {
      // Frame 2 starts a new interval while the block still has a frame to go.
      r.frame_offsets.push_back(r.bytes.size());
      bits.PutRawBytes(&data[2 * kFrame], kFrame);
      EXPECT_FALSE(
          chm::DecodeLzxStream(r.bytes.data(), r.bytes.size(), r.frame_offsets, 2, &out, &error));
      EXPECT_NE(error.find("reset"), std::string::npos) << error;
    } else {
      EXPECT_FALSE(
          chm::DecodeLzxStream(r.bytes.data(), r.bytes.size(), r.frame_offsets, 2, &out, &error));
      EXPECT_NE(error.find("claims more"), std::string::npos) << error;
    }
  }
}

// A code whose lengths leave codes unused is refused, as chmlib and libmspack refuse it: one
// symbol of length 1 in the pretree.
TEST(LzxDecoder, IncompleteCodeIsRefused) {
  chm::LzxResult r;
  chm::LzxBitWriter bits(&r.bytes);
  bits.PutBits(0, 1);
  bits.PutBits(chm::kLzxVerbatim, 3);
  bits.PutBits(100, 24);
  bits.PutBits(1, 4);
  for (int s = 1; s < chm::kLzxPretreeSymbols; ++s) bits.PutBits(0, 4);
  for (int k = 0; k < 64; ++k) bits.PutBits(0, 16);
  bits.AlignToWord();
  r.frame_offsets = {0};
  std::vector<std::uint8_t> out;
  std::string error;
  EXPECT_FALSE(
      chm::DecodeLzxStream(r.bytes.data(), r.bytes.size(), r.frame_offsets, 2, &out, &error));
  EXPECT_NE(error.find("incomplete pretree"), std::string::npos) << error;
}

TEST(LzxDecoder, DamagedOrShortenedStreamsFailCleanly) {
  const auto data = HtmlLike(3 * kFrame + 500, 3);
  const chm::LzxResult r = chm::CompressLzx(data.data(), data.size(), LzxLevel::kNormal);
  const auto expected = Padded(data);
  std::vector<std::uint8_t> out;
  std::string error;
  // The last frame cut short: it reads past its bytes.
  EXPECT_FALSE(
      chm::DecodeLzxStream(r.bytes.data(), r.bytes.size() - 2, r.frame_offsets, 2, &out, &error));
  // No damaged byte may crash or hang the decoder, and many must fail it. LZX carries no
  // checksum: damage that still decodes gives other bytes, which the book's frame digests
  // catch, or now and then the same bytes (two match lengths traded, say), which is harmless.
  // The last word of a frame may be all padding, which no reader looks at.
  auto in_padding = [&](std::size_t at) {
    for (std::size_t k = 1; k <= r.frame_offsets.size(); ++k) {
      const std::size_t end = k < r.frame_offsets.size() ? r.frame_offsets[k] : r.bytes.size();
      if (at + 2 >= end && at < end) return true;
    }
    return false;
  };
  std::size_t failures = 0, unchanged = 0, tries = 0;
  for (std::size_t at = 0; at < r.bytes.size(); at += 37) {
    if (in_padding(at)) continue;
    ++tries;
    auto damaged = r.bytes;
    damaged[at] ^= 0x5A;
    if (!chm::DecodeLzxStream(damaged.data(), damaged.size(), r.frame_offsets, 2, &out, &error)) {
      ++failures;
    } else if (out == expected) {
      ++unchanged;
    }
  }
  EXPECT_GT(failures, 0u);
  EXPECT_LE(unchanged * 20, tries) << "damage should change what decodes, but for rare trades";
}

}  // namespace
}  // namespace chm_test

// The read-back check of a finished book: sound books pass at every level, and damage of the
// kinds a faulty writer would cause is caught. What the book should hold is taken from chmlib's
// reading of the undamaged book, not from our own writer.
#include <gtest/gtest.h>

#include <chm_lib.h>

#include <cstring>

#include "hhc/compiler.h"
#include "itsf/error.h"
#include "itsf/self_check.h"
#include "lzx/encoder.h"
#include "tests/support/chm_support.h"

namespace chm_test {
namespace {

constexpr std::size_t kFrame = chm::kLzxFrameSize;
constexpr std::size_t kChunkStart = 0xCC;  // directory chunks follow the ITSP header

using Image = std::vector<std::uint8_t>;

fs::path CompileBook(const fs::path& dir, const std::vector<Chapter>& chapters,
                     chm::LzxLevel level = chm::LzxLevel::kNormal) {
  WriteProject(dir, "book", chapters);
  chm::CompileSettings settings;
  settings.level = level;
  settings.unix_time = 1700000000;
  const chm::CompileResult r = chm::CompileProject((dir / "chm_hhp.hhp").u8string(), settings);
  EXPECT_TRUE(r.ok) << (r.error ? chm::FormatError(*r.error) : "");
  return dir / "book.chm";
}

std::vector<Chapter> TextChapters(int count, std::size_t paragraphs) {
  std::vector<Chapter> chapters;
  for (int c = 0; c < count; ++c) {
    std::string body;
    for (std::size_t p = 0; p < paragraphs; ++p) {
      body += "<p>Chapter " + std::to_string(c) + ", paragraph " + std::to_string(p * 7919 % 1000) +
              " of the text.</p>\r\n";
    }
    chapters.push_back(
        {"ch" + std::to_string(c) + ".htm", "c", "<html><body>" + body + "</body></html>"});
  }
  return chapters;
}

Image ReadImage(const fs::path& path) {
  const std::string s = ReadBytes(path);
  return Image(s.begin(), s.end());
}

std::uint64_t Le64(const Image& b, std::size_t at) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | b[at + static_cast<std::size_t>(i)];
  return v;
}

struct Walk {
  chmFile* file;
  chm::BookExpectation* expected;
  std::vector<chmUnitInfo> compressed;
};

int NoteEntry(chmFile*, chmUnitInfo* ui, void* context) {
  auto* walk = static_cast<Walk*>(context);
  walk->expected->directory_digest += chm::DirectoryEntryDigest(
      ui->path, static_cast<std::uint64_t>(ui->space), ui->start, ui->length);
  if (ui->space == 1 && ui->length > 0) walk->compressed.push_back(*ui);
  return CHM_ENUMERATOR_CONTINUE;
}

// The directory as chmlib enumerates it, and the section's frames rebuilt from the files
// chmlib extracts (the bytes between files are zeros).
chm::BookExpectation ExpectationFromChmlib(const fs::path& book) {
  chm::BookExpectation expected;
  chmFile* file = chm_open(book.c_str());
  EXPECT_NE(file, nullptr);
  if (file == nullptr) return expected;
  Walk walk{file, &expected, {}};
  chm_enumerate(file, CHM_ENUMERATE_ALL, NoteEntry, &walk);
  chmUnitInfo span{};
  std::uint8_t span_bytes[8] = {};
  EXPECT_EQ(chm_resolve_object(file, "::DataSpace/Storage/MSCompressed/SpanInfo", &span),
            CHM_RESOLVE_SUCCESS);
  chm_retrieve_object(file, &span, span_bytes, 0, 8);
  std::uint64_t uncompressed = 0;
  for (int i = 7; i >= 0; --i) uncompressed = uncompressed << 8 | span_bytes[i];
  Image section((uncompressed + kFrame - 1) / kFrame * kFrame, 0);
  for (chmUnitInfo& ui : walk.compressed) {
    EXPECT_LE(ui.start + ui.length, uncompressed) << ui.path;
    if (ui.start + ui.length > uncompressed) continue;
    chm_retrieve_object(file, &ui, section.data() + ui.start, 0, static_cast<LONGINT64>(ui.length));
  }
  chm_close(file);
  for (std::size_t k = 0; k < section.size(); k += kFrame) {
    expected.frame_digests.push_back(chm::LzxFrameDigest(&section[k], kFrame));
  }
  return expected;
}

std::string Check(const Image& image, const chm::BookExpectation& expected) {
  chm::MemoryBookImage view(&image);
  return chm::CheckBook(&view, expected);
}

// Where a stored name's listing entry sits in the image, and the offset ENCINT after it.
std::size_t OffsetFieldOf(const Image& image, const std::string& name) {
  std::string needle(1, static_cast<char>(name.size()));
  needle += name;
  needle += '\x01';  // section 1
  const auto it = std::search(image.begin(), image.end(), needle.begin(), needle.end());
  EXPECT_NE(it, image.end()) << name;
  return static_cast<std::size_t>(it - image.begin()) + needle.size();
}

// The compressed section's place in the file, found through chmlib.
std::size_t ContentStart(const fs::path& book, const Image& image, std::size_t* length = nullptr) {
  chmFile* file = chm_open(book.c_str());
  EXPECT_NE(file, nullptr);
  if (file == nullptr) return 0;
  chmUnitInfo content{};
  EXPECT_EQ(chm_resolve_object(file, "::DataSpace/Storage/MSCompressed/Content", &content),
            CHM_RESOLVE_SUCCESS);
  chm_close(file);
  if (length) *length = static_cast<std::size_t>(content.length);
  return static_cast<std::size_t>(Le64(image, 0x58) + content.start);
}

TEST(SelfCheck, SoundBooksPassAtEveryLevel) {
  for (chm::LzxLevel level :
       {chm::LzxLevel::kStore, chm::LzxLevel::kNormal, chm::LzxLevel::kBest}) {
    const fs::path dir = FreshFolder("self_check_sound");
    const fs::path book = CompileBook(dir, TextChapters(5, 2000), level);
    ASSERT_TRUE(fs::exists(book));
    const chm::BookExpectation expected = ExpectationFromChmlib(book);
    EXPECT_GE(expected.frame_digests.size(), 4u);
    EXPECT_EQ(Check(ReadImage(book), expected), "") << static_cast<int>(level);
  }
}

TEST(SelfCheck, FlippedByteInTheCompressedSectionIsCaught) {
  const fs::path book = CompileBook(FreshFolder("self_check_content"), TextChapters(5, 2000));
  const chm::BookExpectation expected = ExpectationFromChmlib(book);
  const Image sound = ReadImage(book);
  std::size_t length = 0;
  const std::size_t start = ContentStart(book, sound, &length);
  for (std::size_t at : {start + 5, start + length / 2, start + length - 3}) {
    Image damaged = sound;
    damaged[at] ^= 0x10;
    const std::string fault = Check(damaged, expected);
    EXPECT_NE(fault.find("frame"), std::string::npos) << "byte " << at - start << ": " << fault;
  }
}

TEST(SelfCheck, DirectoryEntryPointingElsewhereIsCaught) {
  const fs::path book = CompileBook(FreshFolder("self_check_entry"), TextChapters(5, 300));
  const chm::BookExpectation expected = ExpectationFromChmlib(book);
  Image damaged = ReadImage(book);
  // The last byte of ch2.htm's offset: one byte further on, into the next file.
  std::size_t at = OffsetFieldOf(damaged, "/ch2.htm");
  while (damaged[at] & 0x80) ++at;
  ASSERT_LT(damaged[at], 0x7F);
  damaged[at] += 1;
  EXPECT_EQ(Check(damaged, expected), "the directory differs from what was written");
  // Even against an expectation that agrees with the damage, the two files now overlap.
  const fs::path damaged_book = book.parent_path() / "damaged.chm";
  WriteBytes(damaged_book, std::string(damaged.begin(), damaged.end()));
  const std::string fault = Check(damaged, ExpectationFromChmlib(damaged_book));
  EXPECT_EQ(fault, "two files overlap in the compressed section");
}

TEST(SelfCheck, NameOutOfOrderAndWrongQuickrefAreCaught) {
  const fs::path book = CompileBook(FreshFolder("self_check_order"), TextChapters(5, 30));
  const chm::BookExpectation expected = ExpectationFromChmlib(book);
  Image damaged = ReadImage(book);
  // "/ch2.htm" becomes "/ch0.htm", after "/ch1.htm".
  const std::size_t at = OffsetFieldOf(damaged, "/ch2.htm") - 6;
  ASSERT_EQ(damaged[at], '2');
  damaged[at] = '0';
  EXPECT_EQ(Check(damaged, expected), "name /ch0.htm out of order");
  // A quickref that points elsewhere misleads libmspack's look-up; nothing else reads it.
  Image bad_quickref = ReadImage(book);
  bad_quickref[kChunkStart + 0x1000 - 4] ^= 2;
  EXPECT_EQ(Check(bad_quickref, expected), "bad quickref in chunk 0");
}

// Enough long names for index chunks over several listing chunks; the root is damaged.
TEST(SelfCheck, BrokenIndexChunkIsCaught) {
  const std::string folder = std::string(200, 'd') + "/";
  std::vector<Chapter> chapters;
  for (int i = 0; i < 120; ++i) {
    chapters.push_back({folder + "page" + std::to_string(1000 + i) + ".htm", "p", "<p>page</p>"});
  }
  const fs::path book = CompileBook(FreshFolder("self_check_index"), chapters);
  const chm::BookExpectation expected = ExpectationFromChmlib(book);
  const Image sound = ReadImage(book);
  ASSERT_EQ(Check(sound, expected), "");
  const std::uint32_t root = sound[0x78 + 0x1C] | sound[0x78 + 0x1D] << 8;
  const std::size_t root_at = kChunkStart + root * std::size_t{0x1000};
  ASSERT_EQ(std::memcmp(&sound[root_at], "PMGI", 4), 0);

  // The last entry of the root leads to the first chunk instead of its own.
  Image wrong_child = sound;
  const std::size_t entries_end = root_at + 0x1000 - (sound[root_at + 4] | sound[root_at + 5] << 8);
  ASSERT_LT(wrong_child[entries_end - 1], 0x80);
  ASSERT_NE(wrong_child[entries_end - 1], 0);
  wrong_child[entries_end - 1] = 0;
  EXPECT_NE(Check(wrong_child, expected).find("index"), std::string::npos)
      << Check(wrong_child, expected);

  // A name in the root altered so that it sorts after the names it stands for.
  Image wrong_name = sound;
  std::size_t at = root_at + 8;
  std::size_t name_length = 0;
  for (int entry = 0; entry < 2; ++entry) {
    if (entry == 1) at += name_length + 1;  // the first entry's name and its chunk number
    name_length = 0;
    do {
      name_length = name_length << 7 | (sound[at] & 0x7F);
    } while (sound[at++] & 0x80);
  }
  ASSERT_GT(name_length, 5u);
  ASSERT_NE(wrong_name[at + name_length - 5], '~');
  wrong_name[at + name_length - 5] = '~';  // "...page1017.htm" becomes "...page101~.htm"
  const std::string fault = Check(wrong_name, expected);
  EXPECT_NE(fault.find("not found through the index"), std::string::npos) << fault;
}

TEST(SelfCheck, FailureNamesTheBookAndWhatWasFound) {
  const fs::path dir = FreshFolder("self_check_message");
  const fs::path book = CompileBook(dir, TextChapters(2, 300));
  const chm::BookExpectation expected = ExpectationFromChmlib(book);
  Image damaged = ReadImage(book);
  damaged[ContentStart(book, damaged) + 9] ^= 1;
  const fs::path part = dir / "book.chm.part";
  WriteBytes(part, std::string(damaged.begin(), damaged.end()));
  try {
    chm::SelfCheckBook(part, "book.chm", expected);
    ADD_FAILURE() << "the damage was not found";
  } catch (const chm::CompileFailure& failure) {
    const std::string message = chm::FormatError(failure.error());
    EXPECT_EQ(message.find("book.chm: cannot write the book (self-check: "), 0u) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos);
  }
  EXPECT_NO_THROW(chm::SelfCheckBook(book, "book.chm", expected));
}

// The compiler's order: write to the temporary name, close, check, rename. A book damaged after
// it was written must fail the compile, leave the earlier book as it was and no temporary file.
TEST(SelfCheck, FailedCheckLeavesTheOldBookAndNoTemporaryFile) {
  const fs::path dir = FreshFolder("self_check_old_book");
  const fs::path book = CompileBook(dir, TextChapters(2, 300));
  const Image old_book = ReadImage(book);
  WriteBytes(dir / "ch0.htm", "<html><body>a new first chapter</body></html>");
  chm::CompileSettings settings;
  settings.unix_time = 1700000001;
  fs::path temporary;
  settings.written = [&](const fs::path& written) {
    temporary = written;
    Image image = ReadImage(written);
    image[ContentStart(written, image) + 9] ^= 1;
    WriteBytes(written, std::string(image.begin(), image.end()));
  };
  const chm::CompileResult r = chm::CompileProject((dir / "chm_hhp.hhp").u8string(), settings);
  EXPECT_FALSE(temporary.empty());
  EXPECT_NE(temporary, book);
  ASSERT_FALSE(r.ok);
  ASSERT_TRUE(r.error.has_value());
  EXPECT_EQ(r.error->code, chm::ErrorCode::kBookUnwritable);
  EXPECT_NE(chm::FormatError(*r.error).find("self-check: frame"), std::string::npos)
      << chm::FormatError(*r.error);
  EXPECT_TRUE(ReadImage(book) == old_book);
  EXPECT_EQ(temporary.parent_path(), book.parent_path());
  EXPECT_FALSE(fs::exists(temporary));
}

}  // namespace
}  // namespace chm_test

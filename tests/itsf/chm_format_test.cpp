// Byte-level structures checked against values seen in files made by other compilers.
#include <gtest/gtest.h>

#include <cstring>

#include "help/tables.h"
#include "itsf/container.h"
#include "itsf/directory.h"
#include "tests/support/chm_support.h"

namespace chm {
namespace {

Bytes Enc(std::uint64_t v) {
  Bytes b;
  PutEncInt(&b, v);
  return b;
}

TEST(EncInt, MostSignificantGroupFirstAsInMicrosoftsDirectory) {
  EXPECT_EQ(Enc(0), (Bytes{0x00}));
  EXPECT_EQ(Enc(13), (Bytes{0x0D}));
  EXPECT_EQ(Enc(134), (Bytes{0x81, 0x06}));
  EXPECT_EQ(Enc(2736), (Bytes{0x95, 0x30}));
  EXPECT_EQ(Enc(4218), (Bytes{0xA0, 0x7A}));
  EXPECT_EQ(Enc(4352), (Bytes{0xA2, 0x00}));
  EXPECT_EQ(EncIntSize(127), 1u);
  EXPECT_EQ(EncIntSize(128), 2u);
  EXPECT_EQ(Enc(0xFFFFFFFFFFull).size(), EncIntSize(0xFFFFFFFFFFull));
}

// Keys read from books made by Microsoft's compiler; the Chinese names are GBK bytes there.
TEST(UrlKey, MatchesMicrosoftsKeyAndIgnoresCaseAndSeparatorKind) {
  const struct {
    const char* name;
    std::uint32_t key;
  } kMicrosoft[] = {
      {"blank.html", 0xAA644A21u},         {"hh_contents.hhc", 0x7B044A16u},
      {"topic_myprog.htm", 0xFC6A1A4Du},   {"topic_current-translation.htm", 0x47A0F360u},
      {"topic_filesize.htm", 0x19A5C640u}, {"API接口.htm", 0xE076F3FEu},
      {"IF语句.htm", 0xD034BB52u},         {"Loop循环语句.htm", 0x87A35821u},
      {"主要功能.htm", 0x2504AEB5u},
  };
  for (const auto& k : kMicrosoft) EXPECT_EQ(UrlKey(chm_test::Gbk(k.name)), k.key) << k.name;
  EXPECT_EQ(UrlKey("BLANK.HTML"), UrlKey("blank.html"));
  EXPECT_EQ(UrlKey("Zz.htm"), UrlKey("zZ.htm"));
  EXPECT_EQ(UrlKey("a\\b.htm"), UrlKey("a/b.htm"));
}

TEST(ControlData, IsExactlyTheBytesEveryCompilerWrites) {
  const Bytes expected = {6, 0, 0, 0, 'L', 'Z', 'X', 'C', 2, 0, 0, 0, 2, 0,
                          0, 0, 2, 0, 0,   0,   1,   0,   0, 0, 0, 0, 0, 0};
  EXPECT_EQ(ControlDataFile(), expected);
  EXPECT_EQ(NameListFile().size(), 60u);
  EXPECT_EQ(TransformListFile().size(), 38u);
}

// One entry per frame as Microsoft writes it, and the compressed length after them where 7-Zip
// would count a frame too many: for lengths that are a multiple of 32 KiB or one byte short.
TEST(ResetTable, HasOneEntryPerFrameAndTheCompressedLengthOnlyWhere7ZipNeedsIt) {
  const struct {
    std::uint64_t uncompressed;
    std::vector<std::uint64_t> frames;
    bool final_entry;
  } kCases[] = {{70000, {0, 3000, 6000}, false}, {65536, {0, 3000}, true},
                {65535, {0, 3000}, true},        {65534, {0, 3000}, false},
                {32769, {0, 3000}, false},       {1, {0}, false}};
  for (const auto& c : kCases) {
    Bytes t = ResetTableFile(c.uncompressed, 9000, c.frames);
    const size_t entries = c.frames.size() + (c.final_entry ? 1 : 0);
    ASSERT_EQ(t.size(), 0x28u + 8 * entries) << c.uncompressed;
    EXPECT_EQ(t[4], entries) << c.uncompressed;
    EXPECT_EQ(t[0x0C], 0x28);
    EXPECT_EQ(t[0x28 + 8 * (entries - 1)] | t[0x28 + 8 * (entries - 1) + 1] << 8,
              c.final_entry ? 9000u : c.frames.back())
        << c.uncompressed;
  }
}

TEST(DirectoryOrder, FoldsOnlyAsciiUpperCaseAndPutsPrefixesFirst) {
  EXPECT_TRUE(DirectoryNameLess("/#IDXHDR", "/#ITBITS"));
  EXPECT_TRUE(DirectoryNameLess("/#STRINGS", "/#SYSTEM"));
  EXPECT_TRUE(DirectoryNameLess("/$WWAssociativeLinks/", "/$WWAssociativeLinks/Property"));
  EXPECT_TRUE(DirectoryNameLess("/_x", "/a"));  // '_' sorts before letters
  EXPECT_TRUE(DirectoryNameLess("/Zeta", "::DataSpace/NameList"));
  EXPECT_FALSE(DirectoryNameLess("/ABC", "/abc"));
  EXPECT_FALSE(DirectoryNameLess("/abc", "/ABC"));
}

// Free space must be exact and quickrefs must point at entries 5, 10, ...: libmspack binary
// searches with them, 7-Zip checks the free space.
TEST(ListingChunk, FreeSpaceAndQuickrefsDescribeTheEntries) {
  std::vector<DirectoryEntry> entries;
  for (int i = 0; i < 22; ++i) {
    entries.push_back(
        {"/page" + std::to_string(100 + i) + ".htm", 1, static_cast<std::uint64_t>(i * 300), 300});
  }
  Directory d = BuildDirectory(entries);
  ASSERT_EQ(d.chunk_count, 1u);
  ASSERT_EQ(d.root, -1);
  const std::uint8_t* c = d.bytes.data() + kItspHeaderSize;
  auto u16 = [&](size_t at) { return c[at] | c[at + 1] << 8; };
  std::vector<size_t> offsets;
  size_t pos = 0x14;
  for (int i = 0; i < 22; ++i) {
    offsets.push_back(pos - 0x14);
    size_t len = c[pos];
    pos += 1 + len;
    pos += 1;                     // section
    while (c[pos] & 0x80) ++pos;  // offset
    ++pos;
    while (c[pos] & 0x80) ++pos;  // length
    ++pos;
  }
  std::uint32_t free_space = c[4] | c[5] << 8 | c[6] << 16 | c[7] << 24;
  EXPECT_EQ(free_space, kChunkSize - pos);
  EXPECT_EQ(u16(kChunkSize - 2), 22);
  EXPECT_EQ(u16(kChunkSize - 4), offsets[5]);
  EXPECT_EQ(u16(kChunkSize - 6), offsets[10]);
  EXPECT_EQ(u16(kChunkSize - 8), offsets[15]);
  EXPECT_EQ(u16(kChunkSize - 10), offsets[20]);
}

// Chunks filled to every possible last few bytes: the entries, the quickrefs and the entry
// count never overlap, however the names fall.
TEST(ListingChunk, FullChunksLeaveRoomForTheirQuickrefsAndCount) {
  for (size_t shift = 0; shift < 64; ++shift) {
    std::vector<DirectoryEntry> entries;
    for (size_t i = 0; i < 300; ++i) {
      entries.push_back(
          {"/" + std::string(10 + (i * 7 + shift) % 61, 'n') + std::to_string(i), 1, i * 100, 100});
    }
    const Directory d = BuildDirectory(entries);
    for (std::uint32_t k = 0; k < d.pmgl_count; ++k) {
      const std::uint8_t* c = d.bytes.data() + kItspHeaderSize + k * kChunkSize;
      const std::uint32_t free_space = c[4] | c[5] << 8 | c[6] << 16 | c[7] << 24;
      const size_t count = c[kChunkSize - 2] | c[kChunkSize - 1] << 8;
      EXPECT_GE(free_space, 2 + 2 * QuickrefCount(count)) << "shift " << shift << ", chunk " << k;
    }
  }
}

TEST(StringPool, NoStringCrossesA4KBlockAndEqualStringsShareAnOffset) {
  StringPool pool;
  std::uint32_t first = pool.Add("window");
  EXPECT_EQ(first, 1u);
  EXPECT_EQ(pool.Add("window"), first);
  EXPECT_EQ(pool.Add(""), 0u);
  std::string long_text(1000, 'x');
  for (int i = 0; i < 10; ++i) {
    std::uint32_t at = pool.Add(long_text + std::to_string(i));
    EXPECT_EQ(at / 4096, (at + long_text.size() + 1) / 4096) << "string " << i << " at " << at;
  }
  // The end of a block that a string does not fit in holds that string's start, unterminated;
  // a string that would end on the block's last byte is left there whole and starts the next.
  const std::string exact(4096 * 3 - pool.bytes().size() - 1, 'e');
  EXPECT_EQ(pool.Add(exact), 4096u * 3);
  const std::string b(pool.bytes().begin(), pool.bytes().end());
  for (size_t end = 4096; end < b.size(); end += 4096) {
    size_t tail = b.rfind('\0', end - 1) + 1;
    if (tail == end) tail = b.rfind('\0', end - 2) + 1;
    EXPECT_LT(tail, end);
    EXPECT_EQ(b.substr(tail, end - tail), b.substr(end, end - tail)) << "block end " << end;
  }
}

TEST(UrlTable, RowsAreSortedByKeyAndEachFullBlockEndsWithMicrosoftsPadding) {
  std::vector<Topic> topics;
  for (int i = 0; i < 400; ++i) topics.push_back({"p" + std::to_string(i) + ".htm", "", false});
  StringPool pool;
  TopicTables t = BuildTopicTables(topics, &pool);
  EXPECT_EQ(t.topics.size(), 400u * 16);
  EXPECT_EQ(t.urltbl.size(), 4096u + 59 * 12);
  auto key_at = [&](size_t at) {
    return static_cast<std::uint32_t>(t.urltbl[at] | t.urltbl[at + 1] << 8 |
                                      t.urltbl[at + 2] << 16) |
           static_cast<std::uint32_t>(t.urltbl[at + 3]) << 24;
  };
  EXPECT_LE(key_at(340 * 12), key_at(4096));
  const std::uint8_t padding[4] = {0x00, 0x10, 0x00, 0x00};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(t.urltbl[4092 + i], padding[i]);
  // #URLSTR is read block by block too: no entry (two DWORDs and the name) crosses a block.
  ASSERT_GT(t.urlstr.size(), 4096u);
  for (size_t row = 0; row < 400; ++row) {
    const size_t at = row * 12 + (row / 341) * 4;
    const std::uint32_t entry = key_at(at + 8);
    const size_t end = entry + 8 + std::strlen(reinterpret_cast<const char*>(&t.urlstr[entry + 8]));
    EXPECT_EQ(entry / 4096, end / 4096) << "row " << row;
  }
}

TEST(ContentsTree, NodesGoLevelByLevelAndNeverCrossA4KBlock) {
  // Two books of two and one pages: the top entries first, then each book's pages in turn.
  EXPECT_EQ(ContentsNodeOffsets({1, 2, 2, 1, 2}),
            (std::vector<std::uint32_t>{0x1000, 0x1038, 0x104C, 0x101C, 0x1060}));
  // A list nested without an entry of its own still hangs under the entry before it.
  EXPECT_EQ(ContentsNodeOffsets({1, 3, 1}), (std::vector<std::uint32_t>{0x1000, 0x1030, 0x101C}));
  // 204 entries of 20 bytes end at 0x1FF0; the next would cross into the second block.
  std::vector<std::uint32_t> flat = ContentsNodeOffsets(std::vector<int>(206, 1));
  EXPECT_EQ(flat[203], 0x1FDCu);
  EXPECT_EQ(flat[204], 0x2000u);
  EXPECT_EQ(flat[205], 0x2014u);
}

TEST(WindowsTable, EntryIs196BytesWithFieldsAtTheirViewerOffsets) {
  WindowDef w;
  w.name = "chm_window";
  w.caption = "Book";
  w.valid = 0x132;
  w.properties = 0x2120;
  w.rect[0] = 84;
  w.rect[1] = 25;
  w.rect[2] = 648;
  w.rect[3] = 513;
  w.nav_width = 200;
  w.buttons = 0x8380E;
  w.jump2_url = "chm_about.htm";
  w.jump2_text = "About";
  StringPool pool;
  Bytes b = BuildWindows({w}, false, &pool);
  ASSERT_EQ(b.size(), 8u + 196);
  auto u32 = [&](size_t at) {
    at += 8;
    return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16) |
           static_cast<std::uint32_t>(b[at + 3]) << 24;
  };
  auto str = [&](std::uint32_t off) {
    return std::string(reinterpret_cast<const char*>(pool.bytes().data() + off));
  };
  EXPECT_EQ(u32(0x00), 196u);
  EXPECT_EQ(str(u32(0x08)), "chm_window");
  EXPECT_EQ(u32(0x0C), 0x132u);
  EXPECT_EQ(u32(0x10), 0x2120u);
  EXPECT_EQ(str(u32(0x14)), "Book");
  EXPECT_EQ(u32(0x20), 84u);
  EXPECT_EQ(u32(0x2C), 513u);
  EXPECT_EQ(u32(0x4C), 200u);
  EXPECT_EQ(u32(0x70), 0x8380Eu);
  EXPECT_EQ(str(u32(0xA0)), "About");          // texts first
  EXPECT_EQ(str(u32(0xA8)), "chm_about.htm");  // then URLs
  EXPECT_EQ(u32(0x9C), 0u);
}

}  // namespace
}  // namespace chm

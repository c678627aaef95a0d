// Books compiled from builder-style projects and read back by chmlib, libmspack and 7-Zip.
#include <gtest/gtest.h>

#include <random>

#include "hhc/compiler.h"
#include "tests/support/book_inspector.h"
#include "tests/support/chm_support.h"

namespace chm_test {
namespace {

constexpr std::uint64_t kFixedTime = 1700000000;

fs::path Compile(const fs::path& folder, const std::string& book,
                 chm::LzxLevel level = chm::LzxLevel::kNormal,
                 const std::vector<std::string>& warnings = {}, int threads = 2) {
  chm::CompileSettings settings;
  settings.level = level;
  settings.threads = threads;
  settings.unix_time = kFixedTime;
  chm::CompileResult r = chm::CompileProject((folder / "chm_hhp.hhp").u8string(), settings);
  EXPECT_TRUE(r.ok) << (r.error ? chm::FormatError(*r.error) : "");
  EXPECT_EQ(r.warnings, warnings);
  return folder / fs::u8path(book + ".chm");
}

// Every reader sees the same entries, and every file of the project folder that should be in
// the book comes back byte for byte.
void ExpectAllReadersAgree(const fs::path& book, const fs::path& folder,
                           const std::vector<std::string>& stored_names) {
  BookFiles a = ReadWithChmlib(book);
  BookFiles b = ReadWithMspack(book);
  BookFiles c = ReadWith7z(book);
  ASSERT_FALSE(a.empty());
  EXPECT_EQ(a.size(), b.size());
  EXPECT_EQ(a.size(), c.size());
  for (const auto& [name, content] : a) {
    ASSERT_TRUE(b.count(name)) << "libmspack lacks " << name;
    ASSERT_TRUE(c.count(name)) << "7-Zip lacks " << name;
    EXPECT_TRUE(b.at(name) == content) << "libmspack differs on " << name;
    EXPECT_TRUE(c.at(name) == content) << "7-Zip differs on " << name;
  }
  for (const std::string& name : stored_names) {
    auto found = a.find("/" + name);
    ASSERT_NE(found, a.end()) << name << " not stored";
    EXPECT_TRUE(found->second == ReadBytes(folder / fs::u8path(name))) << name << " differs";
  }
}

std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& ch : s) ch = static_cast<char>(rng());
  return s;
}

std::string Page(const std::string& title, const std::string& body) {
  return "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>\r\n";
}

TEST(Book, BuilderProjectWithLinkedPicturesReadsBackInAllReaders) {
  fs::path dir = FreshFolder("sample");
  std::vector<Chapter> chapters = {
      {"a.htm", "第一章",
       Gbk(Page("第一章", "<img src=\"images/pic.png\"><a href=\"http://x.org/\">x</a>"))},
      {"第二章.htm", "第二章",
       Gbk(Page("第二章",
                "<link rel=stylesheet href=\"style/s.css\"><a href=\"a.htm#top\">1</a>"))},
      {"c.htm", "c.htm", "plain text with no title\r\n"},
  };
  WriteProject(dir, "测试书", chapters);
  WriteBytes(dir / "images/pic.png", RandomBytes(70000, 1));  // spans frames, incompressible
  WriteBytes(dir / "style/s.css", "body { background: url(../images/bg.gif) }");
  WriteBytes(dir / "images/bg.gif", RandomBytes(300, 2));
  WriteBytes(dir / "unlisted.htm", "not linked from anywhere");

  fs::path book = Compile(dir, "测试书");
  ASSERT_TRUE(fs::exists(book));
  for (const auto& e : fs::directory_iterator(dir))
    EXPECT_NE(e.path().extension(), ".part") << e.path();
  ExpectAllReadersAgree(book, dir,
                        {"a.htm", "第二章.htm", "c.htm", "chm_about.htm", "chm_hhc.hhc",
                         "chm_hhk.hhk", "images/pic.png", "style/s.css", "images/bg.gif"});
  BookFiles files = ReadWithChmlib(book);
  EXPECT_EQ(files.count("/unlisted.htm"), 0u);
  // Strings stay in the project's code page: the window title and the compiled file's stem.
  const std::string& strings = files.at("/#STRINGS");
  EXPECT_NE(strings.find(Gbk("测试书") + '\0'), std::string::npos);
  EXPECT_NE(strings.find(Gbk("关于...") + '\0'), std::string::npos);
  EXPECT_NE(files.at("/#SYSTEM").find(Gbk("测试书") + '\0'), std::string::npos);
  EXPECT_EQ(files.at("/#WINDOWS").size(), 8u + 196);
  // Topic titles come from the pages.
  EXPECT_NE(strings.find(Gbk("第一章") + '\0'), std::string::npos);
}

// The reset table has one entry per frame, as Microsoft writes it, and a final one where 7-Zip
// would otherwise count one frame too many: sections a multiple of 32 KiB long or one byte
// short of one. Sections just around frame boundaries are read the same by every reader.
TEST(Book, SectionsEndingAroundAFrameBoundaryReadInEveryReader) {
  fs::path dir = FreshFolder("frame_edges");
  WriteProject(dir, "edges", {{"a.htm", "A", Page("A", "<img src=\"pad.png\">")}});
  auto build = [&](std::uint64_t pad) {
    WriteBytes(dir / "pad.png", RandomBytes(static_cast<size_t>(pad), 3));
    return InspectBook(Compile(dir, "edges", chm::LzxLevel::kStore));
  };
  const std::uint64_t tables = build(50000).reset_table.uncompressed - 50000;
  // 98303 and 131071 end one byte short of a frame, 131072 on one (98304 is not tried: the
  // compiler adds a byte to a section that ends half-way through a reset interval).
  for (std::uint64_t length : {98303u, 98305u, 131071u, 131072u, 131073u}) {
    InspectedBook book = build(length - tables);
    ASSERT_EQ(book.reset_table.uncompressed, length);
    const std::uint64_t frames = (length + 0x7FFF) / 0x8000;
    const bool final_entry = length % 0x8000 == 0 || length % 0x8000 == 0x7FFF;
    EXPECT_EQ(book.reset_table.entries.size(), frames + (final_entry ? 1 : 0)) << length;
    if (final_entry) EXPECT_EQ(book.reset_table.entries.back(), book.reset_table.compressed);
    ExpectAllReadersAgree(dir / "edges.chm", dir, {"a.htm", "pad.png"});
  }
}

// The compressed section is encoded interval by interval on any number of threads; the book
// must not depend on how many, at any level.
TEST(Book, EveryLevelAndThreadCountWritesOneBookThatEveryReaderReads) {
  fs::path dir = FreshFolder("levels");
  std::vector<Chapter> chapters;
  std::string filler;
  for (int i = 0; i < 3000; ++i)
    filler += "<p class=\"para\">Paragraph " + std::to_string(i) + " of the text.</p>\r\n";
  for (int i = 0; i < 4; ++i)
    chapters.push_back({"ch" + std::to_string(i) + ".htm", "c", Page("c", filler)});
  WriteProject(dir, "book", chapters);
  for (chm::LzxLevel level :
       {chm::LzxLevel::kStore, chm::LzxLevel::kNormal, chm::LzxLevel::kBest}) {
    const std::string one_thread = ReadBytes(Compile(dir, "book", level, {}, 1));
    ExpectAllReadersAgree(dir / "book.chm", dir, {"ch0.htm", "ch3.htm"});
    for (int threads : {2, 8}) {
      EXPECT_TRUE(ReadBytes(Compile(dir, "book", level, {}, threads)) == one_thread)
          << "level " << static_cast<int>(level) << ", " << threads << " threads";
    }
  }
}

// Files copied from Windows keep their names' code page bytes on disk. Each page's links are
// looked up under both spellings, and the dead ones are remembered: the spelling found absent
// must not hide the other. The GBK bytes of "图" are also the UTF-8 of "ͼ", a name the book
// cannot hold; that reading of the bytes must not fail the compile.
TEST(Book, PictureNamedInTheCodePageOnDiskIsStoredUnderItsDecodedName) {
  fs::path dir = FreshFolder("ansi_names");
  const std::string img = "<img src=\"图.png\"><img src=\"gone.png\">";  // pages are GBK
  WriteProject(dir, "book",
               {{"a.htm", "a", Gbk(Page("a", img + img))}, {"b.htm", "b", Gbk(Page("b", img))}});
  const std::string picture = RandomBytes(500, 3);
  WriteBytes(dir / fs::path(Gbk("图.png")), picture);
  const std::string gone = ":1: links to a missing file 'gone.png'";
  fs::path book = Compile(dir, "book", chm::LzxLevel::kNormal,
                          {"a.htm" + gone, "a.htm" + gone, "b.htm" + gone});
  BookFiles files = ReadWithChmlib(book);
  ASSERT_EQ(files.count("/图.png"), 1u);
  EXPECT_TRUE(files.at("/图.png") == picture);
  EXPECT_EQ(files.count("/gone.png"), 0u);
}

// More than one listing chunk needs index chunks, or chmlib (and Wine) cannot look names up.
void CheckDeepDirectory(const std::string& tag, int files, std::uint32_t expected_depth) {
  fs::path dir = FreshFolder(tag);
  const std::string folder = std::string(200, 'd') + "/" + std::string(200, 'e') + "/";
  std::vector<Chapter> chapters;
  std::vector<std::string> names;
  for (int i = 0; i < files; ++i) {
    char n[32];
    std::snprintf(n, sizeof n, "page_%05d.htm", i);
    chapters.push_back(
        {folder + n, n, Page(n, std::string(i % 700, 'x') + RandomBytes(i % 50, i))});
    names.push_back(folder + n);
  }
  WriteProject(dir, "deep", chapters);
  fs::path book = Compile(dir, "deep");
  DirectoryShape shape = ReadDirectoryShape(book);
  EXPECT_EQ(shape.depth, expected_depth);
  EXPECT_EQ(shape.root, shape.chunks - 1);
  ExpectAllReadersAgree(book, dir, names);
  fs::remove_all(dir);
}

// Hundreds of names over several listing chunks, found one at a time as a viewer finds a page:
// names in Chinese (bytes above 0x7F, which sort after every ASCII byte), names that differ from
// others only in letters of another case at the same place, and names that are prefixes of
// others, in folders and out.
TEST(Book, EveryNameOfAManyChunkBookIsFoundOneByOne) {
  const fs::path dir = FreshFolder("by_name");
  const char* const kWords[] = {"章节", "附录", "图", "Zeta", "zulu", "Alpha", "a", "_x", "第一章"};
  std::vector<Chapter> chapters;
  for (int i = 0; i < 200; ++i) {
    const std::string word = kWords[i % 9];
    const std::string n = std::to_string(i);
    for (const std::string& name :
         {word + n + ".htm", word + n + ".html", (i % 2 ? "Sub/" : "子目录/") + word + n,
          "m/" + std::string(i % 3 ? "Q" : "q") + n + word}) {
      chapters.push_back({name, name, "<p>" + name + "</p>"});
    }
  }
  WriteProject(dir, "names", chapters);
  const fs::path book = Compile(dir, "names");
  EXPECT_GE(ReadDirectoryShape(book).chunks, 5u);  // four listing chunks and their index
  BookFiles expected;
  for (const Chapter& c : chapters) expected["/" + c.file] = c.body;
  ExpectEveryNameFound(book, expected);
}

// chmlib refuses names over 512 bytes with their leading '/': 511 bytes of name are stored and
// found, one more is refused naming the file.
TEST(Book, NamesUpToTheReadersLimitAreStoredAndLongerOnesRefused) {
  const std::string folders = std::string(200, 'd') + "/" + std::string(200, 'e') + "/";
  for (size_t length : {511u, 512u}) {
    const fs::path dir = FreshFolder("long_name");
    const std::string name = folders + std::string(length - folders.size() - 4, 'f') + ".htm";
    ASSERT_EQ(name.size(), length);
    WriteProject(dir, "long", {{name, "long", "<p>long</p>"}});
    chm::CompileSettings settings;
    settings.unix_time = kFixedTime;
    const chm::CompileResult r = chm::CompileProject((dir / "chm_hhp.hhp").u8string(), settings);
    if (length == 511) {
      ASSERT_TRUE(r.ok) << chm::FormatError(*r.error);
      ExpectEveryNameFound(dir / "long.chm", {{"/" + name, "<p>long</p>"}});
    } else {
      ASSERT_FALSE(r.ok);
      EXPECT_EQ(r.error->code, chm::ErrorCode::kTooLarge);
      EXPECT_EQ(r.error->file, name);
    }
  }
}

TEST(Book, TwoLevelsOfIndexChunksAreReadable) { CheckDeepDirectory("depth3", 120, 3); }
TEST(Book, ThreeLevelsOfIndexChunksAreReadable) { CheckDeepDirectory("depth4", 1000, 4); }

}  // namespace
}  // namespace chm_test

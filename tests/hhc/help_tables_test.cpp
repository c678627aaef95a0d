// The help tables against Microsoft's: each book made by Microsoft's compiler (under the shared
// reference folder) is rebuilt from its own files with a project reconstructed from its
// #SYSTEM and #WINDOWS, and our tables are decoded and compared with Microsoft's field by
// field. What we leave out on purpose (full-text search, the binary index, merged files) is
// named where it is skipped.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "hhc/compiler.h"
#include "tests/support/chm_support.h"

namespace chm_test {
namespace {

constexpr std::uint64_t kFixedTime = 1700000000;
constexpr std::uint32_t kUnset = 0xFFFFFFFF;

fs::path ReferenceFolder() {
  for (const char* up : {"/../shared/reference/hhw", "/../../shared/reference/hhw"}) {
    fs::path p = fs::path(FOLIVANE_SOURCE_DIR + std::string(up));
    if (fs::exists(p / "README.md")) return p;
  }
  return {};
}

std::uint32_t U32(const std::string& b, size_t at) {
  std::uint32_t v = 0;
  if (at + 4 <= b.size()) std::memcpy(&v, b.data() + at, 4);
  return v;
}

// A #STRINGS offset as the text it names; kUnset and 0 stay recognisable.
std::string StringAt(const std::string& strings, std::uint32_t offset) {
  if (offset == kUnset) return "<unset>";
  if (offset == 0) return "";
  if (offset >= strings.size()) return "<beyond #STRINGS>";
  return std::string(strings.c_str() + offset);
}

std::vector<std::pair<int, std::string>> SystemRecords(const std::string& b) {
  std::vector<std::pair<int, std::string>> records;
  for (size_t at = 4; at + 4 <= b.size();) {
    int code = static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
    size_t len = static_cast<unsigned char>(b[at + 2]) | static_cast<unsigned char>(b[at + 3]) << 8;
    records.emplace_back(code, b.substr(at + 4, len));
    at += 4 + len;
  }
  return records;
}

std::string Record(const std::string& system, int code) {
  for (const auto& [c, data] : SystemRecords(system)) {
    if (c == code) return data;
  }
  return "<absent>";
}

struct TopicRow {
  std::uint32_t contents_node = 0;
  std::string title;
  int flags = 0;
  std::uint32_t key = 0;
};

// #TOPICS through #URLTBL and #URLSTR, by the topic's file name.
std::map<std::string, TopicRow> Topics(const BookFiles& f) {
  const std::string& topics = f.at("/#TOPICS");
  const std::string& urltbl = f.at("/#URLTBL");
  const std::string& urlstr = f.at("/#URLSTR");
  std::map<std::string, TopicRow> rows;
  for (size_t i = 0; i + 16 <= topics.size(); i += 16) {
    std::uint32_t row = U32(topics, i + 8);
    std::uint32_t name_at = U32(urltbl, row + 8) + 8;
    TopicRow t{U32(topics, i), StringAt(f.at("/#STRINGS"), U32(topics, i + 4)),
               static_cast<unsigned char>(topics[i + 12]), U32(urltbl, row)};
    if (name_at < urlstr.size()) rows[std::string(urlstr.c_str() + name_at)] = t;
  }
  return rows;
}

struct ReferenceBook {
  const char* name;
  const char* project;     // UTF-8; written in the book's code page
  bool gbk;                // code page 936
  bool merges_a_book;      // its contents merge another book, which we do not support
  const char* retitled;    // a page whose title the variant removes
  const char* entry_name;  // UTF-8 name of that page's first contents entry
};

// The Inno Setup project is the published one; the others are read back from the books.
const ReferenceBook kBooks[] = {
    {"inno_MyProg",
     "[OPTIONS]\nCompatibility=1.1 or later\nCompiled file=myprog.chm\nContents "
     "file=hh_contents.hhc\nDefault Window=main\nDefault topic=topic_myprog.htm\nIndex "
     "file=hh_index.hhk\nLanguage=0x409 English (United States)\nTitle=My Program Help\n\n"
     "[WINDOWS]\nmain=,\"hh_contents.hhc\",\"hh_index.hhk\",,,,,,,0x2520,,0x300e,,,,,,,,0\n",
     false, false, "topic_myprog.htm", "My Program Help Contents"},
    {"inno_ISetup",
     "[OPTIONS]\nCompatibility=1.1 or later\nCompiled file=isetup.chm\nContents "
     "file=hh_generated_contents.hhc\nDefault Window=$global_ismain\nDefault "
     "topic=topic_whatisinnosetup.htm\nDisplay compile progress=Yes\nIndex "
     "file=hh_generated_index.hhk\nLanguage=0x409 English (United States)\nTitle=Inno Setup "
     "Help\n\n[WINDOWS]\n$global_ismain=,\"hh_generated_contents.hhc\",\"hh_generated_index."
     "hhk\",,,,,,,0x22520,,0x300e,,,,,,,,0\n\n\n[INFOTYPES]\n",
     false, true, "topic_credits.htm", "Contributors"},
    {"pboot_help",
     "[OPTIONS]\nCompatibility=1.1 or later\nCompiled file=help.chm\nContents file=help.hhc\n"
     "Default Window=main\nDefault topic=关于我们.htm\nLanguage=0x804 中文(中国)\n"
     "Title=PbootCMS标签手册—20180831—翱云科技版权所有\n\n[WINDOWS]\n"
     "main=\"PbootCMS标签手册—20180831—翱云科技版权所有\",\"help.hhc\",,\"关于我们.htm\","
     "\"关于我们.htm\",\"关于我们.htm\",,,,0x23520,270,0x387e,[257,31,1157,681],0xb0000,0,,0,0,,"
     "0\n",
     true, false, "手机版.htm", "启用手机版"},
};

void PrintTo(const ReferenceBook& book, std::ostream* os) { *os << book.name; }

struct Rebuilt {
  BookFiles ms, ours, variant;
  fs::path ours_book;
};

// The reference book's pages and sitemaps written to a folder with the project; `variant`
// also asks for DBCS and drops the title of one page.
fs::path WriteSources(const ReferenceBook& ref, const BookFiles& ms, bool variant) {
  fs::path dir = FreshFolder(std::string(ref.name) + (variant ? "_variant" : ""));
  for (const auto& [name, content] : ms) {
    if (name[1] == '#' || name[1] == '$') continue;  // the compiler's own tables
    fs::path file = dir / fs::u8path(name.substr(1));
    fs::create_directories(file.parent_path());
    std::string bytes = content;
    if (variant && name.substr(1) == ref.retitled) {
      size_t open = bytes.find("<title>"), close = bytes.find("</title>");
      if (open != std::string::npos && close != std::string::npos)
        bytes.erase(open, close + 8 - open);
    }
    WriteBytes(file, bytes);
  }
  std::string project = ref.project;
  if (variant) project.insert(project.find('\n') + 1, "DBCS=Yes\n");
  WriteBytes(dir / "book.hhp", ref.gbk ? Gbk(project) : project);
  return dir;
}

BookFiles CompileSources(const fs::path& dir, fs::path* book = nullptr) {
  chm::CompileSettings settings;
  settings.level = chm::LzxLevel::kStore;  // the tables do not depend on the level
  settings.unix_time = kFixedTime;
  chm::CompileResult r = chm::CompileProject((dir / "book.hhp").u8string(), settings);
  EXPECT_TRUE(r.ok) << (r.error ? chm::FormatError(*r.error) : "");
  if (book) *book = fs::u8path(r.book);
  return r.ok ? ReadWithChmlib(r.book) : BookFiles{};
}

const Rebuilt& Rebuild(const ReferenceBook& ref) {
  static std::map<std::string, Rebuilt> cache;
  auto found = cache.find(ref.name);
  if (found != cache.end()) return found->second;
  Rebuilt& r = cache[ref.name];
  fs::path folder = ReferenceFolder();
  if (folder.empty()) {
    ADD_FAILURE() << "the reference books are not beside the sources (shared/reference/hhw)";
    return r;
  }
  r.ms = ReadWithChmlib(folder / (std::string(ref.name) + ".chm"));
  r.ours = CompileSources(WriteSources(ref, r.ms, false), &r.ours_book);
  r.variant = CompileSources(WriteSources(ref, r.ms, true));
  return r;
}

class HelpTables : public testing::TestWithParam<ReferenceBook> {
 protected:
  void SetUp() override {
    const Rebuilt& r = Rebuild(GetParam());
    for (const BookFiles* f : {&r.ms, &r.ours, &r.variant}) {
      for (const char* t :
           {"/#SYSTEM", "/#IDXHDR", "/#TOPICS", "/#URLTBL", "/#URLSTR", "/#STRINGS", "/#WINDOWS"}) {
        if (!f->count(t)) GTEST_SKIP() << "a book lacks " << t;  // failed above
      }
    }
    ms_ = &r.ms;
    ours_book_ = r.ours_book;
    ours_ = &r.ours;
    variant_ = &r.variant;
  }
  const BookFiles* ms_ = nullptr;
  const BookFiles* ours_ = nullptr;
  const BookFiles* variant_ = nullptr;
  fs::path ours_book_;
};

TEST_P(HelpTables, SystemRecordsAreMicrosoftsWithTheDbcsWordOnlyWhenAskedFor) {
  const std::string& ms = ms_->at("/#SYSTEM");
  const std::string& ours = ours_->at("/#SYSTEM");
  EXPECT_EQ(U32(ours, 0), U32(ms, 0)) << "version";
  std::vector<int> ms_codes, our_codes;
  for (const auto& rec : SystemRecords(ms)) {
    if (rec.first != 7) ms_codes.push_back(rec.first);  // 7 belongs to the binary index
  }
  for (const auto& rec : SystemRecords(ours)) our_codes.push_back(rec.first);
  EXPECT_EQ(our_codes, ms_codes) << "the records and their order";
  for (int code : {2, 3, 5, 6, 9, 12, 15}) {
    EXPECT_EQ(Record(ours, code), Record(ms, code)) << "record " << code;
  }
  // Code 4: the language and the DBCS word; search and keyword flags follow those features.
  EXPECT_EQ(U32(Record(ours, 4), 0), U32(Record(ms, 4), 0)) << "language";
  EXPECT_EQ(U32(Record(ours, 4), 4), U32(Record(ms, 4), 4)) << "DBCS";
  EXPECT_EQ(U32(Record(variant_->at("/#SYSTEM"), 4), 4), 1u) << "DBCS=Yes";
  EXPECT_EQ(Record(ours, 13), ours_->at("/#IDXHDR"));
}

TEST_P(HelpTables, WindowIsMicrosoftsButForTheNavigationWidthWineNeeds) {
  const std::string& ms = ms_->at("/#WINDOWS");
  const std::string& ours = ours_->at("/#WINDOWS");
  ASSERT_EQ(ours.size(), ms.size());
  // The string fields of HH_WINTYPE: name, caption, contents, index, file, home, jumps.
  const std::vector<size_t> strings = {0x08, 0x14, 0x60, 0x64, 0x68, 0x6C, 0x9C, 0xA0, 0xA4, 0xA8};
  const bool ms_width_empty = U32(ms, 8 + 0x4C) == 0 && !(U32(ms, 8 + 0x0C) & 0x20);
  for (size_t at = 0; at < 196; at += 4) {
    std::uint32_t m = U32(ms, 8 + at), o = U32(ours, 8 + at);
    if (ms_width_empty && at == 0x0C) {
      EXPECT_EQ(o, m | 0x20) << "valid fields";
    } else if (ms_width_empty && at == 0x4C) {
      EXPECT_EQ(o, 200u) << "navigation width";
    } else if (std::find(strings.begin(), strings.end(), at) != strings.end()) {
      EXPECT_EQ(StringAt(ours_->at("/#STRINGS"), o), StringAt(ms_->at("/#STRINGS"), m))
          << "string field at 0x" << std::hex << at;
    } else {
      EXPECT_EQ(o, m) << "field at 0x" << std::hex << at;
    }
  }
}

TEST_P(HelpTables, IndexHeaderCarriesTheContentsPropertiesAndMarksTheRestUnset) {
  const std::string& ms = ms_->at("/#IDXHDR");
  const std::string& ours = ours_->at("/#IDXHDR");
  ASSERT_EQ(ours.size(), ms.size());
  EXPECT_EQ(ours.substr(0, 4), "T#SM");
  const std::vector<size_t> strings = {0x14, 0x28, 0x38, 0x3C};
  // 0x04 is a stamp, 0x0C the topic count (checked with the topics); from 0x48 on the merged
  // books are listed.
  const size_t end = GetParam().merges_a_book ? 0x48 : ms.size();
  for (size_t at = 0x08; at < end; at += 4) {
    if (at == 0x0C) continue;
    std::uint32_t m = U32(ms, at), o = U32(ours, at);
    if (std::find(strings.begin(), strings.end(), at) != strings.end()) {
      EXPECT_EQ(StringAt(ours_->at("/#STRINGS"), o), StringAt(ms_->at("/#STRINGS"), m))
          << "string field at 0x" << std::hex << at;
    } else {
      EXPECT_EQ(o, m) << "field at 0x" << std::hex << at;
    }
  }
}

TEST_P(HelpTables, TopicsHaveMicrosoftsTitlesFlagsKeysAndContentsPlaces) {
  std::map<std::string, TopicRow> ms = Topics(*ms_), ours = Topics(*ours_);
  // Microsoft also makes a topic of every index target with an anchor, for its binary index.
  for (auto it = ms.begin(); it != ms.end();) {
    it = it->first.find('#') != std::string::npos ? ms.erase(it) : std::next(it);
  }
  ASSERT_EQ(ours.size(), ms.size());
  if (!GetParam().merges_a_book) {
    EXPECT_EQ(U32(ours_->at("/#IDXHDR"), 0x0C), ms.size()) << "topic count";
  }
  for (const auto& [name, m] : ms) {
    ASSERT_TRUE(ours.count(name)) << name;
    const TopicRow& o = ours.at(name);
    EXPECT_EQ(o.title, m.title) << name;
    EXPECT_EQ(o.flags, m.flags) << name;
    EXPECT_EQ(o.key, m.key) << name;
    // A merged book's entry comes first in Microsoft's tree, which moves every other node.
    if (!GetParam().merges_a_book) {
      EXPECT_EQ(o.contents_node, m.contents_node) << name;
    }
  }
  std::string retitled = GetParam().gbk ? Gbk(GetParam().retitled) : GetParam().retitled;
  std::string entry = GetParam().gbk ? Gbk(GetParam().entry_name) : GetParam().entry_name;
  EXPECT_NE(ours.at(retitled).title, entry) << "the page's own title differs from its entry";
  EXPECT_EQ(Topics(*variant_).at(retitled).title, entry) << "an untitled page";
}

TEST_P(HelpTables, UrlTableBlocksEndAsMicrosoftsDo) {
  for (const BookFiles* f : {ms_, ours_}) {
    const std::string& t = f->at("/#URLTBL");
    for (size_t end = 4092; end + 4 <= t.size(); end += 4096) {
      EXPECT_EQ(U32(t, end), 0x1000u) << (f == ms_ ? "Microsoft" : "ours") << " at " << end;
    }
  }
}

TEST_P(HelpTables, RebuiltBookReadsTheSameInLibmspackAnd7Zip) {
  BookFiles mspack = ReadWithMspack(ours_book_), sevenzip = ReadWith7z(ours_book_);
  EXPECT_TRUE(mspack == *ours_) << "libmspack";
  EXPECT_TRUE(sevenzip == *ours_) << "7-Zip";
}

INSTANTIATE_TEST_SUITE_P(ReferenceBooks, HelpTables, testing::ValuesIn(kBooks),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace chm_test

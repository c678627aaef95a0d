// The help tables against Microsoft's: each book made by Microsoft's compiler (under the shared
// reference folder) is rebuilt from its own files with a project reconstructed from its
// #SYSTEM and #WINDOWS, and our tables are decoded and compared with Microsoft's field by
// field. What we leave out on purpose or check elsewhere (full-text search and the binary index,
// in fulltext_search_test.py) is named where it is skipped. None of the four books has a
// contents entry that opens a place inside a page ("a.htm#part"), so how Microsoft lists those
// in #TOPICS, #URLTBL and #URLSTR is not shown here: without a binary contents tree such an
// entry places its page, and the anchor lives on in the stored contents file the viewer reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "hhc/compiler.h"
#include "tests/support/book_inspector.h"
#include "tests/support/chm_support.h"
#include "text/ascii.h"

namespace chm_test {
namespace {

using Fields = std::map<std::string, std::string>;

constexpr std::uint64_t kFixedTime = 1700000000;

fs::path ReferenceFolder() {
  fs::path p = fs::u8path(FOLIVANE_REFERENCE_DIR);
  return fs::exists(p / "inno_MyProg.chm") ? p : fs::path();
}

std::uint32_t U32(const std::string& b, size_t at) {
  std::uint32_t v = 0;
  if (at + 4 <= b.size()) std::memcpy(&v, b.data() + at, 4);
  return v;
}

// The fields whose names start with `prefix`, less those named in `except`.
Fields FieldsOf(const InspectedBook& book, const std::string& prefix,
                const std::set<std::string>& except = {}) {
  Fields out;
  for (const auto& [key, value] : book.Fields()) {
    if (key.compare(0, prefix.size(), prefix) == 0 && !except.count(key)) out[key] = value;
  }
  EXPECT_GT(out.size(), 5u) << prefix;
  return out;
}

struct TopicRow {
  std::uint32_t contents_node = 0;
  std::string title;  // "none" for no title
  int flags = 0;
  std::uint32_t key = 0;
};

// #TOPICS by the topic's file name.
std::map<std::string, TopicRow> Topics(const InspectedBook& book) {
  std::map<std::string, TopicRow> rows;
  for (size_t i = 0; i < book.topics.size(); ++i) {
    const TopicFields& t = book.topics[i];
    TopicRow row{t.toc_offset, t.title_offset == 0xFFFFFFFFu ? "none" : t.title, t.flags, 0};
    for (const UrlRow& u : book.urltbl) {
      if (u.topic == i) row.key = u.key;
    }
    rows[t.name] = row;
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
    {"inno_ISPP",
     "[OPTIONS]\nCompatibility=1.1 or later\nCompiled file=ispp.chm\nContents "
     "file=hh_generated_contents.hhc\nDefault Window=$global_ismain\nDefault "
     "topic=topic_isppoverview.htm\nIndex file=hh_generated_index.hhk\nLanguage=0x409 English "
     "(United States)\nTitle=Inno Setup Preprocessor Help\n\n[WINDOWS]\n$global_ismain=,\"hh_"
     "generated_contents.hhc\",\"hh_generated_index.hhk\",,,,,,,0x22520,,0x300e,,,,,,,,0\n",
     false, false, "topic_isppoverview.htm", "Introduction"},
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
  InspectedBook ms, ours, variant;
  fs::path ours_book;
};

// The reference book's pages and sitemaps written to a folder with the project; `variant`
// also asks for DBCS, merges one more book and drops the title of one page.
fs::path WriteSources(const ReferenceBook& ref, const InspectedBook& ms, bool variant) {
  fs::path dir = FreshFolder(std::string(ref.name) + (variant ? "_variant" : ""));
  for (const auto& [name, content] : ms.files) {
    if (name[0] != '/' || name[1] == '#' || name[1] == '$') continue;  // the compiler's own
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
  if (variant) project += "\n[MERGE FILES]\nExtra.chm\n";
  WriteBytes(dir / "book.hhp", ref.gbk ? Gbk(project) : project);
  return dir;
}

InspectedBook CompileSources(const fs::path& dir, fs::path* book = nullptr) {
  chm::CompileSettings settings;
  settings.level = chm::LzxLevel::kStore;  // the tables do not depend on the level
  settings.unix_time = kFixedTime;
  chm::CompileResult r = chm::CompileProject((dir / "book.hhp").u8string(), settings);
  EXPECT_TRUE(r.ok) << (r.error ? chm::FormatError(*r.error) : "");
  if (book) *book = fs::u8path(r.book);
  return r.ok ? InspectBook(fs::u8path(r.book)) : InspectedBook{};
}

const Rebuilt& Rebuild(const ReferenceBook& ref) {
  static std::map<std::string, Rebuilt> cache;
  auto found = cache.find(ref.name);
  if (found != cache.end()) return found->second;
  Rebuilt& r = cache[ref.name];
  const fs::path folder = ReferenceFolder();
  r.ms = InspectBook(folder / (std::string(ref.name) + ".chm"));
  r.ours = CompileSources(WriteSources(ref, r.ms, false), &r.ours_book);
  r.variant = CompileSources(WriteSources(ref, r.ms, true));
  return r;
}

class HelpTables : public testing::TestWithParam<ReferenceBook> {
 protected:
  void SetUp() override {
    if (ReferenceFolder().empty()) {
      GTEST_SKIP() << "no reference books in " << FOLIVANE_REFERENCE_DIR
                   << " (set FOLIVANE_REFERENCE_DIR when configuring)";
    }
    const Rebuilt& r = Rebuild(GetParam());
    for (const InspectedBook* b : {&r.ms, &r.ours, &r.variant}) {
      for (const char* t :
           {"/#SYSTEM", "/#IDXHDR", "/#TOPICS", "/#URLTBL", "/#URLSTR", "/#STRINGS", "/#WINDOWS"}) {
        if (!b->File(t)) GTEST_SKIP() << "a book lacks " << t;  // failed above
      }
    }
    ms_ = &r.ms;
    ours_ = &r.ours;
    variant_ = &r.variant;
    ours_book_ = r.ours_book;
  }
  const InspectedBook* ms_ = nullptr;
  const InspectedBook* ours_ = nullptr;
  const InspectedBook* variant_ = nullptr;
  fs::path ours_book_;
};

TEST_P(HelpTables, SystemRecordsAreMicrosoftsWithTheDbcsWordOnlyWhenAskedFor) {
  // The stamps differ by nature; search and keyword links follow those features, and record 7
  // belongs to the binary index (all three are checked with those by fulltext_search_test.py).
  const std::set<std::string> elsewhere = {"system.10",          "system.4.filetime",
                                           "system.4.full_text", "system.4.keyword_links",
                                           "system.7",           "system.codes"};
  EXPECT_EQ(FieldsOf(*ours_, "system.", elsewhere), FieldsOf(*ms_, "system.", elsewhere));
  EXPECT_EQ(ours_->Fields().at("system.codes"), ms_->Fields().at("system.codes"))
      << "the records and their order";
  EXPECT_EQ(variant_->Fields().at("system.4.dbcs"), "0x1") << "DBCS=Yes";
}

TEST_P(HelpTables, WindowIsMicrosoftsButForTheNavigationWidthWineNeeds) {
  const std::set<std::string> width = {"windows.0.valid", "windows.0.nav_width"};
  EXPECT_EQ(FieldsOf(*ours_, "windows.", width), FieldsOf(*ms_, "windows.", width));
  const WindowFields& ms = ms_->windows.at(0);
  const WindowFields& ours = ours_->windows.at(0);
  if (ms.nav_width == 0 && !(ms.valid & 0x20)) {
    EXPECT_EQ(ours.valid, ms.valid | 0x20);
    EXPECT_EQ(ours.nav_width, 200u);
  } else {
    EXPECT_EQ(ours.valid, ms.valid);
    EXPECT_EQ(ours.nav_width, ms.nav_width);
  }
}

TEST_P(HelpTables, IndexHeaderCarriesTheContentsPropertiesMergedBooksAndMarksTheRestUnset) {
  // The stamp differs by nature; the topic count is checked with the topics. Where Inno Setup's
  // contents merge a book, Microsoft's compiler leaves 0x0019DF28 at 0x4C, a stack address of
  // the 32-bit process: memory it did not clear, which we write as 0.
  std::set<std::string> elsewhere = {"idxhdr.stamp", "idxhdr.topic_count"};
  if (GetParam().merges_a_book) {
    elsewhere.insert("idxhdr.unknown_4c");
    EXPECT_EQ(ms_->idxhdr.unknown_4c, 0x19DF28u);
    EXPECT_EQ(ours_->idxhdr.unknown_4c, 0u);
  }
  EXPECT_EQ(FieldsOf(*ours_, "idxhdr.", elsewhere), FieldsOf(*ms_, "idxhdr.", elsewhere));
  // [MERGE FILES] come before the books the contents merge.
  const std::string ms_merged = ms_->Fields().at("idxhdr.merged_books");
  EXPECT_EQ(variant_->Fields().at("idxhdr.merged_books"),
            "\"Extra.chm\"" + (ms_merged.empty() ? "" : "," + ms_merged));
}

TEST_P(HelpTables, TopicsHaveMicrosoftsTitlesFlagsKeysAndContentsPlaces) {
  // Every index target with an anchor is a topic too, for the binary index.
  std::map<std::string, TopicRow> ms = Topics(*ms_), ours = Topics(*ours_);
  ASSERT_EQ(ours.size(), ms.size());
  if (!GetParam().merges_a_book) {
    EXPECT_EQ(ours_->idxhdr.topic_count, ms.size());
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
  // Only Inno Setup's project is known as it was: with it the topics come in Microsoft's order,
  // the index file's anchors last.
  if (std::string(GetParam().name) == "inno_ISetup") {
    std::vector<std::string> ms_order, our_order;
    for (const TopicFields& t : ms_->topics) ms_order.push_back(t.name);
    for (const TopicFields& t : ours_->topics) our_order.push_back(t.name);
    EXPECT_EQ(our_order, ms_order);
  }
  std::string retitled = GetParam().gbk ? Gbk(GetParam().retitled) : GetParam().retitled;
  std::string entry = GetParam().gbk ? Gbk(GetParam().entry_name) : GetParam().entry_name;
  EXPECT_NE(ours.at(retitled).title, entry) << "the page's own title differs from its entry";
  EXPECT_EQ(Topics(*variant_).at(retitled).title, entry) << "an untitled page";
}

// The strings of #STRINGS in their order, read block by block as the viewer reads them: what
// ends a block unterminated, or terminated on its last byte, is filler, the start of the next
// block's first string.
std::vector<std::string> StringList(const InspectedBook& book) {
  const std::string& s = *book.File("/#STRINGS");
  std::vector<std::string> list;
  for (size_t at = 1; at < s.size();) {
    const size_t block_end = (at / 4096 + 1) * 4096, end = s.find('\0', at);
    if (end == std::string::npos) break;
    if (end >= block_end - 1) {
      at = block_end;
      continue;
    }
    if (end > at) list.push_back(s.substr(at, end - at));
    at = end + 1;
  }
  return list;
}

TEST_P(HelpTables, StringsComeInMicrosoftsOrder) {
  std::vector<std::string> ms = StringList(*ms_), ours = StringList(*ours_);
  if (GetParam().merges_a_book) {
    // Inno Setup's contents end with a Merge object outside any list. Microsoft's tree makes it
    // the first node (28 bytes at 0x1000) and names it after the entry before it ("Support Inno
    // Setup"), whose string therefore follows the merged book's name; we keep that Merge object
    // out of sight, a nameless leaf after the top entries, since one merge at the end of one
    // file cannot tell where Microsoft puts merges elsewhere or what their #TOCIDX nodes hold.
    // Every other string comes in Microsoft's order.
    const size_t merged = std::find(ms.begin(), ms.end(), "ispp.chm") - ms.begin();
    ASSERT_LT(merged + 1, ms.size());
    const std::string node_name = ms[merged + 1];
    EXPECT_EQ(node_name, "Support Inno Setup");
    ms.erase(ms.begin() + merged + 1);
    ours.erase(std::remove(ours.begin(), ours.end(), node_name), ours.end());
  }
  // The file names of context ids ([MAP]/[ALIAS]), which our projects do not have, unless the
  // window names them too.
  const WindowFields& w = ms_->windows.at(0);
  const std::set<std::string> window_strings = {w.name,       w.caption,   w.toc,       w.index,
                                                w.file,       w.home,      w.jump1_url, w.jump2_url,
                                                w.jump1_text, w.jump2_text};
  if (const std::string* ivb = ms_->File("/#IVB")) {
    for (size_t at = 8; at + 4 <= ivb->size(); at += 8) {
      const std::string name = ms_->StringAt(U32(*ivb, at));
      if (!window_strings.count(name)) ms.erase(std::remove(ms.begin(), ms.end(), name), ms.end());
    }
  }
  EXPECT_EQ(ours, ms);
}

TEST_P(HelpTables, BlocksOfTheUrlTableAndTheStringsEndAsMicrosoftsDo) {
  for (const InspectedBook* b : {ms_, ours_}) {
    const char* who = b == ms_ ? "Microsoft" : "ours";
    const std::string& t = *b->File("/#URLTBL");
    for (size_t end = 4092; end + 4 <= t.size(); end += 4096) {
      EXPECT_EQ(U32(t, end), 0x1000u) << who << " at " << end;
    }
    // A string that a block cannot hold before its last byte starts the next block; the block
    // ends with the start of that string, or all of it when it would have ended there exactly
    // (Inno Setup's "disablenouninstallwarning" at 16358), and never with zeros.
    const std::string& s = *b->File("/#STRINGS");
    EXPECT_EQ(s.find(std::string(2, '\0')), std::string::npos) << who;
    for (size_t end = 4096; end < s.size(); end += 4096) {
      size_t tail = s.rfind('\0', end - 1) + 1;
      if (tail == end) tail = s.rfind('\0', end - 2) + 1;
      EXPECT_EQ(s.substr(end, end - tail), s.substr(tail, end - tail)) << who << " at " << end;
    }
  }
}

// Section 0's files by their place. Microsoft's one-frame book (My Program) has the reset table
// last, its books of 4 frames and more have it before #SYSTEM; no book here has 2 or 3 frames.
// The names of the book's files that `keep` accepts, in the order of their offsets.
template <typename Keep>
std::vector<std::string> NamesByOffset(const InspectedBook& book, Keep keep) {
  std::vector<const EntryFields*> files;
  for (const EntryFields& e : book.entries) {
    if (e.length > 0 && keep(e)) files.push_back(&e);
  }
  std::sort(files.begin(), files.end(),
            [](const EntryFields* a, const EntryFields* b) { return a->offset < b->offset; });
  std::vector<std::string> names;
  for (const EntryFields* e : files) names.push_back(e->name);
  return names;
}

std::vector<std::string> Section0Order(const InspectedBook& book) {
  return NamesByOffset(book, [](const EntryFields& e) { return e.section == 0; });
}

TEST_P(HelpTables, Section0FilesComeInMicrosoftsOrderWithAResetEntryPerFrame) {
  auto frames = [](const InspectedBook& b) {
    return (b.reset_table.uncompressed + 0x7FFF) / 0x8000;
  };
  ASSERT_EQ(frames(*ours_) > 1, frames(*ms_) > 1) << "one frame in both books, or more in both";
  EXPECT_EQ(Section0Order(*ours_), Section0Order(*ms_));
  EXPECT_EQ(ms_->reset_table.entries.size(), frames(*ms_));
  EXPECT_EQ(ours_->reset_table.entries.size(), frames(*ours_));
}

// The container's headers as Microsoft's, but for what follows from the content (sizes, the
// stamp) and the ITSF header's language. Microsoft's compiler writes there the language of the
// Windows it runs on: its Inno Setup books were compiled on a Dutch system (0x413) from projects
// that say 0x409, its Chinese book on a Chinese one. Where the book is compiled is not ours to
// know or to record, so the header carries the book's own language, which is what Microsoft's
// book shows when the two agree.
TEST_P(HelpTables, ContainerHeadersAreMicrosoftsWithTheBooksLanguage) {
  const std::set<std::string> content = {"itsf.stamp", "itsf.lcid", "itsf.directory",
                                         "itsf.content_offset"};
  EXPECT_EQ(FieldsOf(*ours_, "itsf.", content), FieldsOf(*ms_, "itsf.", content));
  EXPECT_EQ(FieldsOf(*ours_, "itsp."), FieldsOf(*ms_, "itsp."));
  EXPECT_EQ(ours_->Fields().at("control_data"), ms_->Fields().at("control_data"));
  EXPECT_EQ(ours_->itsf.lcid, ours_->system.lcid);
  EXPECT_EQ(ms_->itsf.lcid, GetParam().gbk ? 0x804u : 0x413u);
}

// Section 1's files other than the pages, sitemaps and the compiler's own, by their place.
std::vector<std::string> OtherFilesInSection1(const InspectedBook& book) {
  return NamesByOffset(book, [](const EntryFields& e) {
    const std::string& n = e.name;
    const bool skipped =
        n[1] == '#' || n[1] == '$' || text::EndsWithNoCase(n, ".htm") ||
        text::EndsWithNoCase(n, ".html") || text::EndsWithNoCase(n, ".hhc") ||
        text::EndsWithNoCase(n, ".hhk") ||
        text::EqualsNoCase(n, "/hh_isppredirect.xhtm");  // MicrosoftsLeftoversAreNotCopied
    return e.section == 1 && !skipped;
  });
}

// Pictures, style sheets and scripts come after the pages in name order (Inno Setup's book:
// images/extlink.png, styles.css, topic.js), whatever order the pages name them in.
TEST_P(HelpTables, FilesOtherThanPagesComeInMicrosoftsOrder) {
  EXPECT_EQ(OtherFilesInSection1(*ours_), OtherFilesInSection1(*ms_));
}

// What Microsoft's books hold that is no part of any table, and that we do not copy:
// - section 1 begins with bytes no entry points at (388 in My Program's book, 189,698 in Inno
//   Setup's): earlier copies of the contents and index files, written and then written again;
//   we store each file once, from offset 0;
// - #URLSTR starts with 0x42 in Inno Setup's book and with 0 in the three others: memory not
//   cleared; we write 0;
// - Inno Setup's book stores hh_isppredirect.xhtm, which neither its published project nor any
//   of its files names; we store what the project and the links name.
TEST_P(HelpTables, MicrosoftsLeftoversAreNotCopied) {
  auto first_in_section1 = [](const InspectedBook& b) {
    std::uint64_t first = ~std::uint64_t{0};
    for (const EntryFields& e : b.entries) {
      if (e.section == 1 && e.length > 0) first = std::min(first, e.offset);
    }
    return first;
  };
  EXPECT_GT(first_in_section1(*ms_), 0u);
  EXPECT_EQ(first_in_section1(*ours_), 0u);
  EXPECT_EQ(ms_->File("/#URLSTR")->front(), GetParam().merges_a_book ? 'B' : '\0');
  EXPECT_EQ(ours_->File("/#URLSTR")->front(), '\0');
}

TEST_P(HelpTables, RebuiltBookReadsTheSameInChmlibLibmspackAnd7Zip) {
  BookFiles chmlib = ReadWithChmlib(ours_book_);
  EXPECT_FALSE(chmlib.empty());
  EXPECT_TRUE(ReadWithMspack(ours_book_) == chmlib) << "libmspack";
  EXPECT_TRUE(ReadWith7z(ours_book_) == chmlib) << "7-Zip";
  EXPECT_TRUE(ours_->problems.empty()) << ours_->problems.front();
}

INSTANTIATE_TEST_SUITE_P(ReferenceBooks, HelpTables, testing::ValuesIn(kBooks),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace chm_test

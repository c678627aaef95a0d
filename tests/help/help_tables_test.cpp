// From project options to the fields of the tables the viewer reads, decoded from whole books
// by the inspector: each row changes the builder's project a little and names the fields that
// must follow. Fields a row does not name must come out as in the builder's own project.
#include <gtest/gtest.h>

#include "hhc/compiler.h"
#include "tests/support/book_inspector.h"
#include "tests/support/chm_support.h"

namespace chm_test {
namespace {

using Fields = std::map<std::string, std::string>;

constexpr std::uint64_t kTime = 1700000000;  // 0x6553F100

const std::vector<Chapter> kChapters = {
    {"a.htm", "A", "<html><head><title>Alpha</title></head><body>a</body></html>"},
    {"b.htm", "B", "<html><body>no title</body></html>"},
};

// Every book of the builder's project, whatever the row.
const Fields kBuilderBook = {
    {"itsf.signature", "\"ITSF\""},
    {"itsf.version", "0x3"},
    {"itsf.header_size", "0x60"},
    {"itsf.unknown_0c", "0x1"},
    {"itsf.stamp", "0x6553F100"},
    {"itsf.lcid", "0x804"},
    {"itsf.guid1", "{7C01FD10-7BAA-11D0-9E0C-00A0C922E6EC}"},
    {"itsf.guid2", "{7C01FD11-7BAA-11D0-9E0C-00A0C922E6EC}"},
    {"itsf.section0_header", "0x60+0x18"},
    {"hs0.magic", "0x1FE"},
    {"itsp.signature", "\"ITSP\""},
    {"itsp.version", "0x1"},
    {"itsp.header_size", "0x54"},
    {"itsp.header_size2", "0x54"},
    {"itsp.unknown_0c", "0xA"},
    {"itsp.chunk_size", "0x1000"},
    {"itsp.density", "0x2"},
    {"itsp.depth", "0x1"},
    {"itsp.root", "-1"},
    {"itsp.first_pmgl", "0x0"},
    {"itsp.last_pmgl", "0x0"},
    {"itsp.chunk_count", "0x1"},
    {"itsp.lcid", "0x409"},
    {"itsp.guid", "{5D02926A-212E-11D0-9DF9-00A0C922E6EC}"},
    {"control_data", "0x43585A4C,0x2,0x2,0x2,0x1,0x0"},
    {"reset.version", "0x2"},
    {"reset.entry_size", "0x8"},
    {"reset.header_size", "0x28"},
    {"reset.frame_size", "0x8000"},
    {"system.version", "0x3"},
    // No contents or index record: the default window names both files.
    {"system.codes", "10,9,4,2,6,5,12,13,15"},
    {"system.10", "0x6553F100"},
    {"system.9", "\"HHA Version 4.74.8702\""},
    {"system.4.size", "0x24"},
    {"system.4.lcid", "0x804"},
    {"system.4.dbcs", "0x0"},
    {"system.4.full_text", "0x0"},
    {"system.4.keyword_links", "0x0"},
    {"system.4.associative_links", "0x0"},
    {"system.4.filetime", "0x1DA1747C66D0000"},  // 2023-11-14 22:13:20 UTC as a FILETIME
    {"system.2", "\"chm_about.htm\""},
    {"system.6", "\"book\""},
    {"system.0", "absent"},
    {"system.1", "absent"},
    {"system.5", "\"chm_window\""},
    {"system.12", "0x0"},
    {"system.13", "#IDXHDR"},
    {"system.15", "0x0"},
    {"windows.count", "1"},
    {"windows.entry_size", "0xC4"},
    {"windows.0.size", "0xC4"},
    {"windows.0.unicode", "0x0"},
    {"windows.0.name", "\"chm_window\""},
    {"windows.0.caption", "\"book\""},
    {"windows.0.valid", "0x532"},
    {"windows.0.properties", "0x2120"},
    {"windows.0.styles", "0x0"},
    {"windows.0.ex_styles", "0x0"},
    {"windows.0.rect", "[84,25,648,513]"},
    {"windows.0.show_state", "0x0"},
    {"windows.0.nav_width", "0xC8"},
    {"windows.0.toc", "\"chm_hhc.hhc\""},
    {"windows.0.index", "\"chm_hhk.hhk\""},
    {"windows.0.file", "\"chm_about.htm\""},
    {"windows.0.home", "\"\""},
    {"windows.0.buttons", "0x8380E"},
    {"windows.0.not_expanded", "0x0"},
    {"windows.0.nav_type", "0x0"},
    {"windows.0.tab_pos", "0x0"},
    {"windows.0.notify_id", "0x0"},
    {"windows.0.jump1", "\"\"->\"\""},
    {"windows.0.jump2", "\"about\"->\"chm_about.htm\""},
    {"windows.0.runtime_fields", "zero"},
    {"idxhdr.signature", "\"T#SM\""},
    {"idxhdr.size", "0x1000"},
    {"idxhdr.stamp", "0x6553F100"},
    {"idxhdr.unknown_08", "0x1"},
    {"idxhdr.topic_count", "0x5"},
    {"idxhdr.folder_images", "0x1"},
    {"idxhdr.unknown_44", "0x1"},
    {"idxhdr.image_list", "unset"},
    {"idxhdr.background", "unset"},
    {"idxhdr.foreground", "unset"},
    {"idxhdr.font", "unset"},
    {"idxhdr.window_styles", "unset"},
    {"idxhdr.ex_window_styles", "unset"},
    {"idxhdr.unknown_34", "unset"},
    {"idxhdr.frame_name", "unset"},
    {"idxhdr.window_name", "unset"},
    {"idxhdr.merge_count", "0x0"},
    {"topics.count", "5"},
    {"urltbl.rows", "5"},
    {"urltbl.sorted", "yes"},
};

struct OptionCase {
  const char* what;
  // "Key=value" replaces the [OPTIONS] line of that key or is added; "Key=" alone removes it.
  std::vector<std::string> options;
  // Replaces the [WINDOWS] section's lines when not empty.
  std::vector<std::string> windows;
  Fields expected;  // over kBuilderBook; "absent" for a field that must not be there
};

const char kBuilderWindow[] =
    "chm_window=book,\"chm_hhc.hhc\",\"chm_hhk.hhk\",\"chm_about.htm\",,,,\"chm_about.htm\","
    "\"about\",0x2120,,0x8380e,[84,25,648,513],,,,,,,0";

const OptionCase kCases[] = {
    {"the builder's project", {}, {}, {}},
    // An English book gets the binary keyword index of its index file, as Microsoft's compiler
    // writes it by default: the keyword-links flag and the index file's key (code 7).
    {"English",
     {"Language=0x409"},
     {},
     {{"itsf.lcid", "0x409"},
      {"system.4.lcid", "0x409"},
      {"system.4.dbcs", "0x0"},
      {"system.4.keyword_links", "0x1"},
      {"system.codes", "10,9,4,2,6,5,7,12,13,15"}}},
    {"Traditional Chinese",
     {"Language=0x404 Chinese (Taiwan)"},
     {},
     {{"itsf.lcid", "0x404"}, {"system.4.lcid", "0x404"}, {"system.4.dbcs", "0x0"}}},
    {"DBCS asked for", {"DBCS=Yes"}, {}, {{"system.4.dbcs", "0x1"}}},
    {"Japanese", {"Language=0x411"}, {}, {{"itsf.lcid", "0x411"}, {"system.4.lcid", "0x411"}}},
    {"a title and a font",
     {"Title=My Book", "Default Font=SimSun,9,134"},
     {},
     {{"system.codes", "10,9,4,2,3,16,6,5,12,13,15"},
      {"system.3", "\"My Book\""},
      {"system.16", "\"SimSun,9,134\""}}},
    {"Compatibility 1.0",
     {"Compatibility=1.0"},
     {},
     {{"system.version", "0x2"},
      {"system.4.size", "0x1C"},
      {"windows.entry_size", "0xBC"},
      {"windows.0.size", "0xBC"}}},
    {"without a default topic, the first listed file",
     {"Default topic="},
     {},
     {{"system.2", "\"a.htm\""}}},
    {"book name in capitals", {"Compiled file=My Book.CHM"}, {}, {{"system.6", "\"my book\""}}},
    {"no contents, no index, no default window",
     {"Contents file=", "Index file=", "Default Window="},
     {"chm_window=book,,,\"chm_about.htm\",,,,,,0x2120,,0x8380e,[84,25,648,513],,,,,,,0"},
     {{"system.codes", "10,9,4,2,6,12,13,15"},
      {"system.0", "absent"},
      {"system.1", "absent"},
      {"system.5", "absent"},
      {"windows.0.toc", "\"\""},
      {"windows.0.index", "\"\""},
      {"windows.0.jump2", "\"\"->\"\""},
      {"idxhdr.topic_count", "0x3"},
      {"idxhdr.folder_images", "0x0"},
      {"idxhdr.image_list", "\"\""},
      {"idxhdr.background", "0x0"},
      {"idxhdr.foreground", "0x0"},
      {"idxhdr.font", "\"\""},
      {"idxhdr.window_styles", "0x0"},
      {"idxhdr.ex_window_styles", "0x0"},
      {"idxhdr.unknown_34", "0x0"},
      {"idxhdr.frame_name", "\"\""},
      {"idxhdr.window_name", "\"\""},
      {"topics.count", "3"},
      {"urltbl.rows", "3"}}},
    {"every window field given",
     {},
     {"chm_window=\"Cap\",\"chm_hhc.hhc\",\"chm_hhk.hhk\",\"a.htm\",\"b.htm#end\",\"a.htm\",\"J1\","
      "\"b.htm\",\"J2\",0x60,150,0x3006,[1,2,3,4],0x10000,0x100,3,1,2,1,7"},
     {{"windows.0.caption", "\"Cap\""},
      {"windows.0.file", "\"a.htm\""},
      {"windows.0.home", "\"b.htm#end\""},
      {"windows.0.jump1", "\"J1\"->\"a.htm\""},
      {"windows.0.jump2", "\"J2\"->\"b.htm\""},
      {"windows.0.properties", "0x60"},
      {"windows.0.nav_width", "0x96"},
      {"windows.0.buttons", "0x3006"},
      {"windows.0.rect", "[1,2,3,4]"},
      {"windows.0.styles", "0x10000"},
      {"windows.0.ex_styles", "0x100"},
      {"windows.0.show_state", "0x3"},
      {"windows.0.not_expanded", "0x1"},
      {"windows.0.nav_type", "0x2"},
      {"windows.0.tab_pos", "0x1"},
      {"windows.0.notify_id", "0x7"},
      {"windows.0.valid", "0x277E"}}},
    {"a window without the tri-pane property keeps a zero navigation width",
     {},
     {"chm_window=book,\"chm_hhc.hhc\",\"chm_hhk.hhk\",\"chm_about.htm\",,,,,,0x2100,,,,,,,,,,"},
     {{"windows.0.properties", "0x2100"},
      {"windows.0.nav_width", "0x0"},
      {"windows.0.valid", "0x402"},
      {"windows.0.buttons", "0x0"},
      {"windows.0.rect", "[0,0,0,0]"},
      {"windows.0.jump2", "\"\"->\"\""}}},
    {"the default window goes first",
     {},
     {"other=\"Other\",,,,,,,,,0x20,,,,,,,,,,", kBuilderWindow},
     {{"windows.count", "2"},
      {"windows.1.name", "\"other\""},
      {"windows.1.caption", "\"Other\""},
      {"windows.1.valid", "0x422"},
      {"windows.1.nav_width", "0xC8"}}},
};

void PrintTo(const OptionCase& c, std::ostream* os) { *os << c.what; }

std::vector<std::string> EditedProject(const OptionCase& c) {
  std::vector<std::string> lines = ProjectLines("book", kChapters);
  std::vector<std::string> out;
  std::string section;
  std::vector<std::string> pending(c.options);
  for (const std::string& line : lines) {
    if (!line.empty() && line.front() == '[') {
      if (section == "[OPTIONS]") {
        for (const std::string& option : pending) {
          if (option.back() != '=') out.push_back(option);
        }
      }
      section = line;
      out.push_back(line);
      if (section == "[WINDOWS]" && !c.windows.empty()) {
        out.insert(out.end(), c.windows.begin(), c.windows.end());
      }
      continue;
    }
    if (section == "[WINDOWS]" && !c.windows.empty()) continue;
    if (section == "[WINDOWS]") {
      out.push_back(kBuilderWindow);
      continue;
    }
    bool replaced = false;
    if (section == "[OPTIONS]") {
      for (auto it = pending.begin(); it != pending.end(); ++it) {
        const std::string key = it->substr(0, it->find('=') + 1);
        if (line.compare(0, key.size(), key) != 0) continue;
        if (it->back() != '=') out.push_back(*it);
        pending.erase(it);
        replaced = true;
        break;
      }
    }
    if (!replaced) out.push_back(line);
  }
  return out;
}

class ProjectOptions : public ::testing::TestWithParam<OptionCase> {};

TEST_P(ProjectOptions, GiveTheseTableFields) {
  const OptionCase& c = GetParam();
  const fs::path dir = FreshFolder("options");
  WriteProject(dir, "book", kChapters);
  WriteProjectLines(dir, EditedProject(c));
  chm::CompileSettings settings;
  settings.unix_time = kTime;
  const chm::CompileResult r = chm::CompileProject((dir / "chm_hhp.hhp").u8string(), settings);
  ASSERT_TRUE(r.ok) << (r.error ? chm::FormatError(*r.error) : "");
  const InspectedBook book = InspectBook(fs::u8path(r.book));
  EXPECT_TRUE(book.problems.empty()) << book.problems.front();
  Fields expected = kBuilderBook;
  for (const auto& [key, value] : c.expected) expected[key] = value;
  const Fields got = book.Fields();
  for (const auto& [key, value] : expected) {
    auto found = got.find(key);
    if (value == "absent") {
      EXPECT_TRUE(found == got.end()) << key << ": expected none, got " << found->second;
      continue;
    }
    EXPECT_TRUE(found != got.end() && found->second == value)
        << key << ": expected " << value << ", got "
        << (found == got.end() ? "nothing" : found->second);
  }
  // Values that follow from the file itself rather than from the options.
  EXPECT_EQ(book.itsf.hs0_file_size, book.bytes.size());
  EXPECT_EQ(book.itsf.directory_offset, 0x78u);
  EXPECT_EQ(book.itsf.content_offset, book.itsf.directory_offset + book.itsf.directory_size);
  EXPECT_EQ(book.reset_table.entry_count, book.reset_table.entries.size());
  EXPECT_EQ(book.reset_table.entries.front(), 0u);
  EXPECT_EQ(book.reset_table.entries.size(), (book.reset_table.uncompressed + 0x7FFF) / 0x8000)
      << "one entry per frame, as Microsoft writes it";
  const std::string* content = book.File("::DataSpace/Storage/MSCompressed/Content");
  ASSERT_NE(content, nullptr);
  EXPECT_EQ(book.reset_table.compressed, content->size());
  const std::string* span = book.File("::DataSpace/Storage/MSCompressed/SpanInfo");
  ASSERT_NE(span, nullptr);
  EXPECT_EQ(book.reset_table.uncompressed,
            std::uint64_t(*reinterpret_cast<const std::uint64_t*>(span->data())));
}

INSTANTIATE_TEST_SUITE_P(Rows, ProjectOptions, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<OptionCase>& info) {
                           return "row" + std::to_string(info.index);
                         });

}  // namespace
}  // namespace chm_test

namespace chm_test {
namespace {

// #TOPICS in the order the files were stored (the sitemaps among them), each row reaching its name
// through #URLTBL and #URLSTR and its title through #STRINGS; pages the contents lists are flagged
// as such.
TEST(TopicTables, EveryPageWithItsTitleNameAndContentsFlag) {
  const fs::path dir = FreshFolder("topics");
  WriteProject(dir, "book",
               {{"Caps.htm", "A", "<title>Alpha</title><a href=\"sub/Extra.htm\">x</a>"},
                {"第二.htm", "B", Gbk("<html><title>第二章</title></html>")}});
  WriteBytes(dir / "sub/Extra.htm", "<title>Extra</title>");
  chm::CompileSettings settings;
  settings.unix_time = kTime;
  const chm::CompileResult r = chm::CompileProject((dir / "chm_hhp.hhp").u8string(), settings);
  ASSERT_TRUE(r.ok) << (r.error ? chm::FormatError(*r.error) : "");
  const InspectedBook book = InspectBook(fs::u8path(r.book));
  EXPECT_TRUE(book.problems.empty()) << book.problems.front();
  struct Row {
    std::string name, title;
    std::uint16_t flags;
    std::uint32_t toc_offset;  // the node of its contents entry, as in Microsoft's books
  };
  // The contents: a folder entry (28 bytes at 0x1000) holding both chapters, then the about
  // page; the folder's children come after the top level.
  const std::vector<Row> expected = {
      {"Caps.htm", "Alpha", 6, 0x1030},
      {Gbk("第二.htm"), Gbk("第二章"), 6, 0x1044},
      {"chm_about.htm", Gbk("关于"), 6, 0x101C},
      {"chm_hhc.hhc", "", 2, 0},
      {"chm_hhk.hhk", "", 2, 0},
      {"sub/Extra.htm", "Extra", 2, 0},
  };
  ASSERT_EQ(book.topics.size(), expected.size());
  ASSERT_EQ(book.urltbl.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const TopicFields& t = book.topics[i];
    EXPECT_EQ(t.name, expected[i].name) << i;
    EXPECT_EQ(t.title, expected[i].title) << i;
    EXPECT_EQ(t.title_offset == 0xFFFFFFFFu, expected[i].title.empty()) << i;
    EXPECT_EQ(t.flags, expected[i].flags) << i;
    EXPECT_EQ(t.toc_offset, expected[i].toc_offset) << i;
    EXPECT_EQ(t.unknown, 0u) << i;
    // The row this topic names points back at it.
    bool found = false;
    for (const UrlRow& row : book.urltbl) {
      if (row.at != t.urltbl_offset) continue;
      found = true;
      EXPECT_EQ(row.topic, i);
    }
    EXPECT_TRUE(found) << i;
  }
  for (const UrlRow& row : book.urltbl) {
    const std::string* urlstr = book.File("/#URLSTR");
    ASSERT_NE(urlstr, nullptr);
    ASSERT_LT(row.urlstr_offset + 8u, urlstr->size());
    EXPECT_EQ(urlstr->compare(row.urlstr_offset, 8, std::string(8, '\0')), 0);  // no URL, no frame
  }
  EXPECT_EQ(book.Fields().at("urltbl.sorted"), "yes");
}

}  // namespace
}  // namespace chm_test

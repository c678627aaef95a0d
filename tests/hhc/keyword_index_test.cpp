// The binary keyword index: the viewer's keyword order, and when the compiler builds the index.
// Its bytes are compared with Microsoft's on the reference books by fulltext_search_test.py.
#include <gtest/gtest.h>

#include <string>

#include "help/keyword_index.h"
#include "hhc/compiler.h"
#include "tests/support/binary_tables.h"
#include "tests/support/chm_support.h"

namespace chm_test {
namespace {

TEST(KeywordIndex, KeywordsInTheOrderWindowsLooksThemUp) {
  // Each pair in Windows' order; the first ones are seen in Microsoft's books.
  const std::pair<std::string, std::string> pairs[] = {
      {"#!", "#:"},
      {"#:", "#+"},
      {"#+", "#="},
      {"{autocf}", "{autocf32}"},
      {"{wizardhwnd}", "32bit"},
      {"32bit", "32-bit install mode"},
      {"dim", "DimOf"},
      {".NET assemblies", "[Code] section"},
      {"dir", "Dir"},
      {"caf\xE9", "cafes"},
      {"cafe", "caf\xE9"},
      {"\xC9t\xE9", "zebra"},
      {"\xE9t\xE9", "f"},
      // The apostrophe counts only after the letters: "can't" stands where "cant" would.
      {"cans", "can't"},
      {"can't", "canu"},
  };
  for (const auto& [a, b] : pairs) {
    EXPECT_TRUE(chm::KeywordBefore1252(a, b)) << a << " before " << b;
    EXPECT_FALSE(chm::KeywordBefore1252(b, a)) << b << " after " << a;
  }
}

TEST(KeywordIndex, AKeywordWithMoreTopicsThanABlockHoldsLeavesNoIndex) {
  chm::Keyword many{"many", {}, {}, {}};
  for (std::uint32_t t = 0; t < 600; ++t) many.topics.push_back(t);
  std::string too_large;
  const chm::KeywordIndex index =
      chm::BuildKeywordIndex({chm::Keyword{"few", {1}, {}, {}}, many}, 1252, 0x409, &too_large);
  EXPECT_TRUE(index.btree.empty());
  EXPECT_EQ(too_large, "many");
  many.topics.resize(400);  // 16 + 1,600 bytes: fits
  EXPECT_EQ(chm::BuildKeywordIndex({many}, 1252, 0x409).btree.size(), 0x4Cu + 2048u);
}

std::string IndexFile(const std::string& items) {
  return "<html><body><ul>" + items + "</ul></body></html>";
}
std::string Item(const std::string& name, const std::string& local) {
  return "<li><object type=\"text/sitemap\"><param name=\"Name\" value=\"" + name +
         "\"><param name=\"Local\" value=\"" + local + "\"></object>";
}

TEST(KeywordIndex, BuiltWhereItsOrderIsKnownAndWarnedAboutWhereNot) {
  struct Case {
    const char* fault;
    std::string language, binary_index, index;
    bool built;
    std::string warning;
  };
  const std::string flat = IndexFile(Item("Alpha", "a.htm") + Item("Beta", "a.htm#b"));
  const Case cases[] = {
      {"no index for an English book", "0x409", "", flat, true, ""},
      {"an index though the project turns it off", "0x409", "Binary Index=No\r\n", flat, false, ""},
      {"a silent index for Chinese keywords", "0x804", "Binary Index=Yes\r\n", flat, false,
       "code page 936: Windows' viewer looks keywords up in the sort order of language 0x0804 "
       "(pinyin)"},
      {"a warning for the default on a Chinese book", "0x804", "", flat, false, ""},
      {"a hang on a keyword too long for a block", "0x409", "",
       IndexFile(Item(std::string(1100, 'k'), "a.htm")), false, "too long a name"},
      {"an unchecked layout for nested keywords", "0x409", "",
       IndexFile(Item("Alpha", "a.htm") + "<ul>" + Item("Sub", "a.htm") + "</ul>"), false,
       "nested keywords"},
      {"no index for nested keywords asked for in so many words", "0x409", "Binary Index=Yes\r\n",
       IndexFile(Item("Alpha", "a.htm") + "<ul>" + Item("Sub", "a.htm") + "</ul>"), true, ""},
  };
  for (const Case& c : cases) {
    fs::path dir = FreshFolder("keyword_index");
    WriteBytes(dir / "a.htm", "<html><head><title>A</title></head><body>a</body></html>");
    WriteBytes(dir / "i.hhk", c.index);
    WriteBytes(dir / "p.hhp",
               "[OPTIONS]\r\nCompiled file=p.chm\r\nIndex file=i.hhk\r\nLanguage=" + c.language +
                   "\r\n" + c.binary_index + "\r\n[FILES]\r\na.htm\r\n");
    chm::CompileSettings settings;
    settings.unix_time = 1700000000;
    chm::CompileResult r = chm::CompileProject((dir / "p.hhp").u8string(), settings);
    ASSERT_TRUE(r.ok) << c.fault;
    BookFiles files = ReadWithChmlib(dir / "p.chm");
    EXPECT_EQ(files.count("/$WWKeywordLinks/BTree") != 0, c.built) << c.fault;
    EXPECT_EQ(files.at("/$WWKeywordLinks/Property").size(), c.built ? 32u : 4u) << c.fault;
    std::string warnings;
    for (const std::string& w : r.warnings) warnings += w + "\n";
    if (c.warning.empty()) {
      EXPECT_EQ(warnings, "") << c.fault;
    } else {
      EXPECT_NE(warnings.find(c.warning), std::string::npos) << c.fault << ": " << warnings;
    }
  }
}

// No book of Microsoft's compiler has nested keywords or "See Also" entries, so their layout is
// checked against chmcmd's for the same index file, field by field; each difference kept is
// asserted and explained here.
TEST(KeywordIndex, NestedAndSeeAlsoEntriesAsChmcmdListsThem) {
  const fs::path dir = FreshFolder("keyword_nesting");
  for (const char* page : {"a", "b", "c", "d"}) {
    WriteBytes(dir / (std::string(page) + ".htm"),
               std::string("<html><head><title>") + page + "</title></head><body>x</body></html>");
  }
  auto sub = [](const std::string& items) { return "<ul>" + items + "</ul>"; };
  WriteBytes(dir / "i.hhk",
             IndexFile(Item("Alpha beta", "b.htm") + Item("Alpha", "a.htm") +
                       sub(Item("zed", "b.htm") +
                           "<li><object type=\"text/sitemap\"><param name=\"Name\" value=\"Sub\">"
                           "<param name=\"Local\" value=\"c.htm\"><param name=\"Local\" "
                           "value=\"d.htm\"></object>" +
                           sub(Item("Deep", "d.htm"))) +
                       "<li><object type=\"text/sitemap\"><param name=\"Name\" value=\"Beta\">"
                       "<param name=\"See Also\" value=\"Alpha\"></object>" +
                       Item("Alpha!", "d.htm") + Item("caf\xE9", "c.htm")));
  const std::string options =
      "Index file=i.hhk\r\nBinary Index=Yes\r\nLanguage=0x409 English (United States)\r\n"
      "Default topic=a.htm\r\n\r\n[FILES]\r\na.htm\r\nb.htm\r\nc.htm\r\nd.htm\r\n";
  WriteBytes(dir / "ours.hhp", "[OPTIONS]\r\nCompiled file=ours.chm\r\n" + options);
  WriteBytes(dir / "theirs.hhp", "[OPTIONS]\r\nCompiled file=theirs.chm\r\n" + options);
  chm::CompileSettings settings;
  settings.unix_time = 1700000000;
  chm::CompileResult r = chm::CompileProject((dir / "ours.hhp").u8string(), settings);
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(r.warnings.empty()) << r.warnings.front();
  const std::string command = "cd '" + dir.string() + "' && chmcmd theirs.hhp >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << "chmcmd failed";

  const KeywordTreeFields ours = ReadKeywordTree(InspectBook(dir / "ours.chm"));
  const KeywordTreeFields theirs = ReadKeywordTree(InspectBook(dir / "theirs.chm"));
  ASSERT_TRUE(ours.present && theirs.present);
  EXPECT_TRUE(ours.problems.empty() && theirs.problems.empty());
  EXPECT_EQ(ours.format, theirs.format);
  EXPECT_EQ(ours.block_size, theirs.block_size);
  EXPECT_EQ(ours.last_listing, theirs.last_listing);
  EXPECT_EQ(ours.root, theirs.root);
  EXPECT_EQ(ours.blocks, theirs.blocks);
  EXPECT_EQ(ours.keyword_count, theirs.keyword_count);
  EXPECT_EQ(ours.code_page, theirs.code_page);
  EXPECT_EQ(ours.chm, theirs.chm);
  EXPECT_EQ(ours.version, theirs.version);
  // Where chmcmd differs from Microsoft's books, which ours match byte for byte: the flags word
  // (Microsoft 0x0104, chmcmd 2), the tree depth (1 for a lone listing block, chmcmd 0) and the
  // LCID (the project's, chmcmd 0).
  EXPECT_EQ(ours.flags, 0x0104);
  EXPECT_EQ(theirs.flags, 0x0002);
  EXPECT_EQ(ours.tree_depth, 1);
  EXPECT_EQ(theirs.tree_depth, 0);
  EXPECT_EQ(ours.lcid, 0x409u);
  EXPECT_EQ(theirs.lcid, 0u);

  // The order: a keyword's children right after it, before keywords that only start with its
  // name; "Alpha!" after "Alpha beta" as chmcmd has it, which is also Windows' order.
  const std::vector<std::string> order = {"Alpha",      "Alpha, Sub", "Alpha, Sub, Deep",
                                          "Alpha, zed", "Alpha beta", "Alpha!",
                                          "Beta",       "caf\u00e9"};
  ASSERT_EQ(ours.entries.size(), order.size());
  ASSERT_EQ(theirs.entries.size(), order.size());
  for (size_t i = 0; i < order.size(); ++i) {
    const KeywordEntryFields& a = ours.entries[i];
    const KeywordEntryFields& b = theirs.entries[i];
    EXPECT_EQ(a.text, order[i]);
    // chmcmd writes a letter outside ASCII as '?' (it does not convert the code page).
    EXPECT_EQ(b.text, a.text == "caf\u00e9" ? "caf?" : a.text);
    EXPECT_EQ(a.see_also_flag, b.see_also_flag) << a.text;
    EXPECT_EQ(a.depth, b.depth) << a.text;
    EXPECT_EQ(a.name_at, b.name_at) << a.text;
    EXPECT_EQ(a.unknown, b.unknown) << a.text;
    EXPECT_EQ(a.see_also, b.see_also) << a.text;
    EXPECT_EQ(a.one, b.one) << a.text;
    EXPECT_EQ(a.number, b.number) << a.text;
    if (a.text == "Alpha, Sub") {
      // chmcmd keeps only the last of several Local parameters; Microsoft's books list every
      // topic of a keyword, and so do ours.
      EXPECT_EQ(a.topics, (std::vector<std::string>{"c.htm", "d.htm"}));
      EXPECT_EQ(b.topics, (std::vector<std::string>{"d.htm"}));
    } else {
      EXPECT_EQ(a.count, b.count) << a.text;
      EXPECT_EQ(a.topics, b.topics) << a.text;
    }
  }
  EXPECT_EQ(ours.entries[2].name_at, 12u);  // "Alpha, Sub, " is 12 characters
  EXPECT_EQ(ours.entries[6].see_also, "Alpha");
}

}  // namespace
}  // namespace chm_test

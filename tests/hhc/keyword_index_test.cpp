// The binary keyword index: the viewer's keyword order, and when the compiler builds the index.
// Its bytes are compared with Microsoft's on the reference books by fulltext_search_test.py.
#include <gtest/gtest.h>

#include <string>

#include "help/keyword_index.h"
#include "hhc/compiler.h"
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
  chm::Keyword many{"many", {}};
  for (std::uint32_t t = 0; t < 600; ++t) many.topics.push_back(t);
  std::string too_large;
  const chm::KeywordIndex index =
      chm::BuildKeywordIndex({chm::Keyword{"few", {1}}, many}, 1252, 0x409, &too_large);
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
       "no binary keyword index for code page 936"},
      {"a warning for the default on a Chinese book", "0x804", "", flat, false, ""},
      {"a hang on a keyword too long for a block", "0x409", "",
       IndexFile(Item(std::string(1100, 'k'), "a.htm")), false, "too long a name"},
      {"an unchecked layout for nested keywords", "0x409", "",
       IndexFile(Item("Alpha", "a.htm") + "<ul>" + Item("Sub", "a.htm") + "</ul>"), false,
       "nested keywords"},
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

}  // namespace
}  // namespace chm_test

// The words the search index stores, row by row: what a text in a code page breaks into.
#include <gtest/gtest.h>

#include "help/fulltext_words.h"
#include "tests/support/chm_support.h"

namespace chm_test {
namespace {

struct WordsCase {
  unsigned code_page;
  std::string text;  // in the code page
  std::vector<std::string> words;
};

TEST(WordBreaker, BreaksTextAsWindowsHelpCompilerDoes) {
  const WordsCase cases[] = {
      {1252, "Don't STOP_me, 1,000 and 1.2.3.", {"dont", "stop_me", "1000", "and", "1.2.3"}},
      {936, Gbk("第一章ab"), {Gbk("第"), Gbk("一"), Gbk("章"), "ab"}},
      // GBK's own characters beyond GB2312 have lead bytes from 0x81; 丂 is 81 40, its trail
      // byte an '@'.
      {936, Gbk("x丂y"), {"x", Gbk("丂"), "y"}},
      // Shift-JIS "日本" (93 FA, 96 7B: the second trail byte is a '{').
      {932, "\x93\xFA\x96\x7B", {"\x93\xFA", "\x96\x7B"}},
  };
  for (const WordsCase& c : cases) {
    chm::WordBreaker breaker(c.code_page);
    std::vector<std::string> words;
    std::string scratch;
    breaker.ForEachWord(c.text, &scratch, [&](std::string_view w) { words.emplace_back(w); });
    EXPECT_EQ(words, c.words) << c.text;
  }
}

}  // namespace
}  // namespace chm_test

// Which files are chapters, and the reading order the file list and the book share.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "book/chapter_list.h"

namespace {

TEST(ChapterFiles, MatchTheListPatternsWithoutRegardToCase) {
  for (const char* yes :
       {"a.htm", "b.HTML", "c.HtM", "d.htmx", "e.htm.bak", "f.TXT", "g.mht", "h.MHT", ".htm"}) {
    EXPECT_TRUE(book::IsChapterFileName(yes)) << yes;
  }
  for (const char* no : {"a.txt~", "notes.txt1", "l.mhtml", "m.mhtx", "pic.png", "htm", "a.ht"}) {
    EXPECT_FALSE(book::IsChapterFileName(no)) << no;
  }
}

// Each row lists names in the order a reader expects.
struct OrderCase {
  const char* what;
  std::vector<std::string> in_order;
};

const OrderCase kOrderCases[] = {
    {"names without numbers keep case-blind name order, ties in byte order",
     {"_x.htm", "A.htm", "a.htm", "ab.htm", "b.htm", "C.txt", u8"第二.htm"}},
    {"digits by value", {"1.txt", "2.txt", "9.txt", "10.txt", "11.txt", "100.txt"}},
    {"zero-padded names keep their order", {"001.htm", "002.htm", "010.htm", "099.htm", "100.htm"}},
    {"equal values: byte order decides", {u8"第01章.txt", u8"第1章.txt", u8"第2章.txt"}},
    {"numbers longer than any integer",
     {"9.htm", "123456789012345678901234567890.htm", "123456789012345678901234567891.htm"}},
    {"full-width digits are digits",
     {u8"第１章", u8"第2章", u8"第８章", u8"第９章", u8"第１０章", u8"第11章"}},
    {"Chinese numerals by value",
     {u8"第一章", u8"第二章", u8"第九章", u8"第十章", u8"第十一章", u8"第二十章", u8"第九十九章",
      u8"第一百章", u8"第一百零一章", u8"第一百一十章", u8"第一千章", u8"第一千零五十章",
      u8"第一万章", u8"第两万章", u8"第十万零一章", u8"第一亿章", u8"第一亿二千万章",
      u8"第一万亿章"}},
    {"financial numerals and place-by-place digits",
     {u8"卷壹", u8"卷贰", u8"卷拾", u8"卷拾壹", u8"卷壹佰", u8"卷二〇二五", u8"卷二〇二六"}},
    {"numerals that are not numbers are characters", {u8"万一.txt", u8"百科.txt", u8"第百章.txt"}},
    {"a number sorts where the digit 0 would",
     {"a 1.htm", "a-b.htm", "a.htm", "a1.htm", "a2.htm", "a10.htm", "a10z.htm", "a;.htm", "a_.htm",
      "ab.htm", u8"a第.htm"}},
    {"mixed names compare piece by piece",
     {"part1-ch2.htm", "part1-ch10.htm", "part2-ch1.htm", "part10-ch1.htm", u8"第2卷第3章",
      u8"第二卷第十章", u8"第十卷第一章"}},
};

TEST(ReadingOrder, EachRowSortsIntoItsOrderFromAnyStart) {
  for (const OrderCase& c : kOrderCases) {
    std::vector<std::string> names = c.in_order;
    std::reverse(names.begin(), names.end());
    std::rotate(names.begin(), names.begin() + names.size() / 2, names.end());
    book::SortChapterNames(names);
    EXPECT_EQ(names, c.in_order) << c.what;
  }
}

TEST(ReadingOrder, IsATotalOrderOverAllNames) {
  std::vector<std::string> all = {"", "0", u8"零", u8"〇", "00", "a\xff", "a\xe4\xb8"};
  for (const OrderCase& c : kOrderCases)
    all.insert(all.end(), c.in_order.begin(), c.in_order.end());
  std::sort(all.begin(), all.end());
  all.erase(std::unique(all.begin(), all.end()), all.end());
  book::SortChapterNames(all);
  for (std::size_t i = 0; i < all.size(); ++i) {
    EXPECT_FALSE(book::ComesBeforeInReadingOrder(all[i], all[i])) << all[i];
    for (std::size_t j = i + 1; j < all.size(); ++j) {
      EXPECT_TRUE(book::ComesBeforeInReadingOrder(all[i], all[j])) << all[i] << " < " << all[j];
      EXPECT_FALSE(book::ComesBeforeInReadingOrder(all[j], all[i])) << all[j] << " > " << all[i];
    }
  }
}

}  // namespace

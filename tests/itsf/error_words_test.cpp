// The words a user reads when a build fails: every kind of failure its own, with the book, the
// file and what to do.
#include <gtest/gtest.h>

#include <set>

#include "itsf/error.h"

namespace {

// The second paragraph of the message: what failed.
std::string WhatFailed(const std::string& message) {
  size_t start = message.find("\r\n\r\n") + 4;
  return message.substr(start, message.find("\r\n", start) - start);
}

TEST(ErrorWords, EveryFailureHasWordsOfItsOwnNamingTheBookAndTheFile) {
  std::set<std::string> seen;
  for (int code = 0; code <= static_cast<int>(chm::ErrorCode::kReservedName); ++code) {
    SCOPED_TRACE(code);
    const chm::Error error{static_cast<chm::ErrorCode>(code), "第一章.htm", "detail"};
    const std::string message = chm::FormatUserMessage("Z:/书/测试书.chm", error);
    EXPECT_EQ(message.find("没能生成电子书“测试书.chm”。\r\n\r\n"), 0u) << message;
    EXPECT_NE(message.find("\r\n文件: 第一章.htm\r\n\r\n请"), std::string::npos) << message;
    EXPECT_TRUE(seen.insert(WhatFailed(message)).second) << "words shared: " << message;
    EXPECT_EQ(message.find("detail"), std::string::npos);  // the English detail is stderr's
  }
}

TEST(ErrorWords, BookHeldOpenSaysToCloseTheViewerAndBuildAgain) {
  const std::string message =
      chm::FormatUserMessage("测试书.chm", {chm::ErrorCode::kBookInUse, "Z:/书/测试书.chm", ""});
  EXPECT_NE(message.find("另一个程序打开"), std::string::npos) << message;
  EXPECT_NE(message.find("请关闭正在显示这本电子书的窗口, 然后再转换生成一次。"), std::string::npos)
      << message;
  // Before the project is read the book's name is unknown.
  EXPECT_EQ(chm::FormatUserMessage("", {chm::ErrorCode::kProjectUnreadable, "a.hhp", ""})
                .find("没能生成电子书。\r\n\r\n无法读取项目文件。"),
            0u);
}

}  // namespace

// The native command line: which files it takes, what it prints, and its exit statuses.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "book_test_support.h"

using namespace testing_support;
using ::testing::HasSubstr;

namespace {

struct CommandRun {
  int status;
  std::string out, err;
};

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Runs a copy of folivane from `bin_dir` (so that the hhc beside it is what the test puts there).
CommandRun RunFolivane(const std::string& bin_dir, const std::vector<std::string>& args,
                       const ScratchFolder& scratch) {
  std::string cmd = Quote(bin_dir + "/folivane");
  for (const auto& a : args) cmd += " " + Quote(a);
  cmd += " >" + Quote(scratch / "out.txt") + " 2>" + Quote(scratch / "err.txt");
  int raw = std::system(cmd.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(scratch / "out.txt"),
          ReadFile(scratch / "err.txt")};
}

class FolivaneCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    bin_ = scratch_.path() + "/bin";
    book_ = scratch_.path() + "/book dir";
    ASSERT_EQ(mkdir(bin_.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(book_.c_str(), 0755), 0);
    ASSERT_EQ(
        std::system(("cp " + Quote(std::string(FOLIVANE_BIN_DIR) + "/folivane") + " " + Quote(bin_))
                        .c_str()),
        0);
  }
  // An hhc stand-in that records its arguments and exits with `status`.
  void PutFakeCompiler(int status) {
    WriteFile(bin_ + "/hhc",
              "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/hhc-args\"\nexit " +
                  std::to_string(status) + "\n");
    ASSERT_EQ(chmod((bin_ + "/hhc").c_str(), 0755), 0);
  }
  ScratchFolder scratch_;
  std::string bin_, book_;
};

TEST_F(FolivaneCommand, ListsChapterFilesLikeTheWindowAndSortsThem) {
  for (const char* name : {"b.HTM", "a.html", "C.txt", "notes.txt1", "x.mhtml", "d.mht",
                           ".hidden.htm", "pic.png", "e.htm.bak"})
    WriteFile(book_ + "/" + name, "x");
  ASSERT_EQ(mkdir((book_ + "/folder.htm").c_str(), 0755), 0);
  CommandRun r = RunFolivane(bin_, {book_, "name", "--no-compile"}, scratch_);
  ASSERT_EQ(r.status, 0) << r.err;
  auto project = SplitCrLf(ReadFile(book_ + "/chm_hhp.hhp"));
  std::vector<std::string> files(project.begin() + 12, project.end() - 4);
  EXPECT_EQ(files, (std::vector<std::string>{"a.html", "b.HTM", "C.txt", "d.mht", "e.htm.bak"}));
}

TEST_F(FolivaneCommand, ListsChaptersInReadingOrder) {
  const std::vector<std::string> in_order = {u8"第1章.txt",    u8"第2章.txt",
                                             u8"第10章.txt",   u8"第十一章.htm",
                                             u8"第二十章.htm", u8"第一百零一章.htm"};
  for (const std::string& name : in_order) WriteFile(book_ + "/" + name, "x");
  ASSERT_EQ(RunFolivane(bin_, {book_, "name", "--no-compile"}, scratch_).status, 0);
  auto project = SplitCrLf(ReadFile(book_ + "/chm_hhp.hhp"));
  std::vector<std::string> files(project.begin() + 12, project.end() - 4);
  std::vector<std::string> expected;
  for (const std::string& name : in_order) expected.push_back(Gbk(name));
  EXPECT_EQ(files, expected);
}

TEST_F(FolivaneCommand, EmptyFolderPrintsTheMessageAndWritesNothing) {
  CommandRun r = RunFolivane(bin_, {book_}, scratch_);
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr(u8"**加载文件后再转换吧!:)**"));
  EXPECT_TRUE(ListFolder(book_).empty());
}

TEST_F(FolivaneCommand, MissingCompilerIsAClearErrorAfterTheProjectIsWritten) {
  WriteFile(book_ + "/a.htm", "<title>A</title>");
  CommandRun r = RunFolivane(bin_, {book_, "b"}, scratch_);
  EXPECT_EQ(r.status, 2);
  EXPECT_THAT(r.err, HasSubstr(bin_ + "/hhc"));
  EXPECT_TRUE(FileExists(book_ + "/chm_hhp.hhp"));
}

TEST_F(FolivaneCommand, RunsTheCompilerBesideItOnTheProjectAndWaits) {
  WriteFile(book_ + "/a.htm", "<title>A</title>");
  PutFakeCompiler(0);
  CommandRun r = RunFolivane(bin_, {book_ + "/", u8"书 名"}, scratch_);
  EXPECT_EQ(r.status, 0) << r.err;
  // Quiet: the book's path is the one line folivane prints.
  EXPECT_EQ(ReadFile(bin_ + "/hhc-args"), "-q\n" + book_ + "/chm_hhp.hhp\n");
  EXPECT_EQ(r.out, book_ + u8"/书 名.chm\n");
}

TEST_F(FolivaneCommand, FailedCompileIsNotReportedAsSuccess) {
  WriteFile(book_ + "/a.htm", "x");
  PutFakeCompiler(1);
  CommandRun r = RunFolivane(bin_, {book_}, scratch_);
  EXPECT_NE(r.status, 0);
  EXPECT_THAT(r.err, HasSubstr(u8"编译"));

  // The real compiler's own message passes through, and the status is the compile failure's.
  ASSERT_EQ(
      std::system(
          ("cp " + Quote(std::string(FOLIVANE_BIN_DIR) + "/hhc") + " " + Quote(bin_)).c_str()),
      0);
  WriteFile(book_ + "/book.chm", "old book");
  ASSERT_EQ(chmod((book_ + "/book.chm").c_str(), 0444), 0);
  r = RunFolivane(bin_, {book_, "book"}, scratch_);
  EXPECT_EQ(r.status, 4);
  EXPECT_THAT(r.err, HasSubstr("hhc: error: " + book_ + "/book.chm: the book file is read-only"));
  EXPECT_EQ(ReadFile(book_ + "/book.chm"), "old book");
}

TEST_F(FolivaneCommand, DefaultBookNameAndUntrimmedName) {
  WriteFile(book_ + "/a.htm", "x");
  ASSERT_EQ(RunFolivane(bin_, {book_, "--no-compile"}, scratch_).status, 0);
  EXPECT_EQ(SplitCrLf(ReadFile(book_ + "/chm_hhp.hhp"))[2], Gbk(u8"Compiled file=电子书.chm"));
  ASSERT_EQ(RunFolivane(bin_, {book_, " x ", "--no-compile"}, scratch_).status, 0);
  EXPECT_EQ(SplitCrLf(ReadFile(book_ + "/chm_hhp.hhp"))[2], "Compiled file= x .chm");
}

TEST_F(FolivaneCommand, MissingFolderIsNamed) {
  CommandRun r = RunFolivane(bin_, {book_ + "/nope"}, scratch_);
  EXPECT_NE(r.status, 0);
  EXPECT_THAT(r.err, HasSubstr(book_ + "/nope"));
}

}  // namespace

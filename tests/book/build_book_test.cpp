// The build command's steps, their order, and what a failure leaves behind.
#include <sys/stat.h>

#include <cstdio>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "book/build_book.h"
#include "book_test_support.h"

using namespace testing_support;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

const std::vector<std::string> kGenerated = {"chm_about.htm", "chm_hhc.hhc", "chm_hhk.hhk",
                                             "chm_hhp.hhp"};

TEST(BuildSteps, EmptyListShowsTheMessageAndWritesNothing) {
  for (const std::vector<std::string>& list : {std::vector<std::string>{}, {""}}) {
    ScratchFolder dir;
    RecordingPlatform p;
    EXPECT_EQ(book::BuildBook(p, dir.path(), list, "b"), book::BuildResult::kEmptyList);
    EXPECT_THAT(p.messages, ElementsAre(u8"提示:)|**加载文件后再转换吧!:)**"));
    EXPECT_TRUE(ListFolder(dir.path()).empty());
    EXPECT_TRUE(p.opened.empty());
    EXPECT_TRUE(p.started.empty());
  }
}

TEST(BuildSteps, WritesFourFilesThenOpensTheFolderThenStartsTheCompiler) {
  ScratchFolder dir;
  WriteFile(dir / "a.htm", "<title>A</title>");
  WriteFile(dir / "other.png", "picture");
  WriteFile(dir / "chm_hhc.hhc", "stale contents that must be replaced");
  RecordingPlatform p;
  ASSERT_EQ(book::BuildBook(p, dir.path(), {"a.htm"}, "b"), book::BuildResult::kStarted);
  EXPECT_THAT(ListFolder(dir.path()), ElementsAre("a.htm", "chm_about.htm", "chm_hhc.hhc",
                                                  "chm_hhk.hhk", "chm_hhp.hhp", "other.png"));
  EXPECT_EQ(ReadFile(dir / "other.png"), "picture");
  EXPECT_THAT(ReadFile(dir / "chm_hhc.hhc"), ::testing::Not(HasSubstr("stale")));
  EXPECT_EQ(ReadFile(dir / "chm_about.htm"), p.LoadAboutPage());
  EXPECT_THAT(p.calls,
              ElementsAre("open " + dir.path() + "/", "start " + dir.path() + "/chm_hhp.hhp"));
}

TEST(BuildSteps, AboutPageIsAGb2312PageTitledWithTheProgramName) {
  RecordingPlatform p;
  const std::string page = p.LoadAboutPage();
  EXPECT_THAT(page, HasSubstr("<title>Folivane</title>"));
  EXPECT_THAT(page, HasSubstr("charset=gb2312"));
  std::string utf8;
  EXPECT_TRUE(p.FromAnsiStrict(page, utf8)) << "every byte reads in the code page";
}

TEST(BuildSteps, DriveRootStillGetsItsSlash) {
  // A folder path that already ends in its separator gets one more; the platform accepts it.
  ScratchFolder dir;
  WriteFile(dir / "a.htm", "x");
  RecordingPlatform p;
  ASSERT_EQ(book::BuildBook(p, dir.path() + "/", {"a.htm"}, "b"), book::BuildResult::kStarted);
  EXPECT_THAT(p.opened, ElementsAre(dir.path() + "//"));
  EXPECT_TRUE(FileExists(dir / "chm_hhp.hhp"));
}

// A build started again at once rewrites the files while the compiler of the first build may
// still read them: what it already opened stays whole, and the next open gets the new file.
TEST(BuildSteps, ARebuildNeverChangesAFileUnderAReader) {
  ScratchFolder dir;
  WriteFile(dir / "a.htm", "<title>A</title>");
  RecordingPlatform p;
  ASSERT_EQ(book::BuildBook(p, dir.path(), {"a.htm"}, "first"), book::BuildResult::kStarted);
  const std::string first = ReadFile(dir / "chm_hhp.hhp");
  std::FILE* reader = std::fopen((dir / "chm_hhp.hhp").c_str(), "rb");
  ASSERT_NE(reader, nullptr);
  ASSERT_EQ(book::BuildBook(p, dir.path(), {"a.htm"}, "second book"), book::BuildResult::kStarted);
  std::string seen(first.size() + 64, '\0');
  seen.resize(std::fread(&seen[0], 1, seen.size(), reader));
  std::fclose(reader);
  EXPECT_EQ(seen, first);
  EXPECT_THAT(ReadFile(dir / "chm_hhp.hhp"), HasSubstr("second book"));
}

TEST(BuildFailures, UnreadableChapterIsNamedAndNothingIsWritten) {
  ScratchFolder dir;
  WriteFile(dir / "a.htm", "x");
  RecordingPlatform p;
  EXPECT_EQ(book::BuildBook(p, dir.path(), {"a.htm", "gone.htm"}, "b"), book::BuildResult::kFailed);
  ASSERT_EQ(p.errors.size(), 1u);
  EXPECT_THAT(p.errors[0], HasSubstr(dir.path() + "/gone.htm"));
  EXPECT_THAT(p.errors[0], HasSubstr("No such file"));
  EXPECT_THAT(ListFolder(dir.path()), ElementsAre("a.htm"));
  EXPECT_TRUE(p.started.empty());
}

TEST(BuildFailures, UnwritableOutputIsNamedAndLaterStepsDoNotRun) {
  ScratchFolder dir;
  WriteFile(dir / "a.htm", "x");
  // The index file's name is taken by a folder: the contents file is written, the index fails.
  ASSERT_EQ(mkdir((dir / "chm_hhk.hhk").c_str(), 0755), 0);
  RecordingPlatform p;
  EXPECT_EQ(book::BuildBook(p, dir.path(), {"a.htm"}, "b"), book::BuildResult::kFailed);
  ASSERT_EQ(p.errors.size(), 1u);
  EXPECT_THAT(p.errors[0], HasSubstr(dir.path() + "/chm_hhk.hhk"));
  // The contents file is in place; no temporary file is left behind the failed one.
  EXPECT_THAT(ListFolder(dir.path()), ElementsAre("a.htm", "chm_hhc.hhc", "chm_hhk.hhk"));
  EXPECT_TRUE(p.opened.empty());
  EXPECT_TRUE(p.started.empty());
}

TEST(BuildFailures, CompilerThatCannotStartIsReportedAfterTheFilesAreWritten) {
  ScratchFolder dir;
  WriteFile(dir / "a.htm", "x");
  RecordingPlatform p;
  p.start_succeeds = false;
  EXPECT_EQ(book::BuildBook(p, dir.path(), {"a.htm"}, "b"), book::BuildResult::kFailed);
  // The folder is open before the compiler is tried, and stays the only folder opened.
  EXPECT_THAT(p.calls,
              ElementsAre("open " + dir.path() + "/", "start " + dir.path() + "/chm_hhp.hhp",
                          HasSubstr("no compiler in this test")));
  EXPECT_THAT(ListFolder(dir.path()),
              ElementsAre("a.htm", "chm_about.htm", "chm_hhc.hhc", "chm_hhk.hhk", "chm_hhp.hhp"));
}

class ChapterLimit : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new ScratchFolder;
    for (int i = 0; i <= book::kMaxChapters; ++i) {
      names_.push_back("c" + std::to_string(10000 + i) + ".htm");
      WriteFile(*dir_ / names_.back(), "<title>" + std::to_string(i) + "</title>");
    }
  }
  static void TearDownTestSuite() { delete dir_; }
  static ScratchFolder* dir_;
  static std::vector<std::string> names_;
};
ScratchFolder* ChapterLimit::dir_ = nullptr;
std::vector<std::string> ChapterLimit::names_;

TEST_F(ChapterLimit, OneMoreThanTheLimitIsRefusedBeforeAnythingIsWritten) {
  RecordingPlatform p;
  ASSERT_EQ(names_.size(), 8187u);
  EXPECT_EQ(book::BuildBook(p, dir_->path(), names_, "b"), book::BuildResult::kFailed);
  ASSERT_EQ(p.errors.size(), 1u);
  EXPECT_THAT(p.errors[0], HasSubstr("8187"));
  EXPECT_THAT(p.errors[0], HasSubstr("8186"));
  EXPECT_FALSE(FileExists(*dir_ / "chm_hhc.hhc"));
}

TEST_F(ChapterLimit, TheLimitItselfBuilds) {
  RecordingPlatform p;
  std::vector<std::string> names(names_.begin(), names_.end() - 1);
  ASSERT_EQ(book::BuildBook(p, dir_->path(), names, "b"), book::BuildResult::kStarted);
  auto contents = SplitCrLf(ReadFile(*dir_ / "chm_hhc.hhc"));
  EXPECT_EQ(contents.size(), 4u * 8186 + 23);
  EXPECT_EQ(contents.back(), "</BODY></HTML>");
}

}  // namespace

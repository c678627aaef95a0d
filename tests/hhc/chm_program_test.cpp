// The hhc program on good and bad projects: exit status, the one-line message on stderr, the
// error log, and no book under the book's name unless the compile succeeded.
#include <gtest/gtest.h>

#include "tests/support/chm_support.h"

namespace chm_test {
namespace {

std::vector<Chapter> TwoChapters() {
  return {{"a.htm", "A", "<html><title>A</title><img src=\"pic.png\"></html>"},
          {"b.htm", "B", "<html><title>B</title></html>"}};
}

// A project folder with one alteration applied before compiling.
struct Case {
  fs::path dir;
  std::vector<std::string> lines;

  explicit Case(const std::string& name, const std::string& book = "book") {
    dir = FreshFolder(name);
    WriteProject(dir, book, TwoChapters());
    WriteBytes(dir / "pic.png", "PNG");
    lines = ProjectLines(book, TwoChapters());
  }
  void Rewrite() { WriteProjectLines(dir, lines); }
  ProgramRun Run() { return RunHhcProgram({(dir / "chm_hhp.hhp").string()}); }
};

// One line on stderr naming the file and the reason; failure status; no book.
void ExpectFailure(const ProgramRun& run, const fs::path& book, const std::string& file,
                   const std::string& reason) {
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.err.find(file), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("hhc: error:"), run.err.rfind("hhc: error:"))
      << "more than one error: " << run.err;
  EXPECT_FALSE(fs::exists(book)) << book;
  EXPECT_FALSE(fs::exists(book.string() + ".part"));
  EXPECT_FALSE(fs::exists(book.string() + ".content.part"));
}

TEST(HhcProgram, SucceedsSilentlyWithStatusZero) {
  Case c("ok");
  ProgramRun run = c.Run();
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(fs::exists(c.dir / "book.chm"));
  EXPECT_FALSE(fs::exists(c.dir / "book.chm.part"));
  EXPECT_FALSE(fs::exists(c.dir / "book.chm.content.part"));
}

TEST(HhcProgram, ProjectPathCutAtBlanksIsPutBackTogether) {
  fs::path dir = FreshFolder("with blank/chapters here");
  WriteProject(dir, "book", TwoChapters());
  WriteBytes(dir / "pic.png", "PNG");
  std::string path = (dir / "chm_hhp.hhp").string();
  std::vector<std::string> pieces;
  size_t start = 0, blank;
  while ((blank = path.find(' ', start)) != std::string::npos) {
    pieces.push_back(path.substr(start, blank - start));
    start = blank + 1;
  }
  pieces.push_back(path.substr(start));
  ASSERT_EQ(pieces.size(), 3u);
  ProgramRun run = RunHhcProgram(pieces);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::exists(dir / "book.chm"));
}

TEST(HhcProgram, MissingProjectAndNoArgumentsFail) {
  ProgramRun run = RunHhcProgram({"/nonexistent/folder/x.hhp"});
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.err.find("x.hhp: file not found"), std::string::npos) << run.err;
  run = RunHhcProgram({});
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.err.find("usage"), std::string::npos);
}

TEST(HhcProgram, ListedFileThatIsMissingFailsAndTheErrorLogGetsTheMessage) {
  Case c("missing");
  c.lines.insert(c.lines.begin() + 1, "Error log file=log.txt");
  c.lines.insert(c.lines.end() - 3, "gone.htm");
  c.Rewrite();
  ProgramRun run = c.Run();
  ExpectFailure(run, c.dir / "book.chm", "gone.htm", "file not found");
  EXPECT_EQ(ReadBytes(c.dir / "log.txt"), run.err.substr(0, run.err.size() - 1) + "\r\n");
}

TEST(HhcProgram, FailedCompileLeavesTheOldBookUntouched) {
  Case c("keep_old");
  WriteBytes(c.dir / "book.chm", "old book");
  fs::remove(c.dir / "b.htm");
  ProgramRun run = c.Run();
  EXPECT_NE(run.status, 0);
  EXPECT_EQ(ReadBytes(c.dir / "book.chm"), "old book");
  EXPECT_FALSE(fs::exists(c.dir / "book.chm.part"));
}

TEST(HhcProgram, UnreadableListedFileFails) {
  Case c("unreadable");
  fs::remove(c.dir / "b.htm");
  fs::create_directories(c.dir / "b.htm");  // a folder where a page should be
  ExpectFailure(c.Run(), c.dir / "book.chm", "b.htm", "cannot read file");
}

TEST(HhcProgram, UnbalancedContentsFileFails) {
  Case c("unbalanced");
  std::string hhc = ReadBytes(c.dir / "chm_hhc.hhc");
  hhc.replace(hhc.rfind("</UL>"), 5, "");
  WriteBytes(c.dir / "chm_hhc.hhc", hhc);
  ExpectFailure(c.Run(), c.dir / "book.chm", "chm_hhc.hhc", "malformed sitemap");
}

TEST(HhcProgram, WindowLineWithTooFewFieldsFails) {
  Case c("window");
  c.lines[10] = "chm_window=book,\"chm_hhc.hhc\",\"chm_hhk.hhk\"";
  c.Rewrite();
  ExpectFailure(c.Run(), c.dir / "book.chm", "chm_hhp.hhp", "malformed [WINDOWS] line");
}

TEST(HhcProgram, BookNamesWindowsCannotCreateAreRefused) {
  for (const char* bad : {"a|b", "what?", "CON", "lpt1", "star*"}) {
    Case c("badname", bad);
    ProgramRun run = c.Run();
    EXPECT_NE(run.status, 0) << bad;
    EXPECT_NE(run.err.find("not a valid file name"), std::string::npos) << bad << ": " << run.err;
    EXPECT_EQ(std::distance(fs::directory_iterator(c.dir), fs::directory_iterator()), 7) << bad;
  }
}

TEST(HhcProgram, LinkedFileWhoseNameTheCodePageLacksFails) {
  Case c("codepage");
  // Only a UTF-8 page can name it; read as GBK its bytes would name another file.
  WriteBytes(c.dir / "b.htm",
             "<html><meta charset=\"utf-8\"><img src=\"smile\xF0\x9F\x98\x80.png\"></html>");
  WriteBytes(c.dir / "smile\xF0\x9F\x98\x80.png", "PNG");
  ExpectFailure(c.Run(), c.dir / "book.chm", "smile", "code page");
}

// The book's temporary file is created only after every page went through the encoder, so the
// compressed section already lies in its own temporary file when this fails.
TEST(HhcProgram, BookThatCannotBeCreatedAfterCompressionLeavesNoSpooledContent) {
  Case c("late_failure");
  fs::create_directories(c.dir / "book.chm.part");  // blocks the book's temporary file
  ProgramRun run = c.Run();
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.err.find("(cannot create book.chm.part)"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(c.dir / "book.chm"));
  EXPECT_FALSE(fs::exists(c.dir / "book.chm.content.part"));
}

TEST(HhcProgram, NamesDifferingOnlyInCaseAreRefusedNamingBoth) {
  Case c("case");
  WriteBytes(c.dir / "A.htm", "<html>upper</html>");
  c.lines.insert(c.lines.end() - 3, "A.htm");
  c.Rewrite();
  ProgramRun run = c.Run();
  ExpectFailure(run, c.dir / "book.chm", "a.htm", "differ only in case");
  EXPECT_NE(run.err.find("A.htm"), std::string::npos) << run.err;
}

TEST(HhcProgram, FilesOutsideTheProjectFolderAreRefused) {
  Case c("outside");
  c.lines.insert(c.lines.end() - 3, "..\\elsewhere.htm");
  c.Rewrite();
  ExpectFailure(c.Run(), c.dir / "book.chm", "elsewhere.htm", "outside the project folder");
}

}  // namespace
}  // namespace chm_test

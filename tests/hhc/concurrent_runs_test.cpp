// hhc runs started together on one project, as two quick builds start them: each leaves a
// complete book or fails cleanly, and no temporary file of any run stays behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "tests/support/chm_support.h"

namespace chm_test {
namespace {

constexpr int kRounds = 5;

// Enough text that the runs overlap for most of their work.
std::vector<Chapter> SizeableChapters() {
  std::vector<Chapter> chapters;
  unsigned seed = 12345;
  for (int i = 0; i < 8; ++i) {
    std::string body = "<html><title>c" + std::to_string(i) + "</title><body>";
    while (body.size() < 60000) {
      seed = seed * 1103515245u + 12345u;
      body += "word" + std::to_string(seed >> 20) + (seed & 0x100 ? " " : "\r\n");
    }
    body += "</body></html>";
    chapters.push_back({"c" + std::to_string(i) + ".htm", "c" + std::to_string(i), body});
  }
  return chapters;
}

// Starts `count` hhc processes held at one gate, then opens the gate so they start together.
std::vector<ProgramRun> RunTogether(const fs::path& project, int count) {
  const std::string hhc = std::string(FOLIVANE_BIN_DIR) + "/hhc";
  int gate[2];
  EXPECT_EQ(pipe(gate), 0);
  std::vector<pid_t> pids;
  std::vector<fs::path> errs;
  for (int i = 0; i < count; ++i) {
    errs.push_back(project.parent_path().parent_path() /
                   ("err_" + std::to_string(getpid()) + "_" + std::to_string(i)));
    pid_t pid = fork();
    if (pid == 0) {
      close(gate[1]);
      char c;
      while (read(gate[0], &c, 1) < 0) {
      }
      int fd = open(errs.back().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(fd, 2);
      execl(hhc.c_str(), hhc.c_str(), project.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    pids.push_back(pid);
  }
  close(gate[0]);
  close(gate[1]);  // every child's read returns now
  std::vector<ProgramRun> runs;
  for (size_t i = 0; i < pids.size(); ++i) {
    int raw = 0;
    waitpid(pids[i], &raw, 0);
    runs.push_back({WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadBytes(errs[i])});
    fs::remove(errs[i]);
  }
  return runs;
}

std::set<std::string> NamesIn(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

TEST(ConcurrentRuns, RunsStartedTogetherEachLeaveACompleteBookAndNoTemporaryFile) {
  const std::vector<Chapter> chapters = SizeableChapters();
  for (int count : {2, 4}) {
    fs::path dir = FreshFolder("together_" + std::to_string(count));
    WriteProject(dir, "book", chapters);
    std::set<std::string> expected = NamesIn(dir);
    expected.insert("book.chm");
    for (int round = 0; round < kRounds; ++round) {
      SCOPED_TRACE(std::to_string(count) + " runs, round " + std::to_string(round));
      for (const ProgramRun& run : RunTogether(dir / "chm_hhp.hhp", count)) {
        EXPECT_EQ(run.status, 0) << run.err;
      }
      EXPECT_EQ(NamesIn(dir), expected);
      BookFiles files = ReadWithChmlib(dir / "book.chm");
      for (const Chapter& c : chapters) EXPECT_EQ(files["/" + c.file], c.body) << c.file;
    }
  }
}

}  // namespace
}  // namespace chm_test

// The hhc program on good and bad projects: exit status, the one-line message on stderr, the
// summary on stdout, the error log, and no book under the book's name unless the compile
// succeeded.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <set>

#include "tests/support/chm_support.h"

namespace chm_test {
namespace {

std::vector<Chapter> TwoChapters() {
  return {{"a.htm", "A", "<html><title>A</title><img src=\"pic.png\"></html>"},
          {"b.htm", "B", "<html><title>B</title></html>"}};
}

std::set<std::string> NamesIn(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

// A project folder with one alteration applied before compiling.
struct Case {
  fs::path dir;
  std::vector<std::string> lines;
  std::set<std::string> names_before;  // the folder as the run found it

  explicit Case(const std::string& name, const std::string& book = "book") {
    dir = FreshFolder(name);
    WriteProject(dir, book, TwoChapters());
    WriteBytes(dir / "pic.png", "PNG");
    lines = ProjectLines(book, TwoChapters());
  }
  void Rewrite() { WriteProjectLines(dir, lines); }
  ProgramRun Run() {
    names_before = NamesIn(dir);
    return RunHhcProgram({(dir / "chm_hhp.hhp").string()});
  }
};

// One line on stderr naming the file and the reason; failure status; the folder as it was:
// no book, no partial or temporary file.
void ExpectFailure(const Case& c, const ProgramRun& run, const std::string& file,
                   const std::string& reason) {
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(file), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("hhc: error:"), run.err.rfind("hhc: error:"))
      << "more than one error: " << run.err;
  EXPECT_EQ(NamesIn(c.dir), c.names_before);
}

TEST(HhcProgram, SucceedsWithStatusZeroAndOneSummaryLineUnlessQuiet) {
  Case c("ok");
  ProgramRun run = c.Run();
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  std::set<std::string> expected = c.names_before;
  expected.insert("book.chm");
  EXPECT_EQ(NamesIn(c.dir), expected);
  // Two chapters, the about page and the two sitemaps; the picture makes six files.
  const std::string book = (c.dir / "book.chm").string();
  const std::string size = std::to_string(fs::file_size(book));
  std::string grouped = size;
  for (size_t i = grouped.size(); i > 3; i -= 3) grouped.insert(i - 3, ",");
  EXPECT_EQ(run.out.rfind("hhc: " + book + ": 5 topics, 6 files, " + grouped + " bytes in ", 0), 0u)
      << run.out;
  EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;
  for (const char* quiet : {"-q", "--quiet"}) {
    run = RunHhcProgram({quiet, (c.dir / "chm_hhp.hhp").string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out + run.err, "") << quiet;
  }
  EXPECT_EQ(NamesIn(c.dir), expected);
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
  EXPECT_NE(run.err.find("x.hhp: cannot read the project file (file not found)"), std::string::npos)
      << run.err;
  run = RunHhcProgram({});
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.err.find("usage"), std::string::npos);
}

TEST(HhcProgram, HelpVersionAndWrongOptions) {
  struct {
    std::vector<std::string> args;
    int status;
    const char* out;  // the start of stdout
    const char* err;  // found in stderr
  } const cases[] = {
      {{"-h"}, 0, "usage: hhc [OPTIONS] PROJECT.hhp\n", ""},
      {{"--help", "x.hhp"}, 0, "usage: hhc", ""},
      {{"--version"}, 0, "hhc (Folivane) ", ""},
      {{"--frobnicate", "x.hhp"}, 2, "", "unknown option --frobnicate"},
      {{"-x"}, 2, "", "unknown option -x"},
      {{"-q"}, 2, "", "usage"},
      {{"--threads", "0", "x.hhp"}, 2, "", "--threads needs a number of threads from 1"},
      {{"--threads", "2x", "x.hhp"}, 2, "", "--threads needs a number"},
      {{"x.hhp", "--threads"}, 2, "", "--threads needs a number"},
      {{"--threads", "3", "/nowhere/x.hhp"}, 1, "", "x.hhp: cannot read the project file"},
      // After "--", and whenever it looks like a path, a word with a dash is the project's.
      {{"--", "-q"}, 1, "", "-q: cannot read the project file"},
      {{"-gone.hhp"}, 1, "", "-gone.hhp: cannot read the project file"},
  };
  for (const auto& c : cases) {
    ProgramRun run = RunHhcProgram(c.args);
    EXPECT_EQ(run.status, c.status) << c.args[0];
    EXPECT_EQ(run.out.rfind(c.out, 0), 0u) << c.args[0] << ": " << run.out;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << c.args[0] << ": " << run.err;
    if (c.status == 0) {
      EXPECT_EQ(run.err, "");
    }
  }
}

// Each link to a file that is not there is one warning naming the page and its line; the
// book is still written, with the files that are there.
TEST(HhcProgram, LinksToMissingFilesAreWarnedWithPageAndLine) {
  Case c("dead_links");
  WriteBytes(c.dir / "b.htm",
             Gbk("<html><title>B</title>\r\n<body>\r\n<img src=\"pic.png\">\n"
                 "<a href=\"gone.htm#x\">gone</a>\r<a href=\"http://e.org/x.htm\">web</a>"
                 "<a href=\"#top\">top</a>\n\n<p style=\"background: url(sub/none.gif)\">"
                 "<img src=\"../outside.png\"> write &lt;img src=\"words.png\"&gt;\n"
                 "<img src=\"缺.png\"></html>"));
  ProgramRun run = c.Run();
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err,
            "hhc: warning: b.htm:4: links to a missing file 'gone.htm#x'\n"
            "hhc: warning: b.htm:7: links to a missing file 'sub/none.gif'\n"
            "hhc: warning: b.htm:8: links to a missing file '缺.png'\n");
  EXPECT_TRUE(fs::exists(c.dir / "book.chm"));
}

TEST(HhcProgram, ListedFileThatIsMissingFailsAndTheErrorLogGetsTheMessage) {
  Case c("missing");
  c.lines.insert(c.lines.begin() + 1, "Error log file=log.txt");
  c.lines.insert(c.lines.end() - 3, "gone.htm");
  c.Rewrite();
  ProgramRun run = c.Run();
  c.names_before.insert("log.txt");
  ExpectFailure(c, run, "gone.htm", "file not found");
  EXPECT_EQ(ReadBytes(c.dir / "log.txt"), run.err.substr(0, run.err.size() - 1) + "\r\n");
}

// A run that was killed leaves its temporary files; a later run removes those a day old, and
// leaves young ones (another run's, still at work) and every other file alone.
TEST(HhcProgram, TemporariesOfKilledRunsAreRemovedOnceTheyAreADayOld) {
  Case c("stale");
  const auto two_days_ago = fs::file_time_type::clock::now() - std::chrono::hours(48);
  for (const char* name :
       {"book.chm.0123abcd.part", "book.chm.89abcdef.content.part", "book.chm.notes.part",
        "other.chm.0123abcd.part", "book.chm.0123abcd.bak"}) {
    WriteBytes(c.dir / name, "left behind");
    fs::last_write_time(c.dir / name, two_days_ago);
  }
  WriteBytes(c.dir / "book.chm.fedcba98.part", "a run at work");
  ProgramRun run = c.Run();
  EXPECT_EQ(run.status, 0) << run.err;
  std::set<std::string> expected = c.names_before;
  expected.erase("book.chm.0123abcd.part");
  expected.erase("book.chm.89abcdef.content.part");
  expected.insert("book.chm");
  EXPECT_EQ(NamesIn(c.dir), expected);
}

// The failures users meet most, each in its own words; the old book stays as it was.
TEST(HhcProgram, CommonFailuresNameTheFileAndLeaveTheFolderAsItWas) {
  struct FailureCase {
    const char* name;
    void (*prepare)(Case&);
    const char* file;
    const char* reason;
  };
  const FailureCase cases[] = {
      {"chapter_missing", [](Case& c) { fs::remove(c.dir / "b.htm"); }, "b.htm", "file not found"},
      {"chapter_unreadable",
       [](Case& c) {
         fs::remove(c.dir / "b.htm");
         fs::create_directories(c.dir / "b.htm");  // a folder where a page should be
       },
       "b.htm", "cannot read file"},
      {"book_read_only",
       [](Case& c) {
         fs::permissions(c.dir / "book.chm", fs::perms::owner_read | fs::perms::group_read);
       },
       "book.chm", "the book file is read-only"},
      {"project_unreadable",
       [](Case& c) {
         fs::remove(c.dir / "chm_hhp.hhp");
         fs::create_directories(c.dir / "chm_hhp.hhp");
       },
       "chm_hhp.hhp", "cannot read the project file"},
      {"book_folder_missing",
       [](Case& c) {
         c.lines[2] = "Compiled file=gone\\book.chm";
         c.Rewrite();
       },
       "gone/book.chm", "cannot write in the book's folder"},
  };
  for (const FailureCase& f : cases) {
    SCOPED_TRACE(f.name);
    Case c(f.name);
    WriteBytes(c.dir / "book.chm", "old book");
    f.prepare(c);
    ProgramRun run = c.Run();
    ExpectFailure(c, run, f.file, f.reason);
    EXPECT_EQ(ReadBytes(c.dir / "book.chm"), "old book");
  }
}

TEST(HhcProgram, UnbalancedContentsFileFails) {
  Case c("unbalanced");
  std::string hhc = ReadBytes(c.dir / "chm_hhc.hhc");
  hhc.replace(hhc.rfind("</UL>"), 5, "");
  WriteBytes(c.dir / "chm_hhc.hhc", hhc);
  ExpectFailure(c, c.Run(), "chm_hhc.hhc", "malformed sitemap");
  // Which <UL> is open: the book builder writes one tag to a line.
  std::string err = c.Run().err;
  const size_t open_line = std::count(hhc.begin(), hhc.begin() + hhc.find("<UL>"), '\n') + 1;
  EXPECT_NE(err.find("line " + std::to_string(open_line) + ": <UL> not closed"), std::string::npos)
      << err;
}

TEST(HhcProgram, WindowLineWithTooFewFieldsFails) {
  Case c("window");
  c.lines[10] = "chm_window=book,\"chm_hhc.hhc\",\"chm_hhk.hhk\"";
  c.Rewrite();
  ExpectFailure(c, c.Run(), "chm_hhp.hhp", "malformed [WINDOWS] line");
}

TEST(HhcProgram, BookNamesWindowsCannotCreateAreRefused) {
  for (const char* bad : {"a|b", "what?", "CON", "lpt1", "star*"}) {
    Case c("badname", bad);
    SCOPED_TRACE(bad);
    ExpectFailure(c, c.Run(), "chm_hhp.hhp", "not a valid file name");
  }
}

TEST(HhcProgram, LinkedFileWhoseNameTheCodePageLacksFails) {
  Case c("codepage");
  // Only a UTF-8 page can name it; read as GBK its bytes would name another file.
  WriteBytes(c.dir / "b.htm",
             "<html><meta charset=\"utf-8\"><img src=\"smile\xF0\x9F\x98\x80.png\"></html>");
  WriteBytes(c.dir / "smile\xF0\x9F\x98\x80.png", "PNG");
  ExpectFailure(c, c.Run(), "smile", "code page");
}

// The book's folder on a file system of its own, mounted in a private mount namespace, where it
// can be full or read-only; "Compiled file" puts the book there. What the run left in that
// folder is listed before the namespace ends.
struct MountedRun {
  ProgramRun run;
  std::set<std::string> left;
  bool mounted = false;
};

MountedRun RunWithBookFolderMounted(Case& c, const std::string& options) {
  fs::create_directories(c.dir / "out");
  c.lines[2] = "Compiled file=out\\book.chm";
  c.Rewrite();
  const fs::path out = c.dir / "out", base = c.dir.parent_path() / c.dir.filename();
  const fs::path list = base.string() + ".left", err = base.string() + ".err",
                 script = base.string() + ".sh";
  WriteBytes(script, "mount -t tmpfs -o " + options + " tmpfs '" + out.string() +
                         "' || exit 99\n'" + FOLIVANE_BIN_DIR + "/hhc' '" +
                         (c.dir / "chm_hhp.hhp").string() + "' 2>'" + err.string() +
                         "'\ns=$?\nls -A '" + out.string() + "' >'" + list.string() +
                         "'\nexit $s\n");
  const std::string command = "unshare -rm sh '" + script.string() + "' 2>/dev/null";
  MountedRun result;
  int raw = std::system(command.c_str());
  int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  if (status == 99 || status == 127 || (status == 1 && !fs::exists(list))) return result;
  result.mounted = true;
  result.run = {status, ReadBytes(err)};
  std::string names = ReadBytes(list);
  for (size_t start = 0, end; (end = names.find('\n', start)) != std::string::npos; start = end + 1)
    result.left.insert(names.substr(start, end - start));
  for (const fs::path& p : {list, err, script}) fs::remove(p);
  return result;
}

// Incompressible pages: the compressed section needs as much room as the pages.
std::string NoiseBytes(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (char& b : bytes) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<char>(seed >> 23);
  }
  return bytes;
}

// The disk fills while the book itself is written, after the compressed section found room in
// its own temporary file: both temporary files go, and the message says the disk is full.
TEST(HhcProgram, FullDiskAndReadOnlyFolderLeaveNothingInTheBooksFolder) {
  Case full("disk_full");
  WriteBytes(full.dir / "noise.bin", NoiseBytes(300 << 10, 7));
  full.lines.insert(full.lines.end() - 3, "noise.bin");
  MountedRun run = RunWithBookFolderMounted(full, "size=480k");
  if (!run.mounted) GTEST_SKIP() << "no private mount namespace here";
  EXPECT_EQ(run.run.status, 1);
  EXPECT_NE(run.run.err.find("out/book.chm: the disk is full (book.chm."), std::string::npos)
      << run.run.err;
  EXPECT_NE(run.run.err.find(".part)"), std::string::npos) << run.run.err;
  EXPECT_TRUE(run.left.empty()) << *run.left.begin();

  Case read_only("folder_read_only");
  run = RunWithBookFolderMounted(read_only, "ro");
  EXPECT_EQ(run.run.status, 1);
  EXPECT_NE(run.run.err.find("out/book.chm: cannot write in the book's folder"), std::string::npos)
      << run.run.err;
  EXPECT_TRUE(run.left.empty());
}

TEST(HhcProgram, NamesDifferingOnlyInCaseAreRefusedNamingBoth) {
  Case c("case");
  WriteBytes(c.dir / "A.htm", "<html>upper</html>");
  c.lines.insert(c.lines.end() - 3, "A.htm");
  c.Rewrite();
  ProgramRun run = c.Run();
  ExpectFailure(c, run, "a.htm", "differ only in case");
  EXPECT_NE(run.err.find("A.htm"), std::string::npos) << run.err;
}

TEST(HhcProgram, FilesOutsideTheProjectFolderAreRefused) {
  Case c("outside");
  c.lines.insert(c.lines.end() - 3, "..\\elsewhere.htm");
  c.Rewrite();
  ExpectFailure(c, c.Run(), "elsewhere.htm", "outside the project folder");
}

// The hhc program run with SOURCE_DATE_EPOCH set (or unset when `epoch` is null).
ProgramRun RunWithEpoch(Case& c, const char* epoch) {
  if (epoch) {
    setenv("SOURCE_DATE_EPOCH", epoch, 1);
  } else {
    unsetenv("SOURCE_DATE_EPOCH");
  }
  ProgramRun run = c.Run();
  unsetenv("SOURCE_DATE_EPOCH");
  return run;
}

std::uint32_t Le32(const std::string& b, size_t at) {
  std::uint32_t v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

// Where the compile time is recorded: #SYSTEM record 10, the FILETIME in record 4 and the
// #IDXHDR stamp (also inside record 13). Returns the table with those bytes cleared, and the
// times found.
std::string ClearSystemStamps(std::string system, std::vector<std::uint64_t>* times) {
  for (size_t at = 4; at + 4 <= system.size();) {
    const unsigned code = static_cast<unsigned char>(system[at]);
    const size_t len = static_cast<unsigned char>(system[at + 2]) |
                       static_cast<unsigned char>(system[at + 3]) << 8;
    const size_t data = at + 4;
    if (code == 10) times->push_back(Le32(system, data));
    if (code == 4) {
      std::uint64_t filetime = 0;
      std::memcpy(&filetime, system.data() + data + 0x14, 8);
      times->push_back(filetime / 10000000 - 11644473600ull);
    }
    if (code == 13) times->push_back(Le32(system, data + 4));
    const size_t stamp = code == 10 ? 0 : code == 4 ? 0x14 : code == 13 ? 4 : len;
    const size_t stamp_len = code == 4 ? 8 : 4;
    if (stamp < len) system.replace(data + stamp, stamp_len, stamp_len, '\0');
    at = data + len;
  }
  return system;
}

TEST(ReproducibleBook, SameEpochGivesTheSameBytesInAnyFolderAndRun) {
  Case a("repro_a"), b("repro_b/a longer folder");
  ASSERT_EQ(RunWithEpoch(a, "1500000000").status, 0);
  const std::string first = ReadBytes(a.dir / "book.chm");
  ASSERT_EQ(RunWithEpoch(a, "1500000000").status, 0);
  ASSERT_EQ(RunWithEpoch(b, "1500000000").status, 0);
  EXPECT_TRUE(ReadBytes(a.dir / "book.chm") == first) << "a second run";
  EXPECT_TRUE(ReadBytes(b.dir / "book.chm") == first) << "another folder";
}

TEST(ReproducibleBook, AnotherEpochChangesOnlyTheStamps) {
  Case a("epoch_a"), b("epoch_b");
  ASSERT_EQ(RunWithEpoch(a, "1500000000").status, 0);
  ASSERT_EQ(RunWithEpoch(b, "1600000000").status, 0);
  const std::string raw_a = ReadBytes(a.dir / "book.chm"), raw_b = ReadBytes(b.dir / "book.chm");
  // The container header: only the stamp at 0x10, stored big-endian.
  EXPECT_EQ(raw_a.substr(0, 0x10), raw_b.substr(0, 0x10));
  EXPECT_EQ(raw_a.substr(0x14, 0x4C), raw_b.substr(0x14, 0x4C));
  EXPECT_EQ(raw_b.substr(0x10, 4), std::string("\x5F\x5E\x10\x00", 4));  // 1600000000

  BookFiles files_a = ReadWithChmlib(a.dir / "book.chm");
  BookFiles files_b = ReadWithChmlib(b.dir / "book.chm");
  ASSERT_EQ(files_a.size(), files_b.size());
  for (const auto& [name, content] : files_a) {
    ASSERT_TRUE(files_b.count(name)) << name;
    std::vector<std::uint64_t> times_a, times_b;
    if (name == "/#SYSTEM") {
      EXPECT_EQ(ClearSystemStamps(content, &times_a),
                ClearSystemStamps(files_b.at(name), &times_b));
      EXPECT_EQ(times_a, std::vector<std::uint64_t>(3, 1500000000));
      EXPECT_EQ(times_b, std::vector<std::uint64_t>(3, 1600000000));
    } else if (name == "/#IDXHDR") {
      EXPECT_EQ(Le32(content, 4), 1500000000u);
      EXPECT_EQ(Le32(files_b.at(name), 4), 1600000000u);
      EXPECT_EQ(content.substr(8), files_b.at(name).substr(8));
    } else {
      EXPECT_TRUE(content == files_b.at(name)) << name;
    }
  }
}

TEST(ReproducibleBook, EpochThatIsNotACountOfSecondsStopsTheBuild) {
  for (const char* bad : {"yesterday", "-5", "4294967296", "15e8"}) {
    Case c("bad_epoch");
    ProgramRun run = RunWithEpoch(c, bad);
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_NE(run.err.find("hhc: error: SOURCE_DATE_EPOCH '" + std::string(bad) + "'"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(c.dir / "book.chm")) << bad;
  }
  // Empty is unset: the clock gives the time.
  Case c("empty_epoch");
  ASSERT_EQ(RunWithEpoch(c, "").status, 0);
  std::vector<std::uint64_t> times;
  ClearSystemStamps(ReadWithChmlib(c.dir / "book.chm").at("/#SYSTEM"), &times);
  ASSERT_FALSE(times.empty());
  EXPECT_GT(times[0], 1700000000u) << "the compile time";
}

}  // namespace
}  // namespace chm_test

#include "tests/support/chm_support.h"

#include <chm_lib.h>
#include <gtest/gtest.h>
#include <iconv.h>
#include <mspack.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace chm_test {

std::string Gbk(const std::string& utf8) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  std::string out(utf8.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t in_left = utf8.size();
  char* dst = out.data();
  size_t dst_left = out.size();
  size_t r = iconv(cd, &in, &in_left, &dst, &dst_left);
  iconv_close(cd);
  EXPECT_NE(r, static_cast<size_t>(-1)) << "not GBK: " << utf8;
  out.resize(out.size() - dst_left);
  return out;
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

namespace {

const char* const kT[] = {
    nullptr,
    "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">",
    "<HTML>",
    "<HEAD>",
    "<meta name=\"GENERATOR\" content=\"Microsoft&reg; HTML Help Workshop 4.1\">",
    "<!-- Sitemap 1.0 -->",
    "</HEAD><BODY>",
    "<OBJECT type=\"text/site properties\">",
    "<param name=\"ImageType\" value=\"Folder\">",
    "<UL>",
    "<LI> <OBJECT type=\"text/sitemap\">",
    "<param name=\"Name\" value=\"目录\">",
    "</OBJECT>",
    "<UL> ;32",
    "</BODY></HTML>",
    "<param name=\"Name\" value=\"",
    "\">",
    "<param name=\"ImageNumber\" value=\"10\">",
    "<param name=\"Local\" value=\"",
    "<param name=\"Name\" value=\"关于Folivane\">",
    "</UL>",
    "<param name=\"Local\" value=\"chm_about.htm\">",
    "[OPTIONS]",
    "Compatibility=1.1 or later",
    "Compiled file=",
    "Contents file=chm_hhc.hhc",
    "Default Window=chm_window",
    "Default topic=chm_about.htm",
    "Display compile progress=No",
    "Index file=chm_hhk.hhk",
    "Language=0x804 中文(中国)",
    "[WINDOWS]",
    ",\"chm_hhc.hhc\",\"chm_hhk.hhk\",\"chm_about.htm\",,,,\"chm_about.htm\",\"关于...\",0x2120,,"
    "0x8380e,[84,25,648,513],,,,,,,0",
    "[FILES]",
    "[INFOTYPES]\r\n",
    "chm_window=",
};

void WriteLines(const fs::path& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  WriteBytes(path, Gbk(text));
}

void AddBlock(std::vector<std::string>* lines, const Chapter& c) {
  lines->push_back(kT[10]);
  lines->push_back(std::string(kT[15]) + c.title + kT[16]);
  lines->push_back(std::string(kT[18]) + c.file + kT[16]);
  lines->push_back(kT[12]);
}

}  // namespace

std::vector<std::string> ProjectLines(const std::string& book,
                                      const std::vector<Chapter>& chapters) {
  std::vector<std::string> p = {
      kT[22], kT[23], std::string(kT[24]) + book + ".chm", kT[25], kT[26], kT[27], kT[28], kT[29],
      kT[30], kT[31], std::string(kT[35]) + book + kT[32], kT[33]};
  for (const Chapter& c : chapters) p.push_back(c.file);
  p.push_back(kT[34]);
  p.push_back("");
  p.push_back("");
  return p;
}

void WriteProjectLines(const fs::path& folder, const std::vector<std::string>& lines) {
  WriteLines(folder / "chm_hhp.hhp", lines);
}

void WriteProject(const fs::path& folder, const std::string& book,
                  const std::vector<Chapter>& chapters) {
  std::vector<std::string> hhc = {kT[1], kT[2],  kT[3], kT[4],  kT[5],  kT[6],  kT[7],
                                  kT[8], kT[12], kT[9], kT[10], kT[11], kT[12], kT[13]};
  for (const Chapter& c : chapters) AddBlock(&hhc, c);
  for (int t : {0, 20, 10, 19, 21, 17, 12, 20, 14}) hhc.push_back(t ? kT[t] : "");
  WriteLines(folder / "chm_hhc.hhc", hhc);

  std::vector<std::string> hhk = {kT[2], kT[3], kT[4], kT[5], kT[6], kT[9]};
  for (const Chapter& c : chapters) AddBlock(&hhk, c);
  for (int t : {0, 20, 14}) hhk.push_back(t ? kT[t] : "");
  WriteLines(folder / "chm_hhk.hhk", hhk);

  WriteProjectLines(folder, ProjectLines(book, chapters));
  WriteBytes(folder / "chm_about.htm",
             Gbk("<html><head><title>关于</title></head><body>关于本书</body></html>\r\n"));
  for (const Chapter& c : chapters) WriteBytes(folder / fs::u8path(c.file), c.body);
}

namespace {

// Every folder a test process makes lives under one folder of its own, removed when the process
// ends (set FOLIVANE_KEEP_TEST_FILES to keep it for a look after a failure).
const fs::path& ProcessScratch() {
  // Never destroyed: the exit handler below needs it after the statics are gone.
  static const fs::path* const root = [] {
    auto* p =
        new fs::path(fs::temp_directory_path() / ("folivane_chm_test_" + std::to_string(getpid())));
    const char* keep = std::getenv("FOLIVANE_KEEP_TEST_FILES");
    if (keep == nullptr || *keep == '\0') {
      std::atexit([] {
        std::error_code ec;
        fs::remove_all(ProcessScratch(), ec);
      });
    }
    return p;
  }();
  return *root;
}

}  // namespace

fs::path FreshFolder(const std::string& name) {
  fs::path p = ProcessScratch() / name;
  fs::remove_all(p);
  fs::create_directories(p);
  return p;
}

ProgramRun RunHhcProgram(const std::vector<std::string>& args) {
  fs::path err_file = fs::temp_directory_path() / ("hhc_err_" + std::to_string(getpid()));
  fs::path out_file = fs::temp_directory_path() / ("hhc_out_" + std::to_string(getpid()));
  std::string cmd = std::string("'") + FOLIVANE_BIN_DIR + "/hhc'";
  for (const std::string& a : args) cmd += " '" + a + "'";
  cmd += " 2>'" + err_file.string() + "' >'" + out_file.string() + "'";
  ProgramRun run;
  int raw = std::system(cmd.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.err = ReadBytes(err_file);
  run.out = ReadBytes(out_file);
  fs::remove(err_file);
  fs::remove(out_file);
  return run;
}

namespace {

struct ChmlibWalk {
  chmFile* h;
  BookFiles files;
};

int OnChmlibEntry(chmFile* h, chmUnitInfo* ui, void* context) {
  auto* walk = static_cast<ChmlibWalk*>(context);
  std::string name = ui->path;
  if (name.empty() || name.back() == '/' || name.rfind("::", 0) == 0)
    return CHM_ENUMERATOR_CONTINUE;
  chmUnitInfo found;
  if (chm_resolve_object(h, ui->path, &found) != CHM_RESOLVE_SUCCESS) {
    ADD_FAILURE() << "chmlib cannot look up " << name;
    return CHM_ENUMERATOR_CONTINUE;
  }
  EXPECT_EQ(found.start, ui->start) << name;
  EXPECT_EQ(found.length, ui->length) << name;
  EXPECT_EQ(found.space, ui->space) << name;
  std::string content(found.length, '\0');
  if (found.length > 0) {
    LONGINT64 got = chm_retrieve_object(h, &found, reinterpret_cast<unsigned char*>(content.data()),
                                        0, static_cast<LONGINT64>(found.length));
    EXPECT_EQ(static_cast<LONGUINT64>(got), found.length) << "chmlib retrieve " << name;
  }
  walk->files[name] = std::move(content);
  return CHM_ENUMERATOR_CONTINUE;
}

}  // namespace

BookFiles ReadWithChmlib(const fs::path& book) {
  ChmlibWalk walk{chm_open(book.c_str()), {}};
  if (!walk.h) {
    ADD_FAILURE() << "chmlib cannot open " << book;
    return {};
  }
  EXPECT_NE(chm_enumerate(walk.h, CHM_ENUMERATE_ALL, OnChmlibEntry, &walk), 0);
  chm_close(walk.h);
  return walk.files;
}

BookFiles ReadWithMspack(const fs::path& book) {
  BookFiles files;
  mschm_decompressor* d = mspack_create_chm_decompressor(nullptr);
  mschmd_header* h = d->open(d, const_cast<char*>(book.c_str()));
  if (!h) {
    ADD_FAILURE() << "libmspack cannot open " << book << " error " << d->last_error(d);
    mspack_destroy_chm_decompressor(d);
    return files;
  }
  fs::path out = fs::temp_directory_path() / ("mspack_out_" + std::to_string(getpid()));
  for (mschmd_file* f = h->files; f; f = f->next) {
    std::string name = reinterpret_cast<const char*>(f->filename);
    int r = d->extract(d, f, const_cast<char*>(out.c_str()));
    EXPECT_EQ(r, MSPACK_ERR_OK) << "libmspack extract " << name;
    files[name] = r == MSPACK_ERR_OK ? ReadBytes(out) : std::string();
  }
  fs::remove(out);
  d->close(d, h);
  mspack_destroy_chm_decompressor(d);
  return files;
}

BookFiles ReadWith7z(const fs::path& book) {
  BookFiles files;
  fs::path log = fs::temp_directory_path() / ("7z_log_" + std::to_string(getpid()));
  std::string test = "7z t '" + book.string() + "' >'" + log.string() + "' 2>&1";
  EXPECT_EQ(std::system(test.c_str()), 0) << ReadBytes(log);
  EXPECT_NE(ReadBytes(log).find("Everything is Ok"), std::string::npos) << ReadBytes(log);
  fs::path out = fs::temp_directory_path() / ("7z_out_" + std::to_string(getpid()));
  fs::remove_all(out);
  std::string extract =
      "7z x -y -o'" + out.string() + "' '" + book.string() + "' >'" + log.string() + "' 2>&1";
  EXPECT_EQ(std::system(extract.c_str()), 0) << ReadBytes(log);
  for (const auto& e : fs::recursive_directory_iterator(out)) {
    if (!e.is_regular_file()) continue;
    files["/" + fs::relative(e.path(), out).string()] = ReadBytes(e.path());
  }
  fs::remove_all(out);
  fs::remove(log);
  return files;
}

namespace {

void Report(const char* reader, const std::vector<std::string>& missed, size_t total) {
  if (missed.empty()) return;
  std::string first;
  for (size_t i = 0; i < missed.size() && i < 5; ++i) first += " " + missed[i];
  ADD_FAILURE() << reader << " misses or misreads " << missed.size() << " of " << total
                << " names, among them" << first;
}

}  // namespace

void ExpectEveryNameFound(const fs::path& book, const BookFiles& expected) {
  std::vector<std::string> chmlib_missed, mspack_missed;
  chmFile* h = chm_open(book.c_str());
  ASSERT_NE(h, nullptr) << "chmlib cannot open " << book;
  for (const auto& [name, content] : expected) {
    chmUnitInfo ui;
    std::string got;
    if (chm_resolve_object(h, name.c_str(), &ui) == CHM_RESOLVE_SUCCESS) {
      got.resize(ui.length);
      if (ui.length > 0) {
        chm_retrieve_object(h, &ui, reinterpret_cast<unsigned char*>(got.data()), 0,
                            static_cast<LONGINT64>(ui.length));
      }
    }
    if (got != content) chmlib_missed.push_back(name);
  }
  chm_close(h);

  mschm_decompressor* d = mspack_create_chm_decompressor(nullptr);
  mschmd_header* header = d->fast_open(d, const_cast<char*>(book.c_str()));
  ASSERT_NE(header, nullptr) << "libmspack cannot open " << book;
  const fs::path out = fs::temp_directory_path() / ("mspack_one_" + std::to_string(getpid()));
  for (const auto& [name, content] : expected) {
    mschmd_file file{};
    const int r = d->fast_find(d, header, const_cast<char*>(name.c_str()), &file, sizeof file);
    if (r != MSPACK_ERR_OK || file.section == nullptr ||
        d->extract(d, &file, const_cast<char*>(out.c_str())) != MSPACK_ERR_OK ||
        ReadBytes(out) != content) {
      mspack_missed.push_back(name);
    }
  }
  fs::remove(out);
  d->close(d, header);
  mspack_destroy_chm_decompressor(d);
  Report("chmlib's chm_resolve_object", chmlib_missed, expected.size());
  Report("libmspack's fast_find", mspack_missed, expected.size());
}

DirectoryShape ReadDirectoryShape(const fs::path& book) {
  std::string b = ReadBytes(book);
  auto u32 = [&](size_t at) {
    return static_cast<std::uint32_t>(
        static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8 |
        static_cast<unsigned char>(b[at + 2]) << 16 |
        static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24);
  };
  DirectoryShape s;
  if (b.size() < 0xCC) return s;
  s.depth = u32(0x78 + 0x18);
  s.root = u32(0x78 + 0x1C);
  s.chunks = u32(0x78 + 0x2C);
  return s;
}

}  // namespace chm_test

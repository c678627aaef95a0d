// chm_bench [WORK FOLDER] [--chapters N] [--pages DIR] [--no-doxygen] [--baseline BIN_DIR]
//           [--repeat N]
// Makes help projects with the folivane command line (--no-compile), compiles each with our
// hhc (default level and --best, each on all cores and on one thread, and --store) and with
// chmcmd, and prints input bytes, book bytes,
// wall time and peak memory of each, with the ratios ours/chmcmd. Goals for the default level:
// book <= 0.97 x chmcmd, >= 10 x faster, < 64 MB peak (every level stays under that). --pages adds
// a project of the .htm and .html files found under DIR (real pages), stored flat under numbered
// names. A project that Doxygen writes (GENERATE_HTMLHELP) over libmspack's, chmlib's and
// GoogleTest's headers is measured too, unless --no-doxygen. Each project is compiled without
// full-text search and once more with it, by both compilers: the search index should cost ours
// no more than 20 % of the compile time. That cost is measured in wall time and in processor
// time (user and system, which other work on the machine disturbs less), each the least of
// --repeat runs (default 3) with search off and on in turn; --baseline measures the hhc in
// another build's bin folder (say, of main) the same way in the same run, for a fair comparison.
#include <fcntl.h>
#include <iconv.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Measure {
  bool ok = false;
  double seconds = 0;
  double cpu_seconds = 0;  // user and system time
  long peak_kb = 0;
  std::uintmax_t book_bytes = 0;
};

// Runs argv in `dir` and waits for it, with its own resource usage.
Measure RunMeasured(const std::vector<std::string>& argv, const fs::path& dir) {
  Measure m;
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, 1);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  m.cpu_seconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                  double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  m.peak_kb = usage.ru_maxrss;
  m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return m;
}

std::uintmax_t FolderBytes(const fs::path& dir) {
  std::uintmax_t total = 0;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (e.is_regular_file() && e.path().extension() != ".chm") total += e.file_size();
  }
  return total;
}

// Chapters like real exported documents: a shared page frame, navigation, headings,
// paragraphs drawn from a vocabulary (Chinese and English), tables and links between pages.
void GenerateChapters(const fs::path& dir, int count) {
  fs::create_directories(dir / "images");
  std::mt19937 rng(12345);
  const char* zh[] = {"春天", "种子", "发芽", "浇水", "阳光", "土壤", "收获",
                      "计划", "花园", "果实", "我们", "可以", "这个", "时候",
                      "需要", "注意", "方法", "温度", "每天", "观察"};
  const char* en[] = {"the",     "garden", "seed",   "water",  "light",   "soil",
                      "harvest", "plan",   "grows",  "every",  "morning", "carefully",
                      "leaves",  "roots",  "season", "weather"};
  // Pages are GBK like the project; the vocabulary is converted once with iconv.
  std::vector<std::string> zh_gbk;
  {
    fs::path tmp = dir / "vocab.txt";
    std::ofstream(tmp) << [&] {
      std::string s;
      for (const char* w : zh) s += std::string(w) + "\n";
      return s;
    }();
    std::string cmd = "iconv -f UTF-8 -t GBK '" + tmp.string() + "' > '" + tmp.string() + ".gbk'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "iconv failed\n");
    std::ifstream in(tmp.string() + ".gbk", std::ios::binary);
    std::string line;
    while (std::getline(in, line)) zh_gbk.push_back(line);
    fs::remove(tmp);
    fs::remove(tmp.string() + ".gbk");
  }
  for (int i = 0; i < 20; ++i) {
    std::ofstream img(dir / "images" / ("fig" + std::to_string(i) + ".png"), std::ios::binary);
    for (int k = 0; k < 6000; ++k) img.put(static_cast<char>(rng()));
  }
  auto chapter_name = [](int c) {
    char name[32];
    std::snprintf(name, sizeof name, "chapter%05d.htm", c);
    return std::string(name);
  };
  for (int c = 0; c < count; ++c) {
    const std::string name = chapter_name(c);
    std::string page =
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<html>\r\n<head>\r\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">\r\n"
        "<title>Chapter " +
        std::to_string(c) + " " + zh_gbk[c % zh_gbk.size()] +
        "</title>\r\n"
        "<style type=\"text/css\">body{font-family:SimSun;font-size:12pt;margin:10px}"
        "p{line-height:150%;text-indent:2em}td{border:1px solid #ccc;padding:4px}</style>\r\n"
        "</head>\r\n<body bgcolor=\"#FFFFFF\">\r\n<table width=\"100%\" class=\"nav\"><tr>"
        "<td><a href=\"" +
        chapter_name(c > 0 ? c - 1 : 0) +
        "\">&lt;&lt; Previous</a></td>"
        "<td align=\"right\"><a href=\"" +
        chapter_name(c + 1 < count ? c + 1 : c) +
        "\">Next &gt;&gt;</a></td>"
        "</tr></table>\r\n<h1>Chapter " +
        std::to_string(c) + "</h1>\r\n";
    int paragraphs = 10 + static_cast<int>(rng() % 12);
    for (int p = 0; p < paragraphs; ++p) {
      page += "<p class=\"body\">";
      int words = 30 + static_cast<int>(rng() % 50);
      for (int w = 0; w < words; ++w) {
        if (rng() % 3 == 0)
          page += std::string(en[rng() % 16]) + " ";
        else
          page += zh_gbk[rng() % zh_gbk.size()];
      }
      page += "</p>\r\n";
      if (p % 5 == 2) {
        page += "<table border=\"0\" cellpadding=\"2\" cellspacing=\"0\">\r\n";
        for (int r = 0; r < 4; ++r) {
          page += "<tr><td>" + std::to_string(rng() % 1000) + "</td><td>" +
                  zh_gbk[rng() % zh_gbk.size()] + "</td><td>" + en[rng() % 16] + "</td></tr>\r\n";
        }
        page += "</table>\r\n";
      }
      if (p % 7 == 3) {
        page += "<p align=\"center\"><img src=\"images/fig" + std::to_string(rng() % 20) +
                ".png\" width=\"320\" height=\"240\" alt=\"figure\"></p>\r\n";
      }
    }
    page +=
        "<hr>\r\n<p class=\"footer\">Copyright &copy; Folivane sample "
        "text.</p>\r\n</body>\r\n</html>\r\n";
    std::ofstream(dir / name, std::ios::binary) << page;
  }
}

// chmcmd opens the files under the code page bytes of their names, as the project spells
// them; give it a copy of the folder whose names are those bytes.
std::string GbkName(const std::string& utf8) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  std::string out(utf8.size() * 2 + 8, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t in_left = utf8.size(), out_left = out.size();
  char* dst = out.data();
  size_t r = iconv(cd, &in, &in_left, &dst, &out_left);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return utf8;
  out.resize(out.size() - out_left);
  return out;
}

void CopyWithGbkNames(const fs::path& from, const fs::path& to) {
  fs::create_directories(to);
  for (const auto& e : fs::directory_iterator(from)) {
    fs::path target = to / GbkName(e.path().filename().string());
    if (e.is_directory())
      CopyWithGbkNames(e.path(), target);
    else if (e.path().extension() != ".chm")
      fs::copy_file(e.path(), target);
  }
}

// A project of real pages: copies of every .htm/.html file under `from`, in path order.
bool WritePagesProject(const fs::path& from, const fs::path& dir) {
  std::vector<fs::path> pages;
  for (const auto& e : fs::recursive_directory_iterator(from)) {
    const std::string ext = e.path().extension().string();
    if (e.is_regular_file() && (ext == ".html" || ext == ".htm")) pages.push_back(e.path());
  }
  if (pages.empty()) return false;
  std::sort(pages.begin(), pages.end());
  fs::create_directories(dir);
  std::string hhp =
      "[OPTIONS]\r\nCompatibility=1.1 or later\r\nCompiled file=pages.chm\r\n"
      "Default topic=p00001.html\r\nLanguage=0x409 English (United States)\r\nTitle=Pages\r\n"
      "\r\n[FILES]\r\n";
  for (std::size_t i = 0; i < pages.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "p%05zu.html", i + 1);
    fs::copy_file(pages[i], dir / name);
    hhp += std::string(name) + "\r\n";
  }
  std::ofstream(dir / "chm_hhp.hhp", std::ios::binary) << hhp;
  return true;
}

void PrintRow(const char* name, const Measure& m) {
  std::printf("  %-12s %12ju %10.3f %10.1f %8s\n", name, m.book_bytes, m.seconds,
              m.peak_kb / 1024.0, m.ok ? "ok" : "FAILED");
}

// The goals are the default level's; the other levels are printed for comparison.
void PrintRatios(const char* name, const Measure& ours, const Measure& theirs, bool goals) {
  if (!theirs.book_bytes || !ours.book_bytes) return;
  std::printf(
      "  %-12s ratio ours/chmcmd: size %.3f%s, time %.3f%s, memory %.2f; ours peak %.1f MB%s\n",
      name, double(ours.book_bytes) / double(theirs.book_bytes), goals ? " (goal <= 0.97)" : "",
      ours.seconds / theirs.seconds, goals ? " (goal <= 0.10)" : "",
      double(ours.peak_kb) / double(theirs.peak_kb), ours.peak_kb / 1024.0,
      goals ? " (goal < 64)" : "");
}

// The bin folder of an hhc to compare ours with (none when empty).
std::string baseline_bin;
int repeats = 3;

Measure RunOurs(const std::vector<std::string>& options, const fs::path& dir,
                const std::string& hhp, const fs::path& chm,
                const std::string& bin = FOLIVANE_BIN_DIR) {
  std::vector<std::string> argv = {bin + "/hhc", "-q"};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.push_back(hhp);
  Measure m = RunMeasured(argv, dir);
  if (m.ok && fs::exists(chm)) {
    m.book_bytes = fs::file_size(chm);
    fs::remove(chm);
  }
  return m;
}

Measure RunChmcmd(const fs::path& dir, const std::string& hhp) {
  // chmcmd names its output from the GBK bytes of "Compiled file"; find it as the new .chm.
  fs::path mirror = dir.string() + "_chmcmd";
  fs::remove_all(mirror);
  CopyWithGbkNames(dir, mirror);
  // chmcmd cannot name the book itself (it fails on Doxygen's projects, which leave the name
  // to the compiler): its copy of the project names it as our hhc would.
  {
    const fs::path copy = mirror / hhp;
    std::ifstream in(copy, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    const size_t options = text.find("[OPTIONS]");
    if (text.find("Compiled file=") == std::string::npos && options != std::string::npos) {
      text.insert(text.find('\n', options) + 1,
                  "Compiled file=" + fs::path(hhp).stem().string() + ".chm\r\n");
      std::ofstream(copy, std::ios::binary) << text;
    }
  }
  Measure theirs = RunMeasured({"chmcmd", hhp}, mirror);
  for (const auto& e : fs::directory_iterator(mirror)) {
    if (e.path().extension() == ".chm") theirs.book_bytes = e.file_size();
  }
  fs::remove_all(mirror);
  return theirs;
}

// Runs `measure` on the project with its "Full-text search" line replaced: "Yes" when `search`,
// none otherwise. The project is put back as it was.
template <typename F>
Measure WithFullTextSearch(const fs::path& dir, const std::string& hhp_name, bool search,
                           F measure) {
  const fs::path hhp = dir / hhp_name;
  std::string text;
  {
    std::ifstream in(hhp, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::string changed;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string line = text.substr(pos, end - pos);
    if (line.compare(0, 17, "Full-text search=") != 0) changed += line;
    if (search && line.compare(0, 9, "[OPTIONS]") == 0) changed += "Full-text search=Yes\r\n";
    pos = end;
  }
  std::ofstream(hhp, std::ios::binary) << changed;
  Measure m = measure();
  std::ofstream(hhp, std::ios::binary) << text;
  return m;
}

// What the search index costs an hhc: its runs with search off and on, in turn, `repeats` times;
// the least wall and processor time of each.
void PrintSearchCost(const char* name, const std::string& bin, const fs::path& dir,
                     const std::string& hhp, const fs::path& chm) {
  Measure best[2];  // search off, on
  for (int r = 0; r < repeats; ++r) {
    for (bool search : {false, true}) {
      const Measure m =
          WithFullTextSearch(dir, hhp, search, [&] { return RunOurs({}, dir, hhp, chm, bin); });
      Measure& b = best[search];
      if (r == 0) {
        b = m;
      } else {
        b.ok = b.ok && m.ok;
        b.seconds = std::min(b.seconds, m.seconds);
        b.cpu_seconds = std::min(b.cpu_seconds, m.cpu_seconds);
      }
    }
  }
  const Measure& off = best[0];
  const Measure& on = best[1];
  if (!off.ok || !on.ok || off.seconds <= 0 || off.cpu_seconds <= 0) {
    std::printf("  %-12s search index: a run failed\n", name);
    return;
  }
  std::printf(
      "  %-12s search index: +%.1f %% wall time (%.3f -> %.3f s), +%.1f %% processor time "
      "(%.3f -> %.3f s; goal <= 20 %%), +%.1f %% book size\n",
      name, 100.0 * (on.seconds - off.seconds) / off.seconds, off.seconds, on.seconds,
      100.0 * (on.cpu_seconds - off.cpu_seconds) / off.cpu_seconds, off.cpu_seconds, on.cpu_seconds,
      100.0 * (double(on.book_bytes) - double(off.book_bytes)) / double(off.book_bytes));
}

void Report(const char* label, const fs::path& dir, const std::string& book,
            const std::string& hhp = "chm_hhp.hhp") {
  std::uintmax_t input = FolderBytes(dir);
  fs::path chm = dir / fs::u8path(book + ".chm");

  auto ours_at = [&](const std::vector<std::string>& options, bool search) {
    return WithFullTextSearch(dir, hhp, search, [&] { return RunOurs(options, dir, hhp, chm); });
  };
  auto theirs_at = [&](bool search) {
    return WithFullTextSearch(dir, hhp, search, [&] { return RunChmcmd(dir, hhp); });
  };
  Measure ours = ours_at({}, false);
  Measure ours1 = ours_at({"--threads", "1"}, false);
  Measure best = ours_at({"--best"}, false);
  Measure best1 = ours_at({"--best", "--threads", "1"}, false);
  Measure store = ours_at({"--store"}, false);
  Measure theirs = theirs_at(false);
  Measure searched = ours_at({}, true);
  Measure theirs_searched = theirs_at(true);

  std::printf("\n%s (%s), ours on %u cores unless on 1 thread\n", label, dir.c_str(),
              std::thread::hardware_concurrency());
  std::printf("  input bytes           %12ju\n", input);
  std::printf("  %-12s %12s %10s %10s %8s\n", "", "book bytes", "wall s", "peak MB", "status");
  PrintRow("ours", ours);
  PrintRow("ours 1 thread", ours1);
  PrintRow("ours --best", best);
  PrintRow("--best 1 thr.", best1);
  PrintRow("ours --store", store);
  PrintRow("chmcmd", theirs);
  PrintRow("ours +search", searched);
  PrintRow("chmcmd +search", theirs_searched);
  PrintRatios("ours", ours, theirs, true);
  PrintRatios("ours 1 thread", ours1, theirs, true);
  PrintRatios("ours --best", best, theirs, false);
  PrintRatios("--best 1 thr.", best1, theirs, false);
  PrintRatios("ours --store", store, theirs, false);
  PrintRatios("ours +search", searched, theirs_searched, false);
  PrintSearchCost("ours", FOLIVANE_BIN_DIR, dir, hhp, chm);
  if (!baseline_bin.empty()) PrintSearchCost("baseline", baseline_bin, dir, hhp, chm);
}

}  // namespace

int main(int argc, char** argv) {
  fs::path work = fs::temp_directory_path() / "folivane_chm_bench";
  int chapters = 6000;
  fs::path pages_from;
  bool doxygen = true;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--no-doxygen")
      doxygen = false;
    else if (a == "--chapters" && i + 1 < argc)
      chapters = std::atoi(argv[++i]);
    else if (a == "--pages" && i + 1 < argc)
      pages_from = argv[++i];
    else if (a == "--baseline" && i + 1 < argc)
      baseline_bin = argv[++i];
    else if (a == "--repeat" && i + 1 < argc)
      repeats = std::max(1, std::atoi(argv[++i]));
    else
      work = a;
  }
  const std::string folivane = std::string(FOLIVANE_BIN_DIR) + "/folivane";
  fs::remove_all(work);

  fs::path sample = work / "sample";
  fs::create_directories(sample);
  fs::copy(fs::path(FOLIVANE_SOURCE_DIR) / "samples/chapters", sample, fs::copy_options::recursive);
  if (!RunMeasured({folivane, sample.string(), "sample", "--no-compile"}, work).ok) {
    std::fprintf(stderr, "folivane could not write the sample project\n");
    return 1;
  }
  Report("samples/chapters", sample, "sample");

  fs::path large = work / "large";
  GenerateChapters(large, chapters);
  if (!RunMeasured({folivane, large.string(), "large", "--no-compile"}, work).ok) {
    std::fprintf(stderr, "folivane could not write the large project\n");
    return 1;
  }
  Report("generated chapters", large, "large");

  if (doxygen) {
    // The test projects' generator, with more headers for Doxygen to document.
    const fs::path generated = work / "projects";
    const std::string command =
        "DOXYGEN_INPUT='/usr/include/mspack.h /usr/include/chm_lib.h /usr/include/gtest' sh '" +
        std::string(FOLIVANE_SOURCE_DIR) + "/tests/projects/make-projects.sh' '" +
        generated.string() + "'";
    if (std::system(command.c_str()) != 0) {
      std::fprintf(stderr, "Doxygen could not write its project (see %s)\n", generated.c_str());
      return 1;
    }
    Report("Doxygen over library headers", generated / "doxygen/html", "index", "index.hhp");
  }

  if (!pages_from.empty()) {
    fs::path pages = work / "pages";
    if (!WritePagesProject(pages_from, pages)) {
      std::fprintf(stderr, "no .htm or .html files under %s\n", pages_from.c_str());
      return 1;
    }
    Report("real pages", pages, "pages");
  }
  return 0;
}

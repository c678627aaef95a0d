// bench_book [FOLDER]: the time BuildBook takes to write the help project for 8186 chapter files
// of about 20 KB each, with their titles on line 5. The chapters are generated once in FOLDER
// (default: a folder under the temporary folder, removed afterwards); the build runs several
// times and the best and median times are printed, with the four-reads-per-title baseline
// (every chapter read for the contents and again for the index, each read twice) for comparison.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "book/build_book.h"
#include "book/titles.h"
#include "tools/folivane/book_platform_posix.h"

namespace {

class SilentPlatform : public PosixBookPlatform {
 public:
  SilentPlatform() : PosixBookPlatform(std::string()) {}
  void OpenWithShell(const std::string&) override {}
  bool StartCompiler(const std::string&, std::string&) override { return true; }
};

std::string ChapterText(int i) {
  std::string s =
      "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
      "charset=gb2312\">\r\n<style>p{margin:0}</style>\r\n";
  s += "<title>Chapter " + std::to_string(i) +
       " \xB5\xDA\xD2\xBB\xD5\xC2</title>\r\n</head>\r\n<body>\r\n";
  while (s.size() < 20000)
    s += "<p>\xD5\xE2\xCA\xC7\xD2\xBB\xB6\xCE\xD5\xFD\xCE\xC4 the quick brown fox " +
         std::to_string(s.size()) + "</p>\r\n";
  s += "</body>\r\n</html>\r\n";
  return s;
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int n = book::kMaxChapters;
  std::string folder;
  bool remove = false;
  if (argc > 1) {
    folder = argv[1];
    mkdir(folder.c_str(), 0755);
  } else {
    char tmpl[] = "/tmp/folivane-bench-book.XXXXXX";
    folder = mkdtemp(tmpl);
    remove = true;
  }
  std::vector<std::string> names;
  std::size_t bytes = 0;
  for (int i = 0; i < n; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "ch%05d.htm", i);
    names.push_back(name);
    std::string text = ChapterText(i);
    bytes += text.size();
    std::FILE* f = std::fopen((folder + "/" + name).c_str(), "wb");
    if (!f) {
      std::perror(name);
      return 1;
    }
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  std::printf("chapters: %d files, %.1f MB, titles on line 5\n", n, bytes / 1e6);

  SilentPlatform platform;
  std::vector<double> builds, baselines;
  for (int round = 0; round < 5; ++round) {
    auto t0 = std::chrono::steady_clock::now();
    if (book::BuildBook(platform, folder, names, "bench") != book::BuildResult::kStarted) return 1;
    builds.push_back(Seconds(std::chrono::steady_clock::now() - t0));
    // Baseline: the title read four times per chapter, as reading it afresh for every use does.
    t0 = std::chrono::steady_clock::now();
    for (const std::string& name : names) {
      for (int k = 0; k < 4; ++k) {
        std::string title, reason;
        book::ReadChapterTitle(platform, folder + "/" + name, title, reason);
      }
    }
    baselines.push_back(Seconds(std::chrono::steady_clock::now() - t0));
  }
  std::sort(builds.begin(), builds.end());
  std::sort(baselines.begin(), baselines.end());
  std::printf("BuildBook (titles read once):   best %.3f s, median %.3f s\n", builds[0], builds[2]);
  std::printf("four title reads per chapter:   best %.3f s, median %.3f s (reads alone)\n",
              baselines[0], baselines[2]);
  std::printf("ratio build/baseline (median): %.2f; goal: build under 1 s\n",
              builds[2] / baselines[2]);
  if (remove) std::system(("rm -rf '" + folder + "'").c_str());
  return 0;
}

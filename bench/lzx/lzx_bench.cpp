// Prints the compressed size and the speed of each LZX level. With directories as arguments it
// compresses the .htm/.html files found under them (up to 64 MB, concatenated in path order,
// as a compiler would store them); without, a generated HTML corpus. --only=<level> measures one
// level, --threads=N encodes on N threads.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "lzx/encoder.h"

namespace {

constexpr std::size_t kMaxInput = 64u << 20;
constexpr std::size_t kGeneratedSize = 16u << 20;
constexpr std::size_t kWriteChunk = 4096;  // the compiler feeds files in pieces like this

std::vector<std::uint8_t> ReadHtmlTree(int argc, char** argv) {
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    for (const auto& e : std::filesystem::recursive_directory_iterator(argv[i])) {
      const auto ext = e.path().extension().string();
      if (e.is_regular_file() && (ext == ".html" || ext == ".htm")) files.push_back(e.path());
    }
  }
  std::sort(files.begin(), files.end());
  std::vector<std::uint8_t> all;
  for (const auto& f : files) {
    std::ifstream in(f, std::ios::binary);
    all.insert(all.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (all.size() >= kMaxInput) break;
  }
  return all;
}

// Pages of a help book: a shared head, headings, paragraphs from a vocabulary with a Zipf-like
// spread, links to other pages, a few tables and code samples.
std::vector<std::uint8_t> GenerateHtml(std::size_t size) {
  std::mt19937 rng(1234);
  std::vector<std::string> vocabulary;
  const char* const kSyllables[] = {"con", "fig",  "ure",  "win",  "dow",  "set",  "ting", "tab",
                                    "le",  "in",   "dex",  "op",   "tion", "ed",   "er",   "al",
                                    "ly",  "pro",  "ces",  "sor",  "val",  "ue",   "re",   "turn",
                                    "map", "file", "name", "path", "help", "view", "ic",   "on"};
  for (int i = 0; i < 4000; ++i) {
    std::string w;
    const int parts = 1 + static_cast<int>(rng() % 3);
    for (int p = 0; p < parts; ++p) w += kSyllables[rng() % 32];
    vocabulary.push_back(w);
  }
  auto word = [&]() -> const std::string& {
    // Zipf-like: small indices far more often.
    const double u = std::uniform_real_distribution<double>(0, 1)(rng);
    return vocabulary[static_cast<std::size_t>(std::pow(4000.0, u)) - 1];
  };
  auto sentence = [&](int words) {
    std::string s;
    for (int i = 0; i < words; ++i) {
      if (i) s += ' ';
      s += word();
      if (rng() % 17 == 0) s += std::to_string(rng() % 2000);
    }
    s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    return s + ". ";
  };
  std::string out;
  for (int page = 0; out.size() < size; ++page) {
    out +=
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html>\n<head>\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">\n"
        "<title>" +
        sentence(3) +
        "</title>\n<link rel=\"stylesheet\" type=\"text/css\" "
        "href=\"../styles/book.css\">\n</head>\n<body>\n<div class=\"nav\"><a href=\"page" +
        std::to_string(page - 1) + ".html\">Previous</a> | <a href=\"page" +
        std::to_string(page + 1) + ".html\">Next</a></div>\n";
    const int sections = 2 + static_cast<int>(rng() % 5);
    for (int s = 0; s < sections; ++s) {
      out += "<h2><a name=\"s" + std::to_string(s) + "\"></a>" + sentence(4) + "</h2>\n";
      const int paras = 1 + static_cast<int>(rng() % 6);
      for (int p = 0; p < paras; ++p) {
        out += "<p>";
        const int sentences = 1 + static_cast<int>(rng() % 6);
        for (int k = 0; k < sentences; ++k) out += sentence(6 + static_cast<int>(rng() % 14));
        if (rng() % 3 == 0) {
          out += "See <a href=\"page" + std::to_string(rng() % 3000) + ".html#s" +
                 std::to_string(rng() % 6) + "\">" + word() + "</a>.";
        }
        out += "</p>\n";
      }
      if (rng() % 4 == 0) {
        out += "<table border=\"1\" cellpadding=\"2\">\n";
        for (int r = 0; r < 4; ++r) {
          out += "<tr><td>" + word() + "</td><td>" + std::to_string(rng() % 100000) + "</td><td>" +
                 sentence(4) + "</td></tr>\n";
        }
        out += "</table>\n";
      }
      if (rng() % 5 == 0) {
        out += "<pre class=\"code\">\n";
        for (int l = 0; l < 5; ++l) {
          out += "  " + word() + "(" + word() + ", " + std::to_string(rng() % 64) + ");\n";
        }
        out += "</pre>\n";
      }
    }
    out +=
        "<div class=\"footer\">Copyright &copy; 2024. All rights "
        "reserved.</div>\n</body>\n</html>\n";
  }
  out.resize(size);
  return std::vector<std::uint8_t>(out.begin(), out.end());
}

}  // namespace

int main(int argc, char** argv) {
  // --only=<level> measures one level (for profiling); --threads=N encodes on N threads.
  std::string only;
  int threads = 1;
  while (argc > 1 && std::string(argv[1]).rfind("--", 0) == 0) {
    const std::string a = argv[1];
    if (a.rfind("--only=", 0) == 0) only = a.substr(7);
    if (a.rfind("--threads=", 0) == 0) threads = std::atoi(a.c_str() + 10);
    --argc;
    ++argv;
  }
  const std::vector<std::uint8_t> input =
      argc > 1 ? ReadHtmlTree(argc, argv) : GenerateHtml(kGeneratedSize);
  std::printf("input: %zu bytes of %s HTML, %d thread%s\n", input.size(),
              argc > 1 ? "real" : "generated", threads, threads == 1 ? "" : "s");
  const struct {
    chm::LzxLevel level;
    const char* name;
  } levels[] = {{chm::LzxLevel::kStore, "store"},
                {chm::LzxLevel::kNormal, "normal"},
                {chm::LzxLevel::kBest, "best"}};
  for (const auto& l : levels) {
    if (!only.empty() && only != l.name) continue;
    const auto start = std::chrono::steady_clock::now();
    chm::LzxEncoder encoder(l.level, nullptr, threads);
    for (std::size_t pos = 0; pos < input.size(); pos += kWriteChunk) {
      encoder.Write(input.data() + pos, std::min(kWriteChunk, input.size() - pos));
    }
    encoder.Finish();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::size_t out = encoder.Output().size();
    std::printf("%-7s %12zu bytes  %6.2f%%  %8.1f MB/s  trees %5.2f%% of the output\n", l.name, out,
                100.0 * static_cast<double>(out) / static_cast<double>(input.size()),
                static_cast<double>(input.size()) / 1e6 / seconds,
                out == 0 ? 0.0 : 100.0 * static_cast<double>(encoder.HeaderBits()) / (8.0 * out));
  }
  return 0;
}

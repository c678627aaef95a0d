#include "hhc/compile_run.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "hhc/compiler.h"

#ifndef FOLIVANE_VERSION
#define FOLIVANE_VERSION "unknown"
#endif

namespace chm {
namespace {

constexpr const char kUsage[] =
    "usage: hhc [OPTIONS] PROJECT.hhp\n"
    "Compiles an HTML Help project into the book its \"Compiled file\" option names.\n"
    "\n"
    "  -q, --quiet    no summary line after a successful compile\n"
    "      --best     the smallest book (about three times slower)\n"
    "      --store    no compression\n"
    "      --threads N\n"
    "                 threads compressing the book, one per core by default (the book\n"
    "                 is the same bytes for any number)\n"
    "  -h, --help     this text\n"
    "      --version  the version\n"
    "\n"
    "Warnings and errors go to standard error and to the project's \"Error log file\".\n"
    "Exit status: 0 the book was written, 1 the compile failed (no book is left under the\n"
    "book's name), 2 wrong command line.\n";

bool IsOption(const std::string& arg) {
  return arg.size() > 1 && arg[0] == '-' && arg.find_first_of("./\\") == std::string::npos;
}

// "1,234,567": book sizes are read at a glance.
std::string Grouped(std::uint64_t n) {
  std::string digits = std::to_string(n);
  for (size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
  return digits;
}

// Decimal digits only, as the reproducible-builds convention has it; the book stores the time
// as a 32-bit count of seconds.
bool ParseEpoch(const char* text, std::uint32_t* seconds) {
  std::uint64_t v = 0;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    v = v * 10 + static_cast<std::uint64_t>(*p - '0');
    if (v > UINT32_MAX) return false;
  }
  *seconds = static_cast<std::uint32_t>(v);
  return true;
}

constexpr int kMaxThreads = 256;

bool ParseThreads(const std::string& text, int* threads) {
  char* end = nullptr;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || n < 1 || n > kMaxThreads) return false;
  *threads = static_cast<int>(n);
  return true;
}

}  // namespace

int RunHhc(const std::vector<std::string>& args, std::FILE* out, std::FILE* err,
           CompileResult* outcome) {
  CompileSettings settings;
  bool quiet = false;
  bool options_end = false;
  std::string project;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!options_end && IsOption(arg)) {
      if (arg == "--") {
        options_end = true;
      } else if (arg == "-h" || arg == "--help") {
        std::fputs(kUsage, out);
        return kHhcExitOk;
      } else if (arg == "--version") {
        std::fputs("hhc (Folivane) " FOLIVANE_VERSION "\n", out);
        return kHhcExitOk;
      } else if (arg == "-q" || arg == "--quiet") {
        quiet = true;
      } else if (arg == "--threads") {
        if (!ParseThreads(i + 1 < args.size() ? args[++i] : "", &settings.threads)) {
          std::fprintf(err, "hhc: error: --threads needs a number of threads from 1 to %d\n",
                       kMaxThreads);
          return kHhcExitUsage;
        }
      } else if (arg == "--store") {
        settings.level = LzxLevel::kStore;
      } else if (arg == "--best") {
        settings.level = LzxLevel::kBest;
      } else {
        std::fprintf(err, "hhc: error: unknown option %s\nhhc: error: %s\n", arg.c_str(),
                     ErrorReason(ErrorCode::kUsage));
        return kHhcExitUsage;
      }
    } else {
      if (!project.empty()) project += ' ';
      project += arg;
    }
  }
  if (project.empty()) {
    std::fprintf(err, "hhc: error: %s\n", ErrorReason(ErrorCode::kUsage));
    return kHhcExitUsage;
  }
  // Reproducible builds record a fixed time: every stamp in the book comes from it. As the
  // convention asks, a value that cannot be that time stops the build rather than being
  // replaced by the clock; an empty one counts as unset.
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch && *epoch) {
    std::uint32_t seconds = 0;
    if (!ParseEpoch(epoch, &seconds)) {
      std::fprintf(err,
                   "hhc: error: SOURCE_DATE_EPOCH '%s' is not a count of seconds since 1970 "
                   "from 0 to 4294967295\n",
                   epoch);
      return kHhcExitUsage;
    }
    settings.unix_time = seconds;
  }

  const auto start = std::chrono::steady_clock::now();
  CompileResult result = CompileProject(project, settings);
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::vector<std::string> lines;
  for (const std::string& w : result.warnings) lines.push_back("hhc: warning: " + w);
  if (!result.ok) lines.push_back("hhc: error: " + FormatError(*result.error));
  for (const std::string& line : lines) std::fprintf(err, "%s\n", line.c_str());
  std::fflush(err);
  if (!result.error_log.empty()) {
    std::ofstream log(std::filesystem::u8path(result.error_log),
                      std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines) log << line << "\r\n";
    if (!log)
      std::fprintf(err, "hhc: warning: cannot write the error log %s\n", result.error_log.c_str());
  }
  if (result.ok && !quiet) {
    std::fprintf(out, "hhc: %s: %llu topics, %llu files, %s bytes in %.2f s\n", result.book.c_str(),
                 static_cast<unsigned long long>(result.topics),
                 static_cast<unsigned long long>(result.stored_files),
                 Grouped(result.book_bytes).c_str(), elapsed);
    std::fflush(out);
  }
  const int status = result.ok ? kHhcExitOk : kHhcExitFailed;
  if (outcome) *outcome = std::move(result);
  return status;
}

}  // namespace chm

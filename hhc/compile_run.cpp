#include "hhc/compile_run.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "hhc/compiler.h"

namespace chm {
namespace {

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

}  // namespace

int RunHhc(const std::vector<std::string>& args, std::FILE* err, CompileResult* outcome) {
  CompileSettings settings;
  std::string project;
  for (const std::string& arg : args) {
    if (arg == "--store") {
      settings.level = LzxLevel::kStore;
    } else if (arg == "--best") {
      settings.level = LzxLevel::kBest;
    } else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      std::fprintf(err, "hhc: error: unknown option %s\nhhc: error: %s\n", arg.c_str(),
                   ErrorReason(ErrorCode::kUsage));
      return 2;
    } else {
      if (!project.empty()) project += ' ';
      project += arg;
    }
  }
  if (project.empty()) {
    std::fprintf(err, "hhc: error: %s\n", ErrorReason(ErrorCode::kUsage));
    return 2;
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
      return 2;
    }
    settings.unix_time = seconds;
  }

  std::vector<std::string> lines;
  CompileResult result = CompileProject(project, settings);
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
  const int status = result.ok ? 0 : 1;
  if (outcome) *outcome = std::move(result);
  return status;
}

}  // namespace chm

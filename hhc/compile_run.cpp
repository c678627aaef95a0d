#include "hhc/compile_run.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "hhc/compiler.h"

namespace chm {

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
  // Reproducible builds record a fixed time.
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
    char* end = nullptr;
    unsigned long long v = std::strtoull(epoch, &end, 10);
    if (end != epoch && *end == '\0') settings.unix_time = v;
  }

  CompileResult result = CompileProject(project, settings);
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
  const int status = result.ok ? 0 : 1;
  if (outcome) *outcome = std::move(result);
  return status;
}

}  // namespace chm

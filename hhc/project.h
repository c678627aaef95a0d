// The HTML Help project (.hhp) as the compiler sees it. The file is in the ANSI code page of
// its Language; everything here is decoded to UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "help/window_def.h"

namespace chm {

struct Project {
  std::uint32_t lcid = 0x0409;
  unsigned code_page = 1252;
  bool compatibility_1_0 = false;  // "Compatibility=1.0"; anything else counts as 1.1
  std::string compiled_file;       // as written; empty when the option is absent
  std::string contents_file;
  std::string index_file;
  std::string default_topic;
  std::string default_window;
  std::string default_font;
  std::string title;
  std::string error_log_file;
  bool dbcs = false;  // "DBCS=Yes": the viewer treats the text as double-byte
  bool full_text_search = false;
  std::string stop_list_file;  // "Full text search stop list file"
  bool binary_toc = false;
  bool binary_index = true;
  bool binary_index_stated = false;  // the project has a "Binary Index" line
  std::vector<WindowLine> windows;
  std::vector<std::string> files;        // [FILES] lines, in order
  std::vector<std::string> infotypes;    // [INFOTYPES] lines
  std::vector<std::string> merge_files;  // [MERGE FILES] lines: books the viewer merges in
  std::vector<std::string> ignored;      // keys and sections we accept but do not act on
};

// Parses the bytes of a project file. `label` names the file in error messages. Throws
// CompileFailure on text that is not in the project's code page or on a malformed line.
Project ParseProject(std::string_view bytes, const std::string& label);

// Finds "Language=0x..." in the raw bytes (before decoding). Returns false if there is none.
bool FindProjectLanguage(std::string_view bytes, std::uint32_t* lcid);

}  // namespace chm

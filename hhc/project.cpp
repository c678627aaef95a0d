#include "hhc/project.h"

#include <cstdlib>

#include "itsf/error.h"
#include "text/ascii.h"
#include "text/codepage.h"

namespace chm {
namespace {

enum class Section { kNone, kOptions, kWindows, kFiles, kInfotypes, kMergeFiles, kOther };

Section SectionNamed(std::string_view name) {
  if (text::EqualsNoCase(name, "OPTIONS")) return Section::kOptions;
  if (text::EqualsNoCase(name, "WINDOWS")) return Section::kWindows;
  if (text::EqualsNoCase(name, "FILES")) return Section::kFiles;
  if (text::EqualsNoCase(name, "INFOTYPES")) return Section::kInfotypes;
  if (text::EqualsNoCase(name, "MERGE FILES")) return Section::kMergeFiles;
  return Section::kOther;
}

bool ParseYes(std::string_view value) { return text::EqualsNoCase(text::Trim(value), "yes"); }

// Reads "0x804 ..." or "2052 ...": the number before the first blank.
bool ParseLcid(std::string_view value, std::uint32_t* lcid) {
  value = text::Trim(value);
  std::string digits(value.substr(0, value.find_first_of(" \t")));
  if (digits.empty()) return false;
  char* end = nullptr;
  unsigned long v = std::strtoul(digits.c_str(), &end, 0);
  if (*end != '\0' || v == 0 || v > 0xFFFF) return false;
  *lcid = static_cast<std::uint32_t>(v);
  return true;
}

void ApplyOption(Project* p, std::string_view key, std::string_view value, const std::string& label,
                 int line_no) {
  std::string v(text::Trim(value));
  if (text::EqualsNoCase(key, "Compatibility")) {
    p->compatibility_1_0 = v == "1.0";
  } else if (text::EqualsNoCase(key, "Compiled file")) {
    p->compiled_file = v;
  } else if (text::EqualsNoCase(key, "Contents file")) {
    p->contents_file = v;
  } else if (text::EqualsNoCase(key, "Index file")) {
    p->index_file = v;
  } else if (text::EqualsNoCase(key, "Default topic")) {
    p->default_topic = v;
  } else if (text::EqualsNoCase(key, "Default Window")) {
    p->default_window = v;
  } else if (text::EqualsNoCase(key, "Default Font")) {
    p->default_font = v;
  } else if (text::EqualsNoCase(key, "Title")) {
    p->title = v;
  } else if (text::EqualsNoCase(key, "Error log file")) {
    p->error_log_file = v;
  } else if (text::EqualsNoCase(key, "DBCS")) {
    p->dbcs = ParseYes(v);
  } else if (text::EqualsNoCase(key, "Full-text search")) {
    p->full_text_search = ParseYes(v);
  } else if (text::EqualsNoCase(key, "Full text search stop list file")) {
    p->stop_list_file = v;
  } else if (text::EqualsNoCase(key, "Binary TOC")) {
    p->binary_toc = ParseYes(v);
  } else if (text::EqualsNoCase(key, "Binary Index")) {
    p->binary_index = ParseYes(v);
    p->binary_index_stated = true;
  } else if (text::EqualsNoCase(key, "Language")) {
    if (!ParseLcid(v, &p->lcid)) {
      Fail(ErrorCode::kBadProjectLine, label,
           "line " + std::to_string(line_no) + ": Language needs a number such as 0x804");
    }
  } else if (text::EqualsNoCase(key, "Display compile progress") ||
             text::EqualsNoCase(key, "Display compile notes")) {
    // The compiler is quiet on success either way.
  } else {
    p->ignored.push_back("[OPTIONS] " + std::string(key));
  }
}

}  // namespace

bool FindProjectLanguage(std::string_view bytes, std::uint32_t* lcid) {
  // A line start is never the trail byte of a double-byte character (LF is below every lead
  // byte), so matching "Language=" at line starts is safe before decoding.
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find('\n', pos);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = text::Trim(bytes.substr(pos, end - pos));
    size_t eq = line.find('=');
    if (eq != std::string_view::npos &&
        text::EqualsNoCase(text::Trim(line.substr(0, eq)), "Language")) {
      return ParseLcid(line.substr(eq + 1), lcid);
    }
    pos = end + 1;
  }
  return false;
}

Project ParseProject(std::string_view bytes, const std::string& label) {
  Project p;
  std::uint32_t lcid = 0;
  if (FindProjectLanguage(bytes, &lcid)) p.lcid = lcid;
  p.code_page = text::CodePageForLcid(p.lcid);
  if (!text::CodePageSupported(p.code_page)) {
    Fail(ErrorCode::kUnsupportedCodePage, label, "code page " + std::to_string(p.code_page));
  }
  // Decode before splitting: trail bytes of a double-byte character may look like '[' or '\'.
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  std::string text;
  if (!text::DecodeCodePage(p.code_page, bytes, &text)) {
    // Find the first line that fails, so the message can point at it.
    int line_no = 1;
    size_t pos = 0;
    std::string scratch;
    while (pos < bytes.size()) {
      size_t end = bytes.find('\n', pos);
      if (end == std::string_view::npos) end = bytes.size();
      if (!text::DecodeCodePage(p.code_page, bytes.substr(pos, end - pos), &scratch)) break;
      ++line_no;
      pos = end + 1;
    }
    Fail(ErrorCode::kBadProjectText, label,
         "line " + std::to_string(line_no) + ", code page " + std::to_string(p.code_page));
  }

  Section section = Section::kNone;
  int line_no = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line = text::Trim(std::string_view(text).substr(pos, end - pos));
    pos = end + 1;
    ++line_no;
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      std::string_view name = text::Trim(line.substr(1, line.size() - 2));
      section = SectionNamed(name);
      if (section == Section::kOther) p.ignored.push_back("[" + std::string(name) + "]");
      continue;
    }
    const std::string where = "line " + std::to_string(line_no);
    switch (section) {
      case Section::kNone:
        Fail(ErrorCode::kBadProjectLine, label, where + ": text before the first section");
      case Section::kOptions: {
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
          Fail(ErrorCode::kBadProjectLine, label, where + ": expected KEY=VALUE");
        }
        ApplyOption(&p, text::Trim(line.substr(0, eq)), line.substr(eq + 1), label, line_no);
        break;
      }
      case Section::kWindows: {
        size_t eq = line.find('=');
        if (eq == std::string_view::npos || text::Trim(line.substr(0, eq)).empty()) {
          Fail(ErrorCode::kBadWindow, label, where + ": expected NAME=fields");
        }
        WindowLine w;
        w.name = std::string(text::Trim(line.substr(0, eq)));
        std::vector<std::string> fields = SplitWindowFields(line.substr(eq + 1));
        if (fields.size() < static_cast<size_t>(kWindowFieldCount)) {
          Fail(ErrorCode::kBadWindow, label,
               where + ": window " + w.name + " has " + std::to_string(fields.size()) +
                   " fields, " + std::to_string(kWindowFieldCount) + " expected");
        }
        for (int i = 0; i < kWindowFieldCount; ++i) w.fields[i] = fields[i];
        p.windows.push_back(std::move(w));
        break;
      }
      case Section::kFiles:
        p.files.emplace_back(line);
        break;
      case Section::kInfotypes:
        p.infotypes.emplace_back(line);
        break;
      case Section::kMergeFiles:
        p.merge_files.emplace_back(line);
        break;
      case Section::kOther:
        break;
    }
  }
  return p;
}

}  // namespace chm

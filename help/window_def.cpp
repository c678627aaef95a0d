#include "help/window_def.h"

#include <cerrno>
#include <cstdlib>

#include "itsf/error.h"
#include "text/ascii.h"

namespace chm {
namespace {

// "0x..." hexadecimal or decimal, possibly negative. Returns false when malformed.
bool ParseNumber(std::string_view text, std::int64_t* value) {
  std::string s(text::Trim(text));
  if (s.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(s.c_str(), &end, 0);
  if (end == s.c_str() || *end != '\0' || errno == ERANGE) return false;
  if (v < INT32_MIN || v > static_cast<long long>(UINT32_MAX)) return false;
  *value = v;
  return true;
}

struct FieldReader {
  const WindowLine& line;
  const std::string& label;

  [[noreturn]] void Bad(int field, const char* what) const {
    Fail(ErrorCode::kBadWindow, label,
         "window " + line.name + ", field " + std::to_string(field + 1) + ": " + what + " '" +
             line.fields[field] + "'");
  }

  // Sets *out and the valid bit when the field is given.
  void Number(int field, std::uint32_t valid_bit, std::uint32_t* out, std::uint32_t* valid) const {
    if (text::Trim(line.fields[field]).empty()) return;
    std::int64_t v = 0;
    if (!ParseNumber(line.fields[field], &v)) Bad(field, "not a number");
    *out = static_cast<std::uint32_t>(v);
    *valid |= valid_bit;
  }
};

}  // namespace

std::vector<std::string> SplitWindowFields(std::string_view value) {
  std::vector<std::string> fields;
  std::string current;
  bool quoted = false;
  int brackets = 0;
  bool had_quotes = false;
  auto finish = [&] {
    fields.push_back(had_quotes ? current : std::string(text::Trim(current)));
    current.clear();
    had_quotes = false;
  };
  for (char c : value) {
    if (quoted) {
      if (c == '"')
        quoted = false;
      else
        current += c;
    } else if (c == '"') {
      // Blanks outside the quotes do not belong to the value.
      if (!had_quotes) current = std::string(text::Trim(current));
      quoted = true;
      had_quotes = true;
    } else if (c == '[') {
      ++brackets;
      current += c;
    } else if (c == ']') {
      if (brackets > 0) --brackets;
      current += c;
    } else if (c == ',' && brackets == 0) {
      finish();
    } else if (!(had_quotes && text::IsBlank(c))) {
      current += c;
    }
  }
  finish();
  return fields;
}

WindowDef ParseWindowDef(const WindowLine& line, const std::string& label) {
  FieldReader r{line, label};
  WindowDef w;
  w.name = line.name;
  const auto& f = line.fields;
  w.caption = f[0];
  w.toc = f[1];
  w.index = f[2];
  w.file = f[3];
  w.home = f[4];
  w.jump1_url = f[5];
  w.jump1_text = f[6];
  w.jump2_url = f[7];
  w.jump2_text = f[8];
  r.Number(9, kWinParamProperties, &w.properties, &w.valid);
  r.Number(10, kWinParamNavWidth, &w.nav_width, &w.valid);
  r.Number(11, kWinParamToolbarFlags, &w.buttons, &w.valid);
  std::string_view rect = text::Trim(f[12]);
  if (!rect.empty()) {
    if (rect.front() != '[' || rect.back() != ']') r.Bad(12, "expected [left,top,right,bottom]");
    std::vector<std::string> parts = SplitWindowFields(rect.substr(1, rect.size() - 2));
    if (parts.size() != 4) r.Bad(12, "expected [left,top,right,bottom]");
    for (int i = 0; i < 4; ++i) {
      std::int64_t v = 0;
      if (!ParseNumber(parts[i], &v)) r.Bad(12, "not a number in");
      w.rect[i] = static_cast<std::int32_t>(v);
    }
    w.valid |= kWinParamRect;
  }
  r.Number(13, kWinParamStyles, &w.styles, &w.valid);
  r.Number(14, kWinParamExStyles, &w.ex_styles, &w.valid);
  r.Number(15, kWinParamShowState, &w.show_state, &w.valid);
  r.Number(16, kWinParamExpansion, &w.not_expanded, &w.valid);
  r.Number(17, kWinParamCurrentTab, &w.nav_type, &w.valid);
  r.Number(18, kWinParamTabPos, &w.tab_pos, &w.valid);
  // Microsoft's compiler marks the tab position valid even when the field is empty (top).
  w.valid |= kWinParamTabPos;
  std::uint32_t ignored_valid = 0;
  r.Number(19, 0, &w.notify_id, &ignored_valid);
  if (!(w.valid & kWinParamNavWidth) && (w.properties & kWinPropTriPane)) {
    w.nav_width = kDefaultNavWidth;
    w.valid |= kWinParamNavWidth;
  }
  return w;
}

}  // namespace chm

// A help window as the viewer's HH_WINTYPE describes it, read from one [WINDOWS] line.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace chm {

constexpr int kWindowFieldCount = 20;

// One [WINDOWS] line: name=f0,...,f19, fields unquoted and trimmed. The meaning of each field
// is in WindowDef below.
struct WindowLine {
  std::string name;
  std::array<std::string, kWindowFieldCount> fields;
};

// fsValidMembers bits (HHWIN_PARAM_*) that a [WINDOWS] field can set.
constexpr std::uint32_t kWinParamProperties = 0x2;
constexpr std::uint32_t kWinParamStyles = 0x4;
constexpr std::uint32_t kWinParamExStyles = 0x8;
constexpr std::uint32_t kWinParamRect = 0x10;
constexpr std::uint32_t kWinParamNavWidth = 0x20;
constexpr std::uint32_t kWinParamShowState = 0x40;
constexpr std::uint32_t kWinParamToolbarFlags = 0x100;
constexpr std::uint32_t kWinParamExpansion = 0x200;
constexpr std::uint32_t kWinParamTabPos = 0x400;
constexpr std::uint32_t kWinParamCurrentTab = 0x2000;

constexpr std::uint32_t kWinPropTriPane = 0x20;  // HHWIN_PROP_TRI_PANE

// A tri-pane window whose navigation width is left empty would get a pane 0 pixels wide in
// some viewers; we give it this width instead.
constexpr std::uint32_t kDefaultNavWidth = 200;

struct WindowDef {
  std::string name;
  // Strings, UTF-8; empty = none.
  std::string caption, toc, index, file, home;
  std::string jump1_url, jump1_text, jump2_url, jump2_text;
  std::uint32_t valid = 0;
  std::uint32_t properties = 0;
  std::uint32_t styles = 0, ex_styles = 0;
  std::int32_t rect[4] = {0, 0, 0, 0};  // left, top, right, bottom
  std::uint32_t show_state = 0;
  std::uint32_t nav_width = 0;
  std::uint32_t buttons = 0;
  std::uint32_t not_expanded = 0;
  std::uint32_t nav_type = 0;
  std::uint32_t tab_pos = 0;
  std::uint32_t notify_id = 0;
};

// Splits a [WINDOWS] value at commas outside quotes and brackets, strips the quotes.
std::vector<std::string> SplitWindowFields(std::string_view value);

// Throws CompileFailure (kBadWindow) for a malformed number or rectangle.
WindowDef ParseWindowDef(const WindowLine& line, const std::string& label);

}  // namespace chm

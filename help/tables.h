// The internal files the viewer reads: #SYSTEM, #WINDOWS, #STRINGS, #TOPICS, #URLTBL,
// #URLSTR and #IDXHDR. Every string given here is already in the project's code page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "help/topic_tables.h"
#include "help/window_def.h"
#include "itsf/bytes.h"

namespace chm {

// #STRINGS: offset 0 is the empty string; no string crosses a 4 KiB block, because the viewer
// reads the pool block by block, and none ends on a block's last byte. Equal strings share one
// offset. A block ends not with zeros but with the start of the string the next one begins
// with, as Microsoft's compiler leaves it.
class StringPool {
 public:
  StringPool() : bytes_(1, 0) {}
  std::uint32_t Add(std::string_view text);
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  std::unordered_map<std::string, std::uint32_t> offsets_;
};

// Pads `b` with zeros to the next 4 KiB block when `size` more bytes would cross into it.
void KeepInBlock(Bytes* b, size_t size);

// 196-byte HH_WINTYPE entries (188 with Compatibility=1.0), the default window first.
Bytes BuildWindows(const std::vector<WindowDef>& windows, bool compatibility_1_0,
                   StringPool* strings);

// The contents file's own properties (its "text/site properties" object), which #IDXHDR
// repeats. Strings are in the project's code page; an absent property stays unset.
struct ContentsProperties {
  std::optional<std::string> image_list, font, frame_name, window_name;
  std::optional<std::uint32_t> background, foreground, window_styles, ex_window_styles;
  bool folder_images = false;  // ImageType=Folder
};

// The most books #IDXHDR can name as merged into this one.
constexpr size_t kMaxMergedBooks = 1004;

// `contents` is null when the project has no contents file: then every property field is 0.
// `merged_books` are the #STRINGS offsets of the file names of the books merged in (at most
// kMaxMergedBooks).
Bytes BuildIdxhdr(std::uint32_t topic_count, const ContentsProperties* contents,
                  const std::vector<std::uint32_t>& merged_books, std::uint32_t stamp,
                  StringPool* strings);

struct SystemInfo {
  std::uint32_t lcid = 0x0409;
  bool dbcs = false;
  bool full_text_search = false;
  bool keyword_links = false;      // a binary keyword index
  std::uint32_t index_key = 0;     // #URLTBL key of the index file's name, with a binary index
  bool binary_contents = false;    // #TOCIDX
  std::uint32_t contents_key = 0;  // #URLTBL key of the contents file's name, with #TOCIDX
  bool compatibility_1_0 = false;
  std::uint64_t unix_time = 0;
  std::string contents_file, index_file, default_topic, title, default_window, default_font;
  std::string compiled_stem;  // lower-cased stem of the book's file name
};

// Records 10, 9, 4, 2, [3], [16], 6, [0], [1], [5], [7], [11], 12, 13, 15 in that order.
Bytes BuildSystem(const SystemInfo& info, const Bytes& idxhdr);

// The compiler version string recorded in #SYSTEM (viewers show it as "compiled with").
constexpr const char* kCompilerVersion = "HHA Version 4.74.8702";

}  // namespace chm

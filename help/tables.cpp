#include "help/tables.h"

#include "itsf/error.h"

namespace chm {
namespace {

constexpr size_t kBlock = 0x1000;
constexpr size_t kIdxhdrSize = 0x1000;
// What #IDXHDR holds for a property the contents file does not set.
constexpr std::uint32_t kUnset = 0xFFFFFFFF;
constexpr std::uint64_t kFiletimeUnixEpoch = 11644473600ull;  // seconds from 1601 to 1970

void PutRecord(Bytes* b, std::uint16_t code, const Bytes& data) {
  if (data.size() > 0xFFFF) Fail(ErrorCode::kTooLarge, "#SYSTEM", "record " + std::to_string(code));
  PutU16(b, code);
  PutU16(b, static_cast<std::uint32_t>(data.size()));
  b->insert(b->end(), data.begin(), data.end());
}

void PutStringRecord(Bytes* b, std::uint16_t code, const std::string& s) {
  Bytes data(s.begin(), s.end());
  data.push_back(0);
  PutRecord(b, code, data);
}

void PutDwordRecord(Bytes* b, std::uint16_t code, std::uint32_t v) {
  Bytes data;
  PutU32(&data, v);
  PutRecord(b, code, data);
}

}  // namespace

void KeepInBlock(Bytes* b, size_t size) {
  size_t used = b->size() % kBlock;
  if (size <= kBlock && used + size > kBlock) b->resize(b->size() + (kBlock - used), 0);
}

std::uint32_t StringPool::Add(std::string_view text) {
  if (text.empty()) return 0;
  std::string key(text);
  auto found = offsets_.find(key);
  if (found != offsets_.end()) return found->second;
  if (text.size() + 1 > kBlock) Fail(ErrorCode::kTooLarge, "#STRINGS", "a string over 4 KiB");
  // A string that would reach the block's last byte starts the next block instead. Microsoft's
  // compiler leaves the end of the block filled with the string's first bytes, and with all of
  // it and its zero when it would have ended there exactly; nothing points at those bytes.
  const size_t used = bytes_.size() % kBlock;
  if (used != 0 && used + text.size() + 1 >= kBlock) {
    const size_t fill = kBlock - used;
    PutText(&bytes_, text.substr(0, fill));
    if (fill > text.size()) bytes_.push_back(0);
  }
  std::uint32_t offset = static_cast<std::uint32_t>(bytes_.size());
  PutText(&bytes_, text);
  bytes_.push_back(0);
  offsets_.emplace(std::move(key), offset);
  return offset;
}

Bytes BuildWindows(const std::vector<WindowDef>& windows, bool compatibility_1_0,
                   StringPool* strings) {
  const std::uint32_t entry_size = compatibility_1_0 ? 188 : 196;
  Bytes b;
  PutU32(&b, static_cast<std::uint32_t>(windows.size()));
  PutU32(&b, entry_size);
  for (const WindowDef& w : windows) {
    size_t start = b.size();
    PutU32(&b, entry_size);
    PutU32(&b, 0);  // ANSI strings
    PutU32(&b, strings->Add(w.name));
    PutU32(&b, w.valid);
    PutU32(&b, w.properties);
    PutU32(&b, strings->Add(w.caption));
    PutU32(&b, w.styles);
    PutU32(&b, w.ex_styles);
    for (std::int32_t v : w.rect) PutU32(&b, static_cast<std::uint32_t>(v));
    PutU32(&b, w.show_state);
    PutZeros(&b, 6 * 4);  // run-time handles and the info-type pointer
    PutU32(&b, w.nav_width);
    PutZeros(&b, 4 * 4);  // rcHTML, filled at run time
    PutU32(&b, strings->Add(w.toc));
    PutU32(&b, strings->Add(w.index));
    PutU32(&b, strings->Add(w.file));
    PutU32(&b, strings->Add(w.home));
    PutU32(&b, w.buttons);
    PutU32(&b, w.not_expanded);
    PutU32(&b, w.nav_type);
    PutU32(&b, w.tab_pos);
    PutU32(&b, w.notify_id);
    PutZeros(&b, 20);  // tab order
    PutU32(&b, 0);     // history count
    PutU32(&b, strings->Add(w.jump1_text));
    PutU32(&b, strings->Add(w.jump2_text));
    PutU32(&b, strings->Add(w.jump1_url));
    PutU32(&b, strings->Add(w.jump2_url));
    PutZeros(&b, 4 * 4);              // rcMinSize
    b.resize(start + entry_size, 0);  // 196-byte form: cbInfoTypes, pszCustomTabs = 0
  }
  return b;
}

Bytes BuildIdxhdr(std::uint32_t topic_count, const ContentsProperties* contents,
                  const std::vector<std::uint32_t>& merged_books, std::uint32_t stamp,
                  StringPool* strings) {
  Bytes b;
  PutText(&b, "T#SM");
  PutU32(&b, stamp);
  PutU32(&b, 1);
  PutU32(&b, topic_count);
  b.resize(kIdxhdrSize, 0);
  if (contents) {
    auto string_field = [&](size_t at, const std::optional<std::string>& s) {
      SetU32(&b, at, s ? strings->Add(*s) : kUnset);
    };
    auto number_field = [&](size_t at, const std::optional<std::uint32_t>& v) {
      SetU32(&b, at, v ? *v : kUnset);
    };
    string_field(0x14, contents->image_list);
    SetU32(&b, 0x1C, contents->folder_images ? 1 : 0);
    number_field(0x20, contents->background);
    number_field(0x24, contents->foreground);
    string_field(0x28, contents->font);
    number_field(0x2C, contents->window_styles);
    number_field(0x30, contents->ex_window_styles);
    SetU32(&b, 0x34, kUnset);  // meaning unknown; never set in Microsoft's books
    string_field(0x38, contents->frame_name);
    string_field(0x3C, contents->window_name);
  }
  SetU32(&b, 0x44, 1);
  // The merged books: their number, then their names. Microsoft's compiler leaves whatever its
  // memory held at 0x4C (0x0019DF28 in Inno Setup's book, a stack address); we write 0.
  if (merged_books.size() > kMaxMergedBooks) Fail(ErrorCode::kTooLarge, "#IDXHDR", "merged books");
  SetU32(&b, 0x48, static_cast<std::uint32_t>(merged_books.size()));
  for (size_t i = 0; i < merged_books.size(); ++i) SetU32(&b, 0x50 + 4 * i, merged_books[i]);
  return b;
}

Bytes BuildSystem(const SystemInfo& info, const Bytes& idxhdr) {
  Bytes b;
  PutU32(&b, info.compatibility_1_0 ? 2 : 3);
  PutDwordRecord(&b, 10, static_cast<std::uint32_t>(info.unix_time));
  PutStringRecord(&b, 9, kCompilerVersion);
  {
    Bytes data;
    PutU32(&data, info.lcid);
    PutU32(&data, info.dbcs ? 1 : 0);
    PutU32(&data, info.full_text_search ? 1 : 0);
    PutU32(&data, info.keyword_links ? 1 : 0);
    PutU32(&data, 0);  // no associative links
    PutU64(&data, (info.unix_time + kFiletimeUnixEpoch) * 10000000ull);
    PutU32(&data, 0);
    PutU32(&data, 0);
    if (info.compatibility_1_0) data.resize(28);
    PutRecord(&b, 4, data);
  }
  PutStringRecord(&b, 2, info.default_topic);
  if (!info.title.empty()) PutStringRecord(&b, 3, info.title);
  if (!info.default_font.empty()) PutStringRecord(&b, 16, info.default_font);
  PutStringRecord(&b, 6, info.compiled_stem);
  if (!info.contents_file.empty()) PutStringRecord(&b, 0, info.contents_file);
  if (!info.index_file.empty()) PutStringRecord(&b, 1, info.index_file);
  if (!info.default_window.empty()) PutStringRecord(&b, 5, info.default_window);
  if (info.keyword_links) PutDwordRecord(&b, 7, info.index_key);
  if (info.binary_contents) PutDwordRecord(&b, 11, info.contents_key);
  PutDwordRecord(&b, 12, 0);  // information types
  PutRecord(&b, 13, idxhdr);
  PutDwordRecord(&b, 15, 0);  // information-type checksum
  return b;
}

}  // namespace chm

#include "help/tables.h"

#include <algorithm>

#include "itsf/error.h"

namespace chm {
namespace {

constexpr size_t kBlock = 0x1000;
constexpr size_t kUrlTblRowSize = 12;
constexpr size_t kUrlTblRowsPerBlock = kBlock / kUrlTblRowSize;  // 341, then 4 bytes of padding
constexpr std::uint16_t kTopicInContents = 6;
constexpr std::uint16_t kTopicNotInContents = 2;
constexpr size_t kIdxhdrSize = 0x1000;
constexpr std::uint64_t kFiletimeUnixEpoch = 11644473600ull;  // seconds from 1601 to 1970

// Pads `b` to the next block boundary when `size` more bytes would cross one.
void KeepInBlock(Bytes* b, size_t size) {
  size_t used = b->size() % kBlock;
  if (size <= kBlock && used + size > kBlock) b->resize(b->size() + (kBlock - used), 0);
}

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

std::uint32_t StringPool::Add(std::string_view text) {
  if (text.empty()) return 0;
  std::string key(text);
  auto found = offsets_.find(key);
  if (found != offsets_.end()) return found->second;
  if (text.size() + 1 > kBlock) Fail(ErrorCode::kTooLarge, "#STRINGS", "a string over 4 KiB");
  KeepInBlock(&bytes_, text.size() + 1);
  std::uint32_t offset = static_cast<std::uint32_t>(bytes_.size());
  PutText(&bytes_, text);
  bytes_.push_back(0);
  offsets_.emplace(std::move(key), offset);
  return offset;
}

std::uint32_t UrlKey(std::string_view name) {
  std::uint32_t h = 0;
  for (char ch : name) {
    int c = static_cast<signed char>(ch);
    int v;
    if (c == '/' || c == '\\')
      v = 0x2C;
    else if (c <= 'Z')
      v = c - 0x30;
    else
      v = c - 0x50;
    h = h * 43 + static_cast<std::uint32_t>(v);
  }
  return h == 0 ? 1 : h;
}

TopicTables BuildTopicTables(const std::vector<Topic>& topics, StringPool* strings) {
  TopicTables t;
  t.urlstr.push_back(0);
  std::vector<std::uint32_t> urlstr_offset(topics.size());
  for (size_t i = 0; i < topics.size(); ++i) {
    KeepInBlock(&t.urlstr, 8 + topics[i].name.size() + 1);
    urlstr_offset[i] = static_cast<std::uint32_t>(t.urlstr.size());
    PutU32(&t.urlstr, 0);  // no absolute URL
    PutU32(&t.urlstr, 0);  // no frame name
    PutText(&t.urlstr, topics[i].name);
    t.urlstr.push_back(0);
  }

  std::vector<size_t> order(topics.size());
  std::vector<std::uint32_t> keys(topics.size());
  for (size_t i = 0; i < topics.size(); ++i) {
    order[i] = i;
    keys[i] = UrlKey(topics[i].name);
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return keys[a] < keys[b]; });
  std::vector<std::uint32_t> row_offset(topics.size());
  for (size_t row = 0; row < order.size(); ++row) {
    if (row > 0 && row % kUrlTblRowsPerBlock == 0) PutZeros(&t.urltbl, kBlock % kUrlTblRowSize);
    size_t i = order[row];
    row_offset[i] = static_cast<std::uint32_t>(t.urltbl.size());
    PutU32(&t.urltbl, keys[i]);
    PutU32(&t.urltbl, static_cast<std::uint32_t>(i));
    PutU32(&t.urltbl, urlstr_offset[i]);
  }

  for (size_t i = 0; i < topics.size(); ++i) {
    PutU32(&t.topics, 0);  // no binary contents node
    PutU32(&t.topics, topics[i].title.empty() ? 0xFFFFFFFFu : strings->Add(topics[i].title));
    PutU32(&t.topics, row_offset[i]);
    PutU16(&t.topics, topics[i].in_contents ? kTopicInContents : kTopicNotInContents);
    PutU16(&t.topics, 0);
  }
  return t;
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

Bytes BuildIdxhdr(std::uint32_t topic_count, bool folder_images, std::uint32_t stamp) {
  Bytes b;
  PutText(&b, "T#SM");
  PutU32(&b, stamp);
  PutU32(&b, 1);
  PutU32(&b, topic_count);
  b.resize(kIdxhdrSize, 0);
  SetU32(&b, 0x1C, folder_images ? 1 : 0);
  SetU32(&b, 0x44, 1);
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
    PutU32(&data, 0);  // no keyword links
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
  PutDwordRecord(&b, 12, 0);  // information types
  PutRecord(&b, 13, idxhdr);
  PutDwordRecord(&b, 15, 0);  // information-type checksum
  return b;
}

}  // namespace chm

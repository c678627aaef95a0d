// Reads a compiled book back into the fields of every internal table the compiler writes, so
// that tests assert values: the ITSF and ITSP headers, header section 0, the directory, the
// ::DataSpace files and reset table, #SYSTEM, #WINDOWS, #IDXHDR, #TOPICS, #URLTBL, #URLSTR and
// #STRINGS. Headers and the directory are decoded here from the bytes; file contents come
// through chmlib, so the compressed section is not read by our own decoder.
//
// Fields() flattens everything into "table.field" -> text (numbers as 0x... hexadecimal,
// strings quoted), which is what table-driven tests compare against.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace chm_test {

struct ItsfFields {
  std::string signature;
  std::uint32_t version = 0, header_size = 0, unknown_0c = 0;
  std::uint32_t stamp_be = 0;  // the stamp read big-endian, as it is stored
  std::uint32_t lcid = 0;
  std::string guid1, guid2;
  std::uint64_t section0_header_offset = 0, section0_header_size = 0;
  std::uint64_t directory_offset = 0, directory_size = 0, content_offset = 0;
  // Header section 0.
  std::uint32_t hs0_magic = 0;
  std::uint64_t hs0_file_size = 0;
};

struct ItspFields {
  std::string signature;
  std::uint32_t version = 0, header_size = 0, unknown_0c = 0, chunk_size = 0, density = 0;
  std::uint32_t depth = 0;
  std::int32_t root = 0;
  std::uint32_t first_pmgl = 0, last_pmgl = 0, chunk_count = 0, lcid = 0;
  std::string guid;
  std::uint32_t header_size2 = 0;
};

struct ListingChunk {
  std::uint32_t free_space = 0;
  std::int32_t previous = 0, next = 0;
  std::uint16_t count = 0;                   // the entry count in the chunk's last two bytes
  std::vector<std::uint16_t> quickref;       // in entry order (stored from the end backwards)
  std::vector<std::uint32_t> entry_offsets;  // where each entry starts, after the header
};

struct EntryFields {
  std::string name;
  std::uint64_t section = 0, offset = 0, length = 0;
};

struct ResetTableFields {
  std::uint32_t version = 0, entry_count = 0, entry_size = 0, header_size = 0;
  std::uint64_t uncompressed = 0, compressed = 0, frame_size = 0;
  std::vector<std::uint64_t> entries;
};

struct SystemRecord {
  std::uint16_t code = 0;
  std::string data;
};

struct SystemFields {
  std::uint32_t version = 0;
  std::vector<SystemRecord> records;  // in stored order
  // Record 4, when present.
  std::uint32_t lcid = 0, dbcs = 0, full_text = 0, keyword_links = 0, associative_links = 0;
  std::uint64_t filetime = 0;
  const SystemRecord* Find(std::uint16_t code) const;
  // A string record without its terminating zero; nullopt when absent.
  std::optional<std::string> Text(std::uint16_t code) const;
};

struct WindowFields {
  std::uint32_t size = 0, unicode = 0, valid = 0, properties = 0, styles = 0, ex_styles = 0;
  std::int32_t rect[4] = {0, 0, 0, 0};
  std::uint32_t show_state = 0, nav_width = 0, buttons = 0, not_expanded = 0, nav_type = 0,
                tab_pos = 0, notify_id = 0, history = 0;
  // Strings resolved through #STRINGS.
  std::string name, caption, toc, index, file, home, jump1_text, jump2_text, jump1_url, jump2_url;
  bool nonzero_runtime_fields = false;  // handles, rcHTML, tab order, rcMinSize, tail
};

struct IdxhdrFields {
  std::string signature;
  std::uint32_t stamp = 0, unknown_08 = 0, topic_count = 0, folder_images = 0, unknown_44 = 0;
  std::uint32_t size = 0;
  // The contents file's properties as stored: numbers, or #STRINGS offsets for the strings;
  // 0xFFFFFFFF is "not set".
  std::uint32_t image_list = 0, background = 0, foreground = 0, font = 0, window_styles = 0,
                ex_window_styles = 0, unknown_34 = 0, frame_name = 0, window_name = 0;
  std::uint32_t merge_count = 0, unknown_4c = 0;
  std::vector<std::uint32_t> merged_books;  // #STRINGS offsets of their file names
};

struct TopicFields {
  std::uint32_t toc_offset = 0, title_offset = 0, urltbl_offset = 0;
  std::uint16_t flags = 0, unknown = 0;
  std::string title;  // through #STRINGS; empty for 0xFFFFFFFF
  std::string name;   // through #URLTBL and #URLSTR
};

struct UrlRow {
  std::uint32_t key = 0, topic = 0, urlstr_offset = 0;
  std::uint32_t at = 0;  // offset of the row in #URLTBL
};

struct InspectedBook {
  std::string bytes;  // the whole file
  ItsfFields itsf;
  ItspFields itsp;
  std::vector<ListingChunk> listing;
  std::vector<EntryFields> entries;          // in directory order
  std::map<std::string, std::string> files;  // every non-folder entry's content, through chmlib
  std::vector<std::uint32_t> control_data;   // DWORDs after the count, "LZXC" as a number
  ResetTableFields reset_table;
  SystemFields system;
  std::vector<WindowFields> windows;
  std::uint32_t windows_entry_size = 0;
  IdxhdrFields idxhdr;
  std::vector<TopicFields> topics;
  std::vector<UrlRow> urltbl;
  std::vector<std::string> problems;  // what could not be decoded

  const std::string* File(const std::string& name) const;
  std::string StringAt(std::uint32_t offset) const;  // from #STRINGS
  // Every field as "table.field" -> value; see the file comment.
  std::map<std::string, std::string> Fields() const;
};

InspectedBook InspectBook(const std::filesystem::path& book);

// The same order as the compiler's look-ups rely on, written independently: unsigned bytes,
// ASCII upper case folded.
bool DirectoryOrderLess(const std::string& a, const std::string& b);

}  // namespace chm_test

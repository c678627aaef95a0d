#include "tests/support/book_inspector.h"

#include <chm_lib.h>

#include <cstdio>
#include <cstring>

#include "tests/support/chm_support.h"
#include "tests/support/table_reader.h"

namespace chm_test {
namespace {

std::string Hex(std::uint64_t v) {
  char s[24];
  std::snprintf(s, sizeof s, "0x%llX", static_cast<unsigned long long>(v));
  return s;
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

std::string CString(const std::string& bytes, std::uint64_t at) {
  if (at >= bytes.size()) return std::string();
  return std::string(bytes.c_str() + at);
}

void ReadHeaders(InspectedBook* book) {
  Reader r(book->bytes, &book->problems, "ITSF");
  ItsfFields& f = book->itsf;
  f.signature = r.Text(0, 4);
  f.version = r.U32(4);
  f.header_size = r.U32(8);
  f.unknown_0c = r.U32(0x0C);
  f.stamp_be = static_cast<std::uint32_t>(r.Le(0x10, 1) << 24 | r.Le(0x11, 1) << 16 |
                                          r.Le(0x12, 1) << 8 | r.Le(0x13, 1));
  f.lcid = r.U32(0x14);
  f.guid1 = r.Guid(0x18);
  f.guid2 = r.Guid(0x28);
  f.section0_header_offset = r.U64(0x38);
  f.section0_header_size = r.U64(0x40);
  f.directory_offset = r.U64(0x48);
  f.directory_size = r.U64(0x50);
  f.content_offset = r.U64(0x58);
  f.hs0_magic = r.U32(f.section0_header_offset);
  f.hs0_file_size = r.U64(f.section0_header_offset + 8);

  const std::uint64_t d = f.directory_offset;
  ItspFields& p = book->itsp;
  p.signature = r.Text(d, 4);
  p.version = r.U32(d + 4);
  p.header_size = r.U32(d + 8);
  p.unknown_0c = r.U32(d + 0x0C);
  p.chunk_size = r.U32(d + 0x10);
  p.density = r.U32(d + 0x14);
  p.depth = r.U32(d + 0x18);
  p.root = static_cast<std::int32_t>(r.U32(d + 0x1C));
  p.first_pmgl = r.U32(d + 0x20);
  p.last_pmgl = r.U32(d + 0x24);
  p.chunk_count = r.U32(d + 0x2C);
  p.lcid = r.U32(d + 0x30);
  p.guid = r.Guid(d + 0x34);
  p.header_size2 = r.U32(d + 0x44);
}

// The listing chunks in their chained order, from the first one the ITSP header names.
void ReadListing(InspectedBook* book) {
  Reader r(book->bytes, &book->problems, "directory");
  const ItspFields& p = book->itsp;
  if (p.chunk_size < 0x20 || p.chunk_count == 0) {
    book->problems.push_back("directory: no chunks");
    return;
  }
  const std::uint64_t chunks = book->itsf.directory_offset + p.header_size;
  std::int64_t index = p.first_pmgl;
  for (std::uint32_t guard = 0; index >= 0 && guard < p.chunk_count; ++guard) {
    const std::uint64_t at = chunks + static_cast<std::uint64_t>(index) * p.chunk_size;
    if (r.Text(at, 4) != "PMGL") {
      book->problems.push_back("directory: chunk " + std::to_string(index) + " is not PMGL");
      return;
    }
    ListingChunk c;
    c.free_space = r.U32(at + 4);
    c.previous = static_cast<std::int32_t>(r.U32(at + 0x0C));
    c.next = static_cast<std::int32_t>(r.U32(at + 0x10));
    const std::uint64_t end = at + p.chunk_size;
    c.count = r.U16(end - 2);
    const std::uint64_t quickrefs =
        p.density < 16 ? (c.count ? (c.count - 1u) / (1u + (1u << p.density)) : 0) : 0;
    for (std::uint64_t q = 0; q < quickrefs; ++q) c.quickref.push_back(r.U16(end - 4 - 2 * q));
    const std::uint64_t entries_end = end - c.free_space;
    std::uint64_t pos = at + 0x14;
    while (pos < entries_end && pos < end) {
      c.entry_offsets.push_back(static_cast<std::uint32_t>(pos - at - 0x14));
      EntryFields e;
      const std::uint64_t n = r.EncInt(&pos, end);
      e.name = r.Text(pos, n);
      pos += n;
      e.section = r.EncInt(&pos, end);
      e.offset = r.EncInt(&pos, end);
      e.length = r.EncInt(&pos, end);
      book->entries.push_back(std::move(e));
    }
    book->listing.push_back(std::move(c));
    index = book->listing.back().next;
  }
}

void ReadFiles(const std::filesystem::path& path, InspectedBook* book) {
  chmFile* h = chm_open(path.c_str());
  if (!h) {
    book->problems.push_back("chmlib cannot open the book");
    return;
  }
  for (const EntryFields& e : book->entries) {
    if (e.name.empty() || e.name.back() == '/') continue;
    chmUnitInfo ui;
    if (chm_resolve_object(h, e.name.c_str(), &ui) != CHM_RESOLVE_SUCCESS) {
      book->problems.push_back("chmlib cannot look up " + e.name);
      continue;
    }
    std::string content(ui.length, '\0');
    if (ui.length > 0 &&
        chm_retrieve_object(h, &ui, reinterpret_cast<unsigned char*>(content.data()), 0,
                            static_cast<LONGINT64>(ui.length)) !=
            static_cast<LONGINT64>(ui.length)) {
      book->problems.push_back("chmlib cannot read " + e.name);
    }
    book->files[e.name] = std::move(content);
  }
  chm_close(h);
}

void ReadDataSpace(InspectedBook* book) {
  if (const std::string* control = book->File("::DataSpace/Storage/MSCompressed/ControlData")) {
    Reader r(*control, &book->problems, "ControlData");
    for (std::uint64_t at = 4; at + 4 <= control->size(); at += 4) {
      book->control_data.push_back(r.U32(at));
    }
  }
  const std::string* reset = book->File(
      "::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/"
      "InstanceData/ResetTable");
  if (!reset) {
    book->problems.push_back("no reset table");
    return;
  }
  Reader r(*reset, &book->problems, "ResetTable");
  ResetTableFields& t = book->reset_table;
  t.version = r.U32(0);
  t.entry_count = r.U32(4);
  t.entry_size = r.U32(8);
  t.header_size = r.U32(0x0C);
  t.uncompressed = r.U64(0x10);
  t.compressed = r.U64(0x18);
  t.frame_size = r.U64(0x20);
  for (std::uint64_t at = t.header_size; at + 8 <= reset->size(); at += 8) {
    t.entries.push_back(r.U64(at));
  }
}

void ReadSystem(InspectedBook* book) {
  const std::string* s = book->File("/#SYSTEM");
  if (!s) {
    book->problems.push_back("no #SYSTEM");
    return;
  }
  Reader r(*s, &book->problems, "#SYSTEM");
  SystemFields& f = book->system;
  f.version = r.U32(0);
  std::uint64_t at = 4;
  while (at + 4 <= s->size()) {
    SystemRecord rec;
    rec.code = r.U16(at);
    const std::uint16_t n = r.U16(at + 2);
    if (!r.Has(at + 4, n)) {
      book->problems.push_back("#SYSTEM: record " + std::to_string(rec.code) +
                               " runs past the end");
      break;
    }
    rec.data = s->substr(at + 4, n);
    f.records.push_back(std::move(rec));
    at += 4 + n;
  }
  if (const SystemRecord* four = f.Find(4)) {
    Reader d(four->data, &book->problems, "#SYSTEM record 4");
    f.lcid = d.U32(0);
    f.dbcs = d.U32(4);
    f.full_text = d.U32(8);
    f.keyword_links = d.U32(12);
    f.associative_links = d.U32(16);
    f.filetime = d.U64(20);
  }
}

void ReadWindows(InspectedBook* book) {
  const std::string* w = book->File("/#WINDOWS");
  if (!w) return;
  Reader r(*w, &book->problems, "#WINDOWS");
  const std::uint32_t count = r.U32(0);
  book->windows_entry_size = r.U32(4);
  for (std::uint32_t i = 0; i < count && r.Has(8 + i * std::uint64_t{book->windows_entry_size},
                                               book->windows_entry_size);
       ++i) {
    const std::uint64_t at = 8 + i * std::uint64_t{book->windows_entry_size};
    auto u = [&](std::uint32_t off) { return r.U32(at + off); };
    auto str = [&](std::uint32_t off) { return book->StringAt(u(off)); };
    WindowFields f;
    f.size = u(0x00);
    f.unicode = u(0x04);
    f.name = str(0x08);
    f.valid = u(0x0C);
    f.properties = u(0x10);
    f.caption = str(0x14);
    f.styles = u(0x18);
    f.ex_styles = u(0x1C);
    for (int k = 0; k < 4; ++k) f.rect[k] = static_cast<std::int32_t>(u(0x20 + 4 * k));
    f.show_state = u(0x30);
    f.nav_width = u(0x4C);
    f.toc = str(0x60);
    f.index = str(0x64);
    f.file = str(0x68);
    f.home = str(0x6C);
    f.buttons = u(0x70);
    f.not_expanded = u(0x74);
    f.nav_type = u(0x78);
    f.tab_pos = u(0x7C);
    f.notify_id = u(0x80);
    f.history = u(0x98);
    f.jump1_text = str(0x9C);
    f.jump2_text = str(0xA0);
    f.jump1_url = str(0xA4);
    f.jump2_url = str(0xA8);
    for (std::uint32_t off = 0x34; off < 0x4C; off += 4) f.nonzero_runtime_fields |= u(off) != 0;
    for (std::uint32_t off = 0x50; off < 0x60; off += 4) f.nonzero_runtime_fields |= u(off) != 0;
    for (std::uint32_t off = 0x84; off < 0x98; off += 4) f.nonzero_runtime_fields |= u(off) != 0;
    for (std::uint32_t off = 0xAC; off < book->windows_entry_size; off += 4) {
      f.nonzero_runtime_fields |= u(off) != 0;
    }
    book->windows.push_back(std::move(f));
  }
}

void ReadIdxhdr(InspectedBook* book) {
  const std::string* x = book->File("/#IDXHDR");
  if (!x) return;
  Reader r(*x, &book->problems, "#IDXHDR");
  IdxhdrFields& f = book->idxhdr;
  f.size = static_cast<std::uint32_t>(x->size());
  f.signature = r.Text(0, 4);
  f.stamp = r.U32(4);
  f.unknown_08 = r.U32(8);
  f.topic_count = r.U32(0x0C);
  f.folder_images = r.U32(0x1C);
  f.unknown_44 = r.U32(0x44);
  f.image_list = r.U32(0x14);
  f.background = r.U32(0x20);
  f.foreground = r.U32(0x24);
  f.font = r.U32(0x28);
  f.window_styles = r.U32(0x2C);
  f.ex_window_styles = r.U32(0x30);
  f.unknown_34 = r.U32(0x34);
  f.frame_name = r.U32(0x38);
  f.window_name = r.U32(0x3C);
  f.merge_count = r.U32(0x48);
  f.unknown_4c = r.U32(0x4C);
  for (std::uint32_t i = 0; i < f.merge_count && 0x50 + 4 * i + 4 <= x->size(); ++i) {
    f.merged_books.push_back(r.U32(0x50 + 4 * i));
  }
}

void ReadTopics(InspectedBook* book) {
  const std::string* topics = book->File("/#TOPICS");
  const std::string* urltbl = book->File("/#URLTBL");
  const std::string* urlstr = book->File("/#URLSTR");
  if (!topics || !urltbl || !urlstr) return;
  Reader t(*topics, &book->problems, "#TOPICS");
  Reader u(*urltbl, &book->problems, "#URLTBL");
  Reader s(*urlstr, &book->problems, "#URLSTR");
  // Rows of 12 bytes; the last 4 bytes of each 4 KiB block are padding.
  for (std::uint64_t at = 0; at + 12 <= urltbl->size(); at += 12) {
    if (at % 0x1000 > 0x1000 - 12) at += 0x1000 - at % 0x1000;
    if (at + 12 > urltbl->size()) break;
    book->urltbl.push_back(
        UrlRow{u.U32(at), u.U32(at + 4), u.U32(at + 8), static_cast<std::uint32_t>(at)});
  }
  for (std::uint64_t at = 0; at + 16 <= topics->size(); at += 16) {
    TopicFields f;
    f.toc_offset = t.U32(at);
    f.title_offset = t.U32(at + 4);
    f.urltbl_offset = t.U32(at + 8);
    f.flags = t.U16(at + 12);
    f.unknown = t.U16(at + 14);
    if (f.title_offset != 0xFFFFFFFFu) f.title = book->StringAt(f.title_offset);
    if (u.Has(f.urltbl_offset, 12)) {
      f.name = CString(*urlstr, u.U32(f.urltbl_offset + 8) + std::uint64_t{8});
    }
    book->topics.push_back(std::move(f));
  }
}

}  // namespace

const SystemRecord* SystemFields::Find(std::uint16_t code) const {
  for (const SystemRecord& r : records) {
    if (r.code == code) return &r;
  }
  return nullptr;
}

std::optional<std::string> SystemFields::Text(std::uint16_t code) const {
  const SystemRecord* r = Find(code);
  if (!r) return std::nullopt;
  return std::string(r->data.c_str());
}

const std::string* InspectedBook::File(const std::string& name) const {
  auto found = files.find(name);
  return found == files.end() ? nullptr : &found->second;
}

std::string InspectedBook::StringAt(std::uint32_t offset) const {
  const std::string* strings = File("/#STRINGS");
  return strings ? CString(*strings, offset) : std::string();
}

std::map<std::string, std::string> InspectedBook::Fields() const {
  std::map<std::string, std::string> m;
  m["file.size"] = Hex(bytes.size());
  m["itsf.signature"] = Quoted(itsf.signature);
  m["itsf.version"] = Hex(itsf.version);
  m["itsf.header_size"] = Hex(itsf.header_size);
  m["itsf.unknown_0c"] = Hex(itsf.unknown_0c);
  m["itsf.stamp"] = Hex(itsf.stamp_be);
  m["itsf.lcid"] = Hex(itsf.lcid);
  m["itsf.guid1"] = itsf.guid1;
  m["itsf.guid2"] = itsf.guid2;
  m["itsf.section0_header"] =
      Hex(itsf.section0_header_offset) + "+" + Hex(itsf.section0_header_size);
  m["itsf.directory"] = Hex(itsf.directory_offset) + "+" + Hex(itsf.directory_size);
  m["itsf.content_offset"] = Hex(itsf.content_offset);
  m["hs0.magic"] = Hex(itsf.hs0_magic);
  m["hs0.file_size"] = Hex(itsf.hs0_file_size);

  m["itsp.signature"] = Quoted(itsp.signature);
  m["itsp.version"] = Hex(itsp.version);
  m["itsp.header_size"] = Hex(itsp.header_size);
  m["itsp.unknown_0c"] = Hex(itsp.unknown_0c);
  m["itsp.chunk_size"] = Hex(itsp.chunk_size);
  m["itsp.density"] = Hex(itsp.density);
  m["itsp.depth"] = Hex(itsp.depth);
  m["itsp.root"] = std::to_string(itsp.root);
  m["itsp.first_pmgl"] = Hex(itsp.first_pmgl);
  m["itsp.last_pmgl"] = Hex(itsp.last_pmgl);
  m["itsp.chunk_count"] = Hex(itsp.chunk_count);
  m["itsp.lcid"] = Hex(itsp.lcid);
  m["itsp.guid"] = itsp.guid;
  m["itsp.header_size2"] = Hex(itsp.header_size2);
  m["directory.entries"] = std::to_string(entries.size());
  m["directory.listing_chunks"] = std::to_string(listing.size());

  std::string control;
  for (std::uint32_t v : control_data) control += (control.empty() ? "" : ",") + Hex(v);
  m["control_data"] = control;
  m["reset.version"] = Hex(reset_table.version);
  m["reset.entry_count"] = Hex(reset_table.entry_count);
  m["reset.entry_size"] = Hex(reset_table.entry_size);
  m["reset.header_size"] = Hex(reset_table.header_size);
  m["reset.uncompressed"] = Hex(reset_table.uncompressed);
  m["reset.compressed"] = Hex(reset_table.compressed);
  m["reset.frame_size"] = Hex(reset_table.frame_size);

  m["system.version"] = Hex(system.version);
  std::string codes;
  for (const SystemRecord& r : system.records)
    codes += (codes.empty() ? "" : ",") + std::to_string(r.code);
  m["system.codes"] = codes;
  for (const SystemRecord& r : system.records) {
    const std::string key = "system." + std::to_string(r.code);
    switch (r.code) {
      case 4:
        m[key + ".size"] = Hex(r.data.size());
        m[key + ".lcid"] = Hex(system.lcid);
        m[key + ".dbcs"] = Hex(system.dbcs);
        m[key + ".full_text"] = Hex(system.full_text);
        m[key + ".keyword_links"] = Hex(system.keyword_links);
        m[key + ".associative_links"] = Hex(system.associative_links);
        m[key + ".filetime"] = Hex(system.filetime);
        break;
      case 7:
      case 8:
      case 10:
      case 11:
      case 12:
      case 15:
        m[key] = r.data.size() == 4
                     ? Hex(static_cast<std::uint32_t>(
                           static_cast<unsigned char>(r.data[0]) |
                           static_cast<unsigned char>(r.data[1]) << 8 |
                           static_cast<unsigned char>(r.data[2]) << 16 |
                           static_cast<std::uint32_t>(static_cast<unsigned char>(r.data[3])) << 24))
                     : "size " + Hex(r.data.size());
        break;
      case 13: {
        const std::string* idx = File("/#IDXHDR");
        m[key] = idx && *idx == r.data ? "#IDXHDR" : "size " + Hex(r.data.size());
        break;
      }
      default: {
        const bool terminated = !r.data.empty() && r.data.back() == '\0';
        m[key] = Quoted(std::string(r.data.c_str())) + (terminated ? "" : " unterminated");
      }
    }
  }

  m["windows.count"] = std::to_string(windows.size());
  if (File("/#WINDOWS")) m["windows.entry_size"] = Hex(windows_entry_size);
  for (size_t i = 0; i < windows.size(); ++i) {
    const WindowFields& w = windows[i];
    const std::string k = "windows." + std::to_string(i) + ".";
    m[k + "size"] = Hex(w.size);
    m[k + "unicode"] = Hex(w.unicode);
    m[k + "name"] = Quoted(w.name);
    m[k + "valid"] = Hex(w.valid);
    m[k + "properties"] = Hex(w.properties);
    m[k + "caption"] = Quoted(w.caption);
    m[k + "styles"] = Hex(w.styles);
    m[k + "ex_styles"] = Hex(w.ex_styles);
    m[k + "rect"] = "[" + std::to_string(w.rect[0]) + "," + std::to_string(w.rect[1]) + "," +
                    std::to_string(w.rect[2]) + "," + std::to_string(w.rect[3]) + "]";
    m[k + "show_state"] = Hex(w.show_state);
    m[k + "nav_width"] = Hex(w.nav_width);
    m[k + "toc"] = Quoted(w.toc);
    m[k + "index"] = Quoted(w.index);
    m[k + "file"] = Quoted(w.file);
    m[k + "home"] = Quoted(w.home);
    m[k + "buttons"] = Hex(w.buttons);
    m[k + "not_expanded"] = Hex(w.not_expanded);
    m[k + "nav_type"] = Hex(w.nav_type);
    m[k + "tab_pos"] = Hex(w.tab_pos);
    m[k + "notify_id"] = Hex(w.notify_id);
    m[k + "jump1"] = Quoted(w.jump1_text) + "->" + Quoted(w.jump1_url);
    m[k + "jump2"] = Quoted(w.jump2_text) + "->" + Quoted(w.jump2_url);
    m[k + "runtime_fields"] = w.nonzero_runtime_fields ? "set" : "zero";
  }

  m["idxhdr.signature"] = Quoted(idxhdr.signature);
  m["idxhdr.size"] = Hex(idxhdr.size);
  m["idxhdr.stamp"] = Hex(idxhdr.stamp);
  m["idxhdr.unknown_08"] = Hex(idxhdr.unknown_08);
  m["idxhdr.topic_count"] = Hex(idxhdr.topic_count);
  m["idxhdr.folder_images"] = Hex(idxhdr.folder_images);
  m["idxhdr.unknown_44"] = Hex(idxhdr.unknown_44);
  auto property = [&](std::uint32_t v, bool text) {
    return v == 0xFFFFFFFFu ? std::string("unset") : text ? Quoted(StringAt(v)) : Hex(v);
  };
  m["idxhdr.image_list"] = property(idxhdr.image_list, true);
  m["idxhdr.background"] = property(idxhdr.background, false);
  m["idxhdr.foreground"] = property(idxhdr.foreground, false);
  m["idxhdr.font"] = property(idxhdr.font, true);
  m["idxhdr.window_styles"] = property(idxhdr.window_styles, false);
  m["idxhdr.ex_window_styles"] = property(idxhdr.ex_window_styles, false);
  m["idxhdr.unknown_34"] = property(idxhdr.unknown_34, false);
  m["idxhdr.frame_name"] = property(idxhdr.frame_name, true);
  m["idxhdr.window_name"] = property(idxhdr.window_name, true);
  m["idxhdr.merge_count"] = Hex(idxhdr.merge_count);
  m["idxhdr.unknown_4c"] = Hex(idxhdr.unknown_4c);
  std::string merged;
  for (std::uint32_t at : idxhdr.merged_books)
    merged += (merged.empty() ? "" : ",") + Quoted(StringAt(at));
  m["idxhdr.merged_books"] = merged;

  m["topics.count"] = std::to_string(topics.size());
  for (size_t i = 0; i < topics.size(); ++i) {
    const TopicFields& t = topics[i];
    const std::string k = "topics." + std::to_string(i) + ".";
    m[k + "name"] = Quoted(t.name);
    m[k + "title"] = t.title_offset == 0xFFFFFFFFu ? "none" : Quoted(t.title);
    m[k + "flags"] = Hex(t.flags);
    m[k + "toc_offset"] = Hex(t.toc_offset);
  }
  m["urltbl.rows"] = std::to_string(urltbl.size());
  bool sorted = true;
  for (size_t i = 1; i < urltbl.size(); ++i) sorted &= urltbl[i - 1].key <= urltbl[i].key;
  m["urltbl.sorted"] = sorted ? "yes" : "no";
  return m;
}

InspectedBook InspectBook(const std::filesystem::path& path) {
  InspectedBook book;
  book.bytes = ReadBytes(path);
  if (book.bytes.size() < 0x78) {
    book.problems.push_back("shorter than the ITSF header");
    return book;
  }
  ReadHeaders(&book);
  ReadListing(&book);
  ReadFiles(path, &book);
  ReadDataSpace(&book);
  ReadSystem(&book);
  ReadWindows(&book);
  ReadIdxhdr(&book);
  ReadTopics(&book);
  return book;
}

bool DirectoryOrderLess(const std::string& a, const std::string& b) {
  auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const int x = fold(static_cast<unsigned char>(a[i]));
    const int y = fold(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

}  // namespace chm_test

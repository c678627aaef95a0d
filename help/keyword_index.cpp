#include "help/keyword_index.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "help/search_objects.h"
#include "text/codepage.h"

namespace chm {
namespace {

constexpr size_t kBlockSize = 2048;
constexpr size_t kHeaderSize = 0x4C;
constexpr size_t kListingHeaderSize = 12;  // free bytes, entries, previous and next block
constexpr size_t kIndexHeaderSize = 8;     // free bytes, entries, first child block
constexpr std::uint32_t kNoBlock = 0xFFFFFFFF;
constexpr std::uint32_t kDataRecordSize = 13;
constexpr std::uint8_t kDataRecord[kDataRecordSize] = {0, 0, 0, 0, 5, 0, 0, 0, 0x80, 0, 0, 0, 0};
constexpr std::uint32_t kBTreeVersion = 10031;

// Windows' order of the ASCII punctuation; '-' and '\'' are left out of the first comparison.
constexpr std::string_view kPunctuationOrder = " !\"#$%&()*,./:;?@[\\]^_`{|}~+<=>";

// The first-level weight of a byte of code page 1252, 0 for one that does not count there.
std::uint32_t PrimaryWeight(std::uint8_t c) {
  if (c == '-' || c == '\'') return 0;
  if (c >= '0' && c <= '9') return 0x1000 + c;
  const CharacterSort sort = SortOf1252(c);
  if (sort.kind == 1 || sort.kind == 2) return 0x2000 + sort.weight;  // letters, either case
  const size_t at = kPunctuationOrder.find(static_cast<char>(c));
  if (at != std::string_view::npos) return 0x100 + static_cast<std::uint32_t>(at);
  return 0x800 + c;
}

void Utf16Of(unsigned code_page, const std::string& bytes, Bytes* out) {
  std::string utf8;
  if (!text::DecodeCodePage(code_page, bytes, &utf8)) utf8 = bytes;
  size_t i = 0;
  while (i < utf8.size()) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    char32_t cp = c;
    size_t n = 1;
    if (c >= 0xF0 && i + 3 < utf8.size()) {
      cp = (c & 7u) << 18 | (utf8[i + 1] & 0x3Fu) << 12 | (utf8[i + 2] & 0x3Fu) << 6 |
           (utf8[i + 3] & 0x3Fu);
      n = 4;
    } else if (c >= 0xE0 && i + 2 < utf8.size()) {
      cp = (c & 15u) << 12 | (utf8[i + 1] & 0x3Fu) << 6 | (utf8[i + 2] & 0x3Fu);
      n = 3;
    } else if (c >= 0xC0 && i + 1 < utf8.size()) {
      cp = (c & 31u) << 6 | (utf8[i + 1] & 0x3Fu);
      n = 2;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      PutU16(out, 0xD800 + (cp >> 10));
      PutU16(out, 0xDC00 + (cp & 0x3FF));
    } else {
      PutU16(out, cp);
    }
    i += n;
  }
  PutU16(out, 0);
}

constexpr std::uint16_t kSeeAlso = 2;
constexpr std::string_view kPathSeparator = ", ";

struct Entry {
  Bytes text;  // the whole path, UTF-16LE with its terminator
  std::uint16_t depth = 0;
  std::uint32_t name_at = 0;  // where the keyword's own name starts in the text, in characters
  Bytes see_also;             // UTF-16LE with its terminator; empty for an ordinary keyword
  const std::vector<std::uint32_t>* topics = nullptr;
};

// The part of a listing or index entry after its text, before its tail.
void PutEntryBody(Bytes* b, const Entry& e) {
  b->insert(b->end(), e.text.begin(), e.text.end());
  PutU16(b, e.see_also.empty() ? 0 : kSeeAlso);
  PutU16(b, e.depth);
  PutU32(b, e.name_at);
  PutU32(b, 0);
  if (!e.see_also.empty()) {
    PutU32(b, 1);
    b->insert(b->end(), e.see_also.begin(), e.see_also.end());
    return;
  }
  PutU32(b, static_cast<std::uint32_t>(e.topics->size()));
  for (std::uint32_t t : *e.topics) PutU32(b, t);
}

size_t EntryBodySize(const Entry& e) {
  return e.text.size() + 16 + (e.see_also.empty() ? 4 * e.topics->size() : e.see_also.size());
}

using Path = std::vector<std::string>;  // the parents, then the keyword itself

struct Merged {
  std::vector<std::uint32_t> topics;
  std::string see_also;
  bool listed = false;
};

// Level by level, so that a keyword's children follow it before any keyword that merely starts
// with its name ("Alpha", "Alpha, Sub", "Alpha beta").
bool PathBefore(const Path* a, const Path* b) {
  for (size_t i = 0; i < a->size() && i < b->size(); ++i) {
    if (KeywordBefore1252((*a)[i], (*b)[i])) return true;
    if (KeywordBefore1252((*b)[i], (*a)[i])) return false;
  }
  return a->size() < b->size();
}

std::string Joined(const Path& path, size_t parts) {
  std::string s;
  for (size_t i = 0; i < parts; ++i) {
    if (i) s += kPathSeparator;
    s += path[i];
  }
  return s;
}

}  // namespace

bool CanSortKeywords(unsigned code_page) { return code_page == 1252; }

bool KeywordBefore1252(const std::string& a, const std::string& b) {
  auto weights = [](const std::string& s) {
    std::vector<std::uint32_t> w;
    for (unsigned char c : s) {
      if (std::uint32_t p = PrimaryWeight(c)) w.push_back(p);
    }
    return w;
  };
  const std::vector<std::uint32_t> wa = weights(a), wb = weights(b);
  if (wa != wb) return wa < wb;
  // Then lower case before upper case, then the rest byte by byte.
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    const std::uint16_t ka = SortOf1252(static_cast<std::uint8_t>(a[i])).kind;
    const std::uint16_t kb = SortOf1252(static_cast<std::uint8_t>(b[i])).kind;
    if (ka != kb && (ka == 1 || ka == 2) && (kb == 1 || kb == 2)) return ka < kb;
  }
  return a < b;
}

KeywordIndex BuildKeywordIndex(const std::vector<Keyword>& keywords, unsigned code_page,
                               std::uint32_t lcid, std::string* too_large) {
  std::map<Path, Merged> merged;
  for (const Keyword& k : keywords) {
    if (k.name.empty()) continue;
    Path path = k.parents;
    path.push_back(k.name);
    Merged& m = merged[path];
    for (std::uint32_t t : k.topics) {
      if (std::find(m.topics.begin(), m.topics.end(), t) == m.topics.end()) m.topics.push_back(t);
    }
    if (m.see_also.empty()) m.see_also = k.see_also;
  }
  // A keyword with topics or a reference is listed, and so is every keyword above it.
  for (auto& [path, m] : merged) {
    if (m.topics.empty() && m.see_also.empty()) continue;
    m.listed = true;
    for (size_t n = 1; n < path.size(); ++n)
      merged[Path(path.begin(), path.begin() + n)].listed = true;
  }
  std::vector<const std::pair<const Path, Merged>*> order;
  for (const auto& m : merged) {
    if (m.second.listed) order.push_back(&m);
  }
  KeywordIndex out;
  if (order.empty()) return out;
  std::stable_sort(order.begin(), order.end(),
                   [](const auto* a, const auto* b) { return PathBefore(&a->first, &b->first); });
  std::vector<Entry> entries;
  for (const auto* m : order) {
    const Path& path = m->first;
    Entry e;
    Utf16Of(code_page, Joined(path, path.size()), &e.text);
    e.depth = static_cast<std::uint16_t>(path.size() - 1);
    if (path.size() > 1) {
      Bytes prefix;
      Utf16Of(code_page, Joined(path, path.size() - 1) + std::string(kPathSeparator), &prefix);
      e.name_at = static_cast<std::uint32_t>(prefix.size() / 2 - 1);
    }
    if (!m->second.see_also.empty()) Utf16Of(code_page, m->second.see_also, &e.see_also);
    e.topics = &m->second.topics;
    // Every entry fits an empty listing block; so each index block takes two children at least.
    if (kListingHeaderSize + EntryBodySize(e) + 8 > kBlockSize) {
      if (too_large) *too_large = Joined(path, path.size());
      return {};
    }
    entries.push_back(std::move(e));
  }

  // Listing blocks, as full as they go.
  std::vector<Bytes> blocks;
  std::vector<size_t> first_of_block;
  for (size_t i = 0; i < entries.size();) {
    Bytes block(kListingHeaderSize, 0);
    first_of_block.push_back(i);
    size_t count = 0;
    while (i < entries.size() &&
           (count == 0 || block.size() + EntryBodySize(entries[i]) + 8 <= kBlockSize)) {
      PutEntryBody(&block, entries[i]);
      PutU32(&block, 1);
      PutU32(&block, static_cast<std::uint32_t>(i * kDataRecordSize));
      ++i;
      ++count;
    }
    SetU16(&block, 0, static_cast<std::uint32_t>(kBlockSize - block.size()));
    SetU16(&block, 2, static_cast<std::uint32_t>(count));
    blocks.push_back(std::move(block));
  }
  const std::uint32_t listing = static_cast<std::uint32_t>(blocks.size());
  for (std::uint32_t b = 0; b < listing; ++b) {
    SetU32(&blocks[b], 4, b == 0 ? kNoBlock : b - 1);
    SetU32(&blocks[b], 8, b + 1 == listing ? kNoBlock : b + 1);
  }

  // Index levels: each names the first keyword of every child but the first.
  std::vector<std::pair<std::uint32_t, size_t>> children;  // block, its first entry
  for (std::uint32_t b = 0; b < listing; ++b) children.emplace_back(b, first_of_block[b]);
  std::uint16_t depth = 1;
  while (children.size() > 1) {
    std::vector<std::pair<std::uint32_t, size_t>> parents;
    for (size_t c = 0; c < children.size();) {
      Bytes block(kIndexHeaderSize, 0);
      SetU32(&block, 4, children[c].first);
      const size_t first = children[c].second;
      ++c;
      size_t count = 0;
      while (c < children.size() &&
             block.size() + EntryBodySize(entries[children[c].second]) + 4 <= kBlockSize) {
        PutEntryBody(&block, entries[children[c].second]);
        PutU32(&block, children[c].first);
        ++c;
        ++count;
      }
      SetU16(&block, 0, static_cast<std::uint32_t>(kBlockSize - block.size()));
      SetU16(&block, 2, static_cast<std::uint32_t>(count));
      parents.emplace_back(static_cast<std::uint32_t>(blocks.size()), first);
      blocks.push_back(std::move(block));
    }
    children.swap(parents);
    ++depth;
  }

  Bytes& t = out.btree;
  PutU16(&t, 0x293B);
  PutU16(&t, 0x0104);
  PutU16(&t, kBlockSize);
  PutText(&t, "X44");
  PutZeros(&t, 13);
  PutU32(&t, 0);
  PutU32(&t, listing - 1);
  PutU32(&t, children[0].first);
  PutU32(&t, kNoBlock);
  PutU32(&t, static_cast<std::uint32_t>(blocks.size()));
  PutU16(&t, depth);
  PutU32(&t, static_cast<std::uint32_t>(entries.size()));
  PutU32(&t, code_page);
  PutU32(&t, lcid);
  PutU32(&t, 1);
  PutU32(&t, kBTreeVersion);
  t.resize(kHeaderSize, 0);
  for (Bytes& block : blocks) {
    block.resize(kBlockSize, 0);
    t.insert(t.end(), block.begin(), block.end());
  }

  for (size_t i = 0; i < entries.size(); ++i) {
    out.data.insert(out.data.end(), std::begin(kDataRecord), std::end(kDataRecord));
  }
  PutU16(&out.map, listing);
  for (std::uint32_t b = 0; b < listing; ++b) {
    PutU32(&out.map, static_cast<std::uint32_t>(first_of_block[b]));
    PutU32(&out.map, b);
  }
  for (std::uint32_t v : {0u, 0u, 0u, 0x0Cu, 1u, 1u, 0u, 0u}) PutU32(&out.property, v);
  return out;
}

}  // namespace chm

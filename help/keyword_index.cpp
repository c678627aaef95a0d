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

struct Entry {
  Bytes text;  // UTF-16LE with its terminator
  const std::vector<std::uint32_t>* topics;
};

// The part of a listing or index entry after its text, before its tail.
void PutEntryBody(Bytes* b, const Entry& e) {
  b->insert(b->end(), e.text.begin(), e.text.end());
  PutU16(b, 0);  // not a "see also" entry
  PutU16(b, 0);  // top level
  PutU32(b, 0);  // where the last part of the name starts
  PutU32(b, 0);
  PutU32(b, static_cast<std::uint32_t>(e.topics->size()));
  for (std::uint32_t t : *e.topics) PutU32(b, t);
}

size_t EntryBodySize(const Entry& e) { return e.text.size() + 16 + 4 * e.topics->size(); }

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
  std::map<std::string, std::vector<std::uint32_t>> merged;
  for (const Keyword& k : keywords) {
    std::vector<std::uint32_t>& topics = merged[k.name];
    for (std::uint32_t t : k.topics) {
      if (std::find(topics.begin(), topics.end(), t) == topics.end()) topics.push_back(t);
    }
  }
  std::vector<const std::pair<const std::string, std::vector<std::uint32_t>>*> order;
  for (const auto& m : merged) {
    if (!m.second.empty() && !m.first.empty()) order.push_back(&m);
  }
  KeywordIndex out;
  if (order.empty()) return out;
  std::stable_sort(order.begin(), order.end(), [](const auto* a, const auto* b) {
    return KeywordBefore1252(a->first, b->first);
  });
  std::vector<Entry> entries;
  for (const auto* m : order) {
    Entry e;
    Utf16Of(code_page, m->first, &e.text);
    e.topics = &m->second;
    // Every entry fits an empty listing block; so each index block takes two children at least.
    if (kListingHeaderSize + EntryBodySize(e) + 8 > kBlockSize) {
      if (too_large) *too_large = m->first;
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

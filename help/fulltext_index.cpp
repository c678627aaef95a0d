#include "help/fulltext_index.h"

#include <algorithm>
#include <array>

namespace chm {
namespace {

constexpr size_t kHeaderSize = 0x400;
constexpr size_t kNodeSize = 0x1000;
constexpr size_t kLeafHeaderSize = 8;   // next leaf, 0, free bytes
constexpr size_t kIndexHeaderSize = 2;  // free bytes
constexpr unsigned kMinRoot = 1, kMaxRoot = 24;

void PutLeb128(std::string* s, std::uint32_t v) {
  while (v >= 0x80) {
    s->push_back(static_cast<char>((v & 0x7F) | 0x80));
    v >>= 7;
  }
  s->push_back(static_cast<char>(v));
}

std::uint32_t GetLeb128(const std::string& s, size_t* at) {
  std::uint32_t v = 0;
  for (int shift = 0;; shift += 7) {
    const std::uint8_t c = static_cast<std::uint8_t>(s[(*at)++]);
    v |= std::uint32_t(c & 0x7F) << shift;
    if (!(c & 0x80)) return v;
  }
}

void PutEncInt(Bytes* b, std::uint32_t v) {
  while (v >= 0x80) {
    b->push_back(static_cast<std::uint8_t>((v & 0x7F) | 0x80));
    v >>= 7;
  }
  b->push_back(static_cast<std::uint8_t>(v));
}
size_t EncIntSize(std::uint32_t v) {
  size_t n = 1;
  while (v >= 0x80) v >>= 7, ++n;
  return n;
}

unsigned BitLength(std::uint32_t v) { return v == 0 ? 0 : 32 - __builtin_clz(v); }

// Bits a value of bit length `n` takes in the scale-2 code with root `r`.
std::uint64_t CodeBits(unsigned n, unsigned r) { return n <= r ? 1 + r : 2 * (n - r) + r; }

// The root that codes a histogram of bit lengths in the fewest bits.
unsigned BestRoot(const std::array<std::uint64_t, 33>& lengths) {
  unsigned best = kMinRoot;
  std::uint64_t best_bits = ~std::uint64_t{0};
  for (unsigned r = kMinRoot; r <= kMaxRoot; ++r) {
    std::uint64_t bits = 0;
    for (unsigned n = 0; n <= 32; ++n) bits += lengths[n] * CodeBits(n, r);
    if (bits < best_bits) best = r, best_bits = bits;
  }
  return best;
}

// Bits go out most significant first; a 64-bit accumulator keeps whole bytes going out.
class BitWriter {
 public:
  explicit BitWriter(Bytes* out) : out_(out) {}
  ~BitWriter() { Align(); }
  void Put(std::uint64_t v, unsigned bits) {  // bits <= 32
    acc_ = (acc_ << bits) | (v & ((std::uint64_t{1} << bits) - 1));
    count_ += bits;
    while (count_ >= 8) {
      count_ -= 8;
      out_->push_back(static_cast<std::uint8_t>(acc_ >> count_));
    }
  }
  // p one bits, a zero, then the value: in r bits when it fits, else without its top bit.
  void PutCode(std::uint32_t v, unsigned r) {
    const unsigned n = BitLength(v);
    if (n <= r) {
      Put(v, r + 1);  // the leading zero bit, then v
      return;
    }
    const unsigned p = n - r;
    Put((std::uint64_t{1} << (p + 1)) - 2, p + 1);  // p ones and a zero
    Put(v, n - 1);
  }
  // Pads the last byte with zero bits.
  void Align() {
    if (count_ > 0) Put(0, 8 - count_);
  }

 private:
  Bytes* out_;
  std::uint64_t acc_ = 0;
  unsigned count_ = 0;
};

size_t SharedPrefix(const std::string& a, const std::string& b) {
  size_t n = std::min({a.size(), b.size(), size_t{255}});
  size_t i = 0;
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

void PutWord(Bytes* node, const std::string& word, const std::string* previous) {
  const size_t shared = previous ? SharedPrefix(*previous, word) : 0;
  PutU8(node, static_cast<std::uint32_t>(word.size() - shared + 1));
  PutU8(node, static_cast<std::uint32_t>(shared));
  PutText(node, std::string_view(word).substr(shared));
}

size_t WordSize(const std::string& word, const std::string* previous) {
  return 2 + word.size() - (previous ? SharedPrefix(*previous, word) : 0);
}

}  // namespace

FullTextIndex::FullTextIndex(unsigned code_page, std::uint32_t lcid)
    : breaker_(code_page), code_page_(code_page), lcid_(lcid) {}

void FullTextIndex::SetStopWords(std::string_view list) {
  breaker_.ForEachWord(list, &scratch_, [&](std::string_view w) {
    if (stop_words_.emplace(std::string(w)).second) stop_list_.emplace_back(w);
  });
}

namespace {

// FNV-1a over the word's bytes, the title flag first.
std::uint32_t HashWord(std::string_view word, bool title) {
  std::uint32_t h = title ? 0x050C5D1Fu : 0x811C9DC5u;
  for (char c : word) h = (h ^ static_cast<std::uint8_t>(c)) * 0x01000193u;
  return h ^ (h >> 15);
}

}  // namespace

void FullTextIndex::GrowSlots() {
  slots_.assign(slots_.empty() ? 1024 : slots_.size() * 2, 0);
  const size_t mask = slots_.size() - 1;
  for (std::uint32_t n = 0; n < entries_.size(); ++n) {
    size_t i = entries_[n].hash & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = n + 1;
  }
}

std::uint32_t FullTextIndex::EntryFor(std::string_view word, bool title) {
  std::uint32_t* by_character = nullptr;
  if (word.size() == 2 && !by_character_.empty() &&
      breaker_.IsLeadByte(static_cast<std::uint8_t>(word[0]))) {
    by_character = &by_character_[(title ? 0x10000u : 0u) | (std::uint8_t(word[0]) << 8) |
                                  std::uint8_t(word[1])];
    if (*by_character != ~0u) return *by_character;
  }
  if ((entries_.size() + 1) * 2 > slots_.size()) GrowSlots();
  const std::uint32_t hash = HashWord(word, title);
  const size_t mask = slots_.size() - 1;
  size_t i = hash & mask;
  for (; slots_[i] != 0; i = (i + 1) & mask) {
    const Entry& e = entries_[slots_[i] - 1];
    if (e.hash == hash && e.title == title && e.word == word) return slots_[i] - 1;
  }
  const auto index = static_cast<std::uint32_t>(entries_.size());
  slots_[i] = index + 1;
  if (by_character) *by_character = index;
  Entry e;
  e.word.assign(word);
  e.hash = hash;
  e.title = title;
  entries_.push_back(std::move(e));
  return index;
}

void FullTextIndex::AddText(std::string_view text, bool title, std::uint32_t* position) {
  breaker_.ForEachWord(text, &scratch_, [&](std::string_view word) {
    const std::uint32_t at = (*position)++;
    if (word.size() > kMaxIndexedWord) return;
    ++occurrences_;
    occurrence_bytes_ += word.size();
    if (!stop_words_.empty() && stop_words_.count(std::string(word))) return;
    const std::uint32_t index = EntryFor(word, title);
    Entry& e = entries_[index];
    const std::uint32_t here = static_cast<std::uint32_t>(page_positions_.size());
    page_positions_.push_back(Position{at, ~0u});
    if (e.page != pages_) {
      e.page = pages_;
      e.first = here;
      e.count = 0;
      page_entries_.push_back(index);
    } else {
      page_positions_[e.last].next = here;
    }
    e.last = here;
    ++e.count;
  });
}

void FullTextIndex::AddPage(std::uint32_t topic, std::string_view title, std::string_view body) {
  if (by_character_.empty() && breaker_.IsDbcs()) by_character_.assign(0x20000, ~0u);
  page_positions_.clear();
  page_entries_.clear();
  std::uint32_t position = 0;
  AddText(title, true, &position);
  AddText(body, false, &position);
  if (page_entries_.empty()) return;
  for (std::uint32_t index : page_entries_) {
    Entry& e = entries_[index];
    const std::uint32_t step = e.topics == 0 ? topic : topic - e.last_topic;
    PutLeb128(&e.postings, step);
    PutLeb128(&e.postings, e.count);
    ++lengths_[0][BitLength(step)];
    ++lengths_[1][BitLength(e.count)];
    std::uint32_t previous = 0;
    for (std::uint32_t k = e.first; k != ~0u; k = page_positions_[k].next) {
      PutLeb128(&e.postings, page_positions_[k].at - previous);
      ++lengths_[2][BitLength(page_positions_[k].at - previous)];
      previous = page_positions_[k].at;
    }
    e.topics += 1;
    e.last_topic = topic;
  }
  ++pages_;
  last_topic_ = topic;
}

Bytes FullTextIndex::Build() const {
  std::vector<std::uint32_t> order(entries_.size());
  for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    const Entry& x = entries_[a];
    const Entry& y = entries_[b];
    if (x.word != y.word) {
      return std::lexicographical_compare(
          x.word.begin(), x.word.end(), y.word.begin(), y.word.end(),
          [](char c, char d) { return std::uint8_t(c) < std::uint8_t(d); });
    }
    return !x.title && y.title;
  });

  // The roots that code the three kinds of number in the fewest bits.
  const unsigned doc_root = BestRoot(lengths_[0]);
  const unsigned count_root = BestRoot(lengths_[1]);
  const unsigned position_root = BestRoot(lengths_[2]);

  // Each word's location data is written straight into its place below; here only its size, in
  // index order, so that a large book's index is not held twice.
  auto for_each_topic = [](const Entry& e, auto visit) {
    size_t at = 0;
    while (at < e.postings.size()) {
      const std::uint32_t step = GetLeb128(e.postings, &at);
      const std::uint32_t count = GetLeb128(e.postings, &at);
      const size_t positions = at;
      for (std::uint32_t k = 0; k < count; ++k) GetLeb128(e.postings, &at);
      visit(step, count, positions);
    }
  };
  std::vector<std::uint32_t> location_sizes(order.size());
  size_t location_bytes = 0;
  for (size_t i = 0; i < order.size(); ++i) {
    const Entry& e = entries_[order[i]];
    std::uint64_t bytes = 0;
    for_each_topic(e, [&](std::uint32_t step, std::uint32_t count, size_t positions) {
      std::uint64_t bits =
          CodeBits(BitLength(step), doc_root) + CodeBits(BitLength(count), count_root);
      for (std::uint32_t k = 0; k < count; ++k)
        bits += CodeBits(BitLength(GetLeb128(e.postings, &positions)), position_root);
      bytes += (bits + 7) / 8;
    });
    location_sizes[i] = static_cast<std::uint32_t>(bytes);
    location_bytes += bytes;
  }
  auto write_locations = [&](const Entry& e, Bytes* out) {
    BitWriter bits(out);
    for_each_topic(e, [&](std::uint32_t step, std::uint32_t count, size_t positions) {
      bits.PutCode(step, doc_root);
      bits.PutCode(count, count_root);
      for (std::uint32_t k = 0; k < count; ++k)
        bits.PutCode(GetLeb128(e.postings, &positions), position_root);
      bits.Align();
    });
  };

  // Leaves: as many entries as fit, each leaf preceded by its words' location data.
  struct Leaf {
    size_t first, end;  // entries [first, end) of `order`
  };
  std::vector<Leaf> leaves;
  auto entry_size = [&](size_t i, const std::string* previous) {
    const Entry& e = entries_[order[i]];
    return WordSize(e.word, previous) + 1 + EncIntSize(e.topics) + 4 + 2 +
           EncIntSize(location_sizes[i]);
  };
  for (size_t i = 0; i < order.size();) {
    size_t used = kLeafHeaderSize;
    size_t j = i;
    while (j < order.size()) {
      const size_t size = entry_size(j, j == i ? nullptr : &entries_[order[j - 1]].word);
      if (used + size > kNodeSize) break;
      used += size;
      ++j;
    }
    leaves.push_back({i, j});
    i = j;
  }
  if (leaves.empty()) leaves.push_back({0, 0});

  Bytes out(kHeaderSize, 0);
  // The index levels hold one entry per node below them: an eighth more is plenty.
  out.reserve(kHeaderSize + location_bytes + leaves.size() * kNodeSize * 9 / 8 + kNodeSize);
  std::vector<std::pair<std::uint32_t, const std::string*>> children;  // node offset, last word
  std::uint32_t last_leaf_free = 0;
  size_t pending_next = 0;  // where the previous leaf keeps the offset of the next
  for (size_t l = 0; l < leaves.size(); ++l) {
    const Leaf& leaf = leaves[l];
    std::vector<std::uint32_t> placed(leaf.end - leaf.first);
    for (size_t i = leaf.first; i < leaf.end; ++i) {
      placed[i - leaf.first] = static_cast<std::uint32_t>(out.size());
      write_locations(entries_[order[i]], &out);
    }
    const std::uint32_t node_at = static_cast<std::uint32_t>(out.size());
    if (l > 0) SetU32(&out, pending_next, node_at);
    pending_next = out.size();
    PutU32(&out, 0);  // next leaf, set when it is written
    PutU16(&out, 0);
    PutU16(&out, 0);  // free bytes, set below
    for (size_t i = leaf.first; i < leaf.end; ++i) {
      const Entry& e = entries_[order[i]];
      PutWord(&out, e.word, i == leaf.first ? nullptr : &entries_[order[i - 1]].word);
      PutU8(&out, e.title ? 1 : 0);
      PutEncInt(&out, e.topics);
      PutU32(&out, placed[i - leaf.first]);
      PutU16(&out, 0);
      PutEncInt(&out, location_sizes[i]);
    }
    last_leaf_free = static_cast<std::uint32_t>(kNodeSize - (out.size() - node_at));
    SetU16(&out, node_at + 6, last_leaf_free);
    out.resize(node_at + kNodeSize, 0);
    children.emplace_back(node_at,
                          leaf.end > leaf.first ? &entries_[order[leaf.end - 1]].word : nullptr);
  }

  // Index levels until one node holds them all.
  static const std::string kNoWord;
  std::uint16_t depth = 1;
  while (children.size() > 1) {
    std::vector<std::pair<std::uint32_t, const std::string*>> parents;
    size_t i = 0;
    while (i < children.size()) {
      const std::uint32_t node_at = static_cast<std::uint32_t>(out.size());
      PutU16(&out, 0);
      size_t used = kIndexHeaderSize;
      const std::string* previous = nullptr;
      const size_t first = i;
      while (i < children.size()) {
        const std::string& word = children[i].second ? *children[i].second : kNoWord;
        const size_t size = WordSize(word, previous) + 4 + 2;
        if (i > first && used + size > kNodeSize) break;
        PutWord(&out, word, previous);
        PutU32(&out, children[i].first);
        PutU16(&out, 0);
        used += size;
        previous = &word;
        ++i;
      }
      SetU16(&out, node_at, static_cast<std::uint32_t>(kNodeSize - used));
      out.resize(node_at + kNodeSize, 0);
      parents.emplace_back(node_at, children[i - 1].second);
    }
    children.swap(parents);
    ++depth;
  }
  const std::uint32_t root = children[0].first;

  size_t longest = 0, unique_bytes = 0;
  for (const Entry& e : entries_) {
    longest = std::max(longest, e.word.size());
    unique_bytes += e.word.size();
  }
  std::unordered_set<std::string_view> distinct;
  for (const Entry& e : entries_) distinct.insert(e.word);

  SetU32(&out, 0x00, 0x00280000);
  SetU32(&out, 0x04, pages_);
  SetU32(&out, 0x08, root);
  SetU32(&out, 0x10, static_cast<std::uint32_t>(leaves.size()));
  SetU32(&out, 0x14, root);
  SetU16(&out, 0x18, depth);
  SetU32(&out, 0x1A, 7);
  out[0x1E] = 2;
  out[0x1F] = static_cast<std::uint8_t>(doc_root);
  out[0x20] = 2;
  out[0x21] = static_cast<std::uint8_t>(count_root);
  out[0x22] = 2;
  out[0x23] = static_cast<std::uint8_t>(position_root);
  SetU32(&out, 0x2E, kNodeSize);
  SetU32(&out, 0x32, 1);
  SetU32(&out, 0x3E, static_cast<std::uint32_t>(longest));
  SetU32(&out, 0x42, static_cast<std::uint32_t>(occurrences_));
  SetU32(&out, 0x46, static_cast<std::uint32_t>(distinct.size()));
  SetU32(&out, 0x4A, static_cast<std::uint32_t>(occurrence_bytes_));
  SetU32(&out, 0x4E, static_cast<std::uint32_t>(occurrence_bytes_));
  SetU32(&out, 0x52, static_cast<std::uint32_t>(unique_bytes));
  SetU32(&out, 0x56, last_leaf_free);
  SetU32(&out, 0x5E, last_topic_);
  SetU32(&out, 0x7A, code_page_);
  SetU32(&out, 0x7E, lcid_);
  return out;
}

}  // namespace chm

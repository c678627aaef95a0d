#include "help/search_objects.h"

#include <string_view>

namespace chm {
namespace {

#include "help/search_objects_tables.inc"

constexpr std::uint32_t kObjectsVersion = 0x04000000;
constexpr size_t kCharacterTableSize = 256 * 10;
static_assert(sizeof kCharactersLowerHalf / 2 + sizeof kCharacters1252UpperHalf / 2 ==
                  kCharacterTableSize &&
              sizeof kCharacters936UpperHalf == sizeof kCharacters1252UpperHalf);
constexpr std::uint32_t kHasCharacterTable = 0x01, kHasLigatures = 0x02, kHasStopList = 0x04,
                        kHasStemmer = 0x08;
constexpr std::uint16_t kStopListMark = 0x2222;
constexpr std::uint16_t kStopListHeaderSize = 0x28;
constexpr std::uint32_t kIndexObjectMark = 666, kIndexObjectVersion = 10031;
constexpr std::uint16_t kEnglish = 0x09;

// After the version, flags, code page, LCID and eight zero bytes: settings that are the same in
// every book Windows' compiler writes.
constexpr std::uint8_t kBreakerSettings[38] = {0x55, 0x55, 0x14, 0x00, 0x0F, 0x0A, 0x00,
                                               0x00, 0x00, 0x01, 0x05, 0x00, 0x03};
// Ligatures spelt out for the search, as code page 1252 bytes (written for every code page).
constexpr std::uint8_t kLigatures[] = {0x00, 0x00, 0xC6, 'a', 'e', 0xE6, 'a', 'e', 0xDF,
                                       's',  's',  0x8C, 'o', 'e', 0x9C, 'o', 'e'};

void PutHex(Bytes* b, std::string_view hex) {
  auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    b->push_back(static_cast<std::uint8_t>(nibble(hex[i]) << 4 | nibble(hex[i + 1])));
  }
}

void PutWordBreakerGuid(Bytes* b) {
  PutGuid(b, 0x4662DAAF, 0xD393, 0x11D0, {0x9A, 0x56, 0x00, 0xC0, 0x4F, 0xB6, 0x8B, 0xF7});
}
void PutStemmerGuid(Bytes* b) {
  PutGuid(b, 0x8FA0D5A8, 0xDEDF, 0x11D0, {0x9A, 0x61, 0x00, 0xC0, 0x4F, 0xB6, 0x8B, 0xF7});
}
void PutIndexGuid(Bytes* b) {
  PutGuid(b, 0x4662DAB0, 0xD393, 0x11D0, {0x9A, 0x56, 0x00, 0xC0, 0x4F, 0xB6, 0x8B, 0x66});
}

}  // namespace

CharacterSort SortOf1252(std::uint8_t c) {
  static const Bytes table = [] {
    Bytes t;
    PutHex(&t, kCharactersLowerHalf);
    PutHex(&t, kCharacters1252UpperHalf);
    return t;
  }();
  const std::uint8_t* r = &table[c * 10u];
  return CharacterSort{static_cast<std::uint16_t>(r[4] | r[5] << 8),
                       static_cast<std::uint16_t>(r[2] | r[3] << 8)};
}

bool HasSearchObjects(unsigned code_page) { return code_page == 1252 || code_page == 936; }

Bytes BuildSearchObjects(unsigned code_page, std::uint32_t lcid,
                         const std::vector<std::string>& stop_words) {
  const bool stemmer = (lcid & 0x3FF) == kEnglish;
  std::vector<const std::string*> stops;
  for (const std::string& w : stop_words) {
    if (!w.empty() && w.size() <= 0xFF) stops.push_back(&w);
  }
  Bytes breaker;
  PutWordBreakerGuid(&breaker);
  PutU32(&breaker, kObjectsVersion);
  PutU32(&breaker, kHasCharacterTable | kHasLigatures | (stops.empty() ? 0 : kHasStopList) |
                       (stemmer ? kHasStemmer : 0));
  PutU32(&breaker, code_page);
  PutU32(&breaker, lcid);
  PutZeros(&breaker, 8);
  breaker.insert(breaker.end(), std::begin(kBreakerSettings), std::end(kBreakerSettings));
  PutHex(&breaker, kCharactersLowerHalf);
  PutHex(&breaker, code_page == 936 ? kCharacters936UpperHalf : kCharacters1252UpperHalf);
  breaker.insert(breaker.end(), std::begin(kLigatures), std::end(kLigatures));
  if (!stops.empty()) {
    std::uint32_t list_size = 0;
    for (const std::string* w : stops) list_size += 2 + static_cast<std::uint32_t>(w->size());
    PutU16(&breaker, kStopListMark);
    PutU16(&breaker, kStopListHeaderSize);
    PutU32(&breaker, list_size);
    PutZeros(&breaker, kStopListHeaderSize - 8);
    for (const std::string* w : stops) {
      PutU16(&breaker, static_cast<std::uint32_t>(w->size()));
      PutText(&breaker, *w);
    }
    PutU16(&breaker, 0);
  }
  if (stemmer) {
    PutStemmerGuid(&breaker);
    PutU32(&breaker, kObjectsVersion);
    PutU32(&breaker, 1);
    PutU32(&breaker, code_page);
    PutU32(&breaker, lcid);
    PutU32(&breaker, 0);
  }

  Bytes index;
  PutIndexGuid(&index);
  PutU32(&index, kIndexObjectMark);
  PutU32(&index, code_page);
  PutU32(&index, lcid);
  PutU32(&index, kIndexObjectVersion);
  PutU32(&index, 0);

  Bytes out;
  PutU32(&out, kObjectsVersion);
  PutU32(&out, 2);
  const std::uint32_t first = 4 + 4 + 2 * 8;
  PutU32(&out, first);
  PutU32(&out, static_cast<std::uint32_t>(breaker.size()));
  PutU32(&out, first + static_cast<std::uint32_t>(breaker.size()));
  PutU32(&out, static_cast<std::uint32_t>(index.size()));
  out.insert(out.end(), breaker.begin(), breaker.end());
  out.insert(out.end(), index.begin(), index.end());
  return out;
}

}  // namespace chm

#include "book/chapter_list.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

#include "text/ascii.h"
#include "text/utf.h"

namespace book {
namespace {

// "*.htm*": ".htm" anywhere, since "*" also spans dots ("a.htm.bak").
bool ContainsHtmNoCase(const std::string& s) {
  for (std::size_t i = 0; i + 4 <= s.size(); ++i) {
    if (s[i] == '.' && text::LowerAscii(s[i + 1]) == 'h' && text::LowerAscii(s[i + 2]) == 't' &&
        text::LowerAscii(s[i + 3]) == 'm')
      return true;
  }
  return false;
}

// One character of a name: its code point and its bytes. A byte that does not begin a valid
// UTF-8 sequence is a character of its own (code point 0xFFFFFFFF), so any name can be sorted.
struct NameChar {
  char32_t code;
  std::size_t size;
};
constexpr char32_t kNotUtf8 = 0xFFFFFFFF;

NameChar CharAt(const std::string& s, std::size_t i) {
  std::size_t next = i;
  char32_t c;
  if (!text::DecodeUtf8(s, &next, &c)) return {kNotUtf8, 1};
  return {c, next - i};
}

// The value of an ASCII or full-width digit, or -1.
int DigitValue(char32_t c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 0xFF10 && c <= 0xFF19) return static_cast<int>(c - 0xFF10);
  return -1;
}

// Chinese numerals: digits 0 to 9 (with 两 and the financial forms), and the units.
enum class NumeralKind { kNone, kDigit, kUnit, kBigUnit };
struct Numeral {
  NumeralKind kind;
  std::uint64_t value;
};

Numeral ChineseNumeral(char32_t c) {
  switch (c) {
    case U'〇':
    case U'零':
      return {NumeralKind::kDigit, 0};
    case U'一':
    case U'壹':
      return {NumeralKind::kDigit, 1};
    case U'二':
    case U'两':
    case U'贰':
      return {NumeralKind::kDigit, 2};
    case U'三':
    case U'叁':
      return {NumeralKind::kDigit, 3};
    case U'四':
    case U'肆':
      return {NumeralKind::kDigit, 4};
    case U'五':
    case U'伍':
      return {NumeralKind::kDigit, 5};
    case U'六':
    case U'陆':
      return {NumeralKind::kDigit, 6};
    case U'七':
    case U'柒':
      return {NumeralKind::kDigit, 7};
    case U'八':
    case U'捌':
      return {NumeralKind::kDigit, 8};
    case U'九':
    case U'玖':
      return {NumeralKind::kDigit, 9};
    case U'十':
    case U'拾':
      return {NumeralKind::kUnit, 10};
    case U'百':
    case U'佰':
      return {NumeralKind::kUnit, 100};
    case U'千':
    case U'仟':
      return {NumeralKind::kUnit, 1000};
    case U'万':
      return {NumeralKind::kBigUnit, 10000};
    case U'亿':
      return {NumeralKind::kBigUnit, 100000000};
    default:
      return {NumeralKind::kNone, 0};
  }
}

// The value of a run of Chinese numerals, or false when the run is no number ("百" alone,
// "万一", "十百"). Digits alone read place by place (二〇二六 is 2026); with units the usual
// grammar applies: 十 may stand without a digit before it, 零 marks a skipped place, 万 and
// 亿 close a section (一万亿 is 10^12).
bool ChineseNumberValue(const std::vector<Numeral>& run, std::uint64_t& value) {
  if (std::all_of(run.begin(), run.end(),
                  [](const Numeral& n) { return n.kind == NumeralKind::kDigit; })) {
    if (run.size() > 18) return false;
    value = 0;
    for (const Numeral& n : run) value = value * 10 + n.value;
    return true;
  }
  std::uint64_t total = 0, section = 0, last_unit = 10000, last_big = 0;
  int digit = -1;  // the digit waiting for its unit
  for (const Numeral& n : run) {
    switch (n.kind) {
      case NumeralKind::kDigit:
        if (digit > 0) return false;  // two digits in a row, other than after 零
        digit = static_cast<int>(n.value);
        break;
      case NumeralKind::kUnit:
        if (n.value >= last_unit || digit == 0) return false;
        if (digit < 0 && !(n.value == 10 && section == 0)) return false;
        section += (digit < 0 ? 1 : static_cast<std::uint64_t>(digit)) * n.value;
        last_unit = n.value;
        digit = -1;
        break;
      case NumeralKind::kBigUnit: {
        const std::uint64_t part = section + (digit > 0 ? static_cast<std::uint64_t>(digit) : 0);
        if (n.value == 10000) {
          if (part == 0 || last_big == 10000) return false;
          total += part * 10000;
        } else {
          if (last_big == 100000000 || (part == 0 && last_big != 10000)) return false;
          total = (total + part) * 100000000;
        }
        last_big = n.value;
        section = 0;
        last_unit = 10000;
        digit = -1;
        break;
      }
      case NumeralKind::kNone:
        return false;
    }
    if (total > 1000000000000000ull) return false;
  }
  value = total + section + (digit > 0 ? static_cast<std::uint64_t>(digit) : 0);
  return true;
}

// A piece of a name: a number (its value as decimal digits without leading zeros) or one
// character (its bytes, ASCII letters lowered).
struct Piece {
  bool number;
  std::string text;
};

void AddCharacter(const std::string& name, std::size_t at, std::size_t size,
                  std::vector<Piece>& pieces) {
  std::string bytes = name.substr(at, size);
  if (size == 1) bytes[0] = text::LowerAscii(bytes[0]);
  pieces.push_back({false, std::move(bytes)});
}

std::string DecimalDigits(std::uint64_t value) {
  return value == 0 ? std::string() : std::to_string(value);
}

std::vector<Piece> SplitIntoPieces(const std::string& name) {
  std::vector<Piece> pieces;
  std::size_t i = 0;
  while (i < name.size()) {
    NameChar c = CharAt(name, i);
    if (DigitValue(c.code) >= 0) {
      std::string digits;
      while (i < name.size()) {
        const NameChar d = CharAt(name, i);
        const int value = DigitValue(d.code);
        if (value < 0) break;
        if (!digits.empty() || value != 0) digits.push_back(static_cast<char>('0' + value));
        i += d.size;
      }
      pieces.push_back({true, std::move(digits)});
      continue;
    }
    if (ChineseNumeral(c.code).kind != NumeralKind::kNone) {
      std::vector<Numeral> run;
      std::size_t end = i;
      while (end < name.size()) {
        const NameChar n = CharAt(name, end);
        const Numeral numeral = ChineseNumeral(n.code);
        if (numeral.kind == NumeralKind::kNone) break;
        run.push_back(numeral);
        end += n.size;
      }
      std::uint64_t value;
      if (ChineseNumberValue(run, value)) {
        pieces.push_back({true, DecimalDigits(value)});
        i = end;
        continue;
      }
      // No number: the first numeral is a character like any other, and the search for a
      // number starts again after it ("万一" is 万, then the number 1).
    }
    AddCharacter(name, i, c.size, pieces);
    i += c.size;
  }
  return pieces;
}

// Numbers compare by value; a number meets a character where the digit 0 would.
int ComparePieces(const Piece& a, const Piece& b) {
  if (a.number && b.number) {
    if (a.text.size() != b.text.size()) return a.text.size() < b.text.size() ? -1 : 1;
    return a.text.compare(b.text);
  }
  const std::string& x = a.number ? std::string("0") : a.text;
  const std::string& y = b.number ? std::string("0") : b.text;
  return x.compare(y);
}

int ComparePieceLists(const std::vector<Piece>& a, const std::vector<Piece>& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (int r = ComparePieces(a[i], b[i])) return r;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

bool IsChapterFileName(const std::string& name) {
  return ContainsHtmNoCase(name) || text::EndsWithNoCase(name, ".txt") ||
         text::EndsWithNoCase(name, ".mht");
}

bool ComesBeforeInReadingOrder(const std::string& a, const std::string& b) {
  int r = ComparePieceLists(SplitIntoPieces(a), SplitIntoPieces(b));
  return r != 0 ? r < 0 : a < b;
}

void SortChapterNames(std::vector<std::string>& names) {
  // Each name is split once; a folder of thousands of chapters sorts without splitting
  // names again at every comparison.
  std::vector<std::vector<Piece>> pieces;
  pieces.reserve(names.size());
  for (const std::string& name : names) pieces.push_back(SplitIntoPieces(name));
  std::vector<std::size_t> order(names.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
    int r = ComparePieceLists(pieces[x], pieces[y]);
    return r != 0 ? r < 0 : names[x] < names[y];
  });
  std::vector<std::string> sorted;
  sorted.reserve(names.size());
  for (std::size_t k : order) sorted.push_back(std::move(names[k]));
  names = std::move(sorted);
}

}  // namespace book

#include "text/chapter_encoding.h"

#include <algorithm>

#include "text/ascii.h"
#include "text/codepage.h"
#include "text/utf.h"

namespace text {
namespace {

struct CharsetLabel {
  std::string_view label;
  unsigned code_page;
};

// The labels browsers and mail programs write for the code pages in use, lower case. Every code
// page named here is one that Windows and iconv both convert.
constexpr CharsetLabel kCharsetLabels[] = {
    {"utf-8", 65001},
    {"utf8", 65001},
    {"unicode-1-1-utf-8", 65001},
    {"x-unicode20utf8", 65001},
    {"utf-16", 65001},
    {"utf-16le", 65001},
    {"utf-16be", 65001},
    {"unicode", 65001},
    {"ucs-2", 65001},
    {"gbk", 936},
    {"gb2312", 936},
    {"gb_2312", 936},
    {"gb_2312-80", 936},
    {"chinese", 936},
    {"csgb2312", 936},
    {"csiso58gb231280", 936},
    {"iso-ir-58", 936},
    {"x-gbk", 936},
    {"cp936", 936},
    {"windows-936", 936},
    {"ms936", 936},
    {"gb18030", 54936},
    {"big5", 950},
    {"big5-hkscs", 950},
    {"cn-big5", 950},
    {"csbig5", 950},
    {"x-x-big5", 950},
    {"cp950", 950},
    {"shift_jis", 932},
    {"shift-jis", 932},
    {"sjis", 932},
    {"ms_kanji", 932},
    {"csshiftjis", 932},
    {"windows-31j", 932},
    {"x-sjis", 932},
    {"cp932", 932},
    {"euc-kr", 949},
    {"ks_c_5601-1987", 949},
    {"korean", 949},
    {"cp949", 949},
    {"windows-949", 949},
    {"csksc56011987", 949},
    {"windows-874", 874},
    {"tis-620", 874},
    {"iso-8859-11", 874},
    {"iso-8859-1", 1252},
    {"iso8859-1", 1252},
    {"iso_8859-1", 1252},
    {"latin1", 1252},
    {"l1", 1252},
    {"us-ascii", 1252},
    {"ascii", 1252},
    {"ansi_x3.4-1968", 1252},
    {"cp819", 1252},
    {"ibm819", 1252},
    {"iso-8859-9", 1254},
    {"latin5", 1254},
};

// "windows-1250" .. "windows-1258", "cp1252", "x-cp1251".
unsigned WindowsCodePage(std::string_view label) {
  for (std::string_view prefix : {"windows-", "x-cp", "cp"}) {
    if (!StartsWithNoCase(label, prefix)) continue;
    std::string_view digits = label.substr(prefix.size());
    if (digits.size() == 4 && digits.substr(0, 3) == "125" && digits[3] >= '0' && digits[3] <= '8')
      return 1250 + static_cast<unsigned>(digits[3] - '0');
  }
  return 0;
}

bool IsLabelChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.' || c == ':';
}

// The value after `key` in a tag: blanks, "=", blanks, an optional quote, then the label.
std::string ValueAfterKey(std::string_view tag, std::string_view key) {
  for (std::size_t at = FindNoCase(tag, key); at != std::string_view::npos;
       at = FindNoCase(tag, key, at + 1)) {
    std::size_t p = at + key.size();
    while (p < tag.size() && IsBlank(tag[p])) ++p;
    if (p >= tag.size() || tag[p] != '=') continue;
    ++p;
    while (p < tag.size() && IsBlank(tag[p])) ++p;
    if (p < tag.size() && (tag[p] == '"' || tag[p] == '\'')) ++p;
    std::size_t end = p;
    while (end < tag.size() && IsLabelChar(tag[end])) ++end;
    if (end > p) return std::string(tag.substr(p, end - p));
  }
  return std::string();
}

// The bytes at the end of `s` that open a multi-byte character without finishing it.
std::size_t UnfinishedTail(std::string_view s) {
  for (std::size_t back = 1; back <= 3 && back <= s.size(); ++back) {
    const unsigned char b = static_cast<unsigned char>(s[s.size() - back]);
    if (b < 0x80) return 0;
    if (b >= 0xC0) {
      const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
      return length > back ? back : 0;
    }
  }
  return 0;
}

constexpr std::size_t kLongestTag = 1024;

}  // namespace

std::size_t ByteOrderMark(std::string_view head, Encoding* encoding) {
  if (head.size() >= 3 && head.substr(0, 3) == "\xEF\xBB\xBF") {
    *encoding = Encoding::kUtf8;
    return 3;
  }
  if (head.size() >= 2 && head.substr(0, 2) == "\xFF\xFE") {
    *encoding = Encoding::kUtf16Le;
    return 2;
  }
  if (head.size() >= 2 && head.substr(0, 2) == "\xFE\xFF") {
    *encoding = Encoding::kUtf16Be;
    return 2;
  }
  return 0;
}

unsigned CodePageForCharset(std::string_view label) {
  label = Trim(label);
  for (const CharsetLabel& known : kCharsetLabels) {
    if (EqualsNoCase(label, known.label)) return known.code_page;
  }
  return WindowsCodePage(label);
}

ChapterEncoding EncodingForCharset(std::string_view label, unsigned ansi_code_page, bool* known) {
  const unsigned code_page = CodePageForCharset(label);
  *known = code_page != 0;
  if (code_page == 65001) return {Encoding::kUtf8, 0};
  if (code_page == 0 || code_page == ansi_code_page) return {Encoding::kAnsi, 0};
  return {Encoding::kCodePage, code_page};
}

void CharsetSniffer::Feed(std::string_view piece) {
  if (declared_.empty()) FindDeclaration(piece);
  if (!utf8_valid_) return;
  std::string text = utf8_carry_;
  text.append(piece);
  const std::size_t tail = UnfinishedTail(text);
  utf8_carry_ = text.substr(text.size() - tail);
  text.resize(text.size() - tail);
  if (IsAscii(text)) return;
  utf8_valid_ = IsValidUtf8(text) && FitsAnsiCodePage(text);
  utf8_multibyte_ = true;
}

bool CharsetSniffer::FitsAnsiCodePage(std::string_view utf8) const {
  std::string bytes;
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t start = i;
    char32_t c;
    DecodeUtf8(utf8, &i, &c);
    if (c >= 0x80 && c <= 0x7FF &&
        !EncodeCodePage(ansi_code_page_, utf8.substr(start, i - start), &bytes))
      return false;
  }
  return true;
}

void CharsetSniffer::FindDeclaration(std::string_view piece) {
  std::string text = std::move(open_tag_);
  open_tag_.clear();
  text.append(piece);
  for (std::size_t lt = text.find('<'); lt != std::string::npos; lt = text.find('<', lt + 1)) {
    const std::string_view rest = std::string_view(text).substr(lt);
    const bool meta =
        StartsWithNoCase(rest, "<meta") && (rest.size() == 5 || IsBlank(rest[5]) || rest[5] == '/');
    const bool xml = StartsWithNoCase(rest, "<?xml");
    if (!meta && !xml) continue;
    const std::size_t gt = rest.find('>');
    if (gt == std::string_view::npos) {
      if (rest.size() <= kLongestTag) open_tag_.assign(rest);
      return;
    }
    declared_ = ValueAfterKey(rest.substr(0, gt), meta ? "charset" : "encoding");
    if (!declared_.empty()) return;
    lt += gt;
  }
}

ChapterEncoding CharsetSniffer::Decide() const {
  if (!declared_.empty()) {
    bool known;
    ChapterEncoding declared = EncodingForCharset(declared_, ansi_code_page_, &known);
    if (known) return declared;
  }
  return {LooksLikeUtf8() ? Encoding::kUtf8 : Encoding::kAnsi, 0};
}

std::string Utf16BytesToUtf8(std::string_view bytes, bool big_endian) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const unsigned a = static_cast<unsigned char>(bytes[2 * i]);
    const unsigned b = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] = static_cast<char16_t>(big_endian ? (a << 8) | b : (b << 8) | a);
  }
  if (bytes.size() % 2) units.push_back(static_cast<char16_t>(kReplacementCharacter));
  return Utf16ToUtf8(units);
}

ChapterEncoding DecidePageEncoding(std::string_view page, std::size_t head_size,
                                   unsigned ansi_code_page) {
  Encoding marked;
  if (ByteOrderMark(page, &marked) > 0) return {marked, 0};
  CharsetSniffer sniffer(ansi_code_page);
  sniffer.Feed(page.substr(0, std::min(head_size, page.size())));
  return sniffer.Decide();
}

}  // namespace text

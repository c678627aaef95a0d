#include "text/mime.h"

#include <utility>
#include <vector>

#include "text/ascii.h"
#include "text/chapter_encoding.h"
#include "text/codepage.h"
#include "text/utf.h"

namespace text {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// The position just after the line end at or after `from` (CR LF or LF), or npos.
std::size_t NextLine(std::string_view s, std::size_t from) {
  const std::size_t lf = s.find('\n', from);
  return lf == std::string_view::npos ? lf : lf + 1;
}

// A line without its end.
std::string_view LineAt(std::string_view s, std::size_t at) {
  std::size_t lf = s.find('\n', at);
  std::string_view line = s.substr(at, lf == std::string_view::npos ? lf : lf - at);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

using Headers = std::vector<std::pair<std::string, std::string>>;

bool IsHeaderName(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (c <= ' ' || c >= 0x7F) return false;
  }
  return true;
}

constexpr std::size_t kLongestHeaderBlock = 64 * 1024;

enum class BlockScan { kNotHeaders, kNeedMore, kDone };

// The header block at `*at` up to its empty line, unfolded; `*at` moves past the empty line.
BlockScan ReadHeaders(std::string_view s, bool complete, std::size_t* at, Headers* headers) {
  headers->clear();
  std::size_t p = *at;
  while (true) {
    const std::size_t next = NextLine(s, p);
    if (next == std::string_view::npos) {
      if (complete && p == s.size()) break;  // headers and no body
      return (complete || s.size() - *at > kLongestHeaderBlock) ? BlockScan::kNotHeaders
                                                                : BlockScan::kNeedMore;
    }
    std::string_view line = LineAt(s, p);
    p = next;
    if (line.empty()) break;
    if (line.front() == ' ' || line.front() == '\t') {
      if (headers->empty()) return BlockScan::kNotHeaders;
      headers->back().second.append(line);
      continue;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !IsHeaderName(line.substr(0, colon)))
      return BlockScan::kNotHeaders;
    headers->emplace_back(std::string(line.substr(0, colon)),
                          std::string(Trim(line.substr(colon + 1))));
  }
  *at = p;
  return BlockScan::kDone;
}

std::string HeaderValue(const Headers& headers, std::string_view name) {
  for (const auto& header : headers) {
    if (EqualsNoCase(header.first, name)) return header.second;
  }
  return std::string();
}

std::string MediaType(const Headers& headers) {
  const std::string value = HeaderValue(headers, "Content-Type");
  return LowerAscii(Trim(std::string_view(value).substr(0, value.find(';'))));
}

// Undoes the part's transfer encoding. Identity encodings leave the bytes as they are.
std::string DecodeBody(std::string_view body, const std::string& transfer, bool* encoded) {
  *encoded = true;
  if (EqualsNoCase(transfer, "quoted-printable")) return DecodeQuotedPrintable(body);
  if (EqualsNoCase(transfer, "base64")) {
    std::string bytes;
    DecodeBase64(body, &bytes);
    return bytes;
  }
  *encoded = false;
  return std::string(body);
}

// Finds the delimiter line "--boundary" at or after `from`; npos when none.
std::size_t FindDelimiter(std::string_view s, std::string_view boundary, std::size_t from) {
  const std::string delimiter = "--" + std::string(boundary);
  for (std::size_t at = s.find(delimiter, from); at != std::string_view::npos;
       at = s.find(delimiter, at + 1)) {
    if (at == 0 || s[at - 1] == '\n') return at;
  }
  return std::string_view::npos;
}

constexpr int kDeepestNesting = 4;

ArchiveScan ScanBody(std::string_view s, bool complete, const Headers& headers, std::size_t body,
                     int depth, WebArchive* archive);

ArchiveScan ScanMultipart(std::string_view s, bool complete, std::string_view boundary,
                          std::size_t body, int depth, WebArchive* archive) {
  std::size_t at = FindDelimiter(s, boundary, body);
  while (at != std::string_view::npos) {
    const std::string_view line = LineAt(s, at);
    if (line.size() >= boundary.size() + 4 && line.substr(boundary.size() + 2, 2) == "--")
      return ArchiveScan::kFound;  // the closing delimiter: no page in this message
    std::size_t part = NextLine(s, at);
    if (part == std::string_view::npos) break;
    Headers headers;
    BlockScan block = ReadHeaders(s, complete, &part, &headers);
    if (block == BlockScan::kNeedMore) return ArchiveScan::kNeedMore;
    if (block == BlockScan::kNotHeaders) return ArchiveScan::kFound;
    const std::string type = MediaType(headers);
    if (type == "text/html" || StartsWithNoCase(type, "multipart/")) {
      // A nested multipart ends at its own closing delimiter, which the nested scan finds.
      std::size_t end = FindDelimiter(s, boundary, part);
      if (end == std::string_view::npos && !complete) return ArchiveScan::kNeedMore;
      std::string_view whole = s.substr(0, end == std::string_view::npos ? s.size() : end);
      ArchiveScan scan = ScanBody(whole, true, headers, part, depth + 1, archive);
      if (scan != ArchiveScan::kFound || archive->has_page) return scan;
    }
    at = FindDelimiter(s, boundary, part);
  }
  return complete ? ArchiveScan::kFound : ArchiveScan::kNeedMore;
}

ArchiveScan ScanBody(std::string_view s, bool complete, const Headers& headers, std::size_t body,
                     int depth, WebArchive* archive) {
  const std::string type = MediaType(headers);
  if (type == "text/html") {
    std::string_view bytes = s.substr(body);
    // The line end before a delimiter belongs to the delimiter.
    if (!bytes.empty() && bytes.back() == '\n') bytes.remove_suffix(1);
    if (!bytes.empty() && bytes.back() == '\r') bytes.remove_suffix(1);
    archive->page = DecodeBody(bytes, HeaderValue(headers, "Content-Transfer-Encoding"),
                               &archive->page_encoded);
    archive->charset = HeaderParameter(HeaderValue(headers, "Content-Type"), "charset");
    archive->has_page = true;
    return ArchiveScan::kFound;
  }
  if (StartsWithNoCase(type, "multipart/") && depth < kDeepestNesting) {
    const std::string boundary = HeaderParameter(HeaderValue(headers, "Content-Type"), "boundary");
    if (!boundary.empty()) return ScanMultipart(s, complete, boundary, body, depth, archive);
  }
  return ArchiveScan::kFound;
}

}  // namespace

std::string DecodeQuotedPrintable(std::string_view encoded) {
  std::string out;
  out.reserve(encoded.size());
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const char c = encoded[i];
    if (c != '=') {
      out.push_back(c);
      continue;
    }
    if (i + 2 < encoded.size() && HexValue(encoded[i + 1]) >= 0 && HexValue(encoded[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexValue(encoded[i + 1]) * 16 + HexValue(encoded[i + 2])));
      i += 2;
      continue;
    }
    // A soft line break: "=", perhaps blanks that some writers leave, then the line end.
    std::size_t p = i + 1;
    while (p < encoded.size() && (encoded[p] == ' ' || encoded[p] == '\t')) ++p;
    if (p < encoded.size() && encoded[p] == '\r') ++p;
    if (p < encoded.size() && encoded[p] == '\n') {
      i = p;
      continue;
    }
    if (p == encoded.size()) break;
    out.push_back(c);
  }
  return out;
}

bool DecodeBase64(std::string_view encoded, std::string* bytes) {
  bytes->clear();
  std::uint32_t bits = 0;
  int count = 0;
  for (char c : encoded) {
    if (c == '\r' || c == '\n' || c == ' ' || c == '\t') continue;
    if (c == '=') break;
    const int value = Base64Value(c);
    if (value < 0) return false;
    bits = (bits << 6) | static_cast<std::uint32_t>(value);
    if (++count == 4) {
      bytes->push_back(static_cast<char>(bits >> 16));
      bytes->push_back(static_cast<char>(bits >> 8));
      bytes->push_back(static_cast<char>(bits));
      bits = 0;
      count = 0;
    }
  }
  // A last group of two or three characters carries one or two bytes.
  if (count >= 2) bytes->push_back(static_cast<char>(bits >> (6 * count - 8)));
  if (count == 3) bytes->push_back(static_cast<char>(bits >> 2));
  return true;
}

std::string DecodeEncodedWords(std::string_view value) {
  std::string out;
  std::string blanks;  // blanks after an encoded word, dropped if another one follows
  bool after_word = false;
  std::size_t i = 0;
  while (i < value.size()) {
    // =?charset?encoding?text?=
    std::size_t q1, q2, end;
    if (value.compare(i, 2, "=?") == 0 && (q1 = value.find('?', i + 2)) != std::string_view::npos &&
        q1 + 2 < value.size() && value[q1 + 2] == '?' &&
        (end = value.find("?=", q1 + 3)) != std::string_view::npos) {
      q2 = q1 + 2;
      std::string_view charset = value.substr(i + 2, q1 - i - 2);
      charset = charset.substr(0, charset.find('*'));  // RFC 2231 language suffix
      const char kind = LowerAscii(value[q1 + 1]);
      std::string_view payload = value.substr(q2 + 1, end - q2 - 1);
      std::string bytes;
      bool ok = kind == 'b' || kind == 'q';
      if (kind == 'b') ok = DecodeBase64(payload, &bytes);
      if (kind == 'q') {
        std::string spaced(payload);
        for (char& c : spaced) c = c == '_' ? ' ' : c;
        bytes = DecodeQuotedPrintable(spaced);
      }
      const unsigned code_page = CodePageForCharset(charset);
      std::string utf8;
      if (ok && code_page == 65001) {
        ok = IsValidUtf8(bytes);
        utf8 = std::move(bytes);
      } else if (ok) {
        ok = code_page != 0 && DecodeCodePage(code_page, bytes, &utf8);
      }
      if (ok) {
        if (!after_word) out += blanks;
        out += utf8;
        blanks.clear();
        after_word = true;
        i = end + 2;
        continue;
      }
    }
    const char c = value[i++];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      blanks.push_back(c);
      continue;
    }
    out += blanks;
    blanks.clear();
    out.push_back(c);
    after_word = false;
  }
  out += blanks;
  return out;
}

std::string HeaderParameter(std::string_view header_value, std::string_view name) {
  std::size_t i = header_value.find(';');
  while (i != std::string_view::npos && i < header_value.size()) {
    ++i;
    while (i < header_value.size() && IsBlank(header_value[i])) ++i;
    std::size_t eq = header_value.find('=', i);
    if (eq == std::string_view::npos) return std::string();
    const bool wanted = EqualsNoCase(Trim(header_value.substr(i, eq - i)), name);
    std::size_t p = eq + 1;
    while (p < header_value.size() && IsBlank(header_value[p])) ++p;
    std::string value;
    if (p < header_value.size() && header_value[p] == '"') {
      for (++p; p < header_value.size() && header_value[p] != '"'; ++p) {
        if (header_value[p] == '\\' && p + 1 < header_value.size()) ++p;
        value.push_back(header_value[p]);
      }
      i = header_value.find(';', p);
    } else {
      i = header_value.find(';', p);
      value = std::string(Trim(header_value.substr(p, i == std::string_view::npos ? i : i - p)));
    }
    if (wanted) return value;
  }
  return std::string();
}

ArchiveScan ScanWebArchive(std::string_view bytes, bool complete, WebArchive* archive) {
  *archive = WebArchive();
  Headers headers;
  std::size_t body = 0;
  switch (ReadHeaders(bytes, complete, &body, &headers)) {
    case BlockScan::kNotHeaders:
      return ArchiveScan::kNotArchive;
    case BlockScan::kNeedMore:
      return ArchiveScan::kNeedMore;
    case BlockScan::kDone:
      break;
  }
  const std::string type = MediaType(headers);
  if (type != "text/html" && !StartsWithNoCase(type, "multipart/")) return ArchiveScan::kNotArchive;
  archive->subject = DecodeEncodedWords(HeaderValue(headers, "Subject"));
  return ScanBody(bytes, complete, headers, body, 0, archive);
}

}  // namespace text

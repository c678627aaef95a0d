// Web archives (.mht) as browsers save them: a MIME message whose parts are the page and its
// pictures, each possibly transfer-encoded. Enough of MIME to find the page and its name.
#pragma once

#include <string>
#include <string_view>

namespace text {

// Quoted-printable: "=XX" is a byte in hex (either case), "=" at a line end is a soft line
// break and disappears; any other "=" stays as it is.
std::string DecodeQuotedPrintable(std::string_view encoded);

// Base64, skipping line ends and blanks, up to the first "=" pad. False on any other byte
// outside the alphabet; what was decoded up to it is kept.
bool DecodeBase64(std::string_view encoded, std::string* bytes);

// A header value with RFC 2047 encoded words ("=?utf-8?Q?=E7=AC=AC?=", "=?gb2312?B?...?=")
// decoded into UTF-8; blanks between two encoded words go, as the RFC says. A word in a
// charset we cannot read, or that does not decode, stays as written. Text outside encoded
// words is taken as it is.
std::string DecodeEncodedWords(std::string_view value);

// The value of a parameter of a structured header ("charset" in
// `text/html; charset="gb2312"`), unquoted; empty when absent.
std::string HeaderParameter(std::string_view header_value, std::string_view name);

struct WebArchive {
  std::string subject;        // the message's Subject header, unfolded, encoded words decoded
  std::string page;           // the first text/html part, transfer encoding undone
  std::string charset;        // that part's charset parameter, may be empty
  bool page_encoded = false;  // the part was quoted-printable or base64
  bool has_page = false;
};

enum class ArchiveScan {
  kNotArchive,  // no MIME message: headers, then a text/html or multipart body
  kNeedMore,    // the page part is not complete in the bytes given
  kFound,       // `archive` is filled (has_page false when the message holds no page)
};

// Reads a web archive from the start of a file. `complete` says that `bytes` is the whole
// file; otherwise a page part that may go on past the end asks for more.
ArchiveScan ScanWebArchive(std::string_view bytes, bool complete, WebArchive* archive);

}  // namespace text

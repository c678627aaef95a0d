// What a chapter's own bytes say about their encoding: a byte-order mark, a declared charset,
// or UTF-8 recognised by its form. The book's title reader and the compiler's link scan decide
// with this one code, so that titles and links agree on what a page is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace text {

enum class Encoding {
  kAnsi,      // nothing said otherwise: the system's ANSI code page, as always
  kUtf8,      // a UTF-8 byte-order mark, a declaration, or text that is UTF-8 by its form
  kUtf16Le,   // a UTF-16 byte-order mark: FF FE
  kUtf16Be,   //                           FE FF
  kCodePage,  // a declared charset of another code page (big5 on a GBK system, say)
};

struct ChapterEncoding {
  Encoding encoding = Encoding::kAnsi;
  unsigned code_page = 0;  // for kCodePage
};

// The length of a byte-order mark at the start of `head` (0 when none) and what it marks.
std::size_t ByteOrderMark(std::string_view head, Encoding* encoding);

// The Windows code page a charset label names ("GB2312" -> 936, "utf-8" -> 65001), for the
// labels whose text both platforms decode; 0 for a label we cannot read. As browsers do, the
// Latin-1 and ASCII labels mean windows-1252, and UTF-16 declared inside 8-bit text means
// UTF-8.
unsigned CodePageForCharset(std::string_view label);

// The encoding decided for a charset label within a system whose ANSI code page is
// `ansi_code_page`: UTF-8, ANSI when the label names the system's own code page, another
// code page, or nothing (`*known` false) when we cannot read it.
ChapterEncoding EncodingForCharset(std::string_view label, unsigned ansi_code_page, bool* known);

// Looks at 8-bit text piece by piece, in file order, for what decides its encoding: the first
// charset declared in a <meta> tag (charset=..., or content="text/html; charset=...") or in
// an XML declaration (encoding=...), in any case, quoted or not; and whether all the text is
// well-formed UTF-8 with at least one multi-byte character. A tag may span pieces.
//
// Text in a double-byte code page is often well-formed UTF-8 by chance when it is short: GBK's
// 图 is CD BC, which UTF-8 reads as the combining mark U+033C. Such a chance reading gives
// characters of two UTF-8 bytes (U+0080 to U+07FF) that the ANSI code page lacks; text that
// holds one is not taken for UTF-8. Real UTF-8 text in these languages has none, since the
// code pages carry the Latin, Greek and Cyrillic letters it might hold.
class CharsetSniffer {
 public:
  explicit CharsetSniffer(unsigned ansi_code_page) : ansi_code_page_(ansi_code_page) {}

  void Feed(std::string_view piece);

  // The declared label, empty when none has been seen.
  const std::string& declared() const { return declared_; }
  bool LooksLikeUtf8() const { return utf8_valid_ && utf8_multibyte_; }

  // Declared charset first (when we can read it), otherwise UTF-8 by its form, otherwise ANSI.
  ChapterEncoding Decide() const;

 private:
  void FindDeclaration(std::string_view text);
  bool FitsAnsiCodePage(std::string_view utf8) const;

  unsigned ansi_code_page_;
  std::string declared_;
  std::string open_tag_;    // the start of a <meta or <?xml tag not yet closed
  std::string utf8_carry_;  // a multi-byte character cut at the end of the last piece
  bool utf8_valid_ = true;
  bool utf8_multibyte_ = false;
};

// UTF-16 bytes without their mark as UTF-8; a lone surrogate or a last odd byte becomes U+FFFD.
std::string Utf16BytesToUtf8(std::string_view bytes, bool big_endian);

// The encoding of a whole page held in memory, as the compiler sees it: the byte-order mark,
// otherwise what the sniffer finds in its first `head_size` bytes.
ChapterEncoding DecidePageEncoding(std::string_view page, std::size_t head_size,
                                   unsigned ansi_code_page);

}  // namespace text

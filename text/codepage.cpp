#include "text/codepage.h"

#include "text/utf.h"

namespace text {

unsigned CodePageForLcid(std::uint32_t lcid) {
  switch (lcid & 0xFFFF) {
    case 0x0804:
    case 0x1004:
      return 936;
    case 0x0404:
    case 0x0C04:
    case 0x1404:
      return 950;
    case 0x0411:
      return 932;
    case 0x0412:
      return 949;
    case 0x041E:
      return 874;
    case 0x0419:
    case 0x0422:
    case 0x0423:
    case 0x0402:
    case 0x042F:
    case 0x0C1A:
      return 1251;
    case 0x0415:
    case 0x0405:
    case 0x040E:
    case 0x041B:
    case 0x0424:
    case 0x041A:
    case 0x0418:
    case 0x041C:
      return 1250;
    case 0x0408:
      return 1253;
    case 0x041F:
    case 0x042C:
      return 1254;
    case 0x040D:
      return 1255;
    case 0x0401:
    case 0x0801:
    case 0x0C01:
    case 0x0429:
    case 0x0420:
      return 1256;
    case 0x0425:
    case 0x0426:
    case 0x0427:
      return 1257;
    case 0x042A:
      return 1258;
    default:
      return 1252;
  }
}

bool IsDbcsCodePage(unsigned code_page) {
  return code_page == 932 || code_page == 936 || code_page == 949 || code_page == 950;
}

bool IsLeadByte(unsigned code_page, unsigned char byte) {
  switch (code_page) {
    case 932:
      return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:
    case 949:
    case 950:
      return byte >= 0x81 && byte <= 0xFE;
    default:
      return false;
  }
}

// Whole first, which is the common case; character by character only when that fails, so
// that the characters the code page has keep their bytes.
std::string EncodeCodePageReplacing(unsigned code_page, std::string_view utf8) {
  std::string out;
  if (EncodeCodePage(code_page, utf8, &out)) return out;
  out.clear();
  std::string piece;
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t start = i;
    char32_t c;
    if (!DecodeUtf8(utf8, &i, &c)) {
      out += '?';
    } else if (EncodeCodePage(code_page, utf8.substr(start, i - start), &piece)) {
      out += piece;
    } else {
      out += c >= 0x10000 ? "??" : "?";
    }
  }
  return out;
}

}  // namespace text

// Text in a Windows ANSI code page, as HTML Help and the ANSI functions of the system keep it,
// converted to and from the UTF-8 we use inside. The conversion itself is the platform's:
// iconv on POSIX systems (codepage_posix.cpp), the Win32 calls on Windows (codepage_win.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace text {

// The default ANSI code page of a Windows locale (0x804 -> 936). Unknown LCIDs give 1252.
unsigned CodePageForLcid(std::uint32_t lcid);

// True for the double-byte code pages (932, 936, 949, 950).
bool IsDbcsCodePage(unsigned code_page);

// Whether `byte` opens a two-byte character in the code page; never in a single-byte one.
bool IsLeadByte(unsigned code_page, unsigned char byte);

// The system's ANSI code page: GetACP() on Windows; elsewhere 936, the code page of the
// systems the tool is made for.
unsigned SystemCodePage();

// True when the conversion is available on this system at all.
bool CodePageSupported(unsigned code_page);

// Both return false when the input cannot be converted: an invalid byte sequence when
// decoding, invalid UTF-8 or a character the code page lacks when encoding (no look-alike is
// taken). ASCII passes through unchanged.
bool DecodeCodePage(unsigned code_page, std::string_view bytes, std::string* utf8);
bool EncodeCodePage(unsigned code_page, std::string_view utf8, std::string* bytes);

// As EncodeCodePage, but a character the code page lacks becomes "?", one for each UTF-16
// unit as on Windows (a character beyond the BMP gives "??"); ill-formed UTF-8 gives "?" for
// each maximal ill-formed part.
std::string EncodeCodePageReplacing(unsigned code_page, std::string_view utf8);

#ifdef _WIN32
// The system's own conversion with its defaults, as the ANSI window functions convert: best-fit
// characters and the code page's default character, never a failure.
std::wstring CodePageToWide(unsigned code_page, std::string_view bytes);
std::string WideToCodePage(unsigned code_page, std::wstring_view wide);
#endif

}  // namespace text

// Text in a Windows ANSI code page, as HTML Help keeps it, converted to and from the UTF-8 we use
// inside. The conversion itself is the one platform difference of the compiler: iconv on POSIX
// systems (codepage_posix.cpp), MultiByteToWideChar on Windows (codepage_win.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace chm {

// The default ANSI code page of a Windows locale (0x804 -> 936). Unknown LCIDs give 1252.
unsigned CodePageForLcid(std::uint32_t lcid);

// True for the double-byte code pages (932, 936, 949, 950).
bool IsDbcsCodePage(unsigned code_page);

// Both return false when the input cannot be converted: an invalid byte sequence when
// decoding, a character the code page lacks when encoding. ASCII passes through unchanged.
bool DecodeCodePage(unsigned code_page, std::string_view bytes, std::string* utf8);
bool EncodeCodePage(unsigned code_page, std::string_view utf8, std::string* bytes);

// True when the conversion is available on this system at all.
bool CodePageSupported(unsigned code_page);

bool IsAscii(std::string_view text);

}  // namespace chm

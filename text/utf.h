// UTF-8 and UTF-16, written once for every folder: decoding with the full well-formedness
// rules, encoding, and the conversion between the two. Portable code; on Windows, where
// wchar_t holds UTF-16, the wide forms serve the W functions of the system.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace text {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the character at `*pos` and moves past it. An ill-formed sequence (a stray
// continuation byte, a truncated sequence, an overlong form, a surrogate, a value beyond
// U+10FFFF) gives false and moves past its maximal ill-formed part, so that a caller that
// puts U+FFFD in its place does so once per part, as the Unicode standard recommends and as
// the Windows conversion does. `*pos` must be before the end of `s`.
bool DecodeUtf8(std::string_view s, std::size_t* pos, char32_t* c);

bool IsValidUtf8(std::string_view s);

// Appends the UTF-8 form of `c`, any value up to 0x10FFFF (a surrogate gets its three bytes;
// callers that must write well-formed text pass scalar values only).
void AppendUtf8(char32_t c, std::string* out);

// Ill-formed input becomes U+FFFD: a maximal ill-formed part of UTF-8, a lone surrogate of
// UTF-16.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

#ifdef _WIN32
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
#endif

}  // namespace text

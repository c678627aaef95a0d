// Conversions between the program's Unicode texts (UTF-16 at the window, UTF-8 towards the
// book builder) and the system's ANSI code page.
#pragma once

#include <string>

namespace app {

std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);
std::wstring AnsiToWide(const std::string& text);
std::string WideToAnsi(const std::wstring& text);

// The system's text for an error code, followed by the code itself.
std::wstring SystemErrorText(unsigned long error);

}  // namespace app

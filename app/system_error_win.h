// The system's text for an error, as the messages of the Windows side show it.
#pragma once

#include <string>

namespace app {

// The system's text for an error code, followed by the code itself.
std::wstring SystemErrorText(unsigned long error);

}  // namespace app

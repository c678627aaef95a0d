// The Windows side of the book builder's platform seam: the ANSI code page (CP_ACP), message
// boxes owned by the window that asks, the shell, and the hidden start of the help compiler.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "book/platform.h"

namespace app {

// owner: the window that owns the message boxes. program_folder: where hhc.exe lies; empty
// means the folder of the running program, as the platform reports it.
std::unique_ptr<book::BookPlatform> MakeWindowsBookPlatform(HWND owner,
                                                            std::wstring program_folder = {});

// The folder of the running program, without a trailing separator.
std::wstring ProgramFolder();

}  // namespace app

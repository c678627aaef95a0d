// The build command: from the chapter folder, the chapter list and the book name, writes the
// help project into the chapter folder, opens the folder and starts the help compiler.
#pragma once

#include <string>
#include <vector>

#include "book/platform.h"

namespace book {

// Slot numbers of the line buffers are signed 16-bit; the contents file's last slot, 4n+22,
// must stay within 32767.
constexpr int kMaxChapters = 8186;

enum class BuildResult {
  kEmptyList,  // the message box was shown; nothing written
  kStarted,    // all four files written, folder opened, compiler started
  kFailed,     // an error was reported; files of earlier steps stay
};

// chapter_folder: the folder path without a trailing separator (a drive root keeps its own);
// chapters: bare file names in list order; book_name: untrimmed. All UTF-8.
BuildResult BuildBook(BookPlatform& platform, const std::string& chapter_folder,
                      const std::vector<std::string>& chapters, const std::string& book_name);

}  // namespace book

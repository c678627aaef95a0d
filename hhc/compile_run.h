// The command line shared by the native hhc and hha.dll: arguments in, messages out, exit
// status back (0 = the book was written).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "hhc/compiler.h"

namespace chm {

// args excludes the program name; all text UTF-8. Options: --store (uncompressed blocks),
// --best (near-optimal parsing: the smallest book, about six times slower than the default).
// Several plain words are joined with blanks: a caller that passes a project path containing
// blanks without quotes hands us the path in pieces.
// Messages go to `err` and to the project's "Error log file" when it names one. `outcome`, when
// given, receives the compile's result (untouched when the command line is refused), for a
// front end that also shows the failure.
int RunHhc(const std::vector<std::string>& args, std::FILE* err, CompileResult* outcome = nullptr);

}  // namespace chm

// The command line shared by the native hhc and hha.dll: arguments in, messages out, exit
// status back.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "hhc/compiler.h"

namespace chm {

// Exit statuses, the same on both platforms (hhc.exe adds 3: hha.dll cannot be loaded).
constexpr int kHhcExitOk = 0;      // the book was written (or --help, --version)
constexpr int kHhcExitFailed = 1;  // the compile failed; no book under its name
constexpr int kHhcExitUsage = 2;   // the command line is wrong

// args excludes the program name; all text UTF-8. A word that begins with '-' and holds no
// '.', '/' or '\' is an option (after "--" none is): -h/--help, --version, -q/--quiet (no
// summary line), --store (uncompressed blocks), --best (near-optimal parsing: the smallest
// book, about six times slower than the default). The other words are joined with blanks: a
// caller that passes a project path containing blanks without quotes hands us the path in
// pieces. Help, version and the one-line summary of a compile go to `out`; warnings and errors
// to `err` and to the project's "Error log file" when it names one. `outcome`, when given,
// receives the compile's result (untouched when the command line is refused or only asks for
// help or the version), for a front end that also shows the failure.
int RunHhc(const std::vector<std::string>& args, std::FILE* out, std::FILE* err,
           CompileResult* outcome = nullptr);

}  // namespace chm

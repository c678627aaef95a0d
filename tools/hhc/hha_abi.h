// The one entry point hha.dll exports for hhc.exe: the command line's words in UTF-16, the
// exit status back. Messages are written to the process's standard error; a failure is also
// shown in a message box when nobody reads that (the process was started hidden).
#pragma once

#define HHA_COMPILE_ENTRY "HhaCompileW"

typedef int(__cdecl* HhaCompileWFn)(int argc, const wchar_t* const* argv);

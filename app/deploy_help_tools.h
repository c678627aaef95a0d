// Start-up deployment of the help tools: the compiler hhc.exe, its library hha.dll and the
// viewer launcher hh.exe travel inside the program as resources and are written next to it
// whenever one of them is missing.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace app {

struct CarriedFile {
  const wchar_t* file_name;
  int resource_id;  // of type "CUSTOM", language 2052
};

// hhc.exe, hha.dll, hh.exe, in the order they are placed.
extern const CarriedFile kCarriedHelpTools[3];

struct DeployFailure {
  std::wstring file_name;
  std::wstring reason;
};

// Writes each carried file that a search for normal files does not find in `folder`: a
// hidden or system file of that name counts as missing and is replaced. Each file is written
// under a temporary name and then moved into place, so an interrupted write never leaves a
// short file that a later start would take as present. Returns what could not be placed.
std::vector<DeployFailure> DeployCarriedFiles(HMODULE module, const std::wstring& folder,
                                              const CarriedFile* files, size_t count);

// The text that tells the user which folder could not be written and why.
std::wstring DescribeDeployFailures(const std::wstring& folder,
                                    const std::vector<DeployFailure>& failures);

// The load handler's deployment: the program's own carried files into the program folder.
// A failure is reported in a message box owned by `owner`; the program then goes on.
void DeployHelpTools(HWND owner);

}  // namespace app

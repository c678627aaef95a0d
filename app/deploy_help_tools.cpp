#include "app/deploy_help_tools.h"

#include "app/app_text.h"
#include "app/book_platform_win.h"
#include "app/resource_ids.h"
#include "app/system_error_win.h"

namespace app {

namespace {

constexpr WORD kCarriedLanguage = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);  // 2052
constexpr DWORD kNotNormal =
    FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// A directory search that matches normal files only: hidden and system files are not found,
// read-only and archive files are.
bool HasNormalFile(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return (found.dwFileAttributes & kNotNormal) == 0;
}

bool LoadCarriedBytes(HMODULE module, int id, const void*& bytes, DWORD& size) {
  HRSRC info = FindResourceExW(module, L"CUSTOM", MAKEINTRESOURCEW(id), kCarriedLanguage);
  if (!info) return false;
  HGLOBAL loaded = LoadResource(module, info);
  bytes = loaded ? LockResource(loaded) : nullptr;
  size = SizeofResource(module, info);
  return bytes != nullptr;
}

// Writes `bytes` to a fresh temporary file in `folder`; returns its path or sets `error`.
bool WriteTemporaryFile(const std::wstring& folder, const void* bytes, DWORD size,
                        std::wstring& temp_path, DWORD& error) {
  wchar_t name[MAX_PATH + 16];
  if (!GetTempFileNameW(folder.c_str(), L"fol", 0, name)) {
    error = GetLastError();
    return false;
  }
  temp_path = name;
  HANDLE file =
      CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    DeleteFileW(name);
    return false;
  }
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes, size, &written, nullptr) && written == size;
  error = ok ? 0 : GetLastError();
  if (!CloseHandle(file) && ok) {
    ok = FALSE;
    error = GetLastError();
  }
  if (!ok) DeleteFileW(name);
  return ok;
}

bool PlaceFile(const std::wstring& folder, const std::wstring& target, const void* bytes,
               DWORD size, DWORD& error) {
  std::wstring temp_path;
  if (!WriteTemporaryFile(folder, bytes, size, temp_path, error)) return false;
  // A hidden, system or read-only file of the target's name refuses to be replaced.
  DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  if (!MoveFileExW(temp_path.c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
    DeleteFileW(temp_path.c_str());
    return false;
  }
  return true;
}

}  // namespace

const CarriedFile kCarriedHelpTools[3] = {
    {L"hhc.exe", IDR_FOLIVANE_HHC_EXE},
    {L"hha.dll", IDR_FOLIVANE_HHA_DLL},
    {L"hh.exe", IDR_FOLIVANE_HH_EXE},
};

std::vector<DeployFailure> DeployCarriedFiles(HMODULE module, const std::wstring& folder,
                                              const CarriedFile* files, size_t count) {
  std::vector<DeployFailure> failures;
  for (size_t i = 0; i < count; ++i) {
    const CarriedFile& carried = files[i];
    std::wstring target = folder + L"/" + carried.file_name;
    if (HasNormalFile(target)) continue;
    const void* bytes = nullptr;
    DWORD size = 0;
    if (!LoadCarriedBytes(module, carried.resource_id, bytes, size)) {
      failures.push_back({carried.file_name, kMissingResource});
      continue;
    }
    DWORD error = 0;
    if (!PlaceFile(folder, target, bytes, size, error)) {
      failures.push_back({carried.file_name, SystemErrorText(error)});
    }
  }
  return failures;
}

std::wstring DescribeDeployFailures(const std::wstring& folder,
                                    const std::vector<DeployFailure>& failures) {
  std::wstring text = kDeployFailedHead;
  text += L"\r\n" + folder + L"\r\n\r\n";
  for (const DeployFailure& failure : failures) {
    text += failure.file_name + L": " + failure.reason + L"\r\n";
  }
  text += L"\r\n";
  text += kDeployFailedTail;
  return text;
}

void DeployHelpTools(HWND owner) {
  std::wstring folder = ProgramFolder();
  std::vector<DeployFailure> failures =
      DeployCarriedFiles(GetModuleHandleW(nullptr), folder, kCarriedHelpTools,
                         sizeof(kCarriedHelpTools) / sizeof(kCarriedHelpTools[0]));
  if (failures.empty()) return;
  MessageBoxW(owner, DescribeDeployFailures(folder, failures).c_str(), kDeployFailedTitle, MB_OK);
}

}  // namespace app

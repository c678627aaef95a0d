// A fresh folder under the Wine prefix's temporary folder, removed with its contents at the end.
#pragma once

#include <string>
#include <vector>

namespace apptest {

class TempFolder {
 public:
  explicit TempFolder(const std::wstring& name);
  ~TempFolder();
  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

void RemoveTree(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
// The names in a folder, without "." and "..", in the order the system lists them.
std::vector<std::wstring> FolderNames(const std::wstring& folder);

}  // namespace apptest

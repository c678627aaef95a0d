// Start-up deployment of the carried help tools, on the real file system under Wine.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/deploy_help_tools.h"
#include "tests/app/temp_folder.h"

namespace {

using apptest::FileExists;
using apptest::ReadBytes;
using apptest::TempFolder;
using apptest::WriteBytes;

const app::CarriedFile kTestFiles[] = {
    {L"hhc.exe", 9102},
    {L"hha.dll", 9103},
};

std::string ResourceBytes(int id) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC info = FindResourceExW(module, L"CUSTOM", MAKEINTRESOURCEW(id),
                               MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
  if (!info) return {};
  const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, info)));
  return std::string(bytes, SizeofResource(module, info));
}

std::vector<app::DeployFailure> Deploy(const std::wstring& folder) {
  return app::DeployCarriedFiles(GetModuleHandleW(nullptr), folder, kTestFiles, 2);
}

TEST(DeployHelpTools, MissingFilesAreWrittenWithExactlyTheResourceBytes) {
  TempFolder folder(L"deploy-empty");
  ASSERT_FALSE(ResourceBytes(9102).empty());
  EXPECT_TRUE(Deploy(folder.path()).empty());
  EXPECT_EQ(ReadBytes(folder.File(L"hhc.exe")), ResourceBytes(9102));
  EXPECT_EQ(ReadBytes(folder.File(L"hha.dll")), ResourceBytes(9103));
  // Nothing but the two files: no temporary file is left behind.
  std::vector<std::wstring> names = apptest::FolderNames(folder.path());
  EXPECT_EQ(names.size(), 2u);
}

TEST(DeployHelpTools, PresentFilesAreLeftAloneEvenWhenReadOnlyOrDifferent) {
  TempFolder folder(L"deploy-present");
  ASSERT_TRUE(WriteBytes(folder.File(L"hhc.exe"), "an older compiler"));
  ASSERT_TRUE(WriteBytes(folder.File(L"hha.dll"), "read-only library"));
  SetFileAttributesW(folder.File(L"hha.dll").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(Deploy(folder.path()).empty());
  EXPECT_EQ(ReadBytes(folder.File(L"hhc.exe")), "an older compiler");
  EXPECT_EQ(ReadBytes(folder.File(L"hha.dll")), "read-only library");
}

TEST(DeployHelpTools, OnlyTheDeletedFileIsWrittenAgain) {
  TempFolder folder(L"deploy-one");
  ASSERT_TRUE(Deploy(folder.path()).empty());
  ASSERT_TRUE(WriteBytes(folder.File(L"hhc.exe"), "kept"));
  DeleteFileW(folder.File(L"hha.dll").c_str());
  EXPECT_TRUE(Deploy(folder.path()).empty());
  EXPECT_EQ(ReadBytes(folder.File(L"hhc.exe")), "kept");
  EXPECT_EQ(ReadBytes(folder.File(L"hha.dll")), ResourceBytes(9103));
}

// A hidden file is not found by a search for normal files, so it counts as missing; a plain
// create over it would fail, and the carried file must end up there all the same.
TEST(DeployHelpTools, HiddenOrSystemFileIsReallyReplaced) {
  TempFolder folder(L"deploy-hidden");
  ASSERT_TRUE(WriteBytes(folder.File(L"hhc.exe"), "hidden stale compiler"));
  ASSERT_TRUE(WriteBytes(folder.File(L"hha.dll"), "system stale library"));
  ASSERT_TRUE(SetFileAttributesW(folder.File(L"hhc.exe").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesW(folder.File(L"hha.dll").c_str(),
                                 FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(GetFileAttributesW(folder.File(L"hhc.exe").c_str()) & FILE_ATTRIBUTE_HIDDEN);

  EXPECT_TRUE(Deploy(folder.path()).empty());
  EXPECT_EQ(ReadBytes(folder.File(L"hhc.exe")), ResourceBytes(9102));
  EXPECT_EQ(ReadBytes(folder.File(L"hha.dll")), ResourceBytes(9103));
  EXPECT_FALSE(GetFileAttributesW(folder.File(L"hhc.exe").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(apptest::FolderNames(folder.path()).size(), 2u);
}

// A folder that cannot take files: its path runs through a plain file. Every carried file is
// reported with the system's reason, and the report names the folder.
TEST(DeployHelpTools, UnwritableFolderIsReportedWithFolderAndReason) {
  TempFolder parent(L"deploy-unwritable");
  ASSERT_TRUE(WriteBytes(parent.File(L"not-a-folder"), "x"));
  std::wstring folder = parent.File(L"not-a-folder");
  std::vector<app::DeployFailure> failures = Deploy(folder);
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_EQ(failures[0].file_name, L"hhc.exe");
  EXPECT_EQ(failures[1].file_name, L"hha.dll");
  EXPECT_FALSE(failures[0].reason.empty());

  std::wstring report = app::DescribeDeployFailures(folder, failures);
  EXPECT_NE(report.find(folder), std::wstring::npos);
  EXPECT_NE(report.find(L"hhc.exe: " + failures[0].reason), std::wstring::npos);
  EXPECT_NE(report.find(L"hhc.exe"), std::wstring::npos);
}

// A carried file whose resource is absent (or only in another language) is reported, not
// written empty.
TEST(DeployHelpTools, MissingResourceIsReportedAndNothingIsWritten) {
  TempFolder folder(L"deploy-noresource");
  const app::CarriedFile files[] = {{L"hh.exe", 9104}, {L"other.exe", 9999}};
  std::vector<app::DeployFailure> failures =
      app::DeployCarriedFiles(GetModuleHandleW(nullptr), folder.path(), files, 2);
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_FALSE(FileExists(folder.File(L"hh.exe")));
  EXPECT_FALSE(FileExists(folder.File(L"other.exe")));
}

}  // namespace

// Shared pieces of the book builder's tests: a scratch folder, file helpers, GBK text, and a
// platform that records what the builder asks of the system.
#pragma once

#include <string>
#include <vector>

#include "tools/folivane/book_platform_posix.h"

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
std::vector<std::string> ListFolder(const std::string& path);
std::string Gbk(const std::string& utf8);
// Splits a generated file at CR LF; the file must end in CR LF.
std::vector<std::string> SplitCrLf(const std::string& bytes);

// Code page 936 through iconv, with the system requests recorded instead of made: each kind in
// its own list, and all of them in `calls` in the order they were made.
class RecordingPlatform : public PosixBookPlatform {
 public:
  RecordingPlatform() : PosixBookPlatform(std::string()) {}
  void ShowMessage(const std::string& text, const std::string& title) override {
    messages.push_back(title + "|" + text);
    calls.push_back("message " + title + "|" + text);
  }
  void ReportError(const std::string& message) override {
    errors.push_back(message);
    calls.push_back("error " + message);
  }
  void OpenWithShell(const std::string& path) override {
    opened.push_back(path);
    calls.push_back("open " + path);
  }
  bool StartCompiler(const std::string& project, std::string& reason) override {
    started.push_back(project);
    calls.push_back("start " + project);
    reason = "no compiler in this test";
    return start_succeeds;
  }

  bool start_succeeds = true;
  std::vector<std::string> messages, errors, opened, started, calls;
};

}  // namespace testing_support

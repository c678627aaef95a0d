// The Linux side of the book builder's platform seam: code page 936 (the text module's, over
// iconv), messages on stderr, and the compiler `hhc` next to our own program, run to its end.
#pragma once

#include <string>

#include "book/platform.h"

class PosixBookPlatform : public book::BookPlatform {
 public:
  // compiler: path of the hhc program, or empty to write the project without compiling.
  explicit PosixBookPlatform(std::string compiler);

  std::string ToAnsi(const std::string& utf8) const override;
  bool ToAnsiStrict(const std::string& utf8, std::string& ansi) const override;
  bool FromAnsiStrict(const std::string& ansi, std::string& utf8) const override;
  bool IsAnsiLeadByte(unsigned char byte) const override;
  unsigned AnsiCodePage() const override;
  std::FILE* OpenFile(const std::string& path, const char* mode) const override;
  bool RenameOver(const std::string& temporary, const std::string& path) const override;
  void RemoveFile(const std::string& path) const override;

  void ShowMessage(const std::string& text, const std::string& title) override;
  void ReportError(const std::string& message) override;
  void OpenWithShell(const std::string& path) override;
  bool StartCompiler(const std::string& project_path, std::string& reason) override;

  bool compiler_missing() const { return compiler_missing_; }
  int compiler_status() const { return compiler_status_; }

 private:
  std::string compiler_;
  bool compiler_missing_ = false;
  int compiler_status_ = 0;
};

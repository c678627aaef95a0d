// A book platform that hands every request to another one; tests derive from it and change
// only the requests they watch or stop.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "book/platform.h"

namespace testing_support {

class ForwardingPlatform : public book::BookPlatform {
 public:
  explicit ForwardingPlatform(std::unique_ptr<book::BookPlatform> inner = nullptr)
      : inner(std::move(inner)) {}

  std::string ToAnsi(const std::string& s) const override { return inner->ToAnsi(s); }
  bool ToAnsiStrict(const std::string& s, std::string& a) const override {
    return inner->ToAnsiStrict(s, a);
  }
  bool FromAnsiStrict(const std::string& a, std::string& s) const override {
    return inner->FromAnsiStrict(a, s);
  }
  bool IsAnsiLeadByte(unsigned char b) const override { return inner->IsAnsiLeadByte(b); }
  unsigned AnsiCodePage() const override { return inner->AnsiCodePage(); }
  std::FILE* OpenFile(const std::string& p, const char* m) const override {
    return inner->OpenFile(p, m);
  }
  bool RenameOver(const std::string& t, const std::string& p) const override {
    return inner->RenameOver(t, p);
  }
  void RemoveFile(const std::string& p) const override { inner->RemoveFile(p); }
  std::string LoadTemplate(int id) const override { return inner->LoadTemplate(id); }
  std::string LoadAboutPage() const override { return inner->LoadAboutPage(); }
  void ShowMessage(const std::string& text, const std::string& title) override {
    inner->ShowMessage(text, title);
  }
  void ReportError(const std::string& message) override { inner->ReportError(message); }
  void OpenWithShell(const std::string& path) override { inner->OpenWithShell(path); }
  bool StartCompiler(const std::string& p, std::string& r) override {
    return inner->StartCompiler(p, r);
  }

  std::unique_ptr<book::BookPlatform> inner;
};

}  // namespace testing_support

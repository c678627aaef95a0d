// What the book builder needs from the system, implemented once per platform: the Windows
// side (app/) over user32, shell32 and kernel32, the Linux side (tools/) over iconv and the
// terminal. Nothing in book/ includes <windows.h>.
#pragma once

#include <cstdio>
#include <string>

namespace book {

class BookPlatform {
 public:
  virtual ~BookPlatform() = default;

  // Text crossing to the system. Unicode inside is UTF-8; the ANSI code page is the system's
  // (936 on the systems the tool is made for). ToAnsi writes "?" for a character the code
  // page lacks. The strict forms report failure instead of substituting, which the title
  // reader uses to leave bytes it cannot read as they are.
  virtual std::string ToAnsi(const std::string& utf8) const = 0;
  virtual bool ToAnsiStrict(const std::string& utf8, std::string& ansi) const = 0;
  virtual bool FromAnsiStrict(const std::string& ansi, std::string& utf8) const = 0;
  // Whether this byte opens a two-byte character in the ANSI code page.
  virtual bool IsAnsiLeadByte(unsigned char byte) const = 0;
  // The ANSI code page's number: a chapter that declares it is read byte for byte, one that
  // declares another code page is converted.
  virtual unsigned AnsiCodePage() const = 0;

  // Files named by UTF-8 paths with forward slashes. Returns nullptr and sets errno on failure.
  virtual std::FILE* OpenFile(const std::string& path, const char* mode) const = 0;
  // Gives the file `temporary` the name `path` in one step, replacing any file of that name: a
  // program reading the old file (the compiler of a build started a moment ago) reads it whole.
  // Returns false and sets errno on failure; `temporary` is then left as it was.
  virtual bool RenameOver(const std::string& temporary, const std::string& path) const = 0;
  // Removes a file; a failure is not reported.
  virtual void RemoveFile(const std::string& path) const = 0;

  // A template line of the string table, 1 to 35, as Unicode text.
  virtual std::string LoadTemplate(int id) const;
  // The about page, byte for byte.
  virtual std::string LoadAboutPage() const;

  // The message box of an empty chapter list: single OK button, no icon.
  virtual void ShowMessage(const std::string& text, const std::string& title) = 0;
  // An error that ended a build; the program keeps running.
  virtual void ReportError(const std::string& message) = 0;
  // Opens a folder (path ends in "/") in the shell's file browser. Failures are not noticed.
  virtual void OpenWithShell(const std::string& path) = 0;
  // Starts the help compiler on the project file. Returns false, with a reason, when it cannot
  // be started; the build then ends with an error report.
  virtual bool StartCompiler(const std::string& project_path, std::string& reason) = 0;
};

}  // namespace book

#include "itsf/error.h"

#include <filesystem>

namespace chm {

const char* ErrorReason(ErrorCode code) {
  switch (code) {
    case ErrorCode::kUsage:
      return "usage: hhc [OPTIONS] PROJECT.hhp (hhc --help lists the options)";
    case ErrorCode::kFileMissing:
      return "file not found";
    case ErrorCode::kFileUnreadable:
      return "cannot read file";
    case ErrorCode::kBookUnwritable:
      return "cannot write the book";
    case ErrorCode::kBookInUse:
      return "the book is open in another program and cannot be replaced; close it and build "
             "again";
    case ErrorCode::kBookReadOnly:
      return "the book file is read-only";
    case ErrorCode::kFolderUnwritable:
      return "cannot write in the book's folder";
    case ErrorCode::kDiskFull:
      return "the disk is full";
    case ErrorCode::kProjectUnreadable:
      return "cannot read the project file";
    case ErrorCode::kBadProjectText:
      return "not valid text in the project's code page";
    case ErrorCode::kBadProjectLine:
      return "malformed project line";
    case ErrorCode::kBadWindow:
      return "malformed [WINDOWS] line";
    case ErrorCode::kBadSitemap:
      return "malformed sitemap";
    case ErrorCode::kBadBookName:
      return "the book name is not a valid file name";
    case ErrorCode::kNameOutsideCodePage:
      return "file name cannot be written in the project's code page";
    case ErrorCode::kCaseDuplicate:
      return "two files whose names differ only in case";
    case ErrorCode::kOutsideProject:
      return "file lies outside the project folder";
    case ErrorCode::kTooLarge:
      return "too large for a compiled help file";
    case ErrorCode::kUnsupportedCodePage:
      return "unsupported code page";
    case ErrorCode::kReservedName:
      return "name reserved for the book's internal files";
  }
  return "error";
}

namespace {

struct UserWords {
  const char* what;  // what failed
  const char* todo;  // what the user can do about it
  bool then_build_again;
};

constexpr char kRebuildProject[] = "请在程序中重新转换生成, 让它重写项目文件。";

UserWords WordsFor(ErrorCode code) {
  switch (code) {
    case ErrorCode::kUsage:
      return {"编译器的命令行不对。", "请用“hhc 项目文件.hhp”启动编译器。", false};
    case ErrorCode::kFileMissing:
      return {"项目中列出的文件找不到。", "请把这个文件放回章节文件夹, 或重新导入文件夹", true};
    case ErrorCode::kFileUnreadable:
      return {"项目中列出的文件无法读取。", "请确认这个文件可以打开、没有被别的程序锁住", true};
    case ErrorCode::kBookUnwritable:
      return {"无法写入电子书文件。", "请确认文件夹可以写入", true};
    case ErrorCode::kBookInUse:
      return {"电子书正被另一个程序打开(例如帮助查看器), 无法替换。",
              "请关闭正在显示这本电子书的窗口", true};
    case ErrorCode::kBookReadOnly:
      return {"电子书文件是只读的, 无法替换。", "请去掉这个文件的只读属性或换一个书名", true};
    case ErrorCode::kFolderUnwritable:
      return {"无法在电子书所在的文件夹中写入文件。",
              "请选择一个可以写入的文件夹, 或取得这个文件夹的写入权限", true};
    case ErrorCode::kDiskFull:
      return {"磁盘已满, 电子书写不下。", "请在这个磁盘上腾出空间", true};
    case ErrorCode::kProjectUnreadable:
      return {"无法读取项目文件。", "请确认项目文件还在、可以打开", true};
    case ErrorCode::kBadProjectText:
      return {"项目文件中有无法识别的文字。", kRebuildProject, false};
    case ErrorCode::kBadProjectLine:
      return {"项目文件中有无法理解的行。", kRebuildProject, false};
    case ErrorCode::kBadWindow:
      return {"项目文件中的窗口定义有误。", kRebuildProject, false};
    case ErrorCode::kBadSitemap:
      return {"目录或索引文件的格式有误。", kRebuildProject, false};
    case ErrorCode::kBadBookName:
      return {"书名不能用作文件名。", "请换一个不含 \\ / : * ? \" < > | 的书名", true};
    case ErrorCode::kNameOutsideCodePage:
      return {"文件名中有系统的代码页无法表示的字符。", "请给这个文件改一个名字", true};
    case ErrorCode::kCaseDuplicate:
      return {"有两个文件的名字只差大小写。", "请给其中一个文件改名", true};
    case ErrorCode::kOutsideProject:
      return {"列出的文件不在章节文件夹中。", "请把这个文件放进章节文件夹", true};
    case ErrorCode::kTooLarge:
      return {"内容太多, 一本电子书放不下。", "请把章节分到几个文件夹中, 分成几本书。", false};
    case ErrorCode::kUnsupportedCodePage:
      return {"系统不支持项目所用的代码页。", "请在系统中安装这种语言的支持", true};
    case ErrorCode::kReservedName:
      return {"文件名与电子书内部的文件重名。", "请给这个文件改名", true};
  }
  return {"编译没有成功。", "", false};
}

}  // namespace

std::string FormatUserMessage(const std::string& book_path, const Error& error) {
  const std::string book = std::filesystem::u8path(book_path).filename().u8string();
  const UserWords words = WordsFor(error.code);
  std::string text = book.empty() ? "没能生成电子书。" : "没能生成电子书“" + book + "”。";
  text += "\r\n\r\n";
  text += words.what;
  if (!error.file.empty()) text += "\r\n文件: " + error.file;
  text += "\r\n\r\n";
  text += words.todo;
  if (words.then_build_again) text += ", 然后再转换生成一次。";
  return text;
}

std::string FormatError(const Error& error) {
  std::string line;
  if (!error.file.empty()) line = error.file + ": ";
  line += ErrorReason(error.code);
  if (!error.detail.empty()) line += " (" + error.detail + ")";
  return line;
}

}  // namespace chm

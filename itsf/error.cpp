#include "itsf/error.h"

namespace chm {

const char* ErrorReason(ErrorCode code) {
  switch (code) {
    case ErrorCode::kUsage:
      return "usage: hhc [--best | --store] PROJECT.hhp (--best: smallest book, about six "
             "times slower; --store: no compression)";
    case ErrorCode::kFileMissing:
      return "file not found";
    case ErrorCode::kFileUnreadable:
      return "cannot read file";
    case ErrorCode::kBookUnwritable:
      return "cannot write the book";
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

std::string FormatError(const Error& error) {
  std::string line;
  if (!error.file.empty()) line = error.file + ": ";
  line += ErrorReason(error.code);
  if (!error.detail.empty()) line += " (" + error.detail + ")";
  return line;
}

}  // namespace chm

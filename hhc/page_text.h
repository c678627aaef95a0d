// The text a reader sees in a page, for the search index: tags, comments, scripts and style
// sheets dropped, character references decoded, each tag a word break.
#pragma once

#include <string>
#include <string_view>

#include "text/chapter_encoding.h"

namespace chm {

struct PageText {
  std::string title;  // the text of the first <title> element
  std::string body;   // everything else, in page order
};

// `page` is the page's bytes as stored, in `encoding` as the link scan decides it (kAnsi: the
// book's code page `code_page`). The text comes back in the book's code page whatever the page's
// own encoding (the viewer looks its search words up in the code page): a character the code
// page lacks, or bytes the page's encoding does not define, become a blank. Linear in the page's
// size, whatever its markup.
PageText ExtractPageText(std::string_view page, const text::ChapterEncoding& encoding,
                         unsigned code_page);

}  // namespace chm

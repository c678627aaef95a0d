// The text a reader sees in a page, for the search index: tags, comments, scripts and style
// sheets dropped, character references decoded, each tag a word break.
#pragma once

#include <string>
#include <string_view>

namespace chm {

struct PageText {
  std::string title;  // the text of the first <title> element
  std::string body;   // everything else, in page order
};

// `page` is in the book's code page `code_page`, or in UTF-8 when `utf8`; the text comes back in
// the code page either way (the viewer looks its search words up in the code page), and a
// character the code page lacks becomes a blank. Linear in the page's size, whatever its markup.
PageText ExtractPageText(std::string_view page, bool utf8, unsigned code_page);

}  // namespace chm

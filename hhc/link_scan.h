// Finds the local files a page refers to, so that pictures, style sheets and scripts next to
// the chapters reach the book although the project does not list them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text/chapter_encoding.h"

namespace chm {

// What one pass over a stored page or style sheet finds.
struct PageScan {
  // Raw values of src=, href=, background= attributes and CSS url(...), with character
  // references decoded: all src values in order of appearance, then href, background, url().
  std::vector<std::string> references;
  // Where each reference's attribute name (or "url(") begins in the page, in the same order.
  std::vector<size_t> offsets;
  // Looked for in the first `head_size` bytes only: the text of the <title> element (bytes as
  // in the page, empty if none), and the page's encoding as the book's title reader decides
  // it: a byte-order mark, a declared charset, UTF-8 by its form, or the ANSI code page
  // `code_page`. A UTF-16 page is scanned as UTF-8: its references and title come back in UTF-8.
  std::string title;
  text::ChapterEncoding encoding;
  // A UTF-16 page in UTF-8, which the references' offsets count in; empty for other pages.
  std::string converted;
};
PageScan ScanPage(std::string_view page, size_t head_size, unsigned code_page);

// Where a reference found by ScanPage lies in its page.
struct LinkPlace {
  int line = 1;  // from 1; LF, CR LF and a lone CR each end a line
  // Inside a tag (an attribute) or a <style> element, rather than in the page's text, where
  // "src=" may be words about markup (such as "&lt;img src=...&gt;").
  bool in_markup = false;
};
// The place of each byte offset of `page`, offsets in ascending order, in one pass.
std::vector<LinkPlace> PlacesAt(std::string_view page,
                                const std::vector<size_t>& ascending_offsets);

// ScanPage's references alone.
std::vector<std::string> FindReferences(std::string_view page);

// Turns a reference found in the page `page_name` (a stored name such as "a/b.htm") into the
// stored name of a local file ("a/pic.png"). Returns false for external URLs (any scheme such
// as http:, mailto:, javascript:, ms-its:), bare anchors, absolute paths, and references that
// leave the project folder. Query strings and anchors are dropped, %XX escapes decoded.
bool ResolveReference(std::string_view page_name, std::string_view reference, std::string* name);

// Collapses "." and ".." and turns '\' into '/'. Returns false if the path leaves its root,
// is absolute, or is empty.
bool NormaliseRelativePath(std::string_view path, std::string* out);

// ScanPage's title, looked for in the whole page.
std::string FindPageTitle(std::string_view page);

}  // namespace chm

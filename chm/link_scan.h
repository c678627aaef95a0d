// Finds the local files a page refers to, so that pictures, style sheets and scripts next to
// the chapters reach the book although the project does not list them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace chm {

// Raw values of src=, href=, background= attributes and CSS url(...) in an HTML page or a
// style sheet, in order of appearance, with character references decoded.
std::vector<std::string> FindReferences(std::string_view page);

// Turns a reference found in the page `page_name` (a stored name such as "a/b.htm") into the
// stored name of a local file ("a/pic.png"). Returns false for external URLs (any scheme such
// as http:, mailto:, javascript:, ms-its:), bare anchors, absolute paths, and references that
// leave the project folder. Query strings and anchors are dropped, %XX escapes decoded.
bool ResolveReference(std::string_view page_name, std::string_view reference, std::string* name);

// Collapses "." and ".." and turns '\' into '/'. Returns false if the path leaves its root,
// is absolute, or is empty.
bool NormaliseRelativePath(std::string_view path, std::string* out);

// The text of the page's <title> element (bytes as in the page), empty if none.
std::string FindPageTitle(std::string_view page);

}  // namespace chm

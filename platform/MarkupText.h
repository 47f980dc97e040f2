// Text for an XML or HTML document (a plot's titles, a page's heading): the markup characters
// "&", "<", ">" and the double quote escaped, and what a document cannot hold (control
// characters other than the tab, bytes that are not UTF-8, as a file name may have them) shown
// as "?". Characters of other scripts stay as they are: the documents are UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace zarn {

std::string markupEscaped(std::string_view text);

} // namespace zarn

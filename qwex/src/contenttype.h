// Content types of served files, by file name.
#ifndef QWEX_CONTENTTYPE_H
#define QWEX_CONTENTTYPE_H

#include <string_view>

namespace qwex {

// The content type for a file name, from its last extension (without case);
// "application/octet-stream" when unknown.
const char* contentTypeOf(std::string_view fileName);

// Whether a file is a page that the extension owning its folder answers.
bool isPageFile(std::string_view fileName);

} // namespace qwex

#endif

// The page-template scanner: a page names a tag as <%TagName%>, where TagName is
// a letter followed by letters, digits and underscores; all else is literal.
#ifndef QWEX_PAGETEMPLATE_H
#define QWEX_PAGETEMPLATE_H

#include <string_view>
#include <vector>

namespace qwex {

struct TemplatePiece {
    std::string_view text; // literal text, or the tag's name
    bool isTag;
};

// The page as literal pieces and tags, in order; literal pieces are never empty.
std::vector<TemplatePiece> splitTemplate(std::string_view page);

} // namespace qwex

#endif

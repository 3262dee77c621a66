// Page-template scanning.
#include "pagetemplate.h"

#include <cctype>

namespace qwex {
namespace {

bool isTagStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}
bool isTagChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// Length of the tag "<%Name%>" at the start of text, 0 if none is there.
size_t tagLengthAt(std::string_view text)
{
    if (text.size() < 5 || text[0] != '<' || text[1] != '%' || !isTagStart(text[2]))
        return 0;
    size_t end = 3;
    while (end < text.size() && isTagChar(text[end]))
        ++end;
    if (end + 1 < text.size() && text[end] == '%' && text[end + 1] == '>')
        return end + 2;
    return 0;
}

} // namespace

std::vector<TemplatePiece> splitTemplate(std::string_view page)
{
    std::vector<TemplatePiece> pieces;
    size_t literalStart = 0;
    size_t at = page.find("<%");
    while (at != std::string_view::npos) {
        const size_t length = tagLengthAt(page.substr(at));
        if (length == 0) {
            at = page.find("<%", at + 1);
            continue;
        }
        if (at > literalStart)
            pieces.push_back({page.substr(literalStart, at - literalStart), false});
        pieces.push_back({page.substr(at + 2, length - 4), true});
        literalStart = at + length;
        at = page.find("<%", literalStart);
    }
    if (literalStart < page.size())
        pieces.push_back({page.substr(literalStart), false});
    return pieces;
}

} // namespace qwex

// Fuzz target of the page-template scanner: the pieces, with their tags
// written back as <%Name%>, give the page again, and every tag name is valid.
#include "fuzzing.h"
#include "pagetemplate.h"

#include <cctype>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string page = inputText(data, size);
    std::string rebuilt;
    bool lastWasLiteral = false;
    for (const qwex::TemplatePiece& piece : qwex::splitTemplate(page)) {
        if (!piece.isTag) {
            check(!piece.text.empty() && !lastWasLiteral);
            rebuilt.append(piece.text);
            lastWasLiteral = true;
            continue;
        }
        lastWasLiteral = false;
        check(!piece.text.empty() && std::isalpha(static_cast<unsigned char>(piece.text[0])));
        for (char c : piece.text)
            check(std::isalnum(static_cast<unsigned char>(c)) || c == '_');
        rebuilt += "<%" + std::string(piece.text) + "%>";
    }
    check(rebuilt == page);
    return 0;
}

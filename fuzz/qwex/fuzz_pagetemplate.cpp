// Fuzz target of the page-template scanner: the pieces, with their tags
// written back as <%Name%>, give the page again, and every tag name is valid.
#include "pagetemplate.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string page(reinterpret_cast<const char*>(data), size);
    std::string rebuilt;
    bool lastWasLiteral = false;
    for (const qwex::TemplatePiece& piece : qwex::splitTemplate(page)) {
        if (!piece.isTag) {
            if (piece.text.empty() || lastWasLiteral)
                std::abort();
            rebuilt.append(piece.text);
            lastWasLiteral = true;
            continue;
        }
        lastWasLiteral = false;
        if (piece.text.empty() || !std::isalpha(static_cast<unsigned char>(piece.text[0])))
            std::abort();
        for (char c : piece.text) {
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
                std::abort();
        }
        rebuilt += "<%" + std::string(piece.text) + "%>";
    }
    if (rebuilt != page)
        std::abort();
    return 0;
}

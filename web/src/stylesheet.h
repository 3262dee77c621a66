// The XSLT transformation of documents with a stylesheet file, compiled once
// and again only when the file changes.
#ifndef TSM_WEB_STYLESHEET_H
#define TSM_WEB_STYLESHEET_H

#include "watchedfile.h"

#include <xercesc/dom/DOMDocument.hpp>

#include <cstdint>
#include <string>

namespace Web {

class Stylesheet {
public:
    // path: a DOS path, relative to the current directory or absolute,
    // resolved anew at every transformation.
    explicit Stylesheet(std::string path);
    ~Stylesheet();
    Stylesheet(const Stylesheet&) = delete;
    Stylesheet& operator=(const Stylesheet&) = delete;

    // The result text of the document, read in place, or whatever part of
    // it was written when the transformation failed; "" when the stylesheet
    // does not compile. Any number of threads may transform at once.
    std::string transform(const xercesc::DOMDocument& document);
    // Tells the versions of the file apart: changes whenever the file is
    // compiled anew (0 while there is none).
    uint64_t version();

private:
    struct Compiled;
    static Compiled compile(const std::string& hostPath);

    WatchedFile<Compiled> m_file;
};

}

#endif

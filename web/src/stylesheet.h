// The XSLT transformation of a document text with a stylesheet file.
#ifndef TSM_WEB_STYLESHEET_H
#define TSM_WEB_STYLESHEET_H

#include <string>

namespace Web {

// Transforms the document text with the stylesheet (a DOS path, relative to
// the current directory or absolute) through a fresh transformer; the result
// text, or whatever part of it was written when the transformation failed.
std::string transformText(const std::string& document, const std::string& stylesheetPath);

}

#endif

// Initialisation of the XML parser library and the XSLT library.
#ifndef TSM_WEB_XMLLIBRARIES_H
#define TSM_WEB_XMLLIBRARIES_H

namespace Web {

// Initialises Xerces-C, then Xalan-C. When the parser library throws, writes
// its message to standard error and returns false.
bool initializeXmlLibraries();

}

#endif

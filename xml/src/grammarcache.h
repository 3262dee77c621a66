// The document type definitions of a pages folder, read once and shared
// read-only by every validating parse. Reading the external subset anew for
// each document costs a file read and a DTD scan per parse and, in the XML
// library we build on, a small allocation it never gives back.
#ifndef TSM_XML_GRAMMARCACHE_H
#define TSM_XML_GRAMMARCACHE_H

#include <xercesc/framework/XMLGrammarPool.hpp>

#include <memory>
#include <string>

namespace Xml {

// The locked pool of the folder's "*.dtd" files, each cached under the path
// the resolver gives the parser for it. Loaded at the first call for the
// folder and again whenever a DTD file of it was added, removed or changed;
// a parser keeps the pool it was given alive. Null when the folder holds no
// DTD that could be read.
std::shared_ptr<xercesc::XMLGrammarPool> sharedGrammars(const std::string& dtdDirectory);

}

#endif

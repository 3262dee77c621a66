// Leak reports that belong to the XML library, not to us: Xerces-C 3.2.4
// keeps the entity record of every external DTD subset it reads (allocated in
// scanDocTypeDecl, which the fast unwinder reports as scanProlog) and never
// frees it; loading a DTD into a grammar pool does the same. Our own DTDs are
// loaded once into a shared pool (again only when a DTD file changes), so
// per document this happens only for documents naming a DTD we do not have.
// Compiled into every sanitizer build program that links the XML layer.
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:xercesc_3_2::IGXMLScanner::scanDocTypeDecl\n"
           "leak:xercesc_3_2::IGXMLScanner::loadGrammar\n"
           "leak:xercesc_3_2::XMLScanner::scanProlog\n";
}

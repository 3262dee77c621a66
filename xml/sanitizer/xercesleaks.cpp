// Leak reports that belong to the XML library, not to us: Xerces-C 3.2.4
// keeps the entity record of every external DTD subset it reads (allocated in
// scanDocTypeDecl, which the fast unwinder reports as scanProlog) and never
// frees it. Compiled into every sanitizer build
// program that links the XML layer.
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:xercesc_3_2::IGXMLScanner::scanDocTypeDecl\n"
           "leak:xercesc_3_2::XMLScanner::scanProlog\n";
}

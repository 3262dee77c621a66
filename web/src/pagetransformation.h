// The data of the transformation tag: the discovery document merged with
// what the peers report, transformed into script data for the page.
#ifndef TSM_WEB_PAGETRANSFORMATION_H
#define TSM_WEB_PAGETRANSFORMATION_H

#include "documenthandle.h"

#include <ZyrQWEX.h>

#include <string>

namespace Web {

// The stylesheet, relative to the executable's directory (the current one).
extern const char kStylesheetPath[];

// Collects the peers through the server (cache folder given), appends their
// devices to the local discovery document, merges their support documents
// and transforms the result; "" when any stage yields nothing.
std::string transformDiscovery(const Xml::DocumentHandle& local, QWEX_HANDLE hServer,
                               const std::string& cacheDirectory);

}

#endif

// The library's descriptors are owned by the platform's handle owner.
#ifndef QWEX_UNIQUEFD_H
#define QWEX_UNIQUEFD_H

#include <tsm/uniquehandle.h>

namespace qwex {

using tsm::UniqueFd;

} // namespace qwex

#endif

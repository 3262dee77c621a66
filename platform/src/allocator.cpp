// Allocator tuning on glibc's malloc.
#include "tsm/allocator.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace tsm {

void limitAllocatorArenas(int arenas)
{
#ifdef __GLIBC__
    mallopt(M_ARENA_MAX, arenas);
#else
    (void)arenas;
#endif
}

void releaseFreeAllocatorMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

} // namespace tsm

// Tuning of the C library's allocator, where the C library offers it; a
// no-op elsewhere.
#ifndef TSM_ALLOCATOR_H
#define TSM_ALLOCATOR_H

namespace tsm {

// Lets at most this many threads keep an allocator arena of their own.
void limitAllocatorArenas(int arenas);

// Hands the memory that the allocator holds free back to the system.
void releaseFreeAllocatorMemory();

} // namespace tsm

#endif

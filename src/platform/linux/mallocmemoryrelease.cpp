#include "memoryrelease.h"

#include <malloc.h>

void MemoryRelease::releaseFreedMemory()
{
    // Every arena, not only the calling thread's, down to what is still in use.
    malloc_trim(0);
}

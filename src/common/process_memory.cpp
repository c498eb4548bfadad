#include "common/process_memory.h"

#include <cstdlib>  // defines __GLIBC__ with the C library's version

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace velmora {

void KeepFreedMemory() {
#if defined(__GLIBC__)
    // Blocks up to 32 MiB (the largest threshold the C library takes) come from the heap rather
    // than from mappings of their own that are unmapped when freed, and up to 64 MiB of free heap
    // is kept before any is returned.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

}  // namespace velmora

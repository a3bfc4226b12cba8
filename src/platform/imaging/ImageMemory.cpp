#include "ImageMemory.h"

#include <cstdlib> // defines __GLIBC__ on the GNU C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace fw::imaging {

void keepImageMemory()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 32 << 20); // the largest the allocator accepts on 64-bit systems
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
}

} // namespace fw::imaging

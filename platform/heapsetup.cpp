#include "platform/heapsetup.h"

#include <QCoreApplication>

// Any C library header says which C library this is.
#include <cstdlib>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace brivo {

void setUpHeap()
{
#ifdef __GLIBC__
    // Setting the threshold also stops glibc from moving it (and the trim threshold) later.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
}

} // namespace brivo

namespace {

void setUpHeapAtStart()
{
    brivo::setUpHeap();
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(setUpHeapAtStart)

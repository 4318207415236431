#pragma once

#include <QtGlobal>

// The process's heap as the system sees it.
namespace Heap {

// Fixes the C library's heap thresholds, so that what the program frees goes
// back to the system. Left to itself the library raises them after each large
// block it frees, and the heap of every thread that ever allocated keeps up to
// twice the largest such block: after a search with many results the program
// would hold tens of MB it no longer uses. Blocks from 1 MiB on get pages of
// their own, and no heap keeps more than 1 MiB free at its end. Called once at
// the start, before other threads run.
void keepReturnable();

// Gives the free heap back to the system. A walk over the whole heap: worth it
// after megabytes were freed, not after every free.
void giveBack();

// The resident memory of the process in KiB; 0 when it cannot be read.
qint64 residentKiB();

} // namespace Heap

#include "Heap.h"

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>

namespace Heap {

void keepReturnable()
{
    constexpr int Threshold = 1024 * 1024;
    // Setting either turns the raising off for both.
    mallopt(M_MMAP_THRESHOLD, Threshold);
    mallopt(M_TRIM_THRESHOLD, Threshold);
}

void giveBack()
{
    malloc_trim(0);
}

qint64 residentKiB()
{
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    char text[128] = {};
    const ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (got <= 0) {
        return 0;
    }
    // "size resident shared ...", in pages.
    unsigned long long size = 0;
    unsigned long long resident = 0;
    if (std::sscanf(text, "%llu %llu", &size, &resident) != 2) {
        return 0;
    }
    return qint64(resident) * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace Heap

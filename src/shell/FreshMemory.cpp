#include "shell/FreshMemory.h"

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#include <unistd.h>
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23 // Linux 5.14
#endif
#endif

void PrepareForWrite(char* data, qsizetype size)
{
#ifdef Q_OS_LINUX
    constexpr qsizetype kWorthFrom = 256 * 1024;
    if (size < kWorthFrom)
        return;
    const auto page = quintptr(::sysconf(_SC_PAGESIZE));
    const quintptr begin = (quintptr(data) + page - 1) & ~(page - 1);
    const quintptr end = quintptr(data + size) & ~(page - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    Q_UNUSED(data)
    Q_UNUSED(size)
#endif
}

#ifndef CPUTIME_H
#define CPUTIME_H

#include <sys/resource.h>

// CPU seconds this process has used, user and system: a test that waits
// compares it with the time waited to catch a loop that spins.
inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

#endif // CPUTIME_H

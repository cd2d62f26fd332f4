// The moments of the uninstall run up to the first removal, and how many list
// entries it visited and removed; the benchmark's counted program prints them
// beside the file-system calls its observer counted (platform/entry_open.h).
#pragma once
#include <windows.h>

// Performance-counter readings (0 until reached) of the uninstall run.
struct RunMoments {
    LONGLONG driverEntered = 0;
    LONGLONG integrationRemoved = 0;
    LONGLONG passesStarted = 0;
    LONGLONG firstRemoval = 0;
    LONGLONG passesEnded = 0;
};

struct RunCounts {
    unsigned long long entries = 0;    // list entries visited, over all passes
    unsigned long long removals = 0;   // files and folders removed
};

extern RunMoments RunTimes;
extern RunCounts RunCount;

inline LONGLONG Moment() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

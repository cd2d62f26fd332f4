// uninstall.exe with its counts, for the uninstall benchmark: the product's
// own entry procedure, then one line on the standard output handle with the
// file-system calls of the removal passes, the run's moments (performance
// counter ticks) and the peak working set. The benchmark copies it into an
// installation as uninstall.exe; a run that never reached the uninstall
// driver (the batch's "wait" run) prints nothing.
#include "app/entry.h"
#include "uninstall/file_calls.h"
#include <psapi.h>
#include <cstdio>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR args, int) {
    LONGLONG started = Moment();
    UninstallerMain(instance, args);
    if (RunTimes.driverEntered == 0) return 0;
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    const FileCallCounts& c = FileCalls;
    char line[1024];
    int len = std::snprintf(
        line, sizeof line,
        "calls=%llu entries=%llu removals=%llu attrRead=%llu attrWrite=%llu delete=%llu rmdir=%llu open=%llu "
        "finalPath=%llu disposition=%llu close=%llu rename=%llu schedule=%llu peakWorkingSet=%llu "
        "started=%lld driver=%lld integration=%lld passes=%lld first=%lld ended=%lld\n",
        c.Total(), c.entries, c.removals, c.attributeReads, c.attributeWrites, c.deletes, c.folderRemovals, c.opens,
        c.finalPaths, c.dispositions, c.closes, c.renames, c.schedules,
        static_cast<unsigned long long>(memory.PeakWorkingSetSize), started, RunTimes.driverEntered,
        RunTimes.integrationRemoved, RunTimes.passesStarted, RunTimes.firstRemoval, RunTimes.passesEnded);
    DWORD written = 0;
    if (len > 0) WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, static_cast<DWORD>(len), &written, nullptr);
    return 0;
}

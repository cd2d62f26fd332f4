// uninstall.exe with its counts, for the uninstall benchmark: the product's
// own entry procedure, then one line on the standard output handle with the
// file-system calls of the run by kind (counted by an observer of the
// product's calls), the run's moments (performance counter ticks) and the
// peak working set. The benchmark copies it into an installation as
// uninstall.exe; a run that never reached the uninstall driver (the batch's
// "wait" run) prints nothing.
#include "app/entry.h"
#include "platform/entry_open.h"
#include "uninstall/run_moments.h"
#include <psapi.h>
#include <cstdio>

namespace {

unsigned long long Calls[8];   // by FileCall
void Count(FileCall call) { ++Calls[static_cast<int>(call)]; }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR args, int) {
    LONGLONG started = Moment();
    SetFileCallObserver(Count);
    UninstallerMain(instance, args);
    if (RunTimes.driverEntered == 0) return 0;
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    unsigned long long total = 0;
    for (unsigned long long calls : Calls) total += calls;
    auto of = [](FileCall call) { return Calls[static_cast<int>(call)]; };
    char line[1024];
    int len = std::snprintf(
        line, sizeof line,
        "calls=%llu entries=%llu removals=%llu open=%llu query=%llu disposition=%llu close=%llu rename=%llu "
        "attrWrite=%llu byName=%llu listing=%llu peakWorkingSet=%llu "
        "started=%lld driver=%lld integration=%lld passes=%lld first=%lld ended=%lld\n",
        total, RunCount.entries, RunCount.removals, of(FileCall::Open), of(FileCall::Query),
        of(FileCall::Disposition), of(FileCall::Close), of(FileCall::Rename), of(FileCall::AttributeWrite),
        of(FileCall::ByName), of(FileCall::Listing), static_cast<unsigned long long>(memory.PeakWorkingSetSize),
        started, RunTimes.driverEntered, RunTimes.integrationRemoved, RunTimes.passesStarted, RunTimes.firstRemoval,
        RunTimes.passesEnded);
    DWORD written = 0;
    if (len > 0) WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, static_cast<DWORD>(len), &written, nullptr);
    return 0;
}

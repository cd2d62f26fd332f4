// Starting another program.
#include "platform/process.h"
#include "platform/handles.h"
#include "platform/core/textwalk.h"

// The start-up record of the x86 build is the size Windows 9x expects; the
// x64 build's is larger and sized by the compiler.
static_assert(sizeof(void*) != 4 || sizeof(STARTUPINFOA) == 68, "x86 start-up record");

bool RunProgram(const char* commandLine, const char* workingDir, DWORD waitMs) {
    char line[PathSize];
    // CreateProcessA may write to the line. A cut line would start another
    // program or pass other arguments, so it is not started at all.
    if (!commandLine || !CopyText(line, sizeof line, commandLine)) return false;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);  // 68 bytes on 32-bit Windows
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, workingDir, &startup, &info))
        return false;
    UniqueHandle process(info.hProcess), thread(info.hThread);
    if (waitMs != 0) WaitForSingleObject(process.get(), waitMs);
    return true;
}

// The log file of one run.
#include "platform/run_log.h"
#include "platform/handles.h"
#include "platform/core/textwalk.h"
#include <cstdarg>
#include <cstdio>

bool OpenRunLog(const char* name) {
    UniqueStdioFile& runLog = TheRunLogFile();
    runLog.reset();
    char full[PathSize];
    DWORD len = GetFullPathNameA(name, sizeof full, full, nullptr);
    if (len == 0 || len >= sizeof full) return false;
    runLog.reset(std::fopen(full, "wb"));
    return static_cast<bool>(runLog);
}

void CloseRunLog() { TheRunLogFile().reset(); }

bool RunLogIsOpen() { return static_cast<bool>(TheRunLogFile()); }

void LogLine(const char* format, ...) {
    UniqueStdioFile& runLog = TheRunLogFile();
    if (!runLog) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::fprintf(runLog.get(), "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth, now.wDay, now.wHour,
                 now.wMinute, now.wSecond);
    std::va_list args;
    va_start(args, format);
    std::vfprintf(runLog.get(), format, args);
    va_end(args);
    std::fputs("\r\n", runLog.get());
    std::fflush(runLog.get());
}

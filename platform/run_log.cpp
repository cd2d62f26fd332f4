// The log file of one run.
#include "platform/run_log.h"
#include "platform/handles.h"
#include "platform/safe_file.h"
#include "platform/core/textwalk.h"
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <io.h>

bool OpenRunLog(const char* name, LogFile how) {
    UniqueStdioFile& runLog = TheRunLogFile();
    runLog.reset();
    char full[PathSize];
    DWORD len = GetFullPathNameA(name, sizeof full, full, nullptr);
    if (len == 0 || len >= sizeof full) return false;
    // Created as the program's other files are: a link or a second name of a
    // file at the name goes itself, and the log is a new file, never written
    // through one. A run that appends (one that does not hold the run lock)
    // writes on at the end of the real file that is there, never through a
    // link. Others may read it meanwhile, and a refused run may append; the
    // programs this run starts (the self-removal batch) do not inherit it.
    constexpr DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    // The run that made the log holds it with deletion access (a new file can
    // be discarded through its handle), so a run that appends shares deletion.
    UniqueFileHandle file = how == LogFile::Appended ? AppendToFileItself(full, share | FILE_SHARE_DELETE)
                                                      : ReplaceWithNewFile(full, share);
    if (!file) return false;
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file.get()), _O_WRONLY | _O_BINARY);
    if (descriptor == -1) return false;
    file.release();
    runLog.reset(_fdopen(descriptor, "wb"));
    if (!runLog) _close(descriptor);
    return static_cast<bool>(runLog);
}

void CloseRunLog() { TheRunLogFile().reset(); }

bool RunLogIsOpen() { return static_cast<bool>(TheRunLogFile()); }

void LogLine(const char* format, ...) {
    UniqueStdioFile& runLog = TheRunLogFile();
    if (!runLog) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::fseek(runLog.get(), 0, SEEK_END);
    std::fprintf(runLog.get(), "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth, now.wDay, now.wHour,
                 now.wMinute, now.wSecond);
    std::va_list args;
    va_start(args, format);
    std::vfprintf(runLog.get(), format, args);
    va_end(args);
    std::fputs("\r\n", runLog.get());
    std::fflush(runLog.get());
}

// The log file of one run.
#include "platform/run_log.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/core/product_names.h"
#include "platform/core/textwalk.h"
#include <cstdarg>
#include <cstdio>

bool OpenRunLog(const char* name, bool append) {
    UniqueStdioFile& runLog = TheRunLogFile();
    runLog.reset();
    char full[PathSize];
    DWORD len = GetFullPathNameA(name, sizeof full, full, nullptr);
    if (len == 0 || len >= sizeof full) return false;
    runLog.reset(std::fopen(full, append ? "ab" : "wb"));
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

namespace {

// Under HKEY_CURRENT_USER a path is taken below the product's own key.
void LogKey(HKEY root, const char* path, const char* what) {
    const char* rootName = root == HKEY_CLASSES_ROOT    ? "HKEY_CLASSES_ROOT"
                           : root == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE"
                                                        : "HKEY_CURRENT_USER";
    const char* below = root == HKEY_CURRENT_USER ? ProductKeyPath : "";
    const char* separator1 = below[0] != '\0' ? "\\" : "";
    const char* separator2 = path[0] != '\0' ? "\\" : "";
    LogLine("registry key %s%s%s%s%s %s", rootName, separator1, below, separator2, path, what);
}

}  // namespace

void RemoveKeyTreeLogged(HKEY root, const char* path) {
    if (!RegKeyExists(root, path)) return;
    RegRemoveTree(root, path);
    LogKey(root, path, RegKeyExists(root, path) ? "could not be removed" : "removed");
}

// A stand-in for the archiver's main program "Qavrix.exe": it records that it
// ran (its command line and working directory) in "Qavrix.ran" beside itself
// and ends at once, so tests and the demo can see the completion dialog's Run.
#include "platform/handles.h"
#include <cstring>

namespace {

void RecordRun() {
    char path[MAX_PATH];
    DWORD len = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return;
    char* slash = std::strrchr(path, '\\');
    if (!slash || slash - path + 12 >= MAX_PATH) return;
    std::strcpy(slash + 1, "Qavrix.ran");

    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, cwd);
    const char* commandLine = GetCommandLineA();

    UniqueFileHandle file(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.get(), commandLine, static_cast<DWORD>(std::strlen(commandLine)), &written, nullptr);
    WriteFile(file.get(), "\n", 1, &written, nullptr);
    WriteFile(file.get(), cwd, static_cast<DWORD>(std::strlen(cwd)), &written, nullptr);
    WriteFile(file.get(), "\n", 1, &written, nullptr);
}

}  // namespace

int main() {
    RecordRun();
    return 0;
}

// A command interpreter for the self-removal batch that keeps a copy of it.
// Started with "/c" and the batch, it writes the batch's full path to
// "batch.path" and its bytes to "batch.copy" beside itself, then has the
// system's cmd.exe run the batch as it was asked. A copy named COMMAND.COM in
// the Windows folder stands for Windows 9x's interpreter and runs nothing; a
// copy named as COMSPEC shows, by its files, that the program ran it.
#include <windows.h>
#include <cstring>
#include <string>

namespace {

std::string Beside(const char* name) {
    char self[MAX_PATH];
    DWORD len = GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return name;
    std::string path(self, len);
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}

bool WriteWhole(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(h);
    return ok;
}

std::string ReadWhole(const std::string& path) {
    std::string bytes;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
    CloseHandle(h);
    return bytes;
}

}  // namespace

int main() {
    const char* line = GetCommandLineA();
    const char* args = std::strstr(line, " /c ");
    if (!args) return 2;
    std::string batch = args + 4;
    if (batch.size() >= 2 && batch.front() == '"' && batch.back() == '"') batch = batch.substr(1, batch.size() - 2);
    char full[MAX_PATH] = "";
    GetFullPathNameA(batch.c_str(), MAX_PATH, full, nullptr);
    WriteWhole(Beside("batch.path"), full);
    WriteWhole(Beside("batch.copy"), ReadWhole(full));

    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const char* name = std::strrchr(self, '\\');
    if (name && lstrcmpiA(name + 1, "COMMAND.COM") == 0) return 0;
    char system[MAX_PATH] = "";
    GetSystemDirectoryA(system, MAX_PATH);
    std::string command = "\"" + std::string(system) + "\\cmd.exe\"" + args;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) return 3;
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return static_cast<int>(code);
}

// The baseline of the uninstall benchmark, the DeleteFileA loop: the least a
// program can do with Uninstall.lst - one pass in file order, each entry
// removed by name as a folder or deleted as a file, nothing checked, nothing
// retried (a link in the installation is followed). Run in the installation
// folder:
//   uninstall_singlepass FOLDER
// Prints one line: its calls, the removals and the moments (performance
// counter) of its start and of its first removal.
#include <windows.h>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    LARGE_INTEGER started, first{};
    QueryPerformanceCounter(&started);
    if (argc < 2 || !SetCurrentDirectoryA(argv[1])) return 2;
    std::FILE* list = std::fopen("Uninstall.lst", "rb");
    if (!list) return 3;
    unsigned long long calls = 0, removals = 0;
    char line[2048];
    while (std::fgets(line, sizeof line, list)) {
        std::size_t len = std::strlen(line);
        while (len > 0 && (line[len - 1] == '\r' || line[len - 1] == '\n')) line[--len] = '\0';
        if (len == 0) continue;
        DWORD attributes = GetFileAttributesA(line);
        calls += 2;
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            --calls;
            continue;
        }
        if (attributes & FILE_ATTRIBUTE_DIRECTORY ? RemoveDirectoryA(line) : DeleteFileA(line)) {
            ++removals;
            if (first.QuadPart == 0) QueryPerformanceCounter(&first);
        }
    }
    std::fclose(list);
    calls += 1;
    if (DeleteFileA("Uninstall.lst")) ++removals;
    std::printf("calls=%llu removals=%llu started=%lld first=%lld\n", calls, removals,
                static_cast<long long>(started.QuadPart), static_cast<long long>(first.QuadPart));
    return 0;
}

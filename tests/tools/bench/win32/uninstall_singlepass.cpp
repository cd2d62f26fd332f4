// The baseline of the uninstall benchmark: the least a program can do with
// Uninstall.lst - one pass in file order, each entry removed as a folder or
// deleted as a file, nothing retried. Run in the installation folder:
//   uninstall_singlepass FOLDER
#include <windows.h>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2 || !SetCurrentDirectoryA(argv[1])) return 2;
    std::FILE* list = std::fopen("Uninstall.lst", "rb");
    if (!list) return 3;
    char line[2048];
    while (std::fgets(line, sizeof line, list)) {
        std::size_t len = std::strlen(line);
        while (len > 0 && (line[len - 1] == '\r' || line[len - 1] == '\n')) line[--len] = '\0';
        if (len == 0) continue;
        DWORD attributes = GetFileAttributesA(line);
        if (attributes == INVALID_FILE_ATTRIBUTES) continue;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) RemoveDirectoryA(line);
        else DeleteFileA(line);
    }
    std::fclose(list);
    DeleteFileA("Uninstall.lst");
    return 0;
}

// Holds files open the way a running program does, so that tests can make
// files that cannot be deleted:  holdfile MODE EVENT PATH...
//   share   - open with read, write and delete sharing (can be renamed)
//   noshare - open with read and write sharing only (neither deleted nor renamed)
//   load    - load the file as a library (a DLL in use)
// Sets the named event EVENT once every file is held, then waits to be ended
// (at most five minutes).
#include <windows.h>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    const char* mode = argv[1];
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(mode, "load") == 0) {
            if (!LoadLibraryExA(argv[i], nullptr, DONT_RESOLVE_DLL_REFERENCES)) return 3;
            continue;
        }
        DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        if (std::strcmp(mode, "share") == 0) share |= FILE_SHARE_DELETE;
        HANDLE h = CreateFileA(argv[i], GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return 4;
    }
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
    if (ready) SetEvent(ready);
    Sleep(5 * 60 * 1000);
    return 0;
}

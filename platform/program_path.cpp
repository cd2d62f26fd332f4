// The program's own path, read once, and the paths of files beside it.
#include "platform/program_path.h"
#include "platform/text.h"
#include <cstring>

namespace {
char testFolder[PathSize];
}

ProgramLocation::ProgramLocation() {
    DWORD length = GetModuleFileNameA(nullptr, path_, sizeof path_);
    if (length == 0 || length >= sizeof path_) {  // unknown, or cut: no path is better than a wrong one
        path_[0] = '\0';
        return;
    }
    path_[length] = '\0';
    CopyText(folder_, sizeof folder_, path_);
    *FileNamePart(folder_) = '\0';
    // The wide name turned back from the code page is the same name only when
    // no character was replaced. Windows 9x gives no wide name: its names are
    // in the code page.
    wchar_t wide[PathSize], back[PathSize];
    DWORD wideLength = GetModuleFileNameW(nullptr, wide, PathSize);
    if (wideLength == 0 || wideLength >= PathSize) {
        written_ = wideLength == 0;
        return;
    }
    wide[wideLength] = L'\0';
    written_ = MultiByteToWideChar(CP_ACP, 0, path_, -1, back, PathSize) > 0 && lstrcmpW(back, wide) == 0;
}

const char* ProgramPath() { return TheProgramLocation().Path(); }

bool ProgramPathInCodePage() { return TheProgramLocation().Written(); }

const char* ProgramFolder() { return testFolder[0] != '\0' ? testFolder : TheProgramLocation().Folder(); }

bool InstallationFolder(char* out, std::size_t size) {
    if (!out || size == 0) return false;
    if (!CopyText(out, size, ProgramFolder()) || out[0] == '\0') {
        out[0] = '\0';
        return false;
    }
    // The folder always ends in its own backslash, never in a trail byte.
    std::size_t len = std::strlen(out);
    bool root = len == 3 && out[1] == ':';
    if (!root && len > 1) out[len - 1] = '\0';
    return true;
}

bool FileBesideProgram(const char* fileName, char* path, std::size_t size) {
    if (!path || size == 0) return false;
    if (CopyText(path, size, ProgramFolder()) && path[0] != '\0' && AppendText(path, size, fileName)) return true;
    path[0] = '\0';
    return false;
}

std::string SetProgramFolderForTests(const char* folder) {
    std::string previous = testFolder;
    testFolder[0] = '\0';
    if (folder) {
        CopyText(testFolder, sizeof testFolder, folder);
        AppendBackslash(testFolder);
    }
    return previous;
}

// The file object, the error record and the existence test.
#include "platform/file.h"
#include "platform/windows_version.h"
#include "platform/core/array.h"

namespace {
[[noreturn]] void EndOnOutOfMemory() { TheErrorState().FatalOutOfMemory(); }
}

ErrorState::ErrorState() { SetOutOfMemoryHandler(&EndOnOutOfMemory); }

void ErrorState::FatalOutOfMemory() { ExitProcess(8); }

bool File::Open(const char* path, DWORD access, DWORD share, DWORD flags) {
    Close();  // a second Open must not leak the first handle
    handle_.reset(CreateFileA(path, access, share, nullptr, OPEN_EXISTING, flags, nullptr));
    return IsOpen();
}

int File::Read(void* buffer, int count) {
    if (count < 0) count = 0;
    DWORD got = 0;
    if (!ReadFile(handle_.get(), buffer, static_cast<DWORD>(count), &got, nullptr)) return -1;
    return static_cast<int>(got);
}

long long File::Tell() {
    LONG high = 0;
    DWORD low = SetFilePointer(handle_.get(), 0, &high, FILE_CURRENT);
    return static_cast<long long>((static_cast<unsigned long long>(static_cast<DWORD>(high)) << 32) | low);
}

bool File::Seek(long long position) {
    LONG high = static_cast<LONG>(position >> 32);
    SetLastError(0);
    DWORD low = SetFilePointer(handle_.get(), static_cast<LONG>(position & 0xFFFFFFFF), &high, FILE_BEGIN);
    return !(low == INVALID_SET_FILE_POINTER && GetLastError() != 0);
}

bool File::Close() {
    if (!IsOpen()) return true;
    return handle_.close() != FALSE;
}

bool FileExistsAnyName(const char* name, const wchar_t* wideName) {
    DWORD attributes;
    if (NtMajorVersion() != 0 && wideName && wideName[0] != L'\0')
        attributes = GetFileAttributesW(wideName);
    else
        attributes = GetFileAttributesA(name);
    return attributes != INVALID_FILE_ATTRIBUTES;
}

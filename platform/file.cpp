// The file object and the error record.
#include "platform/file.h"
#include "platform/core/array.h"

namespace {
[[noreturn]] void EndOnOutOfMemory() { TheErrorState().FatalOutOfMemory(); }
}

ErrorState::ErrorState() { SetOutOfMemoryHandler(&EndOnOutOfMemory); }

void ErrorState::FatalOutOfMemory() { ExitProcess(8); }

File::~File() {
    if (IsOpen()) Close();
}

bool File::Open(const char* path, DWORD access, DWORD share, DWORD flags) {
    Close();  // a second Open must not leak the first handle
    HANDLE h = CreateFileA(path, access, share, nullptr, OPEN_EXISTING, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    handle_ = h;
    return true;
}

int File::Read(void* buffer, int count) {
    if (count < 0) count = 0;
    DWORD got = 0;
    if (!ReadFile(handle_, buffer, static_cast<DWORD>(count), &got, nullptr)) return -1;
    return static_cast<int>(got);
}

long long File::Tell() {
    LONG high = 0;
    DWORD low = SetFilePointer(handle_, 0, &high, FILE_CURRENT);
    return static_cast<long long>((static_cast<unsigned long long>(static_cast<DWORD>(high)) << 32) | low);
}

bool File::Seek(long long position) {
    LONG high = static_cast<LONG>(position >> 32);
    SetLastError(0);
    DWORD low = SetFilePointer(handle_, static_cast<LONG>(position & 0xFFFFFFFF), &high, FILE_BEGIN);
    return !(low == INVALID_SET_FILE_POINTER && GetLastError() != 0);
}

bool File::Close() {
    if (!IsOpen()) return true;
    BOOL closed = CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return closed != FALSE;
}

// The file object used by the language-file loader, the program-wide error
// record whose one fatal path ends the process, and the existence test.
#pragma once
#include "platform/handles.h"

class ErrorState {
public:
    // Registers FatalOutOfMemory as the handler of arrays that cannot grow.
    ErrorState();
    // Ends the process with the fatal out-of-memory error (exit code 8).
    [[noreturn]] void FatalOutOfMemory();
};

ErrorState& TheErrorState();

// True when a file or folder has the name: the wide one on the NT family when
// one is given, else the ANSI one.
bool FileExistsAnyName(const char* name, const wchar_t* wideName = nullptr);

// The program's own wrapper of a system file handle; it owns the handle.
class File {
public:
    File() = default;
    virtual ~File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // CreateFileA on an existing file; by default for reading, sharing read
    // and write so that another program may keep it open for writing.
    bool Open(const char* path, DWORD access = GENERIC_READ,
              DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE,
              DWORD flags = FILE_FLAG_SEQUENTIAL_SCAN);
    // Bytes read (fewer near the end, 0 at it), or -1 when ReadFile fails.
    int Read(void* buffer, int count);
    // The current position (what the system reports, even on failure).
    long long Tell();
    // Moves to a position from the beginning; false when the system refuses.
    bool Seek(long long position);
    // Closes the handle and forgets it, even when CloseHandle fails; true
    // when nothing was open.
    bool Close();

    bool IsOpen() const { return static_cast<bool>(handle_); }
    HANDLE Handle() const { return handle_.get(); }

private:
    UniqueFileHandle handle_;
};

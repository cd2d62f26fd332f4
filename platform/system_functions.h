// System functions that not every Windows the program runs on has. Each is
// looked up by name once; a missing one is null, and every caller has a way
// for the systems without it. Everything else the program calls is in the
// oldest Windows it supports (Windows 98 and NT 4.0 for the x86 build, XP x64
// for the x64 build), so that the loader of those systems starts it.
#pragma once
#include <windows.h>

// NtSetInformationFile of ntdll (the whole NT family): on a handle opened with
// DELETE access, the FileDispositionInformation class (13) with a one-byte
// true marks the file or empty folder for deletion when the handle closes.
constexpr int FileDispositionInformationClass = 13;
struct NtIoStatusBlock {
    union {
        LONG status;
        void* pointer;
    };
    ULONG_PTR information;
};
using NtSetInformationFileFunction = LONG(WINAPI*)(HANDLE file, NtIoStatusBlock* status, void* information,
                                                   ULONG length, int informationClass);
// The name and place of an object an NT call opens: UNICODE_STRING and
// OBJECT_ATTRIBUTES of ntdll.
struct NtUnicodeText {
    USHORT length;     // in bytes, without a terminating null
    USHORT capacity;   // in bytes
    const wchar_t* text;
};
struct NtObjectName {
    ULONG size;
    HANDLE root;   // the folder `name` is relative to; null: a full NT path
    NtUnicodeText* name;
    ULONG attributes;
    void* descriptor;
    void* quality;
};

struct SystemFunctions {
    // Windows Vista and later (kernel32).
    DWORD(WINAPI* getFinalPathNameByHandleW)(HANDLE file, LPWSTR path, DWORD capacity, DWORD flags);
    BOOL(WINAPI* setFileInformationByHandle)(HANDLE file, FILE_INFO_BY_HANDLE_CLASS informationClass,
                                             LPVOID information, DWORD size);
    // The NT family (ntdll); absent on Windows 9x.
    NtSetInformationFileFunction ntSetInformationFile;
    LONG(WINAPI* ntCreateFile)(HANDLE* file, ACCESS_MASK access, NtObjectName* name, NtIoStatusBlock* status,
                               LARGE_INTEGER* allocation, ULONG attributes, ULONG share, ULONG disposition,
                               ULONG options, void* extended, ULONG extendedLength);
    LONG(WINAPI* ntQueryInformationFile)(HANDLE file, NtIoStatusBlock* status, void* information, ULONG length,
                                         int informationClass);
    ULONG(WINAPI* rtlNtStatusToDosError)(LONG status);
    // Wine's own exports: present when the NT system underneath is Wine.
    const char*(CDECL* wineGetVersion)();
    // The Unix path of a DOS path, allocated on the process heap.
    char*(CDECL* wineGetUnixFileName)(const wchar_t* dosName);
    // Lists the folder open on `file` (with FILE_LIST_DIRECTORY) through that handle.
    LONG(WINAPI* ntQueryDirectoryFile)(HANDLE file, HANDLE event, void* apc, void* apcContext, NtIoStatusBlock* status,
                                       void* information, ULONG length, int informationClass, BOOLEAN single,
                                       NtUnicodeText* mask, BOOLEAN restart);
    LONG(WINAPI* ntDeleteKey)(HANDLE key);
    // Windows 8 and later (kernel32).
    BOOL(WINAPI* setProcessMitigationPolicy)(int policy, const void* buffer, SIZE_T length);
    // Windows 2000 and later (advapi32).
    BOOL(WINAPI* checkTokenMembership)(HANDLE token, PSID sid, PBOOL member);
    // Windows XP and later (advapi32's RtlGenRandom, exported as SystemFunction036).
    BOOLEAN(WINAPI* rtlGenRandom)(void* buffer, ULONG length);
    // Windows Vista and later (kernel32): the handles a new process inherits.
    BOOL(WINAPI* initializeProcThreadAttributeList)(LPPROC_THREAD_ATTRIBUTE_LIST list, DWORD count, DWORD flags,
                                                    PSIZE_T size);
    BOOL(WINAPI* updateProcThreadAttribute)(LPPROC_THREAD_ATTRIBUTE_LIST list, DWORD flags, DWORD_PTR attribute,
                                            PVOID value, SIZE_T size, PVOID previous, PSIZE_T returned);
    void(WINAPI* deleteProcThreadAttributeList)(LPPROC_THREAD_ATTRIBUTE_LIST list);
};

// The table, filled on the first call.
const SystemFunctions& System();

// Tests only: the functions of the set bits are looked up as missing, as on a
// system without them; 0 restores the real lookup. Returns the previous bits.
enum AbsentSystemFunction : unsigned {
    NoFinalPathByHandle = 1u << 0,
    NoFileInformationByHandle = 1u << 1,
    NoNtSetInformationFile = 1u << 2,
    NoNtDeleteKey = 1u << 3,
    NoProcessMitigationPolicy = 1u << 4,
    NoCheckTokenMembership = 1u << 5,
    NoRtlGenRandom = 1u << 6,
    NoAttributeList = 1u << 7,
    NoNtCreateFile = 1u << 8,    // NtCreateFile, NtQueryInformationFile, NtQueryDirectoryFile: no opens below held folders
    NoWineVersion = 1u << 9,     // wine_get_version, wine_get_unix_file_name: Wine's NT taken for Windows'
    NoVistaFunctions = NoFinalPathByHandle | NoFileInformationByHandle | NoProcessMitigationPolicy | NoAttributeList,
    NoSystemFunctions = NoVistaFunctions | NoNtSetInformationFile | NoNtDeleteKey | NoCheckTokenMembership |
                        NoRtlGenRandom | NoNtCreateFile,
};
unsigned SetAbsentSystemFunctionsForTests(unsigned absent);

// Loads `fileName` from the system folder by its full path, never through
// the search path, whose first folder is the program's own (where others may
// be able to put a library of that name); the libraries it needs are looked
// for beside it first. Null when it cannot be loaded.
HMODULE LoadSystemLibrary(const char* fileName);

// Fills `buffer` with `size` bytes from the system's random generator
// (RtlGenRandom where the system has it, else CryptGenRandom); false when
// neither gives them (Windows 9x without the CryptoAPI).
bool SystemRandomBytes(void* buffer, DWORD size);
// Tests only: another source of those bytes (null restores the system's);
// returns the previous one.
using RandomBytesSource = bool (*)(void* buffer, DWORD size);
RandomBytesSource SetRandomBytesForTests(RandomBytesSource source);

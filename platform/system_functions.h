// System functions that not every Windows the program runs on has. Each is
// looked up by name once; a missing one is null, and every caller has a way
// for the systems without it. Everything else the program calls is in the
// oldest Windows it supports (Windows 98 and NT 4.0 for the x86 build, XP x64
// for the x64 build), so that the loader of those systems starts it.
#pragma once
#include <windows.h>
#include <winternl.h>
#include <ntsecapi.h>

// Tests only: the functions of the set bits are looked up as missing, as on a
// system without them (SetAbsentSystemFunctionsForTests).
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
};

// The one list of optional functions: the table's member, the module, the
// exported name (whose declaration gives the member its type) and the bit
// that makes tests see it missing. A new function is one row (and a bit of
// its own, unless it shares one).
#define QAV_SYSTEM_FUNCTIONS(X)                                                                         \
    /* Windows Vista and later. */                                                                      \
    X(getFinalPathNameByHandleW, kernel32, GetFinalPathNameByHandleW, NoFinalPathByHandle)              \
    X(setFileInformationByHandle, kernel32, SetFileInformationByHandle, NoFileInformationByHandle)      \
    /* The NT family; absent on Windows 9x. */                                                          \
    X(ntSetInformationFile, ntdll, NtSetInformationFile, NoNtSetInformationFile)                        \
    X(ntCreateFile, ntdll, NtCreateFile, NoNtCreateFile)                                                \
    X(ntQueryInformationFile, ntdll, NtQueryInformationFile, NoNtCreateFile)                            \
    X(rtlNtStatusToDosError, ntdll, RtlNtStatusToDosError, NoNtCreateFile)                              \
    /* Lists the folder open on a handle (with FILE_LIST_DIRECTORY) through that handle. */             \
    X(ntQueryDirectoryFile, ntdll, NtQueryDirectoryFile, NoNtCreateFile)                                \
    /* Wine's own exports: present when the NT system underneath is Wine. */                            \
    X(wineGetVersion, ntdll, wine_get_version, NoWineVersion)                                           \
    /* The Unix path of a DOS path, allocated on the process heap. */                                   \
    X(wineGetUnixFileName, kernel32, wine_get_unix_file_name, NoWineVersion)                            \
    X(ntDeleteKey, ntdll, NtDeleteKey, NoNtDeleteKey)                                                   \
    /* Windows 8 and later. */                                                                          \
    X(setProcessMitigationPolicy, kernel32, SetProcessMitigationPolicy, NoProcessMitigationPolicy)      \
    /* Windows 2000 and later. */                                                                       \
    X(checkTokenMembership, advapi32, CheckTokenMembership, NoCheckTokenMembership)                     \
    /* Windows XP and later: RtlGenRandom, exported under this name. */                                \
    X(rtlGenRandom, advapi32, SystemFunction036, NoRtlGenRandom)                                        \
    /* Windows Vista and later: the handles a new process inherits (all three or none). */             \
    X(initializeProcThreadAttributeList, kernel32, InitializeProcThreadAttributeList, NoAttributeList)  \
    X(updateProcThreadAttribute, kernel32, UpdateProcThreadAttribute, NoAttributeList)                  \
    X(deleteProcThreadAttributeList, kernel32, DeleteProcThreadAttributeList, NoAttributeList)

// Every function of the list missing, as on Windows 9x; Wine's own export,
// which tells Wine from Windows, is taken away on its own (NoWineVersion).
#define QAV_SYSTEM_FUNCTION_BIT(member, module, name, bit) | bit
constexpr unsigned NoSystemFunctions = (0u QAV_SYSTEM_FUNCTIONS(QAV_SYSTEM_FUNCTION_BIT)) & ~NoWineVersion;
#undef QAV_SYSTEM_FUNCTION_BIT

// Each member's type is that of its function's declaration: the SDK's, or
// one here where the build's headers have none (or none that fits). Declared
// only for their types; never called or imported by these names.
namespace system_declarations {
// processthreadsapi.h declares it only for a build aimed at Windows 8 and later.
BOOL WINAPI SetProcessMitigationPolicy(PROCESS_MITIGATION_POLICY policy, PVOID buffer, SIZE_T length);
// Declared only by the driver kit's headers (NtDeleteKey there as ZwDeleteKey),
// which do not go with <windows.h>.
NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE file, HANDLE event, PIO_APC_ROUTINE apc, PVOID apcContext,
                                    PIO_STATUS_BLOCK status, PVOID information, ULONG length,
                                    FILE_INFORMATION_CLASS informationClass, BOOLEAN single, PUNICODE_STRING mask,
                                    BOOLEAN restart);
NTSTATUS NTAPI NtDeleteKey(HANDLE key);
// The class is Windows' FILE_INFORMATION_CLASS, whose list in winternl.h ends
// before FileDispositionInformationEx (64): a value past an enumeration's
// range cannot be converted to it, so the class is passed as its number.
NTSTATUS NTAPI NtSetInformationFile(HANDLE file, PIO_STATUS_BLOCK status, PVOID information, ULONG length,
                                    int informationClass);
// Wine only: ntdll's and kernel32's.
const char* CDECL wine_get_version();
char* CDECL wine_get_unix_file_name(const wchar_t* dosName);

#define QAV_SYSTEM_FUNCTION_TYPE(member, module, name, bit) using member = decltype(&name);
QAV_SYSTEM_FUNCTIONS(QAV_SYSTEM_FUNCTION_TYPE)
#undef QAV_SYSTEM_FUNCTION_TYPE
}  // namespace system_declarations

struct SystemFunctions {
#define QAV_SYSTEM_FUNCTION_MEMBER(member, module, name, bit) system_declarations::member member;
    QAV_SYSTEM_FUNCTIONS(QAV_SYSTEM_FUNCTION_MEMBER)
#undef QAV_SYSTEM_FUNCTION_MEMBER
};

// The table, filled on the first call.
const SystemFunctions& System();

// Tests only: the functions of the set bits of `absent` are looked up as
// missing; 0 restores the real lookup. Returns the previous bits.
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

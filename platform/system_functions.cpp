#include "platform/system_functions.h"
#include "platform/core/textwalk.h"
#include <wincrypt.h>

namespace {

unsigned AbsentForTests = 0;

template <class Function>
void Find(Function& slot, HMODULE module, const char* name, unsigned bit) {
    slot = module != nullptr && (AbsentForTests & bit) == 0
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
               : nullptr;
}

// The one list of optional functions: where each lives, its name, and the
// bit that makes tests see it missing.
SystemFunctions LookUp() {
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    HMODULE advapi32 = GetModuleHandleA("advapi32.dll");
    SystemFunctions f{};
    Find(f.getFinalPathNameByHandleW, kernel32, "GetFinalPathNameByHandleW", NoFinalPathByHandle);
    Find(f.setFileInformationByHandle, kernel32, "SetFileInformationByHandle", NoFileInformationByHandle);
    Find(f.ntSetInformationFile, ntdll, "NtSetInformationFile", NoNtSetInformationFile);
    Find(f.ntCreateFile, ntdll, "NtCreateFile", NoNtCreateFile);
    Find(f.ntQueryInformationFile, ntdll, "NtQueryInformationFile", NoNtCreateFile);
    Find(f.rtlNtStatusToDosError, ntdll, "RtlNtStatusToDosError", NoNtCreateFile);
    Find(f.ntQueryDirectoryFile, ntdll, "NtQueryDirectoryFile", NoNtCreateFile);
    Find(f.wineGetVersion, ntdll, "wine_get_version", NoWineVersion);
    Find(f.wineGetUnixFileName, kernel32, "wine_get_unix_file_name", NoWineVersion);
    Find(f.ntDeleteKey, ntdll, "NtDeleteKey", NoNtDeleteKey);
    Find(f.setProcessMitigationPolicy, kernel32, "SetProcessMitigationPolicy", NoProcessMitigationPolicy);
    Find(f.checkTokenMembership, advapi32, "CheckTokenMembership", NoCheckTokenMembership);
    Find(f.rtlGenRandom, advapi32, "SystemFunction036", NoRtlGenRandom);
    Find(f.initializeProcThreadAttributeList, kernel32, "InitializeProcThreadAttributeList", NoAttributeList);
    Find(f.updateProcThreadAttribute, kernel32, "UpdateProcThreadAttribute", NoAttributeList);
    Find(f.deleteProcThreadAttributeList, kernel32, "DeleteProcThreadAttributeList", NoAttributeList);
    if (!f.initializeProcThreadAttributeList || !f.updateProcThreadAttribute || !f.deleteProcThreadAttributeList)
        f.initializeProcThreadAttributeList = nullptr;
    return f;
}

SystemFunctions Table;
bool TableFilled = false;

}  // namespace

const SystemFunctions& System() {
    if (!TableFilled) {
        Table = LookUp();
        TableFilled = true;
    }
    return Table;
}

unsigned SetAbsentSystemFunctionsForTests(unsigned absent) {
    unsigned previous = AbsentForTests;
    AbsentForTests = absent;
    TableFilled = false;
    return previous;
}

namespace {

RandomBytesSource RandomForTests = nullptr;

}  // namespace

bool SystemRandomBytes(void* buffer, DWORD size) {
    if (RandomForTests) return RandomForTests(buffer, size);
    if (auto generate = System().rtlGenRandom) return generate(buffer, size) != FALSE;
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return false;
    bool filled = CryptGenRandom(provider, size, static_cast<BYTE*>(buffer)) != FALSE;
    CryptReleaseContext(provider, 0);
    return filled;
}

RandomBytesSource SetRandomBytesForTests(RandomBytesSource source) {
    RandomBytesSource previous = RandomForTests;
    RandomForTests = source;
    return previous;
}

HMODULE LoadSystemLibrary(const char* fileName) {
    char path[PathSize];
    UINT length = GetSystemDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path) return nullptr;
    if (!AppendText(path, sizeof path, "\\") || !AppendText(path, sizeof path, fileName)) return nullptr;
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

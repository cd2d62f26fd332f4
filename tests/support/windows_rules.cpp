#include "tests/support/windows_rules.h"
#include "platform/system_functions.h"
#include "platform/text.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace test {
namespace {

constexpr LONG StatusAccessDenied = static_cast<LONG>(0xC0000022);

// FILE_INFO_BY_HANDLE_CLASS and FILE_INFORMATION_CLASS numbers the rules name.
enum : int {
    InfoBasic = 0, InfoRename = 3, InfoDisposition = 4, InfoAllocation = 5, InfoEndOfFile = 6,
    InfoAttributeTag = 9, InfoDispositionEx = 21,
    NtBasic = 4, NtRename = 10, NtDisposition = 13, NtAll = 18, NtAllocation = 19, NtEndOfFile = 20,
    NtNetworkOpen = 34, NtAttributeTag = 35, NtDispositionEx = 64,
};

const std::vector<AccessRule> Rules = {
    {"GetFileInformationByHandle", -1, FILE_READ_ATTRIBUTES},
    {"GetFileInformationByHandleEx", InfoBasic, FILE_READ_ATTRIBUTES},
    {"GetFileInformationByHandleEx", InfoAttributeTag, FILE_READ_ATTRIBUTES},
    {"NtQueryInformationFile", NtBasic, FILE_READ_ATTRIBUTES},
    {"NtQueryInformationFile", NtAll, FILE_READ_ATTRIBUTES},
    {"NtQueryInformationFile", NtNetworkOpen, FILE_READ_ATTRIBUTES},
    {"NtQueryInformationFile", NtAttributeTag, FILE_READ_ATTRIBUTES},
    {"SetFileInformationByHandle", InfoBasic, FILE_WRITE_ATTRIBUTES},
    {"SetFileInformationByHandle", InfoRename, DELETE},
    {"SetFileInformationByHandle", InfoDisposition, DELETE},
    {"SetFileInformationByHandle", InfoDispositionEx, DELETE},
    {"SetFileInformationByHandle", InfoAllocation, FILE_WRITE_DATA},
    {"SetFileInformationByHandle", InfoEndOfFile, FILE_WRITE_DATA},
    {"NtSetInformationFile", NtBasic, FILE_WRITE_ATTRIBUTES},
    {"NtSetInformationFile", NtRename, DELETE},
    {"NtSetInformationFile", NtDisposition, DELETE},
    {"NtSetInformationFile", NtDispositionEx, DELETE},
    {"NtSetInformationFile", NtAllocation, FILE_WRITE_DATA},
    {"NtSetInformationFile", NtEndOfFile, FILE_WRITE_DATA},
    {"GetFinalPathNameByHandle", -1, 0},
    {"ReadFile", -1, FILE_READ_DATA},
    {"WriteFile", -1, FILE_WRITE_DATA | FILE_APPEND_DATA},   // either
    {"RegQueryValueEx", -1, KEY_QUERY_VALUE},
    {"RegQueryInfoKey", -1, KEY_QUERY_VALUE},
    {"RegEnumValue", -1, KEY_QUERY_VALUE},
    {"RegSetValueEx", -1, KEY_SET_VALUE},
    {"RegDeleteValue", -1, KEY_SET_VALUE},
    {"RegEnumKeyEx", -1, KEY_ENUMERATE_SUB_KEYS},
    {"RegCreateKeyEx", -1, KEY_CREATE_SUB_KEY},   // on the parent, when the key is made
    {"NtDeleteKey", -1, DELETE},
    {"RegOpenKeyEx", -1, 0},                      // the parent needs nothing
    {"RegDeleteKey", -1, 0},                      // the system opens the key with DELETE itself
};

// The right `call` needs; a call or class the rules do not name needs nothing.
DWORD Needed(const char* call, int informationClass) {
    for (const AccessRule& rule : Rules)
        if (std::strcmp(rule.call, call) == 0 && (rule.informationClass == -1 || rule.informationClass == informationClass))
            return rule.right;
    return 0;
}

struct Opened {
    bool key;
    DWORD granted;
    std::string how;   // the call and the name, for the message
};

struct State {
    std::mutex lock;
    std::unordered_map<HANDLE, Opened> handles;
    RuleBreaches* collector = nullptr;
    bool exactRights = false;
    std::string breachFile;   // a program's run: breaches go here
    unsigned long breaches = 0;
};
State& Shared() {
    static State* state = new State;   // lives past every static destructor
    return *state;
}

void Record(HANDLE h, bool key, DWORD granted, std::string how) {
    if (!h || h == INVALID_HANDLE_VALUE) return;
    State& s = Shared();
    std::lock_guard<std::mutex> hold(s.lock);
    s.handles[h] = Opened{key, granted, std::move(how)};
}

void Forget(HANDLE h) {
    State& s = Shared();
    std::lock_guard<std::mutex> hold(s.lock);
    s.handles.erase(h);
}

void Report(const std::string& breach) {
    State& s = Shared();
    {
        std::lock_guard<std::mutex> hold(s.lock);
        if (s.collector) {
            s.collector->add(breach);
            return;
        }
        ++s.breaches;
        if (!s.breachFile.empty()) {
            if (FILE* f = std::fopen(s.breachFile.c_str(), "ab")) {
                std::fprintf(f, "%s\r\n", breach.c_str());
                std::fclose(f);
            }
            return;
        }
    }
    ADD_FAILURE() << "a call Windows refuses (Wine does not check it): " << breach;
}

// True when `call` with `informationClass` may be made on `h`; otherwise it is
// reported. A handle the layer did not see opened is not checked.
bool Allowed(HANDLE h, const char* call, int informationClass = -1) {
    DWORD needed = Needed(call, informationClass);
    if (needed == 0) return true;
    std::string breach;
    {
        State& s = Shared();
        std::lock_guard<std::mutex> hold(s.lock);
        auto found = s.handles.find(h);
        if (found == s.handles.end() || (found->second.granted & needed) != 0) return true;
        char text[160];
        std::snprintf(text, sizeof text, "%s (information class %d) needs 0x%lX; the handle has 0x%lX from ", call,
                      informationClass, static_cast<unsigned long>(needed),
                      static_cast<unsigned long>(found->second.granted));
        if (informationClass == -1)
            std::snprintf(text, sizeof text, "%s needs 0x%lX; the handle has 0x%lX from ", call,
                          static_cast<unsigned long>(needed), static_cast<unsigned long>(found->second.granted));
        breach = text + found->second.how;
    }
    Report(breach);
    return false;
}

std::string Named(const char* call, const char* name) { return std::string(call) + "(\"" + (name ? name : "") + "\")"; }
std::string Named(const char* call, const wchar_t* name) {
    char ansi[1024] = "";
    if (name) WideCharToMultiByte(CP_UTF8, 0, name, -1, ansi, sizeof ansi, nullptr, nullptr);
    return Named(call, ansi);
}

// ---------------------------------------------------------------- the layer
// Each wrapper keeps the system's function it stands in front of.
#define QAV_REAL(name) decltype(&::name) real##name = nullptr

QAV_REAL(CreateFileA);
QAV_REAL(CreateFileW);
QAV_REAL(CloseHandle);
QAV_REAL(GetFileInformationByHandle);
QAV_REAL(ReadFile);
QAV_REAL(WriteFile);
QAV_REAL(GetProcAddress);
QAV_REAL(WideCharToMultiByte);
QAV_REAL(MultiByteToWideChar);
QAV_REAL(RegOpenKeyExA);
QAV_REAL(RegOpenKeyExW);
QAV_REAL(RegCreateKeyExA);
QAV_REAL(RegCreateKeyExW);
QAV_REAL(RegQueryValueExA);
QAV_REAL(RegQueryValueExW);
QAV_REAL(RegSetValueExA);
QAV_REAL(RegSetValueExW);
QAV_REAL(RegDeleteValueA);
QAV_REAL(RegDeleteValueW);
QAV_REAL(RegEnumKeyExA);
QAV_REAL(RegEnumKeyExW);
QAV_REAL(RegEnumValueA);
QAV_REAL(RegQueryInfoKeyA);
QAV_REAL(RegCloseKey);

DWORD CreateFileGrants(DWORD access, DWORD flags) {
    DWORD asked = access | (flags & FILE_FLAG_DELETE_ON_CLOSE ? DELETE : 0);
    return GrantedFileRights(asked, !Shared().exactRights);
}

HANDLE WINAPI CheckedCreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                 DWORD disposition, DWORD flags, HANDLE model) {
    HANDLE h = realCreateFileA(name, access, share, security, disposition, flags, model);
    Record(h, false, CreateFileGrants(access, flags), Named("CreateFileA", name));
    return h;
}
HANDLE WINAPI CheckedCreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                 DWORD disposition, DWORD flags, HANDLE model) {
    HANDLE h = realCreateFileW(name, access, share, security, disposition, flags, model);
    Record(h, false, CreateFileGrants(access, flags), Named("CreateFileW", name));
    return h;
}
BOOL WINAPI CheckedCloseHandle(HANDLE h) {
    Forget(h);
    return realCloseHandle(h);
}
BOOL WINAPI CheckedGetFileInformationByHandle(HANDLE h, LPBY_HANDLE_FILE_INFORMATION info) {
    if (!Allowed(h, "GetFileInformationByHandle")) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return realGetFileInformationByHandle(h, info);
}
BOOL WINAPI CheckedReadFile(HANDLE h, LPVOID buffer, DWORD size, LPDWORD got, LPOVERLAPPED overlapped) {
    if (!Allowed(h, "ReadFile")) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return realReadFile(h, buffer, size, got, overlapped);
}
BOOL WINAPI CheckedWriteFile(HANDLE h, LPCVOID bytes, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
    if (!Allowed(h, "WriteFile")) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return realWriteFile(h, bytes, size, written, overlapped);
}

int WINAPI CheckedWideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wide, int count, LPSTR out, int size,
                                      LPCCH defaultChar, LPBOOL usedDefault) {
    UINT cp = codePage == CP_ACP ? GetACP() : codePage;
    if (DWORD error = ConversionArgumentError(cp, flags, false, defaultChar || usedDefault)) {
        char text[120];
        std::snprintf(text, sizeof text, "WideCharToMultiByte(code page %u, flags 0x%lX%s)", cp,
                      static_cast<unsigned long>(flags), defaultChar || usedDefault ? ", default character" : "");
        Report(text);
        SetLastError(error);
        return 0;
    }
    return realWideCharToMultiByte(codePage, flags, wide, count, out, size, defaultChar, usedDefault);
}
int WINAPI CheckedMultiByteToWideChar(UINT codePage, DWORD flags, LPCCH bytes, int count, LPWSTR out, int size) {
    UINT cp = codePage == CP_ACP ? GetACP() : codePage;
    if (DWORD error = ConversionArgumentError(cp, flags, true, false)) {
        char text[120];
        std::snprintf(text, sizeof text, "MultiByteToWideChar(code page %u, flags 0x%lX)", cp,
                      static_cast<unsigned long>(flags));
        Report(text);
        SetLastError(error);
        return 0;
    }
    return realMultiByteToWideChar(codePage, flags, bytes, count, out, size);
}

// The registry: keys are recorded like files.
template <typename Char>
LONG KeyOpened(LONG result, HKEY* key, REGSAM access, const char* call, const Char* name) {
    if (result == ERROR_SUCCESS && key) Record(*key, true, GrantedKeyRights(access), Named(call, name));
    return result;
}
LONG WINAPI CheckedRegOpenKeyExA(HKEY parent, LPCSTR name, DWORD options, REGSAM access, PHKEY key) {
    return KeyOpened(realRegOpenKeyExA(parent, name, options, access, key), key, access, "RegOpenKeyExA", name);
}
LONG WINAPI CheckedRegOpenKeyExW(HKEY parent, LPCWSTR name, DWORD options, REGSAM access, PHKEY key) {
    return KeyOpened(realRegOpenKeyExW(parent, name, options, access, key), key, access, "RegOpenKeyExW", name);
}
// The parent needs KEY_CREATE_SUB_KEY only when the key is made: checked
// after the call, on what it did.
LONG CreatedBelow(HKEY parent, LONG result, DWORD made) {
    if (result == ERROR_SUCCESS && made == REG_CREATED_NEW_KEY && !Allowed(parent, "RegCreateKeyEx"))
        return ERROR_ACCESS_DENIED;
    return result;
}
LONG WINAPI CheckedRegCreateKeyExA(HKEY parent, LPCSTR name, DWORD reserved, LPSTR kind, DWORD options,
                                   REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD made) {
    DWORD disposition = 0;
    LONG result = realRegCreateKeyExA(parent, name, reserved, kind, options, access,
                                      security, key, &disposition);
    if (made) *made = disposition;
    KeyOpened(result, key, access, "RegCreateKeyExA", name);
    return CreatedBelow(parent, result, disposition);
}
LONG WINAPI CheckedRegCreateKeyExW(HKEY parent, LPCWSTR name, DWORD reserved, LPWSTR kind, DWORD options,
                                   REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD made) {
    DWORD disposition = 0;
    LONG result = realRegCreateKeyExW(parent, name, reserved, kind, options, access,
                                      security, key, &disposition);
    if (made) *made = disposition;
    KeyOpened(result, key, access, "RegCreateKeyExW", name);
    return CreatedBelow(parent, result, disposition);
}
#define QAV_KEY_CALL(name, rule, ...)                             \
    if (!Allowed(key, rule)) return ERROR_ACCESS_DENIED;          \
    return real##name(key, __VA_ARGS__)
LONG WINAPI CheckedRegQueryValueExA(HKEY key, LPCSTR value, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                    LPDWORD size) {
    QAV_KEY_CALL(RegQueryValueExA, "RegQueryValueEx", value, reserved, type, data, size);
}
LONG WINAPI CheckedRegQueryValueExW(HKEY key, LPCWSTR value, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                    LPDWORD size) {
    QAV_KEY_CALL(RegQueryValueExW, "RegQueryValueEx", value, reserved, type, data, size);
}
LONG WINAPI CheckedRegSetValueExA(HKEY key, LPCSTR value, DWORD reserved, DWORD type, const BYTE* data,
                                  DWORD size) {
    QAV_KEY_CALL(RegSetValueExA, "RegSetValueEx", value, reserved, type, data, size);
}
LONG WINAPI CheckedRegSetValueExW(HKEY key, LPCWSTR value, DWORD reserved, DWORD type, const BYTE* data,
                                  DWORD size) {
    QAV_KEY_CALL(RegSetValueExW, "RegSetValueEx", value, reserved, type, data, size);
}
LONG WINAPI CheckedRegDeleteValueA(HKEY key, LPCSTR value) { QAV_KEY_CALL(RegDeleteValueA, "RegDeleteValue", value); }
LONG WINAPI CheckedRegDeleteValueW(HKEY key, LPCWSTR value) { QAV_KEY_CALL(RegDeleteValueW, "RegDeleteValue", value); }
LONG WINAPI CheckedRegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD size, LPDWORD reserved, LPSTR kind,
                                 LPDWORD kindSize, PFILETIME written) {
    QAV_KEY_CALL(RegEnumKeyExA, "RegEnumKeyEx", index, name, size, reserved, kind, kindSize, written);
}
LONG WINAPI CheckedRegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD size, LPDWORD reserved, LPWSTR kind,
                                 LPDWORD kindSize, PFILETIME written) {
    QAV_KEY_CALL(RegEnumKeyExW, "RegEnumKeyEx", index, name, size, reserved, kind, kindSize, written);
}
LONG WINAPI CheckedRegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD size, LPDWORD reserved, LPDWORD type,
                                 LPBYTE data, LPDWORD dataSize) {
    QAV_KEY_CALL(RegEnumValueA, "RegEnumValue", index, name, size, reserved, type, data, dataSize);
}
LONG WINAPI CheckedRegQueryInfoKeyA(HKEY key, LPSTR kind, LPDWORD kindSize, LPDWORD reserved, LPDWORD subkeys,
                                    LPDWORD longestSubkey, LPDWORD longestKind, LPDWORD values,
                                    LPDWORD longestValueName, LPDWORD longestValue, LPDWORD descriptorSize,
                                    PFILETIME written) {
    QAV_KEY_CALL(RegQueryInfoKeyA, "RegQueryInfoKey", kind, kindSize, reserved, subkeys, longestSubkey, longestKind,
                 values, longestValueName, longestValue, descriptorSize, written);
}
LONG WINAPI CheckedRegCloseKey(HKEY key) {
    Forget(key);
    return realRegCloseKey(key);
}

// The functions looked up by name: the product's optional ones and the NT
// calls a removal through held folders will make.
decltype(SystemFunctions::ntSetInformationFile) realNtSetInformationFile = nullptr;
decltype(SystemFunctions::ntQueryInformationFile) realNtQueryInformationFile = nullptr;
decltype(&::NtOpenFile) realNtOpenFile = nullptr;
decltype(SystemFunctions::ntCreateFile) realNtCreateFile = nullptr;
decltype(SystemFunctions::ntDeleteKey) realNtDeleteKey = nullptr;
decltype(SystemFunctions::getFinalPathNameByHandleW) realGetFinalPathNameByHandleW = nullptr;
decltype(SystemFunctions::setFileInformationByHandle) realSetFileInformationByHandle = nullptr;
decltype(&::GetFileInformationByHandleEx) realGetFileInformationByHandleEx = nullptr;

std::string NtName(const char* call, const OBJECT_ATTRIBUTES* attributes) {
    std::wstring name;
    if (attributes && attributes->ObjectName && attributes->ObjectName->Buffer)
        name.assign(attributes->ObjectName->Buffer, attributes->ObjectName->Length / sizeof(wchar_t));
    return Named(call, name.c_str()) + (attributes && attributes->RootDirectory ? " below a held folder" : "");
}
NTSTATUS NTAPI CheckedNtOpenFile(PHANDLE h, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes, PIO_STATUS_BLOCK io,
                                 ULONG share, ULONG options) {
    LONG status = realNtOpenFile(h, access, attributes, io, share, options);
    if (status >= 0 && h) Record(*h, false, GrantedFileRights(access, false), NtName("NtOpenFile", attributes));
    return status;
}
NTSTATUS NTAPI CheckedNtCreateFile(PHANDLE h, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes, PIO_STATUS_BLOCK io,
                                   PLARGE_INTEGER allocation, ULONG fileAttributes, ULONG share, ULONG disposition,
                                   ULONG options, PVOID ea, ULONG eaSize) {
    LONG status = realNtCreateFile(h, access, attributes, io, allocation, fileAttributes, share, disposition, options,
                                   ea, eaSize);
    if (status >= 0 && h) Record(*h, false, GrantedFileRights(access, false), NtName("NtCreateFile", attributes));
    return status;
}
NTSTATUS NTAPI CheckedNtSetInformationFile(HANDLE h, PIO_STATUS_BLOCK io, PVOID information, ULONG size, int kind) {
    if (!Allowed(h, "NtSetInformationFile", kind)) return StatusAccessDenied;
    return realNtSetInformationFile(h, io, information, size, kind);
}
NTSTATUS NTAPI CheckedNtQueryInformationFile(HANDLE h, PIO_STATUS_BLOCK io, PVOID information, ULONG size,
                                             FILE_INFORMATION_CLASS kind) {
    if (!Allowed(h, "NtQueryInformationFile", kind)) return StatusAccessDenied;
    return realNtQueryInformationFile(h, io, information, size, kind);
}
NTSTATUS NTAPI CheckedNtDeleteKey(HANDLE key) {
    if (!Allowed(key, "NtDeleteKey")) return StatusAccessDenied;
    return realNtDeleteKey(key);
}
DWORD WINAPI CheckedGetFinalPathNameByHandleW(HANDLE h, LPWSTR path, DWORD capacity, DWORD flags) {
    Allowed(h, "GetFinalPathNameByHandle");
    return realGetFinalPathNameByHandleW(h, path, capacity, flags);
}
BOOL WINAPI CheckedSetFileInformationByHandle(HANDLE h, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID information,
                                              DWORD size) {
    if (!Allowed(h, "SetFileInformationByHandle", kind)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return realSetFileInformationByHandle(h, kind, information, size);
}
BOOL WINAPI CheckedGetFileInformationByHandleEx(HANDLE h, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID information,
                                                DWORD size) {
    if (!Allowed(h, "GetFileInformationByHandleEx", kind)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return realGetFileInformationByHandleEx(h, kind, information, size);
}

struct ByName {
    const char* name;
    void** real;
    void* checked;
};
template <typename F>
ByName Entry(const char* name, F& real, F checked) {
    return {name, reinterpret_cast<void**>(&real), reinterpret_cast<void*>(checked)};
}
const ByName* LookedUp(const char* name) {
    static const ByName table[] = {
        Entry("NtSetInformationFile", realNtSetInformationFile, &CheckedNtSetInformationFile),
        Entry("NtQueryInformationFile", realNtQueryInformationFile, &CheckedNtQueryInformationFile),
        Entry("NtOpenFile", realNtOpenFile, &CheckedNtOpenFile),
        Entry("NtCreateFile", realNtCreateFile, &CheckedNtCreateFile),
        Entry("NtDeleteKey", realNtDeleteKey, &CheckedNtDeleteKey),
        Entry("GetFinalPathNameByHandleW", realGetFinalPathNameByHandleW, &CheckedGetFinalPathNameByHandleW),
        Entry("SetFileInformationByHandle", realSetFileInformationByHandle, &CheckedSetFileInformationByHandle),
        Entry("GetFileInformationByHandleEx", realGetFileInformationByHandleEx, &CheckedGetFileInformationByHandleEx),
    };
    for (const ByName& entry : table)
        if (std::strcmp(entry.name, name) == 0) return &entry;
    return nullptr;
}
FARPROC WINAPI CheckedGetProcAddress(HMODULE module, LPCSTR name) {
    FARPROC found = realGetProcAddress(module, name);
    if (!found || reinterpret_cast<ULONG_PTR>(name) <= 0xFFFF) return found;
    const ByName* entry = LookedUp(name);
    if (!entry) return found;
    *entry->real = reinterpret_cast<void*>(found);
    return reinterpret_cast<FARPROC>(entry->checked);
}

// Every import slot of this program that holds `real` gets `checked`.
void Redirect(void* real, void* checked) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name != 0; ++d)
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk); slot->u1.Function != 0; ++slot) {
            if (reinterpret_cast<void*>(slot->u1.Function) != real) continue;
            DWORD old;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &old);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(checked);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, old, &old);
        }
}

template <typename F>
void Put(F& real, F checked, const char* dll, const char* name) {
    real = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(GetModuleHandleA(dll), name)));
    if (real) Redirect(reinterpret_cast<void*>(real), reinterpret_cast<void*>(checked));
}
#define QAV_PUT(dll, name) Put(real##name, &Checked##name, dll, #name)

bool Install() {
    LoadLibraryA("advapi32.dll");
    QAV_PUT("kernel32.dll", CreateFileA);
    QAV_PUT("kernel32.dll", CreateFileW);
    QAV_PUT("kernel32.dll", CloseHandle);
    QAV_PUT("kernel32.dll", GetFileInformationByHandle);
    QAV_PUT("kernel32.dll", ReadFile);
    QAV_PUT("kernel32.dll", WriteFile);
    QAV_PUT("kernel32.dll", WideCharToMultiByte);
    QAV_PUT("kernel32.dll", MultiByteToWideChar);
    QAV_PUT("advapi32.dll", RegOpenKeyExA);
    QAV_PUT("advapi32.dll", RegOpenKeyExW);
    QAV_PUT("advapi32.dll", RegCreateKeyExA);
    QAV_PUT("advapi32.dll", RegCreateKeyExW);
    QAV_PUT("advapi32.dll", RegQueryValueExA);
    QAV_PUT("advapi32.dll", RegQueryValueExW);
    QAV_PUT("advapi32.dll", RegSetValueExA);
    QAV_PUT("advapi32.dll", RegSetValueExW);
    QAV_PUT("advapi32.dll", RegDeleteValueA);
    QAV_PUT("advapi32.dll", RegDeleteValueW);
    QAV_PUT("advapi32.dll", RegEnumKeyExA);
    QAV_PUT("advapi32.dll", RegEnumKeyExW);
    QAV_PUT("advapi32.dll", RegEnumValueA);
    QAV_PUT("advapi32.dll", RegQueryInfoKeyA);
    QAV_PUT("advapi32.dll", RegCloseKey);
    QAV_PUT("kernel32.dll", GetProcAddress);   // last: the lines above look up the real ones
    // The product's table of optional functions is looked up anew, through the layer.
    SetAbsentSystemFunctionsForTests(SetAbsentSystemFunctionsForTests(0));
    return realCreateFileA && realGetProcAddress && realRegOpenKeyExA;
}

}  // namespace

const std::vector<AccessRule>& AccessRules() { return Rules; }

DWORD GrantedFileRights(DWORD requested, bool throughCreateFile) {
    GENERIC_MAPPING files{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    if (requested & MAXIMUM_ALLOWED) requested |= GENERIC_ALL;   // an administrator's run
    MapGenericMask(&requested, &files);
    return (requested & ~MAXIMUM_ALLOWED) | (throughCreateFile ? SYNCHRONIZE | FILE_READ_ATTRIBUTES : 0);
}

DWORD GrantedKeyRights(REGSAM requested) {
    GENERIC_MAPPING keys{KEY_READ, KEY_WRITE, KEY_EXECUTE, KEY_ALL_ACCESS};
    DWORD rights = requested & ~(KEY_WOW64_32KEY | KEY_WOW64_64KEY);
    if (rights & MAXIMUM_ALLOWED) rights |= GENERIC_ALL;
    MapGenericMask(&rights, &keys);
    return rights & ~MAXIMUM_ALLOWED;
}

DWORD ConversionArgumentError(UINT codePage, DWORD flags, bool toWide, bool defaultCharacter) {
    if (!ConversionTakesNoFlags(codePage)) return 0;
    DWORD allowed = codePage == CP_UTF8 || codePage == 54936 ? (toWide ? MB_ERR_INVALID_CHARS : WC_ERR_INVALID_CHARS) : 0;
    if (flags & ~allowed) return ERROR_INVALID_FLAGS;
    return defaultCharacter ? ERROR_INVALID_PARAMETER : 0;
}

bool EnforceWindowsRules() {
    static const bool installed = Install();
    return installed;
}

void WriteBreachesTo(const std::string& file) {
    State& s = Shared();
    std::lock_guard<std::mutex> hold(s.lock);
    s.breachFile = file;
}

unsigned long BreachCount() {
    State& s = Shared();
    std::lock_guard<std::mutex> hold(s.lock);
    return s.breaches;
}

ExactRights::ExactRights() : previous_(Shared().exactRights) { Shared().exactRights = true; }
ExactRights::~ExactRights() { Shared().exactRights = previous_; }

RuleBreaches::RuleBreaches() {
    State& s = Shared();
    std::lock_guard<std::mutex> hold(s.lock);
    previous_ = s.collector;
    s.collector = this;
}

RuleBreaches::~RuleBreaches() {
    State& s = Shared();
    std::lock_guard<std::mutex> hold(s.lock);
    s.collector = previous_;
}

}  // namespace test

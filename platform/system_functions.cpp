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

// Each function of the list, from the module it lives in.
SystemFunctions LookUp() {
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    HMODULE advapi32 = GetModuleHandleA("advapi32.dll");
    SystemFunctions f{};
#define QAV_FIND_SYSTEM_FUNCTION(member, module, name, bit) Find(f.member, module, #name, bit);
    QAV_SYSTEM_FUNCTIONS(QAV_FIND_SYSTEM_FUNCTION)
#undef QAV_FIND_SYSTEM_FUNCTION
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

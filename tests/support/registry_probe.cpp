// Implementation of the registry probe.
#include "tests/support/registry_probe.h"
#include <sddl.h>
#include <algorithm>
#include <cstdio>
#include <iterator>

namespace test {

namespace {

// The registry view an access mask names (KEY_WOW64_32KEY or _64KEY), kept
// for every level of a walk.
REGSAM ViewOf(REGSAM access) { return access & (KEY_WOW64_32KEY | KEY_WOW64_64KEY); }

// Opens (or makes) `path` below `root` one level at a time; the first
// failing level's code in `rc`.
UniqueRegKey Walk(HKEY root, const std::string& path, REGSAM access, bool create, LONG* rc) {
    UniqueRegKey current;
    *rc = ERROR_SUCCESS;
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        const std::string name = path.substr(start, end - start);
        HKEY parent = current ? current.get() : root;
        UniqueRegKey next;
        *rc = create ? RegCreateKeyExA(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, next.put(), nullptr)
                     : RegOpenKeyExA(parent, name.c_str(), 0, end == path.size() ? access : KEY_READ | ViewOf(access),
                                     next.put());
        if (*rc != ERROR_SUCCESS) return UniqueRegKey();
        current = std::move(next);
        start = end + 1;
    }
    return current;
}

const char* ValueName(const std::string& name) { return name.empty() ? nullptr : name.c_str(); }

}  // namespace

UniqueRegKey OpenKey(HKEY root, const std::string& path, REGSAM access) {
    LONG rc;
    return Walk(root, path, access, false, &rc);
}

UniqueRegKey CreateKey(HKEY root, const std::string& path) {
    LONG rc;
    return Walk(root, path, KEY_ALL_ACCESS, true, &rc);
}

LONG MakeKey(HKEY root, const std::string& path) {
    LONG rc;
    Walk(root, path, KEY_ALL_ACCESS, true, &rc);
    return rc;
}

bool RegKeyPresent(HKEY root, const std::string& path) { return static_cast<bool>(OpenKey(root, path)); }

namespace {
// "\Registry\User\<this user's SID>", where HKEY_CURRENT_USER is.
std::wstring UserKeyPath() {
    HANDLE token = nullptr;
    BYTE buffer[256];
    DWORD size = 0;
    std::wstring path;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return path;
    wchar_t* sid = nullptr;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
        ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid)) {
        path = std::wstring(L"\\Registry\\User\\") + sid;
        LocalFree(sid);
    }
    CloseHandle(token);
    return path;
}
}  // namespace

bool MakeRegistryLink(HKEY root, const std::string& path, const std::string& target) {
    std::size_t cut = path.find_last_of('\\');
    UniqueRegKey parent = cut == std::string::npos ? UniqueRegKey() : CreateKey(root, path.substr(0, cut));
    HKEY under = cut == std::string::npos ? root : parent.get();
    std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    std::wstring link = UserKeyPath() + L"\\" + std::wstring(target.begin(), target.end());
    UniqueRegKey key;
    return under && RegCreateKeyExA(under, name.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS, nullptr,
                                    key.put(), nullptr) == ERROR_SUCCESS &&
           RegSetValueExW(key.get(), L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(link.data()),
                          static_cast<DWORD>(link.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool DeleteRegistryLink(HKEY root, const std::string& path) {
    using DeleteKeyFunction = LONG(WINAPI*)(HANDLE);
    auto deleteKey = reinterpret_cast<DeleteKeyFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
    UniqueRegKey key;
    return deleteKey && RegOpenKeyExA(root, path.c_str(), REG_OPTION_OPEN_LINK, DELETE, key.put()) == ERROR_SUCCESS &&
           deleteKey(key.get()) == 0;
}

bool IsRegistryLink(HKEY root, const std::string& path) {
    UniqueRegKey key;
    DWORD type = 0;
    return RegOpenKeyExA(root, path.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS &&
           RegQueryValueExA(key.get(), "SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
           type == REG_LINK;
}

RegValue ReadRegValue(HKEY root, const std::string& key, const std::string& name) {
    RegValue v;
    UniqueRegKey k = OpenKey(root, key, KEY_QUERY_VALUE);
    DWORD size = 0;
    if (!k || RegQueryValueExA(k.get(), ValueName(name), nullptr, &v.type, nullptr, &size) != ERROR_SUCCESS) return {};
    v.bytes.assign(size, '\0');
    if (RegQueryValueExA(k.get(), ValueName(name), nullptr, &v.type, reinterpret_cast<BYTE*>(&v.bytes[0]), &size) !=
        ERROR_SUCCESS)
        return {};
    v.bytes.resize(size);
    v.present = true;
    return v;
}

void WriteRegValue(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::string& bytes) {
    UniqueRegKey k = CreateKey(root, key);
    if (k)
        RegSetValueExA(k.get(), ValueName(name), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
}

void SetRegText(HKEY root, const std::string& key, const std::string& name, const std::string& text) {
    WriteRegValue(root, key, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

void SetRegDword(HKEY root, const std::string& key, const std::string& name, DWORD value) {
    WriteRegValue(root, key, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value));
}

void RemoveRegValue(HKEY root, const std::string& key, const std::string& name) {
    if (UniqueRegKey k = OpenKey(root, key, KEY_SET_VALUE)) RegDeleteValueA(k.get(), ValueName(name));
}

std::string ReadRegString(HKEY root, const std::string& key, const std::string& name, bool* found) {
    RegValue v = ReadRegValue(root, key, name);
    if (found) *found = v.present;
    return v.bytes.substr(0, v.bytes.find('\0'));
}

DWORD ReadRegDword(HKEY root, const std::string& key, const std::string& name, DWORD missing) {
    RegValue v = ReadRegValue(root, key, name);
    DWORD value = missing;
    if (v.present && v.type == REG_DWORD && v.bytes.size() == sizeof value) std::copy(v.bytes.begin(), v.bytes.end(), reinterpret_cast<char*>(&value));
    return value;
}

bool HasRegValue(HKEY root, const std::string& key, const std::string& name) {
    return ReadRegValue(root, key, name).present;
}

namespace {
// The number of values or of subkeys of a key, -1 when it is missing.
int Count(HKEY root, const std::string& key, bool values) {
    UniqueRegKey k = OpenKey(root, key);
    DWORD subkeys = 0, valueCount = 0;
    if (!k || RegQueryInfoKeyA(k.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &valueCount, nullptr,
                               nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return -1;
    return static_cast<int>(values ? valueCount : subkeys);
}

// Adds the lines of `key` (named `name` in them) and of every key below it.
void DumpKey(HKEY key, const std::string& name, Lines& lines, REGSAM view) {
    lines.push_back("[" + name + "]");
    DWORD maxName = 0, maxData = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData, nullptr,
                     nullptr);
    std::vector<char> valueName(maxName + 2 > 512 ? maxName + 2 : 512);
    std::vector<BYTE> data(maxData + 1);
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = static_cast<DWORD>(valueName.size()), dataSize = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueA(key, i, valueName.data(), &nameSize, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS)
            break;
        std::string line = "[" + name + "] \"" + valueName.data() + "\" type " + std::to_string(type) + " =";
        for (DWORD b = 0; b < dataSize; ++b) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02x", data[b]);
            line += hex;
        }
        lines.push_back(line);
    }
    for (DWORD i = 0;; ++i) {
        char child[512];
        DWORD size = sizeof child;
        if (RegEnumKeyExA(key, i, child, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        UniqueRegKey k;
        if (RegOpenKeyExA(key, child, 0, KEY_READ | view, k.put()) == ERROR_SUCCESS)
            DumpKey(k.get(), name.empty() ? child : name + "\\" + child, lines, view);
    }
}
}  // namespace

int ValueCount(HKEY root, const std::string& key) { return Count(root, key, true); }
int SubkeyCount(HKEY root, const std::string& key) { return Count(root, key, false); }

Lines DumpTree(HKEY root, const std::string& path, const std::string& label, REGSAM view) {
    Lines lines;
    if (UniqueRegKey k = OpenKey(root, path, KEY_READ | view))
        DumpKey(k.get(), label.empty() ? path : path.empty() ? label : label + "\\" + path, lines, view);
    std::sort(lines.begin(), lines.end());
    return lines;
}

Lines Snapshot(std::initializer_list<Tree> trees) {
    Lines all;
    for (const Tree& t : trees) {
        Lines part = DumpTree(t.root, t.path, t.label, t.view);
        all.insert(all.end(), part.begin(), part.end());
    }
    std::sort(all.begin(), all.end());
    return all;
}

Lines Minus(const Lines& a, const Lines& b) {
    Lines out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

SavedRegValue::SavedRegValue(HKEY root, std::string key, std::string name)
    : root_(root), key_(std::move(key)), name_(std::move(name)), saved_(ReadRegValue(root_, key_, name_)) {
    RemoveRegValue(root_, key_, name_);
}

SavedRegValue::~SavedRegValue() {
    if (saved_.present) {
        if (UniqueRegKey k = OpenKey(root_, key_, KEY_SET_VALUE))
            RegSetValueExA(k.get(), ValueName(name_), 0, saved_.type, reinterpret_cast<const BYTE*>(saved_.bytes.data()),
                           static_cast<DWORD>(saved_.bytes.size()));
    } else {
        RemoveRegValue(root_, key_, name_);
    }
}

ScheduleLock::ScheduleLock() : mutex_(CreateMutexA(nullptr, FALSE, "qavrix-tests-reboot-schedule")) {
    // A holder that died still hands the lock on (WAIT_ABANDONED).
    if (mutex_) WaitForSingleObject(mutex_.get(), INFINITE);
}

ScheduleLock::~ScheduleLock() {
    if (mutex_) ReleaseMutex(mutex_.get());
}

std::vector<std::string> ScheduledDeletions() {
    std::vector<std::string> names;
    UniqueRegKey k;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ,
                      k.put()) != ERROR_SUCCESS)
        return names;
    DWORD size = 0, type = 0;
    std::wstring data;
    if (RegQueryValueExW(k.get(), L"PendingFileRenameOperations", nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        data.assign(size / sizeof(wchar_t) + 1, L'\0');
        RegQueryValueExW(k.get(), L"PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                         &size);
    }
    // Pairs of names; the first of each pair is the one deleted or renamed.
    std::vector<std::wstring> parts;
    for (size_t i = 0; i < data.size();) {
        size_t end = data.find(L'\0', i);
        if (end == std::wstring::npos) end = data.size();
        parts.push_back(data.substr(i, end - i));
        i = end + 1;
    }
    for (size_t i = 0; i + 1 < parts.size() && !parts[i].empty(); i += 2) {
        char ansi[2048] = "";
        WideCharToMultiByte(CP_ACP, 0, parts[i].c_str(), -1, ansi, sizeof ansi, nullptr, nullptr);
        names.push_back(ansi);
    }
    return names;
}

bool IsScheduledForDeletion(const std::string& path) {
    for (const std::string& name : ScheduledDeletions())
        if (lstrcmpiA(name.c_str(), ("\\??\\" + path).c_str()) == 0) return true;
    return false;
}

}  // namespace test

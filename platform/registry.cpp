// The registry access layer over the ANSI registry functions. Every
// operation opens its key, does one thing and closes it; the key handles
// live in UniqueRegKey owners and never leave this file.
#include "platform/registry.h"
#include "platform/core/keypath.h"
#include "platform/core/textwalk.h"
#include "platform/handles.h"
#include "platform/text.h"
#include <climits>
#include <cstring>

namespace {

constexpr std::size_t MadePathSize = 256;
constexpr std::size_t ChildPathSize = 512;
constexpr DWORD SubkeyNameSize = 200;

unsigned long callCount = 0;
RegDeleteKeyFunction deleteKeyCall = RegDeleteKeyA;
// Keys deleted during the current pass of a tree removal.
unsigned long keysDeletedInPass = 0;

// A registry call, counted.
template <typename Result>
Result Counted(Result result) {
    ++callCount;
    return result;
}

bool MakePath(HKEY root, const char* path, char (&made)[MadePathSize]) {
    return RegMakeKeyPath(root, path, made, sizeof made);
}

// Creates the key and any missing parents, or opens it, for writing.
UniqueRegKey RegOpenWrite(HKEY root, const char* path) {
    char made[MadePathSize];
    UniqueRegKey key;
    if (!MakePath(root, path, made)) return key;
    if (Counted(RegCreateKeyExA(root, made, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                                key.put(), nullptr)) != ERROR_SUCCESS)
        key.release();
    return key;
}

UniqueRegKey RegOpenWithAccess(HKEY root, const char* made, REGSAM access) {
    UniqueRegKey key;
    if (Counted(RegOpenKeyExA(root, made, 0, access, key.put())) != ERROR_SUCCESS) key.release();
    return key;
}

// Opens an existing key to read its values and walk its subkeys.
UniqueRegKey RegOpenRead(HKEY root, const char* path) {
    char made[MadePathSize];
    if (!MakePath(root, path, made)) return UniqueRegKey();
    return RegOpenWithAccess(root, made, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS);
}

// Closes the key now; false for a key that was never opened.
bool RegClose(UniqueRegKey& key) {
    if (!key) return false;
    return Counted(RegCloseKey(key.release())) == ERROR_SUCCESS;
}

void WriteValue(HKEY root, const char* path, const char* valueName, DWORD type, const void* bytes,
                DWORD count) {
    UniqueRegKey key = RegOpenWrite(root, path);
    if (!key) return;
    Counted(RegSetValueExA(key.get(), valueName, 0, type, static_cast<const BYTE*>(bytes), count));
    RegClose(key);
}

// A value that was read whole: terminate it inside the buffer. A value that
// fills the buffer to the last byte without a terminator has no room for
// one and counts as too large, like a value that does not fit at all.
bool TerminateValue(char* buffer, std::size_t size, DWORD count) {
    if (count < size) {
        buffer[count] = '\0';
        return true;
    }
    return count == size && buffer[size - 1] == '\0';
}

LONG DeleteKey(HKEY root, const char* made) { return Counted(deleteKeyCall(root, made)); }

// One deletion pass over the key and everything below it. Subkeys are
// deleted while they are enumerated, which shifts the later ones down, so a
// pass may skip some; the caller repeats passes until one deletes nothing.
void DeletionPass(HKEY root, const char* path) {
    if (path[0] == '\0') return;  // the root itself is never deleted
    UniqueRegKey key = RegOpenWithAccess(root, path, KEY_READ);
    if (!key) return;
    char name[SubkeyNameSize];
    char child[ChildPathSize];
    for (DWORD index = 0;; ++index) {
        DWORD length = SubkeyNameSize;
        LONG result = Counted(RegEnumKeyExA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr));
        if (result == ERROR_MORE_DATA) continue;  // a name this walk cannot hold stays; its siblings can go
        if (result != ERROR_SUCCESS) break;
        if (JoinKeyPath(path, name, child, sizeof child)) DeletionPass(root, child);
    }
    RegClose(key);
    if (DeleteKey(root, path) == ERROR_SUCCESS) ++keysDeletedInPass;
}

}  // namespace

bool RegMakeKeyPath(HKEY root, const char* path, char* output, std::size_t size) {
    return MakeKeyPath(root == HKEY_CURRENT_USER, path, output, size);
}

void RegWriteString(HKEY root, const char* path, const char* valueName, const char* text) {
    std::size_t length = std::strlen(text);
    if (length >= ULONG_MAX) return;
    WriteValue(root, path, valueName, REG_SZ, text, static_cast<DWORD>(length + 1));
}

void RegWriteDword(HKEY root, const char* path, const char* valueName, DWORD value) {
    BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                     static_cast<BYTE>(value >> 24)};
    WriteValue(root, path, valueName, REG_DWORD, bytes, sizeof bytes);
}

void RegWriteBinary(HKEY root, const char* path, const char* valueName, const void* bytes, DWORD count) {
    WriteValue(root, path, valueName, REG_BINARY, bytes, count);
}

bool RegReadString(HKEY root, const char* path, const char* valueName, char* buffer, const char* defaultText,
                   std::size_t size) {
    if (!buffer || size == 0) return false;
    bool read = false;
    UniqueRegKey key = RegOpenRead(root, path);
    if (key) {
        DWORD count = size > ULONG_MAX ? ULONG_MAX : static_cast<DWORD>(size);
        LONG result = Counted(RegQueryValueExA(key.get(), valueName, nullptr, nullptr,
                                               reinterpret_cast<BYTE*>(buffer), &count));
        read = result == ERROR_SUCCESS && TerminateValue(buffer, size, count);
        RegClose(key);
    }
    if (!read) CopyText(buffer, size, defaultText ? defaultText : "");
    return read;
}

DWORD RegGetDword(HKEY root, const char* path, const char* valueName, DWORD defaultValue) {
    UniqueRegKey key = RegOpenRead(root, path);
    if (!key) return defaultValue;
    BYTE bytes[4] = {};
    DWORD count = sizeof bytes;
    LONG result = Counted(RegQueryValueExA(key.get(), valueName, nullptr, nullptr, bytes, &count));
    RegClose(key);
    if (result != ERROR_SUCCESS) return defaultValue;
    return static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 | static_cast<DWORD>(bytes[2]) << 16 |
           static_cast<DWORD>(bytes[3]) << 24;
}

void RegRemoveKey(HKEY root, const char* path) {
    char made[MadePathSize];
    if (!MakePath(root, path, made) || made[0] == '\0') return;  // never a root
    DeleteKey(root, made);
}

void RegRemoveValue(HKEY root, const char* path, const char* valueName) {
    char made[MadePathSize];
    if (!MakePath(root, path, made)) return;
    UniqueRegKey key = RegOpenWithAccess(root, made, KEY_WRITE);
    if (!key) return;
    Counted(RegDeleteValueA(key.get(), valueName));
    RegClose(key);
}

void RegRemoveTree(HKEY root, const char* path) {
    char made[MadePathSize];
    if (!MakePath(root, path, made) || made[0] == '\0') return;
    // Windows 9x deletes a whole subtree with one call.
    if (NtMajorVersion() == 0 && DeleteKey(root, made) == ERROR_SUCCESS) return;
    do {
        keysDeletedInPass = 0;
        DeletionPass(root, made);
    } while (keysDeletedInPass != 0);
}

bool RegKeyExists(HKEY root, const char* path) {
    char made[MadePathSize];
    if (!MakePath(root, path, made)) return false;
    UniqueRegKey key = RegOpenWithAccess(root, made, KEY_QUERY_VALUE);
    return RegClose(key);
}

void RegWriteUserString(const char* path, const char* valueName, const char* text) {
    RegWriteString(HKEY_CURRENT_USER, path, valueName, text);
}

void RegWriteUserDword(const char* path, const char* valueName, DWORD value) {
    RegWriteDword(HKEY_CURRENT_USER, path, valueName, value);
}

bool RegReadUserString(const char* path, const char* valueName, char* buffer, const char* defaultText,
                       std::size_t size) {
    return RegReadString(HKEY_CURRENT_USER, path, valueName, buffer, defaultText, size);
}

DWORD RegGetUserDword(const char* path, const char* valueName, DWORD defaultValue) {
    return RegGetDword(HKEY_CURRENT_USER, path, valueName, defaultValue);
}

unsigned long RegistryCallCount() { return callCount; }

RegDeleteKeyFunction SetRegDeleteKeyForTests(RegDeleteKeyFunction deleteKey) {
    RegDeleteKeyFunction previous = deleteKeyCall;
    deleteKeyCall = deleteKey ? deleteKey : RegDeleteKeyA;
    return previous;
}

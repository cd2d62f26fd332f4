// The registry access layer over the ANSI registry functions. Every
// operation opens its key, does one thing and closes it; the key handles
// live in UniqueRegKey owners and never leave this file.
//
// Keys are reached one level at a time, each level opened as itself
// (REG_OPTION_OPEN_LINK), so a registry link on the way is seen rather than
// followed. A write never goes through a link: below the first level, where
// the product's own keys are, a link is deleted as itself and a real key made
// in its place; at the first level (".zip", "Software") the write is refused.
// A removal deletes a link as itself and never enters it. RegDeleteKeyA
// would follow a link and delete its target, so keys are deleted through a
// handle opened as the key itself (NtDeleteKey); Windows 9x has neither
// links nor that call and deletes by name.
#include "platform/registry.h"
#include "platform/run_log.h"
#include "platform/system_functions.h"
#include "platform/core/keypath.h"
#include "platform/core/product_names.h"
#include "platform/core/textwalk.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "platform/windows_version.h"
#include <climits>
#include <cstring>

namespace {

constexpr std::size_t MadePathSize = 256;
constexpr std::size_t ChildPathSize = 512;
constexpr DWORD SubkeyNameSize = 200;

unsigned long callCount = 0;
RegDeleteKeyFunction deleteKeyCall = nullptr;   // a test's stand-in for the deletion
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

// Not on Windows 9x.
auto NtDeleteKeyCall() { return System().ntDeleteKey; }

// Windows 9x has no registry links (nor NtDeleteKey), and its registry
// takes no options when a key is opened.
DWORD OpenAsItself() { return NtDeleteKeyCall() ? REG_OPTION_OPEN_LINK : 0; }

// A key opened as itself is a link when it holds the link's target.
bool IsLinkKey(HKEY key) {
    if (!NtDeleteKeyCall()) return false;
    DWORD type = REG_NONE;
    return Counted(RegQueryValueExA(key, "SymbolicLinkValue", nullptr, &type, nullptr, nullptr)) == ERROR_SUCCESS &&
           type == REG_LINK;
}

// Opens one level below `parent` as itself (a link is opened, not followed).
UniqueRegKey OpenLevel(HKEY parent, const char* name, REGSAM access) {
    UniqueRegKey key;
    if (Counted(RegOpenKeyExA(parent, name, OpenAsItself(), access | KEY_QUERY_VALUE, key.put())) !=
        ERROR_SUCCESS)
        key.release();
    return key;
}

UniqueRegKey CreateLevel(HKEY parent, const char* name, REGSAM access) {
    UniqueRegKey key;
    if (Counted(RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE | OpenAsItself(),
                                access | KEY_QUERY_VALUE, nullptr, key.put(), nullptr)) != ERROR_SUCCESS)
        key.release();
    return key;
}

// Deletes one key below `parent` as itself: a link goes, its target stays.
LONG DeleteLevel(HKEY parent, const char* name) {
    auto ntDelete = NtDeleteKeyCall();
    if (!ntDelete) return Counted(RegDeleteKeyA(parent, name));
    UniqueRegKey key = OpenLevel(parent, name, DELETE);
    if (!key) return ERROR_FILE_NOT_FOUND;
    return Counted(ntDelete(key.get())) == 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

enum class Walk { Open, Create };

// The key at `made` below `root`, reached one level at a time. Opening, a
// link on the way means no key. Creating, missing levels are made, and a link
// below the first level is deleted and made anew as a real key.
UniqueRegKey WalkToKey(HKEY root, const char* made, REGSAM access, Walk walk) {
    UniqueRegKey current;
    HKEY parent = root;
    char name[MadePathSize];
    for (const char* p = made; *p != '\0';) {
        const char* end = p;
        while (*end != '\0' && *end != '\\') end = NextCharPos(end);
        std::size_t length = static_cast<std::size_t>(end - p);
        if (length >= sizeof name) return UniqueRegKey();
        std::memcpy(name, p, length);
        name[length] = '\0';
        p = *end == '\\' ? end + 1 : end;
        if (length == 0) continue;
        bool last = *p == '\0';
        REGSAM levelAccess = last ? access : KEY_ENUMERATE_SUB_KEYS;
        bool firstLevel = parent == root;
        UniqueRegKey next = walk == Walk::Create ? CreateLevel(parent, name, levelAccess | KEY_CREATE_SUB_KEY)
                                                 : OpenLevel(parent, name, levelAccess);
        if (next && IsLinkKey(next.get())) {
            next.reset();
            if (walk == Walk::Open || firstLevel || DeleteLevel(parent, name) != ERROR_SUCCESS) return UniqueRegKey();
            next = CreateLevel(parent, name, levelAccess | KEY_CREATE_SUB_KEY);
            if (next && IsLinkKey(next.get())) return UniqueRegKey();
        }
        if (!next) return UniqueRegKey();
        current = std::move(next);
        parent = current.get();
    }
    return current;
}

// Creates the key and any missing parents, or opens it, for writing.
UniqueRegKey RegOpenWrite(HKEY root, const char* path) {
    char made[MadePathSize];
    if (!MakePath(root, path, made) || made[0] == '\0') return UniqueRegKey();
    return WalkToKey(root, made, KEY_WRITE, Walk::Create);
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
    return Counted(key.close()) == ERROR_SUCCESS;
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

// Deletes the key `name` below `parent`, which is `path` below `root` (the
// test seam sees root and path).
LONG DeleteKey(HKEY root, const char* path, HKEY parent, const char* name) {
    if (deleteKeyCall) return Counted(deleteKeyCall(root, path));
    return DeleteLevel(parent, name);
}

// One deletion pass over the key `name` below `parent` (the key `path` below
// `root`) and everything below it. Subkeys are deleted while they are
// enumerated, which shifts the later ones down, so a pass may skip some; the
// caller repeats passes until one deletes nothing. A link is deleted as
// itself and never entered.
void DeletionPass(HKEY root, const char* path, HKEY parent, const char* name) {
    if (path[0] == '\0') return;  // the root itself is never deleted
    UniqueRegKey key = OpenLevel(parent, name, KEY_READ);
    if (!key) return;
    if (!IsLinkKey(key.get())) {
        char child[SubkeyNameSize];
        char childPath[ChildPathSize];
        for (DWORD index = 0;; ++index) {
            DWORD length = SubkeyNameSize;
            LONG result =
                Counted(RegEnumKeyExA(key.get(), index, child, &length, nullptr, nullptr, nullptr, nullptr));
            if (result == ERROR_MORE_DATA) continue;  // a name this walk cannot hold stays; its siblings can go
            if (result != ERROR_SUCCESS) break;
            if (JoinKeyPath(path, child, childPath, sizeof childPath))
                DeletionPass(root, childPath, key.get(), child);
        }
    }
    RegClose(key);
    if (DeleteKey(root, path, parent, name) == ERROR_SUCCESS) ++keysDeletedInPass;
}

// The key that holds the last level of `made`, reached without following a
// link, and that level's name; false when a level on the way is a link or
// missing. A one-level path's parent is the root itself.
bool OpenParentLevel(HKEY root, const char* made, UniqueRegKey& parentKey, HKEY& parent, const char*& name) {
    name = made;
    for (const char* p = made; *p != '\0'; p = NextCharPos(p))
        if (*p == '\\') name = p + 1;
    parent = root;
    if (name == made) return true;
    char above[MadePathSize];
    std::size_t length = static_cast<std::size_t>(name - 1 - made);
    std::memcpy(above, made, length);
    above[length] = '\0';
    parentKey = WalkToKey(root, above, KEY_ENUMERATE_SUB_KEYS, Walk::Open);
    parent = parentKey.get();
    return static_cast<bool>(parentKey);
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
    UniqueRegKey parentKey;
    HKEY parent;
    const char* name;
    if (OpenParentLevel(root, made, parentKey, parent, name)) DeleteKey(root, made, parent, name);
}

void RegRemoveValue(HKEY root, const char* path, const char* valueName) {
    char made[MadePathSize];
    if (!MakePath(root, path, made) || made[0] == '\0') return;
    UniqueRegKey key = WalkToKey(root, made, KEY_WRITE, Walk::Open);
    if (!key) return;
    Counted(RegDeleteValueA(key.get(), valueName));
    RegClose(key);
}

void RegRemoveTree(HKEY root, const char* path) {
    char made[MadePathSize];
    if (!MakePath(root, path, made) || made[0] == '\0') return;
    UniqueRegKey parentKey;
    HKEY parent;
    const char* name;
    if (!OpenParentLevel(root, made, parentKey, parent, name)) return;
    // Windows 9x deletes a whole subtree with one call.
    if (NtMajorVersion() == 0 && DeleteKey(root, made, parent, name) == ERROR_SUCCESS) return;
    do {
        keysDeletedInPass = 0;
        DeletionPass(root, made, parent, name);
    } while (keysDeletedInPass != 0);
}

bool RegKeyExists(HKEY root, const char* path) {
    char made[MadePathSize];
    if (!MakePath(root, path, made)) return false;
    UniqueRegKey key = RegOpenWithAccess(root, made, KEY_QUERY_VALUE);
    return RegClose(key);
}

namespace {

// Under HKEY_CURRENT_USER a path is taken below the product's own key.
void LogKey(HKEY root, const char* path, const char* what) {
    const char* rootName = root == HKEY_CLASSES_ROOT    ? "HKEY_CLASSES_ROOT"
                           : root == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE"
                                                        : "HKEY_CURRENT_USER";
    const char* below = root == HKEY_CURRENT_USER ? ProductKeyPath : "";
    const char* separator1 = below[0] != '\0' ? "\\" : "";
    const char* separator2 = path[0] != '\0' ? "\\" : "";
    LogLine("registry key %s%s%s%s%s %s", rootName, separator1, below, separator2, path, what);
}

}  // namespace

void RemoveKeyTreeLogged(HKEY root, const char* path) {
    if (!RegKeyExists(root, path)) return;
    RegRemoveTree(root, path);
    LogKey(root, path, RegKeyExists(root, path) ? "could not be removed" : "removed");
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
    deleteKeyCall = deleteKey;
    return previous;
}

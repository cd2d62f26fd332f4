// The registry as the tests look at it, through the project's key owner:
// keys opened or made one level at a time (Wine's ANSI calls take at most 260
// characters a path), values read and written raw or as text, counts, whole
// trees as sorted text lines with their difference, a value saved and put
// back, and the NT family's schedule of deletions at the next start.
#pragma once
#include "platform/handles.h"
#include <windows.h>
#include <initializer_list>
#include <string>
#include <vector>

namespace test {

// The keys the tests look at, spelled here once and apart from the
// product's own names so that a wrong name there shows: the per-user product
// key, and under HKEY_LOCAL_MACHINE the entry in the list of installed
// programs (also as the 64-bit view holds a 32-bit build's) and the
// archiver's application path.
const std::string ProductKey = "Software\\Qavrix";
const std::string UninstallEntryKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Qavrix archiver";
const std::string Wow6432UninstallEntryKey =
    "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Qavrix archiver";
const std::string AppPathsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Qavrix.exe";

// An open key, or an empty owner when it (or a level above it) is missing.
UniqueRegKey OpenKey(HKEY root, const std::string& path, REGSAM access = KEY_READ);
// Opens `path` with every access, making each missing level.
UniqueRegKey CreateKey(HKEY root, const std::string& path);
// ERROR_SUCCESS or the code of the first level that could not be made.
LONG MakeKey(HKEY root, const std::string& path);
bool RegKeyPresent(HKEY root, const std::string& path);
// A registry link at `path` (its parent made as needed) to the key
// `target` of this user's real HKEY_CURRENT_USER; true when it was made.
bool MakeRegistryLink(HKEY root, const std::string& path, const std::string& target);
// Whether the key at `path` is a link (opened as itself), and its deletion
// (the link, not its target).
bool IsRegistryLink(HKEY root, const std::string& path);
bool DeleteRegistryLink(HKEY root, const std::string& path);

struct RegValue {
    bool present = false;
    DWORD type = 0;
    std::string bytes;   // as stored, terminators included
};
RegValue ReadRegValue(HKEY root, const std::string& key, const std::string& name);
// Makes the key when needed; "" names the default value.
void WriteRegValue(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::string& bytes);
void SetRegText(HKEY root, const std::string& key, const std::string& name, const std::string& text);
void SetRegDword(HKEY root, const std::string& key, const std::string& name, DWORD value);
void RemoveRegValue(HKEY root, const std::string& key, const std::string& name);
// A REG_SZ or REG_EXPAND_SZ value up to its terminator ("" when missing).
std::string ReadRegString(HKEY root, const std::string& key, const std::string& name, bool* found = nullptr);
// A REG_DWORD value, or `missing`.
DWORD ReadRegDword(HKEY root, const std::string& key, const std::string& name, DWORD missing);
bool HasRegValue(HKEY root, const std::string& key, const std::string& name);
int ValueCount(HKEY root, const std::string& key);    // -1 when the key is missing
int SubkeyCount(HKEY root, const std::string& key);   // -1 when the key is missing

// Every key and value below a key, one sorted line each: "[path]" for a key,
// "[path] \"name\" type N = hex bytes" for a value; `label`, when given,
// stands in front of every path (such as "HKEY_CURRENT_USER"). `view`
// (KEY_WOW64_64KEY or _32KEY) reads that registry view instead of this
// program's own; the 64-bit view holds the 32-bit one under Wow6432Node.
using Lines = std::vector<std::string>;
Lines DumpTree(HKEY root, const std::string& path, const std::string& label = "", REGSAM view = 0);
struct Tree {
    HKEY root;
    std::string path;
    std::string label = "";
    REGSAM view = 0;
};
// The trees' lines together, sorted: a snapshot to compare with a later one.
Lines Snapshot(std::initializer_list<Tree> trees);
// The lines of `a` that `b` lacks (both sorted).
Lines Minus(const Lines& a, const Lines& b);

// A value saved and deleted at construction, and put back as it was at the end.
class SavedRegValue {
public:
    SavedRegValue(HKEY root, std::string key, std::string name);
    ~SavedRegValue();
    SavedRegValue(const SavedRegValue&) = delete;
    SavedRegValue& operator=(const SavedRegValue&) = delete;
private:
    HKEY root_;
    std::string key_, name_;
    RegValue saved_;
};

constexpr char SessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char PendingRenamesValue[] = "PendingFileRenameOperations";
// The schedule is one value for the whole machine, and CTest runs test
// processes side by side: a test that empties and fills it holds this lock
// (a named mutex) from before it saves the value until after it is put back.
class ScheduleLock {
public:
    ScheduleLock();
    ~ScheduleLock();
    ScheduleLock(const ScheduleLock&) = delete;
    ScheduleLock& operator=(const ScheduleLock&) = delete;
private:
    UniqueHandle mutex_;
};
// The NT family's schedule, emptied for the object's lifetime.
struct EmptySchedule : ScheduleLock, SavedRegValue {
    EmptySchedule() : SavedRegValue(HKEY_LOCAL_MACHINE, SessionManagerKey, PendingRenamesValue) {}
};
// The names the NT family will delete at the next start (ANSI, "\??\" first).
std::vector<std::string> ScheduledDeletions();
// Whether "\??\" + `path` is among them, letter case ignored.
bool IsScheduledForDeletion(const std::string& path);

}  // namespace test

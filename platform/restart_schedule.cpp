// Reading and rewriting the schedules of deletions at the next start.
#include "platform/restart_schedule.h"
#include "platform/core/names.h"
#include "platform/core/pending_renames.h"
#include "platform/core/wininit.h"
#include "platform/handles.h"
#include "platform/run_log.h"
#include "platform/safe_file.h"
#include "platform/text.h"
#include "platform/windows_version.h"
#include <cstring>
#include <vector>

bool WininitPath(char (&path)[PathSize]) {
    UINT len = GetWindowsDirectoryA(path, sizeof path);
    if (len == 0 || len >= sizeof path) return false;
    AppendBackslash(path, sizeof path);
    return AppendText(path, sizeof path, "wininit.ini");
}

bool ReadWholeFile(const char* path, std::string& bytes) {
    bytes.clear();
    // Only read, in the Windows folder; what is written goes through ReplaceWholeFile.
    UniqueFileHandle h(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                   nullptr));
    if (!h) return GetLastError() == ERROR_FILE_NOT_FOUND;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(h.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) {
        bytes.append(chunk, got);
        if (bytes.size() > (1u << 20)) return false;   // no wininit.ini is that large
    }
    return true;
}

// The file beside it is a new one (a leftover there, or a link, goes first),
// and it takes the old one's name as itself.
bool ReplaceWholeFile(const char* path, const std::string& bytes) {
    char beside[PathSize];
    if (!CopyText(beside, sizeof beside, path) || !AppendText(beside, sizeof beside, ".new")) return false;
    if (!WriteNewFile(beside, bytes.data(), bytes.size(), ExistingFile::Replace)) return false;
    if (RenameEntryItself(beside, path, RenameOptions::ReplaceExisting)) return true;
    RemoveEntryItself(beside);
    return false;
}

namespace {

// How many deletions were taken out: all of `kept` when the schedule was
// rewritten, else none.
int Kept(const std::vector<std::string>& kept, bool rewritten) {
    for (const std::string& path : kept)
        if (rewritten)
            LogLine("%s is there again: no longer removed at the next start", path.c_str());
        else
            LogLine("%s is there again but stays scheduled for removal at the next start", path.c_str());
    return rewritten ? static_cast<int>(kept.size()) : 0;
}

// `path` begins with `folder` (letter case ignored), names a file (not a
// folder) there now, and its last name is none the uninstall moves files
// aside to. The name found is the file's long one, also for a short path.
bool IsPresentOwnFile(const std::string& path, const char* folder) {
    std::size_t length = std::strlen(folder);
    if (length == 0 || path.size() <= length || path.find_first_of("*?") != std::string::npos) return false;
    if (CompareTextNoCase(path.substr(0, length).c_str(), folder) != 0) return false;
    WIN32_FIND_DATAA found;
    UniqueFindHandle search(FindFirstFileA(path.c_str(), &found));
    return search && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsMovedAsideName(found.cFileName);
}

// Windows 9x: the lines hold short paths, or long ones where the short form
// could not be had.
int KeepFilesFromWininit(const char* folder) {
    char wininit[PathSize], shortFolder[PathSize];
    DWORD shortLength = GetShortPathNameA(folder, shortFolder, sizeof shortFolder);
    if (shortLength == 0 || shortLength >= sizeof shortFolder) CopyText(shortFolder, sizeof shortFolder, folder);
    std::string existing;
    if (!WininitPath(wininit) || !ReadWholeFile(wininit, existing) || existing.empty()) return 0;
    std::vector<std::string> kept;
    std::string rest = WithoutWininitDeletions(existing, [&](const std::string& path) {
        bool own = IsPresentOwnFile(path, folder) || IsPresentOwnFile(path, shortFolder);
        if (own) kept.push_back(path);
        return own;
    });
    return Kept(kept, !kept.empty() && ReplaceWholeFile(wininit, rest));
}

// The NT family's schedule is one value of the machine, read and written in
// UTF-16 as it is stored: the other programs' names in it may be any. The key
// is reached through the system's own link (CurrentControlSet), in a part of
// the registry only the administrators and the system may change, so the
// registry layer, which follows no link, is not used here.
constexpr wchar_t SessionManagerKey[] = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t PendingRenamesValue[] = L"PendingFileRenameOperations";

// The path of a name in the schedule ("\??\" dropped), in the code page;
// false for one the code page cannot write.
bool ScheduledPath(const std::u16string& name, std::string& path) {
    static const char16_t prefix[] = u"\\??\\";
    if (name.compare(0, 4, prefix) != 0 || name.size() >= PathSize) return false;
    std::vector<wchar_t> wide(name.begin() + 4, name.end());
    wide.push_back(L'\0');
    char ansi[PathSize];
    if (!AnsiFromWide(wide.data(), ansi, sizeof ansi)) return false;
    path = ansi;
    return true;
}

int KeepFilesFromPendingRenames(const char* folder) {
    UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SessionManagerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.put()) !=
        ERROR_SUCCESS) {
        key.release();
        return 0;
    }
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), PendingRenamesValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ || size < sizeof(wchar_t))
        return 0;
    std::u16string data(size / sizeof(char16_t), u'\0');
    if (RegQueryValueExW(key.get(), PendingRenamesValue, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) !=
            ERROR_SUCCESS ||
        type != REG_MULTI_SZ)
        return 0;
    data.resize(size / sizeof(char16_t));
    std::vector<std::string> kept;
    std::u16string rest = WithoutPendingDeletions(data, [&](const std::u16string& name) {
        std::string path;
        bool own = ScheduledPath(name, path) && IsPresentOwnFile(path, folder);
        if (own) kept.push_back(path);
        return own;
    });
    if (kept.empty()) return 0;
    LONG written = HoldsPendingRename(rest)
                       ? RegSetValueExW(key.get(), PendingRenamesValue, 0, REG_MULTI_SZ,
                                        reinterpret_cast<const BYTE*>(rest.data()),
                                        static_cast<DWORD>(rest.size() * sizeof(char16_t)))
                       : RegDeleteValueW(key.get(), PendingRenamesValue);
    return Kept(kept, written == ERROR_SUCCESS);
}

}  // namespace

int KeepFilesFromRestart(const char* folder) {
    if (!folder || folder[0] == '\0') return 0;
    return NtMajorVersion() != 0 ? KeepFilesFromPendingRenames(folder) : KeepFilesFromWininit(folder);
}

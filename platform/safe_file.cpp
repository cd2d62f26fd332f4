// Files and folders handled as themselves. An entry is opened as itself
// (FILE_FLAG_OPEN_REPARSE_POINT), and what the handle reached is checked
// before anything is done through it: its final path must be the path asked
// for (Wine follows a Unix link whatever it is asked, and the handle then
// names the link's target, elsewhere), a reparse point is a link opened as
// itself, and a file with more than one name is a hard link. Deletions and
// attribute changes go through that same handle, so nothing can be swapped in
// between; new files are created only where no name exists (CREATE_NEW).
// Without NtSetInformationFile the system is Windows 9x, which has no links
// and opens no folders, and names are used directly.
#include "platform/safe_file.h"
#include "platform/system_functions.h"
#include "platform/text.h"
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr DWORD OpenItself = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;
constexpr DWORD BlockingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD ShareAllButDelete = FILE_SHARE_READ | FILE_SHARE_WRITE;

struct BasicInformation {
    LARGE_INTEGER creation, lastAccess, lastWrite, change;  // 0: unchanged
    ULONG attributes;
};
constexpr int BasicInformationClass = 4;
constexpr int RenameInformationClass = 10;
constexpr int DispositionInformationClass = 13;

// The NT family: entries can be opened as themselves and deleted through a handle.
bool HandlesWork() { return System().ntSetInformationFile != nullptr; }

bool SetInformationOn(HANDLE h, void* information, ULONG size, int kind) {
    NtIoStatusBlock io{};
    return System().ntSetInformationFile(h, &io, information, size, kind) == 0;
}

enum class Seen {
    Missing,    // nothing of that name
    Here,       // a real file or folder at the path
    Link,       // a link, opened as itself
    Elsewhere,  // what the system opened is not at the path (a link it followed), or it cannot be told
};

struct Entry {
    Seen seen = Seen::Missing;
    UniqueFileHandle handle;   // none on Windows 9x
    DWORD attributes = 0;
    DWORD names = 1;
    bool folder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// Whether the handle's final path is `path` itself: the final path of the
// folder that `path` names, followed by its last name. Systems without final
// paths have no file links, and show a folder link as a reparse point.
bool StaysAt(HANDLE h, const char* path) {
    if (!System().getFinalPathNameByHandleW) return true;
    char reached[PathSize], expected[PathSize], name[PathSize];
    if (!ReadFinalPath(h, reached, sizeof reached)) return false;
    if (!CopyText(expected, sizeof expected, path)) return false;
    char* namePart = FileNamePart(expected);
    if (*namePart == '\0' || !CopyText(name, sizeof name, namePart)) return false;
    if (namePart == expected)
        CopyText(expected, sizeof expected, ".");
    else
        *namePart = '\0';
    UniqueFileHandle parent(CreateFileA(expected, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!parent) return false;
    if (!ReadFinalPath(parent.get(), expected, sizeof expected)) return false;
    AppendBackslash(expected, sizeof expected);
    return AppendText(expected, sizeof expected, name) && CompareTextNoCase(expected, reached) == 0;
}

// Opens what lies at `path` as itself, with `access`, sharing neither deletion
// nor renaming unless `share` says so, and tells what it is.
Entry OpenEntry(const char* path, DWORD access, DWORD share = ShareAllButDelete) {
    Entry e;
    if (!HandlesWork()) {
        e.attributes = GetFileAttributesA(path);
        e.seen = e.attributes == INVALID_FILE_ATTRIBUTES ? Seen::Missing : Seen::Here;
        return e;
    }
    e.handle.reset(CreateFileA(path, access, share, nullptr, OPEN_EXISTING, OpenItself, nullptr));
    if (!e.handle) {
        DWORD error = GetLastError();
        e.seen = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Seen::Missing : Seen::Elsewhere;
        return e;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(e.handle.get(), &info) || !StaysAt(e.handle.get(), path)) {
        e.seen = Seen::Elsewhere;
        return e;
    }
    e.attributes = info.dwFileAttributes;
    e.names = info.nNumberOfLinks;
    e.seen = (e.attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? Seen::Link : Seen::Here;
    return e;
}

// Deletes the entry through its handle (by name on Windows 9x) and closes it.
bool DeleteEntry(Entry& e, const char* path) {
    if (!e.handle) return e.folder() ? RemoveDirectoryA(path) != FALSE : DeleteFileA(path) != FALSE;
    BOOLEAN deleteFile = TRUE;
    bool deleted = SetInformationOn(e.handle.get(), &deleteFile, sizeof deleteFile, DispositionInformationClass);
    e.handle.reset();
    return deleted;
}

// Sets the attributes of a real entry of a single name, through its handle
// (by name on Windows 9x); 0 leaves none set.
bool SetAttributesOn(Entry& e, const char* path, DWORD attributes) {
    if (e.seen != Seen::Here || e.names != 1) return false;
    if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
    if (!e.handle) return SetFileAttributesA(path, attributes) != FALSE;
    BasicInformation basic{};
    basic.attributes = attributes;
    return SetInformationOn(e.handle.get(), &basic, sizeof basic, BasicInformationClass);
}

// Clears read-only, hidden and system on a real entry of a single name.
void ClearBlockingAttributes(Entry& e, const char* path) {
    if (e.attributes & BlockingAttributes)
        SetAttributesOn(e, path, e.attributes & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
}

// Renames the entry open on its handle (with DELETE access) to the full path
// `to`, given to the system as "\??\C:\..." or "\??\UNC\server\...".
bool RenameThroughHandle(HANDLE h, const char* to, bool replace) {
    wchar_t wide[PathSize];
    if (!WideFromAnsi(to, wide, PathSize) || wide[0] == L'\0') return false;
    const bool unc = wide[0] == L'\\' && wide[1] == L'\\';
    const wchar_t* prefix = unc ? L"\\??\\UNC" : L"\\??\\";
    const wchar_t* rest = unc ? wide + 1 : wide;
    const size_t prefixChars = std::wcslen(prefix), restChars = std::wcslen(rest);
    const size_t nameChars = prefixChars + restChars;
    struct RenameInformation {
        BOOLEAN replace;
        HANDLE root;
        ULONG nameBytes;
        WCHAR name[1];
    };
    std::vector<BYTE> buffer(offsetof(RenameInformation, name) + (nameChars + 1) * sizeof(wchar_t));
    auto* info = reinterpret_cast<RenameInformation*>(buffer.data());
    info->replace = replace;
    info->root = nullptr;
    info->nameBytes = static_cast<ULONG>(nameChars * sizeof(wchar_t));
    std::memcpy(info->name, prefix, prefixChars * sizeof(wchar_t));
    std::memcpy(info->name + prefixChars, rest, (restChars + 1) * sizeof(wchar_t));
    return SetInformationOn(h, info, static_cast<ULONG>(buffer.size()), RenameInformationClass);
}

constexpr DWORD RemovalAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;

// The names in a folder but "." and "..".
std::vector<std::string> NamesIn(const char* folder) {
    std::vector<std::string> names;
    char pattern[PathSize];
    if (!CopyText(pattern, sizeof pattern, folder)) return names;
    AppendBackslash(pattern, sizeof pattern);
    if (!AppendText(pattern, sizeof pattern, "*")) return names;
    WIN32_FIND_DATAA found;
    UniqueFindHandle find(FindFirstFileA(pattern, &found));
    if (!find) return names;
    do {
        if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0)
            names.emplace_back(found.cFileName);
    } while (FindNextFileA(find.get(), &found));
    return names;
}

}  // namespace

bool ReadFinalPath(HANDLE h, char* out, DWORD capacity) {
    auto finalPath = System().getFinalPathNameByHandleW;
    if (!finalPath) return false;
    wchar_t wide[PathSize];
    DWORD len = finalPath(h, wide, PathSize, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (len == 0 || len >= PathSize) return false;
    return AnsiFromWide(wide, out, capacity);
}

bool RemoveEntryItself(const char* path, RemoveOptions options) {
    Entry e = OpenEntry(path, RemovalAccess);
    switch (e.seen) {
    case Seen::Missing: return true;
    case Seen::Elsewhere: return false;
    case Seen::Link: return DeleteEntry(e, path);
    case Seen::Here: break;
    }
    if (options == RemoveOptions::ClearAttributes) ClearBlockingAttributes(e, path);
    return DeleteEntry(e, path);
}

bool SetAttributesItself(const char* path, DWORD attributes) {
    Entry e = OpenEntry(path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
    return SetAttributesOn(e, path, attributes);
}

bool RenameEntryItself(const char* from, const char* to, RenameOptions options) {
    const bool replace = options == RenameOptions::ReplaceExisting;
    Entry e = OpenEntry(from, DELETE | FILE_READ_ATTRIBUTES);
    if (e.seen != Seen::Here) return false;
    if (e.handle) return RenameThroughHandle(e.handle.get(), to, replace);
    // Windows 9x: no links, and no replacing move.
    if (replace && (DeleteFileA(to) == FALSE && GetLastError() != ERROR_FILE_NOT_FOUND)) return false;
    return MoveFileA(from, to) != FALSE;
}

bool ScheduleRemovalOfItself(const char* path) {
    // Only looked at: others may hold it in any way. The restart schedule
    // takes names only, so the entry is checked to be itself right before.
    Entry e = OpenEntry(path, FILE_READ_ATTRIBUTES, ShareAllButDelete | FILE_SHARE_DELETE);
    return e.seen == Seen::Here && MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool RemoveTreeItself(const char* path) {
    {
        // Held open, sharing no deletion, while its entries go: the folder
        // can be neither renamed nor replaced by a link meanwhile. (Holding
        // it with delete access would keep it from being listed.)
        Entry e = OpenEntry(path, FILE_READ_ATTRIBUTES);
        if (e.seen == Seen::Missing) return true;
        if (e.seen == Seen::Elsewhere) return false;
        if (e.seen == Seen::Here && e.folder()) {
            char child[PathSize];
            for (const std::string& name : NamesIn(path)) {
                if (!CopyText(child, sizeof child, path)) break;
                AppendBackslash(child, sizeof child);
                if (AppendText(child, sizeof child, name.c_str())) RemoveTreeItself(child);
            }
        }
    }
    return RemoveEntryItself(path, RemoveOptions::ClearAttributes);
}

namespace {

enum class Way { Clear, Kept, Blocked };

// Makes way for a new file at `path`: a link or a second name of a file there
// is removed itself, a file of a single name too unless `existing` keeps it.
Way MakeWayForNewFile(const char* path, ExistingFile existing) {
    Entry e = OpenEntry(path, RemovalAccess);
    switch (e.seen) {
    case Seen::Missing: return Way::Clear;
    case Seen::Elsewhere: return Way::Blocked;
    case Seen::Link: return DeleteEntry(e, path) ? Way::Clear : Way::Blocked;
    case Seen::Here: break;
    }
    if (e.folder()) return Way::Blocked;
    if (existing == ExistingFile::Keep && e.names == 1) return Way::Kept;
    return DeleteEntry(e, path) ? Way::Clear : Way::Blocked;
}

}  // namespace

UniqueFileHandle ReplaceWithNewFile(const char* path, DWORD share) {
    if (MakeWayForNewFile(path, ExistingFile::Replace) != Way::Clear) return UniqueFileHandle();
    return CreateNewFile(path, share);
}

UniqueFileHandle AppendToFileItself(const char* path, DWORD share) {
    Entry e = OpenEntry(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE, share);
    if (e.seen == Seen::Here && !e.folder() && e.names == 1) {
        if (e.handle) return std::move(e.handle);
        // Windows 9x: no links, the file is opened by name.
        return UniqueFileHandle(CreateFileA(path, FILE_APPEND_DATA, share, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    e.handle.reset();
    return e.seen == Seen::Missing ? CreateNewFile(path, share) : ReplaceWithNewFile(path, share);
}

bool WriteNewFile(const char* path, const void* bytes, std::size_t size, ExistingFile existing) {
    switch (MakeWayForNewFile(path, existing)) {
    case Way::Clear: break;
    case Way::Kept: return true;
    case Way::Blocked: return false;
    }
    UniqueFileHandle file = CreateNewFile(path);
    if (!file) return false;
    if (WriteAll(file.get(), bytes, size)) return true;
    DiscardNewFile(file, path);
    return false;
}

bool HoldOwnFolder(const char* path, UniqueFileHandle& hold) {
    hold.reset();
    for (int attempt = 0; attempt < 2; ++attempt) {
        Entry e = OpenEntry(path, FILE_READ_ATTRIBUTES);
        if (e.seen == Seen::Here) {
            if (!e.folder()) return false;
            hold = std::move(e.handle);
            return true;
        }
        if (e.seen == Seen::Link) {
            e.handle.reset();
            e = OpenEntry(path, RemovalAccess);
            if (e.seen != Seen::Link) return false;
        }
        if (e.seen == Seen::Elsewhere) return false;
        if (e.seen == Seen::Link && !DeleteEntry(e, path)) return false;
        CreateDirectoryA(path, nullptr);
    }
    return false;
}

UniqueFileHandle CreateNewFile(const char* path, DWORD share) {
    DWORD flags = FILE_ATTRIBUTE_NORMAL | (HandlesWork() ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    return UniqueFileHandle(
        CreateFileA(path, GENERIC_WRITE | (HandlesWork() ? DELETE : 0), share, nullptr, CREATE_NEW, flags, nullptr));
}

bool WriteAll(HANDLE file, const void* bytes, std::size_t size) {
    const char* p = static_cast<const char*>(bytes);
    while (size > 0) {
        DWORD chunk = size > (1u << 20) ? (1u << 20) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, p, chunk, &written, nullptr) || written != chunk) return false;
        p += chunk;
        size -= chunk;
    }
    return true;
}

void DiscardNewFile(UniqueFileHandle& file, const char* path) {
    if (HandlesWork()) {
        BOOLEAN deleteFile = TRUE;
        SetInformationOn(file.get(), &deleteFile, sizeof deleteFile, DispositionInformationClass);
        file.reset();
        return;
    }
    file.reset();
    DeleteFileA(path);  // Windows 9x: no links, no deletion through a handle
}

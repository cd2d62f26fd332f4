// Files and folders handled as themselves. Every entry is opened below the
// folder it lies in, which is opened once by its path, held sharing no
// deletion and used for everything done to the entry: nothing above the
// entry can be renamed or exchanged for a link between the check and the
// act, and the folder is never looked up by name again. The entry itself is
// opened as itself (a link is opened, not followed) and checked on that
// handle: a reparse point is a link, a file with more than one name is a
// hard link, and where the system follows a file link whatever it is asked
// (Wine, for Unix links) its final path must be the held folder's and its
// name. Deletions (MarkForDeletion), renames and attribute changes go through
// that handle; new files and folders are created below the held folder where
// no name exists. Windows 9x has no links and opens no folders: there names
// are used directly.
#include "platform/safe_file.h"
#include "platform/entry_open.h"
#include "platform/system_functions.h"
#include "platform/text.h"
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr DWORD BlockingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr ULONG ShareAllButDelete = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr ULONG ShareAll = ShareAllButDelete | FILE_SHARE_DELETE;
// A held folder: entries are opened below it and its attributes are read.
constexpr ACCESS_MASK HeldFolderAccess = FILE_TRAVERSE | FILE_READ_ATTRIBUTES;
constexpr ACCESS_MASK RemovalAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;

// ntdll's numbers for the listing of a folder.
constexpr LONG StatusNoMoreFiles = static_cast<LONG>(0x80000006);

// The NT family: entries are opened below held folders and changed through handles.
bool HandlesWork() { return HandleEngineAvailable(); }

using WideName = std::vector<wchar_t>;   // no terminating null

enum class Seen {
    Missing,    // nothing of that name
    Here,       // a real file or folder at the path
    Link,       // a link, opened as itself
    Elsewhere,  // what the system opened is not at the path (a link it followed), or it cannot be told
};

struct Entry {
    Seen seen = Seen::Missing;
    UniqueFileHandle parent;   // the folder it lies in, held; none on Windows 9x
    WideName name;             // its name in that folder
    UniqueFileHandle handle;   // the entry itself; none when missing, and on Windows 9x
    DWORD attributes = 0;
    DWORD names = 1;
    bool folder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// The folder `path` lies in, as a full NT path ("\??\C:\dir",
// "\??\UNC\server\share\dir"), and its last name. False for a path that
// cannot be converted, a device, or a root (which has no folder to lie in).
bool SplitPath(const char* path, WideName& folder, WideName& name) {
    wchar_t wide[PathSize], full[PathSize];
    if (!WideFromAnsi(path, wide, PathSize) || wide[0] == L'\0') return false;
    DWORD length = GetFullPathNameW(wide, PathSize, full, nullptr);
    if (length == 0 || length >= PathSize) return false;
    if (std::wcsncmp(full, L"\\\\.\\", 4) == 0) return false;   // a device
    const wchar_t* rest = std::wcsncmp(full, L"\\\\?\\", 4) == 0 ? full + 4 : full;   // already an NT path
    bool unc = false;
    if (rest == full && full[0] == L'\\' && full[1] == L'\\') {
        unc = true;
        rest = full + 2;
    } else if (rest != full && std::wcsncmp(rest, L"UNC\\", 4) == 0) {
        unc = true;
        rest += 4;
    }
    const wchar_t* prefix = unc ? L"\\??\\UNC\\" : L"\\??\\";
    WideName nt(prefix, prefix + std::wcslen(prefix));
    nt.insert(nt.end(), rest, rest + std::wcslen(rest));
    while (nt.size() > 1 && nt.back() == L'\\') nt.pop_back();
    // The root, its backslash included: "\??\C:\" or "\??\UNC\server\share\".
    std::size_t root = 0;
    if (unc) {
        std::size_t separators = 0;
        for (std::size_t i = 8; i < nt.size() && root == 0; ++i)
            if (nt[i] == L'\\' && ++separators == 2) root = i + 1;
    } else if (nt.size() >= 7 && nt[5] == L':' && nt[6] == L'\\') {
        root = 7;
    }
    std::size_t cut = nt.size();
    while (cut > 0 && nt[cut - 1] != L'\\') --cut;   // just after the last backslash
    if (root == 0 || cut < root || cut == nt.size()) return false;
    name.assign(nt.begin() + cut, nt.end());
    folder.assign(nt.begin(), nt.begin() + (cut == root ? root : cut - 1));
    return true;
}

// Whether the entry open on `h` lies where it was asked for: in the folder
// held on `parent`, under `name`. Only a system that follows a file link
// whatever it is asked (Wine) needs the final paths for this; elsewhere the
// open of the entry itself is the check, and a system without final paths
// has no file links.
bool StaysBelow(HANDLE h, HANDLE parent, const WideName& name) {
    if (!OpensFollowFileLinks() || !System().getFinalPathNameByHandleW) return true;
    char reached[PathSize], expected[PathSize], last[PathSize];
    WideName terminated(name);
    terminated.push_back(L'\0');
    if (!ReadFinalPath(h, reached, sizeof reached) || !ReadFinalPath(parent, expected, sizeof expected) ||
        !AnsiFromWide(terminated.data(), last, sizeof last))
        return false;
    AppendBackslash(expected, sizeof expected);
    return AppendText(expected, sizeof expected, last) && CompareTextNoCase(expected, reached) == 0;
}

// Opens `name` below the held folder `parent` as itself, with `access`
// (and FILE_READ_ATTRIBUTES) and `share`, and tells what it is.
Seen OpenBelow(HANDLE parent, const WideName& name, ACCESS_MASK access, ULONG share, Entry& e) {
    long status = 0;
    e.handle = OpenEntryAt(parent, name.data(), name.size(), access | FILE_READ_ATTRIBUTES, share, EntryOpen::Any,
                           &status);
    if (!e.handle) return NameIsMissing(status) ? Seen::Missing : Seen::Elsewhere;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(e.handle.get(), &info) || !StaysBelow(e.handle.get(), parent, name)) {
        e.handle.reset();
        return Seen::Elsewhere;
    }
    e.attributes = info.dwFileAttributes;
    e.names = info.nNumberOfLinks;
    return (e.attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? Seen::Link : Seen::Here;
}

// Opens the folder `folder` (a full NT path) as itself, to be held sharing no
// deletion while entries below it are handled. Where the folder is open with
// DELETE access already (the list removal holds the folders on its way so),
// it is held sharing deletion: the entry is still opened below this handle.
// A link there is no folder to hold (an open below a link's own handle would
// find nothing): Elsewhere.
Seen HoldFolder(const WideName& folder, UniqueFileHandle& held) {
    long status = 0;
    held = OpenEntryAt(nullptr, folder.data(), folder.size(), HeldFolderAccess, ShareAllButDelete, EntryOpen::Folder,
                       &status);
    if (!held && status == nt_status::SharingViolation)
        held = OpenEntryAt(nullptr, folder.data(), folder.size(), HeldFolderAccess, ShareAll, EntryOpen::Folder,
                           &status);
    if (!held) return NameIsMissing(status) ? Seen::Missing : Seen::Elsewhere;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(held.get(), &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        held.reset();
        return Seen::Elsewhere;
    }
    return Seen::Here;
}

// Holds the folder `path` lies in (opened once, by its path) and takes the
// entry's name in it. Missing when the folder is not there.
Entry HoldFolderOf(const char* path) {
    Entry e;
    WideName folder;
    e.seen = SplitPath(path, folder, e.name) ? HoldFolder(folder, e.parent) : Seen::Elsewhere;
    return e;
}

// Holds the folder `path` lies in and opens the entry below it as itself
// with `access`, sharing neither deletion nor renaming unless `share` says
// so; tells what the entry is.
Entry OpenEntry(const char* path, ACCESS_MASK access, ULONG share = ShareAllButDelete) {
    if (!HandlesWork()) {
        Entry e;
        e.attributes = GetFileAttributesA(path);
        e.seen = e.attributes == INVALID_FILE_ATTRIBUTES ? Seen::Missing : Seen::Here;
        return e;
    }
    Entry e = HoldFolderOf(path);
    if (e.seen == Seen::Here) e.seen = OpenBelow(e.parent.get(), e.name, access, share, e);
    return e;
}

// Deletes the entry through its handle (by name on Windows 9x) and closes it.
bool DeleteEntry(Entry& e, const char* path) {
    // No handle only on Windows 9x (no links): the name is all there is.
    if (!e.handle) return e.folder() ? RemoveDirectoryA(path) != FALSE : DeleteFileA(path) != FALSE;
    bool deleted = MarkForDeletion(e.handle.get()) == Marked::Yes;
    e.handle.reset();
    return deleted;
}

// Sets the attributes of a real entry of a single name, through its handle
// (by name on Windows 9x); 0 leaves none set.
bool SetAttributesOn(Entry& e, const char* path, DWORD attributes) {
    if (e.seen != Seen::Here || e.names != 1) return false;
    // No handle only on Windows 9x (no links): the name is all there is.
    if (!e.handle) return SetFileAttributesA(path, attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes) != FALSE;
    return WriteEntryAttributes(e.handle.get(), attributes);
}

// Clears read-only, hidden and system on a real entry of a single name.
void ClearBlockingAttributes(Entry& e, const char* path) {
    if (e.attributes & BlockingAttributes)
        SetAttributesOn(e, path, e.attributes & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
}

enum class NewEntry { File, Folder };

// Creates `name` below the held folder `parent` where no name exists, so
// that nothing there (a link neither) is opened: a file open for writing and
// deletion, or a folder open as HeldFolderAccess. Others may open it as
// `share` allows; no process this one starts inherits it.
UniqueFileHandle CreateBelow(HANDLE parent, const WideName& name, NewEntry kind, ULONG share) {
    const bool file = kind == NewEntry::File;
    return CreateEntryAt(parent, name.data(), name.size(), file ? FILE_GENERIC_WRITE | DELETE : HeldFolderAccess, share,
                         file ? EntryOpen::File : EntryOpen::Folder);
}

// A new file named as the entry, beside it in its held folder (by name on
// Windows 9x).
UniqueFileHandle CreateFileOf(Entry& e, const char* path, ULONG share) {
    if (!e.parent)
        return UniqueFileHandle(CreateFileA(path, GENERIC_WRITE, share, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                            nullptr));
    return CreateBelow(e.parent.get(), e.name, NewEntry::File, share);
}

// The names in the folder open on `folder` (with FILE_LIST_DIRECTORY) but
// "." and "..", read through that handle. False when they cannot be read.
bool NamesInHeld(HANDLE folder, std::vector<WideName>& names) {
    auto query = System().ntQueryDirectoryFile;
    if (!query) return false;
    struct NamesInformation {
        ULONG next, index, length;   // length in bytes
        wchar_t name[1];
    };
    std::vector<ULONG> buffer(16384);   // 64 KiB, aligned as the entries are
    for (BOOLEAN restart = TRUE;; restart = FALSE) {
        ReportFileCall(FileCall::Listing);
        IO_STATUS_BLOCK io{};
        LONG status = query(folder, nullptr, nullptr, nullptr, &io, buffer.data(),
                            static_cast<ULONG>(buffer.size() * sizeof(ULONG)), FileNamesInformation, FALSE,
                            nullptr, restart);
        if (status == StatusNoMoreFiles) return true;
        if (status < 0) return false;
        const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
        for (std::size_t offset = 0;;) {
            const auto* entry = reinterpret_cast<const NamesInformation*>(bytes + offset);
            WideName name(entry->name, entry->name + entry->length / sizeof(wchar_t));
            bool dots = (name.size() == 1 && name[0] == L'.') || (name.size() == 2 && name[0] == L'.' && name[1] == L'.');
            if (!dots && !name.empty()) names.push_back(std::move(name));
            if (entry->next == 0) break;
            offset += entry->next;
        }
    }
}

// Removes everything in the folder open on `folder` (with
// FILE_LIST_DIRECTORY), which stays held while its entries go: each is opened
// below it as itself, a link is removed itself and never entered, a folder
// is emptied the same way through its own handle. False when anything stays.
bool EmptyHeldFolder(HANDLE folder) {
    std::vector<WideName> names;
    if (!NamesInHeld(folder, names)) return false;
    bool emptied = true;
    for (const WideName& name : names) {
        Entry e;
        e.seen = OpenBelow(folder, name, RemovalAccess | FILE_LIST_DIRECTORY, ShareAllButDelete, e);
        if (e.seen == Seen::Missing) continue;
        if (e.seen == Seen::Elsewhere) {
            emptied = false;
            continue;
        }
        if (e.seen == Seen::Here && e.folder() && !EmptyHeldFolder(e.handle.get())) emptied = false;
        if (e.seen == Seen::Here) ClearBlockingAttributes(e, nullptr);
        if (!DeleteEntry(e, nullptr)) emptied = false;
    }
    return emptied;
}

// Windows 9x: the names in a folder but "." and "..".
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

bool ReadFinalPathWide(HANDLE h, wchar_t* out, DWORD capacity) {
    auto finalPath = System().getFinalPathNameByHandleW;
    if (!finalPath) return false;
    DWORD len = finalPath(h, out, capacity, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    return len != 0 && len < capacity;
}

bool ReadFinalPath(HANDLE h, char* out, DWORD capacity) {
    wchar_t wide[PathSize];
    return ReadFinalPathWide(h, wide, PathSize) && AnsiFromWide(wide, out, capacity);
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
    Entry e = OpenEntry(path, FILE_WRITE_ATTRIBUTES);
    return SetAttributesOn(e, path, attributes);
}

bool RenameEntryItself(const char* from, const char* to, RenameOptions options) {
    const bool replace = options == RenameOptions::ReplaceExisting;
    Entry e = OpenEntry(from, DELETE);
    if (e.seen != Seen::Here) return false;
    if (e.handle) {
        // The new name's folder is held as the old one is: a link put on its
        // path cannot take the entry elsewhere.
        Entry target = HoldFolderOf(to);
        return target.seen == Seen::Here &&
               RenameEntryAt(e.handle.get(), target.parent.get(), target.name.data(), target.name.size(), replace);
    }
    // Windows 9x: no links, and no replacing move.
    if (replace && (DeleteFileA(to) == FALSE && GetLastError() != ERROR_FILE_NOT_FOUND)) return false;
    return MoveFileA(from, to) != FALSE;
}

bool ScheduleRemovalOfItself(const char* path) {
    // Only looked at: others may hold it in any way. The restart schedule
    // takes names only, so the entry is checked to be itself right before,
    // and its folder is held until the name is scheduled.
    Entry e = OpenEntry(path, 0, ShareAll);
    return e.seen == Seen::Here && MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool RemoveTreeItself(const char* path) {
    if (!HandlesWork()) {
        DWORD attributes = GetFileAttributesA(path);
        if (attributes == INVALID_FILE_ATTRIBUTES) return true;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            char child[PathSize];
            for (const std::string& name : NamesIn(path)) {
                if (!CopyText(child, sizeof child, path)) break;
                AppendBackslash(child, sizeof child);
                if (AppendText(child, sizeof child, name.c_str())) RemoveTreeItself(child);
            }
        }
        return RemoveEntryItself(path, RemoveOptions::ClearAttributes);
    }
    // The folder is held, sharing no deletion, from its check to its own
    // deletion through the same handle; everything in it is opened below it.
    Entry e = OpenEntry(path, RemovalAccess | FILE_LIST_DIRECTORY);
    switch (e.seen) {
    case Seen::Missing: return true;
    case Seen::Elsewhere: return false;
    case Seen::Link: return DeleteEntry(e, path);
    case Seen::Here: break;
    }
    if (e.folder() && !EmptyHeldFolder(e.handle.get())) return false;
    ClearBlockingAttributes(e, path);
    return DeleteEntry(e, path);
}

namespace {

enum class Way { Clear, Kept, Blocked };

// Makes way for a new file at the entry's name: a link or a second name of a
// file there is removed itself, a file of a single name too when `existing`
// replaces it. The entry's folder stays held for the new file.
Way MakeWayForNewFile(Entry& e, const char* path, ExistingFile existing) {
    switch (e.seen) {
    case Seen::Missing: return e.parent || !HandlesWork() ? Way::Clear : Way::Blocked;
    case Seen::Elsewhere: return Way::Blocked;
    case Seen::Link: return DeleteEntry(e, path) ? Way::Clear : Way::Blocked;
    case Seen::Here: break;
    }
    if (e.folder()) return Way::Blocked;
    if (existing == ExistingFile::Keep && e.names == 1) return Way::Kept;
    return DeleteEntry(e, path) ? Way::Clear : Way::Blocked;
}

// The one recipe of a new file: the folder held, way made as `existing`
// says, the file created below the same held folder where no name exists.
// `kept` tells a file kept.
UniqueFileHandle NewFile(const char* path, ExistingFile existing, ULONG share, bool* kept = nullptr) {
    if (existing == ExistingFile::Refuse) return CreateNewFile(path, share);
    Entry e = OpenEntry(path, RemovalAccess);
    switch (MakeWayForNewFile(e, path, existing)) {
    case Way::Clear: return CreateFileOf(e, path, share);
    case Way::Kept:
        if (kept) *kept = true;
        return UniqueFileHandle();
    case Way::Blocked: return UniqueFileHandle();
    }
    return UniqueFileHandle();
}

}  // namespace

UniqueFileHandle CreateNewFile(const char* path, DWORD share) {
    if (!HandlesWork())
        return UniqueFileHandle(CreateFileA(path, GENERIC_WRITE, share, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                            nullptr));
    Entry e = HoldFolderOf(path);
    return e.seen == Seen::Here ? CreateBelow(e.parent.get(), e.name, NewEntry::File, share) : UniqueFileHandle();
}

UniqueFileHandle ReplaceWithNewFile(const char* path, DWORD share) {
    return NewFile(path, ExistingFile::Replace, share);
}

UniqueFileHandle AppendToFileItself(const char* path, DWORD share) {
    Entry e = OpenEntry(path, FILE_APPEND_DATA, share);
    if (e.seen == Seen::Here && !e.folder() && e.names == 1) {
        if (e.handle) return std::move(e.handle);
        // Windows 9x: no links, the file is opened by name.
        return UniqueFileHandle(CreateFileA(path, FILE_APPEND_DATA, share, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    e.handle.reset();
    return NewFile(path, ExistingFile::Replace, share);
}

bool WriteNewFile(const char* path, const void* bytes, std::size_t size, ExistingFile existing) {
    bool kept = false;
    UniqueFileHandle file = NewFile(path, existing, 0, &kept);
    if (kept) return true;
    if (!file) return false;
    if (WriteAll(file.get(), bytes, size) && FlushFileBuffers(file.get())) return true;
    DiscardNewFile(file, path);
    return false;
}

bool HoldOwnFolder(const char* path, UniqueFileHandle& hold) {
    hold.reset();
    if (!HandlesWork()) {
        // Windows 9x: no links, nothing to hold.
        CreateDirectoryA(path, nullptr);
        DWORD attributes = GetFileAttributesA(path);
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    Entry e = OpenEntry(path, 0);
    if (e.seen == Seen::Here) {
        if (!e.folder()) return false;
        hold = std::move(e.handle);
        return true;
    }
    if (e.seen == Seen::Link) {
        // Opened again for its deletion below the same held folder, and still a link.
        e.handle.reset();
        if (OpenBelow(e.parent.get(), e.name, DELETE, ShareAllButDelete, e) != Seen::Link || !DeleteEntry(e, path))
            return false;
    } else if (e.seen != Seen::Missing || !e.parent) {
        return false;
    }
    hold = CreateBelow(e.parent.get(), e.name, NewEntry::Folder, ShareAllButDelete);
    return static_cast<bool>(hold);
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
        MarkForDeletion(file.get());
        file.reset();
        return;
    }
    file.reset();
    DeleteFileA(path);  // Windows 9x: no links, no deletion through a handle
}

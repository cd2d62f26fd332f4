// Removing one listed entry without ever reaching outside the program folder.
//
// A folder link (junction, symbolic link, or a Unix link under Wine) inside
// the program folder would let "link\file" name a file elsewhere, and a file
// link would let the deletion of the link cost its target. So every folder an
// entry passes through is checked once for being a link, and the entry itself
// is opened and its final path compared with the program folder's before the
// deletion is asked for on that same handle. The open shares nothing: once it
// succeeds nobody else holds the entry, and it is gone when the handle closes.
#include "uninstall/entry_removal.h"
#include "uninstall/deferred_removal.h"
#include "uninstall/file_calls.h"
#include "platform/core/entrypath.h"
#include "platform/core/listfile.h"
#include "platform/handles.h"
#include "platform/run_log.h"
#include "platform/text.h"
#include <cstring>

namespace {

constexpr DWORD BlockingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD OpenTheEntryItself = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;

using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);

// Not on every system the program runs on, so looked up once.
FinalPathFunction FinalPathOf() {
    static FinalPathFunction f = reinterpret_cast<FinalPathFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA")));
    return f;
}

bool ReadFinalPath(HANDLE h, char* out, DWORD capacity) {
    FinalPathFunction f = FinalPathOf();
    if (!f) return false;
    ++FileCalls.finalPaths;
    DWORD len = f(h, out, capacity, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    return len > 0 && len < capacity;
}

// Opens the entry itself (a folder too, and a link rather than its target
// where the system can); an opened handle is counted with its close, which
// its owner makes.
UniqueFileHandle CountedOpen(const char* path, DWORD access, DWORD share) {
    ++FileCalls.opens;
    UniqueFileHandle h(CreateFileA(path, access, share, nullptr, OPEN_EXISTING, OpenTheEntryItself, nullptr));
    if (h) ++FileCalls.closes;
    return h;
}

EntryOutcome Skipped(const char* entry, const char* why) {
    LogLine("skipped %s: %s", entry, why);
    return EntryOutcome::Settled;
}

bool Gone(const char* path) { return CountedGetAttributes(path) == INVALID_FILE_ATTRIBUTES; }

// The running program and the open list cannot be deleted now; both are
// taken care of later, so they are not deferred.
bool IsLeftForLater(const char* path, const char* programPath) {
    const char* name = FileNamePart(path);
    return CompareTextNoCase(name, FileNamePart(programPath)) == 0 || CompareTextNoCase(name, ListFileName) == 0;
}

}  // namespace

bool RemovalScope::Enter(const char* programPath) {
    if (!CopyText(program_, sizeof program_, programPath)) return false;
    if (!ProgramFolderOf(LeadByteTable, program_, folder_, sizeof folder_)) return false;
    AppendBackslash(folder_, sizeof folder_);
    finalFolder_[0] = '\0';
    folderIsLink_.clear();
    UniqueFileHandle h = CountedOpen(folder_, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (h && !ReadFinalPath(h.get(), finalFolder_, sizeof finalFolder_)) finalFolder_[0] = '\0';
    return true;
}

bool RemovalScope::LiesInside(HANDLE h) {
    if (finalFolder_[0] == '\0') return FinalPathOf() == nullptr;   // no final paths: no links either
    char final[1024];
    return ReadFinalPath(h, final, sizeof final) && PathLiesInside(LeadByteTable, finalFolder_, final);
}

bool RemovalScope::PassesThroughLink(const char* entry) {
    char path[1024];
    std::size_t base = std::strlen(folder_);
    for (const char* p = entry; *p != '\0'; p = NextCharPos(p)) {
        if (!IsSlashChar(*p) || p == entry) continue;
        std::string key(entry, static_cast<std::size_t>(p - entry));
        auto known = folderIsLink_.find(key);
        if (known == folderIsLink_.end()) {
            if (base + key.size() >= sizeof path) return true;
            std::memcpy(path, folder_, base);
            std::memcpy(path + base, key.data(), key.size());
            path[base + key.size()] = '\0';
            DWORD attributes = CountedGetAttributes(path);
            // A folder that does not exist (yet) is no link; it is asked again.
            if (attributes == INVALID_FILE_ATTRIBUTES) continue;
            known = folderIsLink_.emplace(key, (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0).first;
        }
        if (known->second) return true;
    }
    return false;
}

RemovalScope::HandleResult RemovalScope::DeleteThroughHandle(const char* path) {
    UniqueFileHandle h = CountedOpen(path, DELETE, 0);
    if (!h) {
        DWORD error = GetLastError();
        return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ? HandleResult::Refused
                                                                                : HandleResult::Missing;
    }
    if (!LiesInside(h.get())) return HandleResult::Outside;
    FILE_DISPOSITION_INFO disposition{TRUE};
    ++FileCalls.dispositions;
    if (SetFileInformationByHandle(h.get(), FileDispositionInfo, &disposition, sizeof disposition))
        return HandleResult::Deleted;
    return GetLastError() == ERROR_DIR_NOT_EMPTY ? HandleResult::NotEmpty : HandleResult::Blocked;
}

// An entry inside the folder that the handle could not delete: one held by
// another program, or one whose attributes forbid the deletion.
EntryOutcome RemovalScope::TakeStubborn(const char* path) {
    {
        // Whoever holds it, it is only touched once it is known to lie inside.
        UniqueFileHandle h = CountedOpen(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
        if (!h) return Gone(path) ? EntryOutcome::Stays : EntryOutcome::Settled;
        if (!LiesInside(h.get())) return Skipped(path, "it leads outside the program folder");
    }
    DWORD attributes = CountedGetAttributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return EntryOutcome::Stays;
    if ((attributes & BlockingAttributes) && CountedSetAttributes(path, 0)) {
        HandleResult again = DeleteThroughHandle(path);
        if (again == HandleResult::Deleted) return EntryOutcome::Removed;
        if (again == HandleResult::NotEmpty) return EntryOutcome::Stays;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)   // held open by another program
        return CountedRemoveDirectory(path) && Gone(path) ? EntryOutcome::Removed : EntryOutcome::Stays;
    // Held with delete sharing, the deletion succeeds and takes effect when
    // the holder lets go; without it the file is moved aside or scheduled.
    if (CountedDeleteFile(path)) return Gone(path) ? EntryOutcome::Removed : EntryOutcome::Settled;
    if (!IsLeftForLater(path, program_)) DeferFileRemoval(path);
    return EntryOutcome::Settled;
}

EntryOutcome RemovalScope::Remove(const char* entry) {
    if (!EntryStaysInside(LeadByteTable, entry)) return Skipped(entry, "it leads outside the program folder");
    if (NamesDevice(LeadByteTable, entry)) return Skipped(entry, "it names a device");
    char path[1024];
    if (!ComposeEntryPath(path, sizeof path, folder_, entry)) return Skipped(entry, "the path is too long");
    if (PassesThroughLink(entry)) return Skipped(entry, "it passes through a link");
    switch (DeleteThroughHandle(path)) {
    case HandleResult::Deleted: return EntryOutcome::Removed;
    case HandleResult::Missing:
    case HandleResult::NotEmpty: return EntryOutcome::Stays;
    case HandleResult::Outside: return Skipped(entry, "it is a link, or leads outside the program folder");
    case HandleResult::Refused:
    case HandleResult::Blocked: break;
    }
    return TakeStubborn(path);
}

// Removing one listed entry without ever reaching outside the program folder.
//
// A folder link (junction, symbolic link, or a Unix link under Wine) inside
// the program folder would let "link\file" name a file elsewhere, and a file
// link would let the deletion of the link cost its target. So every folder an
// entry passes through is checked once for being a link, and the entry itself
// is opened and checked before the deletion is asked for on that same handle:
// where the system tells final paths, its final path is compared with the
// program folder's; elsewhere (Windows 2000 and XP, NT 4.0, or a volume that
// tells no final paths) an entry that is itself a link is refused. The open
// shares nothing: once it succeeds nobody else holds the entry, and it is gone
// when the handle closes.
//
// Windows 9x has no links, opens no handles to folders and knows neither
// DELETE access nor delete sharing: there entries are deleted by name.
#include "uninstall/entry_removal.h"
#include "uninstall/deferred_removal.h"
#include "uninstall/file_calls.h"
#include "platform/core/entrypath.h"
#include "platform/core/listfile.h"
#include "platform/handles.h"
#include "platform/run_log.h"
#include "platform/safe_file.h"
#include "platform/system_functions.h"
#include "platform/text.h"
#include <cstring>

namespace {

constexpr DWORD BlockingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr LONG StatusDirectoryNotEmpty = static_cast<LONG>(0xC0000101);

// The final path, counted.
bool ReadCountedFinalPath(HANDLE h, char* out, DWORD capacity) {
    if (!System().getFinalPathNameByHandleW) return false;
    ++FileCalls.finalPaths;
    return ReadFinalPath(h, out, capacity);
}

bool IsLinkAttribute(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

DWORD HandleAttributes(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(h, &info) ? info.dwFileAttributes : INVALID_FILE_ATTRIBUTES;
}

// Nothing at the path. A file deleted while another program holds it stays
// until that program closes it; on Windows asking for its attributes then
// fails with ERROR_ACCESS_DENIED, which is no sign of its going.
bool Gone(const char* path) {
    if (CountedGetAttributes(path) != INVALID_FILE_ATTRIBUTES) return false;
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
}

// The running program and the open list cannot be deleted now; both are
// taken care of later, so they are not deferred.
bool IsLeftForLater(const char* path, const char* programPath) {
    const char* name = FileNamePart(path);
    return CompareTextNoCase(name, FileNamePart(programPath)) == 0 || CompareTextNoCase(name, ListFileName) == 0;
}

enum class Marked { Yes, NotEmpty, Failed, NoWay };

// Marks the entry open on `h` (with DELETE access) for deletion when the
// handle closes: through SetFileInformationByHandle from Vista on, through
// ntdll's NtSetInformationFile on older NT systems.
Marked MarkForDeletion(HANDLE h) {
    const SystemFunctions& system = System();
    if (system.setFileInformationByHandle) {
        ++FileCalls.dispositions;
        FILE_DISPOSITION_INFO disposition{TRUE};
        if (system.setFileInformationByHandle(h, FileDispositionInfo, &disposition, sizeof disposition))
            return Marked::Yes;
        return GetLastError() == ERROR_DIR_NOT_EMPTY ? Marked::NotEmpty : Marked::Failed;
    }
    if (system.ntSetInformationFile) {
        ++FileCalls.dispositions;
        NtIoStatusBlock status{};
        BOOLEAN deleteFile = TRUE;   // the whole of FILE_DISPOSITION_INFORMATION
        LONG result = system.ntSetInformationFile(h, &status, &deleteFile, sizeof deleteFile,
                                                  FileDispositionInformationClass);
        if (result >= 0) return Marked::Yes;
        return result == StatusDirectoryNotEmpty ? Marked::NotEmpty : Marked::Failed;
    }
    return Marked::NoWay;
}

}  // namespace

bool RemovalScope::Enter(const char* programPath) {
    if (!CopyText(program_, sizeof program_, programPath)) return false;
    if (!ProgramFolderOf(LeadByteTable, program_, folder_, sizeof folder_)) return false;
    AppendBackslash(folder_, sizeof folder_);
    finalFolder_[0] = '\0';
    folderIsLink_.clear();
    refused_ = 0;
    failed_ = 0;
    DWORD ntMajor = NtMajorVersion();
    // Reparse points begin with Windows 2000; NT 4.0 does not know the flag.
    openFlags_ = ntMajor == 0 ? 0 : FILE_FLAG_BACKUP_SEMANTICS | (ntMajor >= 5 ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    // An NT system that reports Windows 9x (a compatibility mode, or Wine)
    // has file links, and DeleteFileA may follow them: where final paths can
    // be had, they guard the deletion by name too.
    bool finalPaths = System().getFinalPathNameByHandleW != nullptr;
    if (finalPaths) {
        // The folder itself may be a link (a folder moved to another drive and
        // linked back): its final path is then its target's, like its entries'.
        DWORD share = ntMajor == 0 ? FILE_SHARE_READ | FILE_SHARE_WRITE : ShareAll;
        UniqueFileHandle h = CountedOpenEntry(folder_, 0, share, FILE_FLAG_BACKUP_SEMANTICS);
        if (!h || !ReadCountedFinalPath(h.get(), finalFolder_, sizeof finalFolder_)) finalFolder_[0] = '\0';
    }
    if (ntMajor == 0)
        method_ = Method::ByName;
    else
        method_ = finalFolder_[0] != '\0' ? Method::ByFinalPath : Method::ByAttributes;
    return true;
}

// Every entry left alone passes here: it is counted and the log says why.
EntryOutcome RemovalScope::Refuse(Refusal why, const char* what) {
    static const char* const reasons[] = {
        "it leads outside the program folder",                 // OutsideText
        "it names a device",                                   // Device
        "it passes through a link",                            // ThroughLink
        "it is a link",                                        // IsLink
        "it is a link, or leads outside the program folder",   // OutsideFolder
        "the path is too long",                                // TooLong
    };
    // A path too long for this program is not left alone on purpose.
    ++(why == Refusal::TooLong ? failed_ : refused_);
    LogLine("skipped %s: %s", what, reasons[static_cast<int>(why)]);
    return EntryOutcome::Settled;
}

EntryOutcome RemovalScope::Fail(const char* path, DWORD error) {
    ++failed_;
    char reason[256] = "";
    if (error == 0)
        CopyText(reason, sizeof reason, "its deletion was accepted, but it is still there");
    else if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                             nullptr, error, 0, reason, sizeof reason, nullptr))
        reason[0] = '\0';
    TrimTrailingBlanks(reason);
    LogLine("could not remove %s: error %lu %s", path, static_cast<unsigned long>(error), reason);
    return EntryOutcome::Settled;
}

EntryOutcome RemovalScope::LeaveToHolder(const char* path) {
    NoteRemovalPending(path);
    LogLine("held open by another program: %s goes when it is closed", path);
    return EntryOutcome::Settled;
}

bool RemovalScope::LiesInside(HANDLE h, const char* path) {
    // Attributes that cannot be read tell nothing: such an entry is refused.
    DWORD attributes = HandleAttributes(h);
    if (method_ == Method::ByAttributes) return attributes != INVALID_FILE_ATTRIBUTES && !IsLinkAttribute(attributes);
    char final[PathSize];
    if (ReadCountedFinalPath(h, final, sizeof final)) return PathLiesInside(LeadByteTable, finalFolder_, final);
    // Wine tells no final path of MAX_PATH characters or more: a long entry,
    // whose folders were each found to be no link, is checked as on systems
    // without final paths, by its attributes and by name.
    return std::strlen(path) >= MAX_PATH && attributes != INVALID_FILE_ATTRIBUTES && !IsLinkAttribute(attributes) &&
           !IsLinkAttribute(CountedGetAttributes(path));
}

bool RemovalScope::PassesThroughLink(const char* entry) {
    char path[PathSize];
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
            known = folderIsLink_.emplace(key, IsLinkAttribute(attributes)).first;
        }
        if (known->second) return true;
    }
    return false;
}

RemovalScope::HandleResult RemovalScope::DeleteThroughHandle(const char* path) {
    if (method_ == Method::ByAttributes) {
        // Checked by name first as well: Wine opens a link's target whatever
        // the flags say.
        DWORD attributes = CountedGetAttributes(path);
        if (attributes == INVALID_FILE_ATTRIBUTES) return HandleResult::Missing;
        if (IsLinkAttribute(attributes)) return HandleResult::Outside;
    }
    UniqueFileHandle h = CountedOpenEntry(path, DELETE | FILE_READ_ATTRIBUTES, 0, openFlags_);
    if (!h) {
        error_ = GetLastError();
        if (error_ == ERROR_SHARING_VIOLATION || error_ == ERROR_ACCESS_DENIED) return HandleResult::Refused;
        return Gone(path) ? HandleResult::Missing : HandleResult::Failed;
    }
    if (!LiesInside(h.get(), path)) return HandleResult::Outside;
    switch (MarkForDeletion(h.get())) {
    case Marked::Yes:
        // Nobody else held it: it is gone once the handle closes, unless the
        // file system refused it then (Wine reports no such failure).
        h.reset();
        error_ = 0;
        return Gone(path) ? HandleResult::Deleted : HandleResult::Failed;
    case Marked::NotEmpty: return HandleResult::NotEmpty;
    case Marked::Failed: return HandleResult::Blocked;
    case Marked::NoWay: break;
    }
    // No way to delete through the handle: by name, right after the check.
    bool isFolder = (HandleAttributes(h.get()) & FILE_ATTRIBUTE_DIRECTORY) != 0;
    h.reset();
    if (isFolder ? CountedRemoveDirectory(path) : CountedDeleteFile(path)) return HandleResult::Deleted;
    return GetLastError() == ERROR_DIR_NOT_EMPTY ? HandleResult::NotEmpty : HandleResult::Blocked;
}

// An entry inside the folder that the handle could not delete: one held by
// another program, or one whose attributes forbid the deletion.
EntryOutcome RemovalScope::TakeStubborn(const char* path) {
    {
        // Whoever holds it, it is only touched once it is known to lie inside.
        UniqueFileHandle h = CountedOpenEntry(path, FILE_READ_ATTRIBUTES, ShareAll, openFlags_);
        if (!h) {
            DWORD error = GetLastError();
            if (Gone(path)) return EntryOutcome::Stays;
            // On Windows a file another program deleted and still holds
            // cannot be opened at all.
            return error == ERROR_ACCESS_DENIED ? LeaveToHolder(path) : Fail(path, error);
        }
        if (!LiesInside(h.get(), path)) return Refuse(Refusal::OutsideFolder, path);
    }
    DWORD attributes = CountedGetAttributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return EntryOutcome::Stays;
    if ((attributes & BlockingAttributes) && CountedSetAttributes(path, 0)) {
        HandleResult again = DeleteThroughHandle(path);
        if (again == HandleResult::Deleted) return EntryOutcome::Removed;
        if (again == HandleResult::NotEmpty) return EntryOutcome::Stays;
        if (again == HandleResult::Failed) return Fail(path, error_);
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)   // held open by another program
        return CountedRemoveDirectory(path) && Gone(path) ? EntryOutcome::Removed : EntryOutcome::Stays;
    // Held with delete sharing, the deletion succeeds and takes effect when
    // the holder lets go; without it the file is moved aside or scheduled.
    if (CountedDeleteFile(path)) return Gone(path) ? EntryOutcome::Removed : LeaveToHolder(path);
    if (!IsLeftForLater(path, program_) && !DeferFileRemoval(path)) ++failed_;
    return EntryOutcome::Settled;
}

// Windows 9x: the attributes cleared, then the folder removed or the file
// deleted by name; a file in use goes to wininit.ini.
EntryOutcome RemovalScope::RemoveByName(const char* path) {
    DWORD attributes = CountedGetAttributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return EntryOutcome::Stays;
    if (IsLinkAttribute(attributes)) return Refuse(Refusal::IsLink, path);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (attributes & BlockingAttributes) CountedSetAttributes(path, 0);
        return CountedRemoveDirectory(path) ? EntryOutcome::Removed : EntryOutcome::Stays;
    }
    if (finalFolder_[0] != '\0') {
        // Opened to be asked where it is, nothing more: no deletion access
        // and no delete sharing.
        UniqueFileHandle h = CountedOpenEntry(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
        if (h && !LiesInside(h.get(), path)) return Refuse(Refusal::OutsideFolder, path);
    }
    if (attributes & BlockingAttributes) CountedSetAttributes(path, 0);
    if (CountedDeleteFile(path)) return Gone(path) ? EntryOutcome::Removed : LeaveToHolder(path);
    if (Gone(path)) return EntryOutcome::Stays;
    if (!IsLeftForLater(path, program_) && !DeferFileRemoval(path)) ++failed_;
    return EntryOutcome::Settled;
}

EntryOutcome RemovalScope::Remove(const char* entry) {
    if (!EntryStaysInside(LeadByteTable, entry)) return Refuse(Refusal::OutsideText, entry);
    if (NamesDevice(LeadByteTable, entry)) return Refuse(Refusal::Device, entry);
    char path[PathSize];
    if (!ComposeEntryPath(path, sizeof path, folder_, entry)) return Refuse(Refusal::TooLong, entry);
    if (PassesThroughLink(entry)) return Refuse(Refusal::ThroughLink, entry);
    if (method_ == Method::ByName) return RemoveByName(path);
    switch (DeleteThroughHandle(path)) {
    case HandleResult::Deleted: return EntryOutcome::Removed;
    case HandleResult::Missing:
    case HandleResult::NotEmpty: return EntryOutcome::Stays;
    case HandleResult::Outside:
        return Refuse(method_ == Method::ByAttributes ? Refusal::IsLink : Refusal::OutsideFolder, entry);
    case HandleResult::Failed: return Fail(path, error_);
    case HandleResult::Refused:
    case HandleResult::Blocked: break;
    }
    return TakeStubborn(path);
}

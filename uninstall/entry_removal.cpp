// Removing one listed entry without ever reaching outside the program folder.
//
// The program folder is opened once, by its full path. Each entry is walked
// component by component from that handle: every folder on its way is opened
// below the previous one as itself, checked once (not a link; where the
// system follows links whatever it is asked, its final path lies inside the
// program folder) and held without delete sharing while the entries below it
// are handled, so that nobody can rename or replace it meanwhile. The folders
// held for one entry are kept for the next as far as their paths agree;
// nothing is remembered once their handles close. The entry itself is opened
// below its held folder as itself, sharing nothing, and deleted through that
// handle: on Windows that open is the check (a link is opened, and deleted, as
// itself); under Wine, which opens a file link's target whatever it is asked,
// its final path is compared with the program folder's first, and since Wine
// reports no failure of a deletion at the close, its going is confirmed.
// Attributes, renames of files in use and deletions of entries others hold go
// through handles opened the same way.
//
// Windows 9x has no links, opens no handles to folders and knows neither
// DELETE access nor delete sharing: there entries are deleted by name.
#include "uninstall/entry_removal.h"
#include "uninstall/deferred_removal.h"
#include "platform/core/entrypath.h"
#include "platform/core/listfile.h"
#include "platform/core/names.h"
#include "platform/entry_open.h"
#include "platform/run_log.h"
#include "platform/safe_file.h"
#include "platform/system_functions.h"
#include "platform/text.h"
#include <algorithm>
#include <cstring>
#include <cwchar>

namespace {

constexpr DWORD BlockingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr ULONG ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr ULONG ShareAllButDelete = FILE_SHARE_READ | FILE_SHARE_WRITE;

bool IsLinkAttribute(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The wide form of a path for the calls by name, with its terminating null:
// "\\?\" before a path of MAX_PATH characters or more, which the plain form
// cannot name. Empty when the path cannot be converted.
WideText WidePath(const char* path) {
    WideText wide(std::strlen(path) + 1);
    if (!WideFromAnsi(path, wide.data(), wide.size())) return WideText();
    wide.resize(std::wcslen(wide.data()));
    for (wchar_t& c : wide)
        if (c == L'/') c = L'\\';
    if (wide.size() >= MAX_PATH) {
        const bool unc = wide.size() > 2 && wide[0] == L'\\' && wide[1] == L'\\';
        static const wchar_t local[] = L"\\\\?\\", remote[] = L"\\\\?\\UNC";
        if (unc) wide.erase(wide.begin());
        wide.insert(wide.begin(), unc ? remote : local, (unc ? remote : local) + (unc ? 7 : 4));
    }
    wide.push_back(L'\0');
    return wide;
}

// The attributes at `path` by its name, the link itself where there is one.
DWORD AttributesAtName(const char* path) {
    ReportFileCall(FileCall::ByName);
    WideText wide = WidePath(path);
    return wide.empty() ? GetFileAttributesA(path) : GetFileAttributesW(wide.data());
}

// The NT name of the folder `folder` (ending in a backslash), without a
// terminating null: "\??\C:\dir", "\??\C:\" for a root, "\??\UNC\server\share\dir".
WideText NtFolderName(const char* folder) {
    WideText text = WidePath(folder);
    if (text.empty()) return text;
    text.pop_back();   // the null
    auto starts = [&text](const wchar_t* with) {
        std::size_t n = std::wcslen(with);
        return text.size() >= n && std::equal(with, with + n, text.begin());
    };
    if (starts(L"\\\\?\\"))
        text.erase(text.begin(), text.begin() + 4);
    else if (starts(L"\\\\"))
        text.insert(text.erase(text.begin(), text.begin() + 2), {L'U', L'N', L'C', L'\\'});
    if (text.size() > 3 && text.back() == L'\\') text.pop_back();
    static const wchar_t prefix[] = L"\\??\\";
    text.insert(text.begin(), prefix, prefix + 4);
    return text;
}

// The components of a listed entry, in wide characters, as the system's
// path rules make them of a full path: "." and empty ones (doubled
// separators) name nothing of their own, ".." takes the one before it away
// (the entry was found to stay inside), and a name loses its trailing dots
// and blanks.
bool SplitEntry(const char* entry, EntryWords& words) {
    WideText wide(std::strlen(entry) + 1);
    if (!WideFromAnsi(entry, wide.data(), wide.size())) return false;
    words.text.clear();
    words.ends.clear();
    std::size_t start = 0;
    for (std::size_t at = 0;; ++at) {
        const wchar_t c = wide[at];
        if (c != L'\0' && c != L'\\' && c != L'/') continue;
        std::size_t end = at;
        if (end - start == 2 && wide[start] == L'.' && wide[start + 1] == L'.') {
            if (words.ends.empty()) return false;
            words.ends.pop_back();
            words.text.resize(words.ends.empty() ? 0 : words.ends.back());
        } else {
            while (end > start && (wide[end - 1] == L'.' || wide[end - 1] == L' ')) --end;
            if (end > start) {
                if (!words.ends.empty()) words.text.push_back(L'\\');
                words.text.insert(words.text.end(), wide.begin() + start, wide.begin() + end);
                words.ends.push_back(words.text.size());
            }
        }
        start = at + 1;
        if (c == L'\0') break;
    }
    return !words.ends.empty();
}

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
    chain_.clear();
    chainText_.clear();
    root_.reset();
    refused_ = 0;
    failed_ = 0;
    if (!HandleEngineAvailable()) {
        method_ = Method::ByName;
        return true;
    }
    WideText name = NtFolderName(folder_);
    if (name.empty()) return false;
    // Held without delete sharing: the folder cannot be renamed or replaced
    // while the run takes entries from it. Where another program holds it
    // with DELETE access that cannot be had; the entries are still taken
    // below this handle, wherever the folder goes.
    long status = 0;
    root_ = OpenEntryAt(nullptr, name.data(), name.size(), 0, ShareAllButDelete, EntryOpen::Folder, &status);
    if (!root_ && status == nt_status::SharingViolation)
        root_ = OpenEntryAt(nullptr, name.data(), name.size(), 0, ShareAll, EntryOpen::Folder);
    if (!root_) return false;
    confirm_ = OpensFollowFileLinks();
    bool finalPaths = System().getFinalPathNameByHandleW != nullptr;
    if (finalPaths && confirm_) {
        // The folder itself may be a link (a folder moved to another drive
        // and linked back): its final path is then its target's, like its
        // entries'.
        wchar_t wide[PathSize];
        ReportFileCall(FileCall::Query);
        if (!ReadFinalPathWide(root_.get(), wide, PathSize) || !AnsiFromWide(wide, finalFolder_, sizeof finalFolder_))
            finalFolder_[0] = '\0';
        finalPaths = finalFolder_[0] != '\0';
        if (finalPaths) FindUnixFolder(wide);
    }
    method_ = finalPaths ? Method::ByFinalPath : Method::ByAttributes;
    if (!confirm_)
        check_ = Check::Open;
    else
        check_ = finalPaths ? Check::FinalPath : Check::NameAttributes;
    return true;
}

void RemovalScope::FindUnixFolder(const wchar_t* wide) {
    wchar_t unixName[PathSize], back[PathSize];
    if (!UnixNameOf(wide, unixName, PathSize)) return;
    // The name is used only if it leads to this very folder.
    UniqueFileHandle same =
        OpenEntryAt(nullptr, unixName, std::wcslen(unixName), 0, ShareAll, EntryOpen::Folder);
    if (!same) return;
    ReportFileCall(FileCall::Query);
    if (!ReadFinalPathWide(same.get(), back, PathSize) || std::wcscmp(back, wide) != 0) return;
    finalFolderWide_.assign(wide, wide + std::wcslen(wide));
    unixFolder_.assign(unixName, unixName + std::wcslen(unixName));
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

bool RemovalScope::IsInside(HANDLE h, const char* path, bool isFolder) {
    switch (check_) {
    case Check::Open:
        // The entry was opened as itself; a folder on the way must be no link.
        if (isFolder) {
            DWORD attributes = 0;
            return ReadEntryAttributes(h, attributes) && !IsLinkAttribute(attributes);
        }
        return true;
    case Check::FinalPath: {
        wchar_t wide[PathSize];
        char final[PathSize];
        ReportFileCall(FileCall::Query);
        checkedUnixName_.clear();
        if (ReadFinalPathWide(h, wide, PathSize) && AnsiFromWide(wide, final, sizeof final)) {
            if (!PathLiesInside(LeadByteTable, finalFolder_, final)) return false;
            // Its name below the folder's Unix name, as it is on disk.
            const std::size_t base = finalFolderWide_.size();
            if (!isFolder && !unixFolder_.empty() && std::wcsncmp(wide, finalFolderWide_.data(), base) == 0 &&
                wide[base] == L'\\') {
                checkedUnixName_ = unixFolder_;
                checkedUnixName_.insert(checkedUnixName_.end(), wide + base, wide + std::wcslen(wide) + 1);
            }
            return true;
        }
        // Wine tells no final path of MAX_PATH characters or more: a long
        // entry, whose folders were each found to be inside, is checked by
        // the attributes at its name.
        if (std::strlen(path) < MAX_PATH) return false;
        break;
    }
    case Check::NameAttributes: break;
    }
    DWORD attributes = AttributesAtName(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !IsLinkAttribute(attributes);
}

void RemovalScope::DropFoldersBelow(std::size_t depth) {
    while (chain_.size() > depth) chain_.pop_back();   // the deepest closes first
    chainText_.resize(chain_.empty() ? 0 : chain_.back().end);
}

bool RemovalScope::Holds(const EntryWords& words, std::size_t depth) const {
    const std::size_t end = words.ends[depth - 1];
    return depth <= chain_.size() && chain_[depth - 1].end == end && chainText_.size() >= end &&
           std::equal(words.text.begin(), words.text.begin() + end, chainText_.begin());
}

bool RemovalScope::HoldFolders(const EntryWords& words, std::size_t count, HandleResult& result) {
    char prefix[PathSize];
    for (std::size_t i = 0; i < count; ++i) {
        if (Holds(words, i + 1)) continue;   // held for the previous entry
        DropFoldersBelow(i);
        const WideName name = words.Word(i);
        const ACCESS_MASK look = check_ == Check::Open ? FILE_READ_ATTRIBUTES : 0;
        long status = 0;
        bool deletable = true;
        UniqueFileHandle h =
            OpenEntryAt(Parent(), name.text, name.length, DELETE | look, ShareAllButDelete, EntryOpen::Folder, &status);
        if (!h && status == nt_status::SharingViolation) {
            // Another program holds it without delete sharing: it is held
            // all the same, and cannot be removed this time.
            deletable = false;
            h = OpenEntryAt(Parent(), name.text, name.length, look, ShareAllButDelete, EntryOpen::Folder, &status);
        }
        if (!h) {
            error_ = ErrorOfStatus(status);
            result = NameIsMissing(status) ? HandleResult::Missing : HandleResult::Failed;
            return false;
        }
        // The folder's own path, for a check by name.
        const std::size_t end = words.ends[i];
        WideText relative(words.text.begin(), words.text.begin() + end);
        relative.push_back(L'\0');
        std::size_t base = std::strlen(folder_);
        if (!CopyText(prefix, sizeof prefix, folder_) || !AnsiFromWide(relative.data(), prefix + base, sizeof prefix - base))
            prefix[0] = '\0';
        if (!IsInside(h.get(), prefix, true)) {
            result = HandleResult::Outside;
            return false;
        }
        chain_.push_back(HeldFolder{end, std::move(h), deletable});
        chainText_.assign(words.text.begin(), words.text.begin() + end);
    }
    DropFoldersBelow(count);
    return true;
}

RemovalScope::Gone RemovalScope::GoneAtName(const WideText& name) {
    long status = 0;
    UniqueFileHandle h = OpenEntryAt(nullptr, name.data(), name.size() - 1, 0, ShareAll, EntryOpen::Any, &status);
    if (h) return Gone::No;
    return NameIsMissing(status) ? Gone::Yes : Gone::No;
}

RemovalScope::Gone RemovalScope::GoneAt(HANDLE parent, WideName name) {
    long status = 0;
    UniqueFileHandle h = OpenEntryAt(parent, name.text, name.length, 0, ShareAll, EntryOpen::Any, &status);
    if (h) return Gone::No;
    if (NameIsMissing(status)) return Gone::Yes;
    // On Windows an entry deleted while another program holds it cannot be
    // opened until that program lets go.
    return status == nt_status::DeletePending || status == nt_status::AccessDenied ? Gone::Pending : Gone::No;
}

// Deletes the entry open on `h`, which nobody else holds, and closes it.
RemovalScope::HandleResult RemovalScope::Delete(UniqueFileHandle& h, HANDLE parent, WideName name) {
    long status = 0;
    switch (MarkForDeletion(h.get(), &status)) {
    case Marked::Yes:
        error_ = 0;
        if (!h.close()) {
            error_ = GetLastError();
            return HandleResult::Failed;
        }
        // Nobody else held it: it is gone now, unless the file system
        // refused it at the close, which Wine does not report.
        if (!confirm_) return HandleResult::Deleted;
        return (checkedUnixName_.empty() ? GoneAt(parent, name) : GoneAtName(checkedUnixName_)) == Gone::Yes
                   ? HandleResult::Deleted
                   : HandleResult::Failed;
    case Marked::NotEmpty: return HandleResult::NotEmpty;
    case Marked::Failed:
        error_ = ErrorOfStatus(status);
        h.reset();
        return HandleResult::Blocked;
    case Marked::NoWay: break;
    }
    error_ = ERROR_NOT_SUPPORTED;
    return HandleResult::Failed;
}

// Moves the file in use open on `h` (with DELETE) aside beside itself, to the
// first free "name.N.tmp", and schedules that name for the next start; where
// it cannot be moved, the deferred removal schedules it under its own name.
EntryOutcome RemovalScope::MoveAside(UniqueFileHandle& h, HANDLE parent, const char* path) {
    char temporary[PathSize];
    for (int counter = 0; counter <= LastTemporaryCounter; ++counter) {
        if (!ComposeTemporaryName(temporary, sizeof temporary, path, counter)) break;
        EntryWords name;
        if (!SplitEntry(FileNamePart(temporary), name)) break;
        long status = 0;
        if (RenameEntryAt(h.get(), parent, name.text.data(), name.text.size(), false, &status)) {
            h.reset();
            if (ScheduleRemovalAtRestart(temporary)) {
                LogLine("in use: %s moved aside to %s, removed at the next start", path, FileNamePart(temporary));
            } else {
                LogLine("in use: %s moved aside to %s, which could not be scheduled", path, FileNamePart(temporary));
                ++failed_;
            }
            return EntryOutcome::Settled;
        }
        if (status != nt_status::NameCollision) break;
    }
    h.reset();
    if (!DeferFileRemoval(path)) ++failed_;
    return EntryOutcome::Settled;
}

// An entry inside the folder that could not be deleted on a handle that
// shares nothing: one another program holds, or one whose attributes forbid
// the deletion.
EntryOutcome RemovalScope::TakeStubborn(HANDLE parent, WideName name, const char* path) {
    long status = 0;
    bool deletable = true;
    UniqueFileHandle h = OpenEntryAt(parent, name.text, name.length,
                                     DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, ShareAll, EntryOpen::Any,
                                     &status);
    if (!h && status == nt_status::SharingViolation) {
        deletable = false;
        h = OpenEntryAt(parent, name.text, name.length, FILE_READ_ATTRIBUTES, ShareAll, EntryOpen::Any, &status);
    }
    if (!h) {
        if (NameIsMissing(status)) return EntryOutcome::Stays;
        // On Windows a file another program deleted and still holds cannot
        // be opened at all.
        return status == nt_status::AccessDenied || status == nt_status::DeletePending ? LeaveToHolder(path)
                                                                                       : Fail(path, ErrorOfStatus(status));
    }
    // Whoever holds it, it is only touched once it is known to lie inside.
    if (!IsInside(h.get(), path, false)) return Refuse(Refusal::OutsideFolder, path);
    DWORD attributes = 0;
    if (!ReadEntryAttributes(h.get(), attributes)) return Fail(path, ERROR_ACCESS_DENIED);
    const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!deletable) {
        // Held without delete sharing: a folder stays for a later pass, a
        // file waits for the restart.
        if (isFolder) return EntryOutcome::Stays;
        if (!IsLeftForLater(path, program_) && !DeferFileRemoval(path)) ++failed_;
        return EntryOutcome::Settled;
    }
    if ((attributes & BlockingAttributes) && !WriteEntryAttributes(h.get(), attributes & ~BlockingAttributes))
        return Fail(path, ERROR_ACCESS_DENIED);
    switch (MarkForDeletion(h.get(), &status)) {
    case Marked::Yes:
        break;
    case Marked::NotEmpty: return EntryOutcome::Stays;
    case Marked::NoWay: return Fail(path, ERROR_NOT_SUPPORTED);
    case Marked::Failed:
        // A program or library that runs cannot be deleted, only renamed.
        if (isFolder) return EntryOutcome::Stays;
        if (IsLeftForLater(path, program_)) return EntryOutcome::Settled;
        return MoveAside(h, parent, path);
    }
    h.reset();
    // Held with delete sharing, it goes when the holder lets go.
    switch (GoneAt(parent, name)) {
    case Gone::Yes: return EntryOutcome::Removed;
    case Gone::Pending: return isFolder ? EntryOutcome::Stays : LeaveToHolder(path);
    case Gone::No: break;
    }
    return isFolder ? EntryOutcome::Stays : LeaveToHolder(path);
}

EntryOutcome RemovalScope::RemoveByHandle(const char* entry, const char* path) {
    EntryWords words;
    if (!SplitEntry(entry, words)) return Fail(path, ERROR_NO_UNICODE_TRANSLATION);
    const std::size_t depth = words.ends.size();
    const WideName name = words.Word(depth - 1);

    // A folder held for the previous entry is deleted through that handle.
    if (Holds(words, depth) && chain_[depth - 1].deletable) {
        DropFoldersBelow(depth);
        long status = 0;
        switch (MarkForDeletion(chain_.back().handle.get(), &status)) {
        case Marked::NotEmpty:
            // Asked once per handle: Wine reads the folder through the
            // handle's own position, and a second question would find it
            // empty.
            DropFoldersBelow(depth - 1);
            return EntryOutcome::Stays;
        case Marked::Yes: {
            DropFoldersBelow(depth - 1);
            // Others may hold it with delete sharing: unless its name went at
            // once, its going is confirmed.
            if (!confirm_ && DeletionFreesNameAtOnce()) return EntryOutcome::Removed;
            switch (GoneAt(Parent(), name)) {
            case Gone::Yes: return EntryOutcome::Removed;
            case Gone::Pending: return EntryOutcome::Stays;
            case Gone::No: return Fail(path, 0);
            }
            return EntryOutcome::Stays;
        }
        case Marked::Failed:
        case Marked::NoWay: break;
        }
        DropFoldersBelow(depth - 1);
        return TakeStubborn(Parent(), name, path);
    }

    HandleResult held = HandleResult::Deleted;
    if (!HoldFolders(words, depth - 1, held)) {
        if (held == HandleResult::Missing) return EntryOutcome::Stays;
        if (held == HandleResult::Outside) return Refuse(Refusal::ThroughLink, entry);
        return Fail(path, error_);
    }
    // The entry, folder or file, is held here alone while it is checked and
    // its deletion set: nobody can change it meanwhile.
    HANDLE parent = Parent();
    long status = 0;
    UniqueFileHandle h = OpenEntryAt(parent, name.text, name.length, DELETE, 0, EntryOpen::Any, &status);
    if (!h) {
        if (NameIsMissing(status)) return EntryOutcome::Stays;
        if (status == nt_status::SharingViolation || status == nt_status::AccessDenied ||
            status == nt_status::DeletePending)
            return TakeStubborn(parent, name, path);
        return Fail(path, ErrorOfStatus(status));
    }
    if (!IsInside(h.get(), path, false))
        return Refuse(method_ == Method::ByAttributes ? Refusal::IsLink : Refusal::OutsideFolder, entry);
    switch (Delete(h, parent, name)) {
    case HandleResult::Deleted: return EntryOutcome::Removed;
    case HandleResult::NotEmpty: return EntryOutcome::Stays;
    case HandleResult::Blocked: return TakeStubborn(parent, name, path);
    default: break;
    }
    return Fail(path, error_);
}

// Windows 9x: a folder of the path that is a link (only an NT system
// reporting Windows 9x has them) refuses the entry; each is asked every time.
bool RemovalScope::PassesThroughLinkByName(const char* entry) {
    char path[PathSize];
    std::size_t base = std::strlen(folder_);
    for (const char* p = entry; *p != '\0'; p = NextCharPos(p)) {
        if (!IsSlashChar(*p) || p == entry) continue;
        std::size_t length = static_cast<std::size_t>(p - entry);
        if (base + length >= sizeof path) return true;
        std::memcpy(path, folder_, base);
        std::memcpy(path + base, entry, length);
        path[base + length] = '\0';
        if (IsLinkAttribute(AttributesAtName(path))) return true;
    }
    return false;
}

// Windows 9x: the attributes cleared, then the folder removed or the file
// deleted by name; a file in use goes to wininit.ini. Reached only where the
// system has no NtCreateFile (Enter chose ByName): there are no links and no
// folder handles, so the name is all there is to act on.
EntryOutcome RemovalScope::RemoveByName(const char* path) {
    DWORD attributes = AttributesAtName(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return EntryOutcome::Stays;
    if (IsLinkAttribute(attributes)) return Refuse(Refusal::IsLink, path);
    if (attributes & BlockingAttributes) {
        ReportFileCall(FileCall::ByName);
        SetAttributesItself(path, 0);
    }
    ReportFileCall(FileCall::ByName);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return RemoveDirectoryA(path) ? EntryOutcome::Removed : EntryOutcome::Stays;
    if (DeleteFileA(path))
        return AttributesAtName(path) == INVALID_FILE_ATTRIBUTES ? EntryOutcome::Removed : LeaveToHolder(path);
    if (AttributesAtName(path) == INVALID_FILE_ATTRIBUTES) return EntryOutcome::Stays;
    if (!IsLeftForLater(path, program_) && !DeferFileRemoval(path)) ++failed_;
    return EntryOutcome::Settled;
}

EntryOutcome RemovalScope::Remove(const char* entry) {
    if (!EntryStaysInside(LeadByteTable, entry)) return Refuse(Refusal::OutsideText, entry);
    if (NamesDevice(LeadByteTable, entry)) return Refuse(Refusal::Device, entry);
    char path[PathSize];
    if (!ComposeEntryPath(path, sizeof path, folder_, entry)) return Refuse(Refusal::TooLong, entry);
    if (method_ != Method::ByName) return RemoveByHandle(entry, path);
    if (PassesThroughLinkByName(entry)) return Refuse(Refusal::ThroughLink, entry);
    return RemoveByName(path);
}

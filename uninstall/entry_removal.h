// The removal of one listed entry, kept inside the program folder: nothing is
// removed through a link or outside the folder, devices are never touched,
// and files in use are handed to the deferred removal.
#pragma once
#include "uninstall/core/removal_list.h"
#include "platform/core/textwalk.h"
#include <windows.h>
#include <cstddef>
#include <string>
#include <unordered_map>

class RemovalScope {
public:
    // `programPath` is the running program's full path; its folder is where
    // entries are taken from. False when the path has no folder part.
    bool Enter(const char* programPath);
    const char* folder() const { return folder_; }   // ends in a backslash
    EntryOutcome Remove(const char* entry);
    // Visits of entries left in place because they lie outside the folder,
    // pass through a link, are links or name a device: non-zero when the run
    // left something it was asked to delete.
    std::size_t refused() const { return refused_; }
    // Entries that stay because the system did not remove them (and were not
    // left for the restart), or whose path is too long: each is logged with
    // the reason.
    std::size_t failed() const { return failed_; }

    // How entries are checked and deleted, chosen in Enter from the system.
    enum class Method {
        ByName,         // Windows 9x: no links, no handles to folders, no delete sharing
        ByAttributes,   // NT without final paths: links told by their attributes
        ByFinalPath,    // the opened entry's final path compared with the folder's
    };
    Method method() const { return method_; }

private:
    bool PassesThroughLink(const char* entry);
    bool LiesInside(HANDLE h, const char* path);
    enum class HandleResult { Deleted, Missing, Outside, NotEmpty, Refused, Blocked, Failed };
    HandleResult DeleteThroughHandle(const char* path);
    EntryOutcome TakeStubborn(const char* path);
    EntryOutcome RemoveByName(const char* path);
    // Why an entry is left in place without being touched.
    enum class Refusal { OutsideText, Device, ThroughLink, IsLink, OutsideFolder, TooLong };
    // `what` is the entry or the path it was refused by.
    EntryOutcome Refuse(Refusal why, const char* what);
    // An entry that stays for the system's reason `error` (0: its deletion
    // was accepted, but it is still there).
    EntryOutcome Fail(const char* path, DWORD error);
    // An entry deleted while another program holds it open: it goes when
    // that program closes it, and its folders at the next start.
    EntryOutcome LeaveToHolder(const char* path);

    char program_[PathSize] = "";
    char folder_[PathSize] = "";
    Method method_ = Method::ByName;
    DWORD openFlags_ = 0;
    // The folder's own final path ("\\?\C:\..."), with links followed, against
    // which every opened entry is compared; empty where the system tells no
    // final paths.
    char finalFolder_[PathSize] = "";
    // Each folder an entry passes through, checked once: true when it is a
    // link (a reparse point) or cannot be read.
    std::unordered_map<std::string, bool> folderIsLink_;
    std::size_t refused_ = 0;
    std::size_t failed_ = 0;
    DWORD error_ = 0;   // why DeleteThroughHandle failed
};

// The removal of one listed entry, kept inside the program folder: nothing is
// removed through a link or outside the folder, devices are never touched,
// and files in use are handed to the deferred removal.
#pragma once
#include "uninstall/core/removal_list.h"
#include <windows.h>
#include <string>
#include <unordered_map>

class RemovalScope {
public:
    // `programPath` is the running program's full path; its folder is where
    // entries are taken from. False when the path has no folder part.
    bool Enter(const char* programPath);
    const char* folder() const { return folder_; }   // ends in a backslash
    EntryOutcome Remove(const char* entry);

private:
    bool PassesThroughLink(const char* entry);
    bool LiesInside(HANDLE h);
    enum class HandleResult { Deleted, Missing, Outside, NotEmpty, Refused, Blocked };
    HandleResult DeleteThroughHandle(const char* path);
    EntryOutcome TakeStubborn(const char* path);

    char program_[1024] = "";
    char folder_[1024] = "";
    // The folder's own final path ("\\?\C:\..."), against which every opened
    // entry is compared; empty when the system cannot tell final paths.
    char finalFolder_[1024] = "";
    // Each folder an entry passes through, checked once: true when it is a
    // link (a reparse point) or cannot be read.
    std::unordered_map<std::string, bool> folderIsLink_;
};

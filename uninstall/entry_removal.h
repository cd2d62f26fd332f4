// The removal of one listed entry, kept inside the program folder: nothing is
// removed through a link or outside the folder, devices are never touched,
// and files in use are handed to the deferred removal.
#pragma once
#include "uninstall/core/removal_list.h"
#include "platform/core/textwalk.h"
#include "platform/handles.h"
#include <windows.h>
#include <cstddef>
#include <vector>

// Wide text of the entries, kept in vectors (no wide strings, whose runtime
// code the x86 program would carry).
using WideText = std::vector<wchar_t>;
struct WideName {
    const wchar_t* text;
    std::size_t length;
};
// An entry's components joined by backslashes, and where each ends.
struct EntryWords {
    WideText text;
    std::vector<std::size_t> ends;
    WideName Word(std::size_t i) const {
        std::size_t start = i == 0 ? 0 : ends[i - 1] + 1;
        return {text.data() + start, ends[i] - start};
    }
};

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
        ByAttributes,   // NT, entries opened below held folders; no final paths
        ByFinalPath,    // the same where the system tells final paths
    };
    Method method() const { return method_; }

private:
    // How an opened entry or folder is known to be itself and inside.
    enum class Check {
        Open,            // Windows: the entry opened as itself is the check; folders by their attributes
        FinalPath,       // the system follows file links on such an open (Wine): the final path tells
        NameAttributes,  // neither (Wine without final paths): the attributes at the name
    };
    // A folder on the way to the entries, opened below the previous one (the
    // first below the program folder), checked once, held without delete
    // sharing while the entries below it are handled.
    struct HeldFolder {
        std::size_t end;   // the length of its relative wide path in chainText_
        UniqueFileHandle handle;
        bool deletable;    // opened with DELETE
    };
    enum class HandleResult { Deleted, Missing, Outside, NotEmpty, Blocked, Failed };
    // After a deletion: gone, or waiting for another program to close it.
    enum class Gone { Yes, Pending, No };

    bool EnterFolders();
    EntryOutcome RemoveByHandle(const char* entry, const char* path);
    // Holds the folders of `components` from the program folder on, keeping
    // what the chain already holds; false when one is a link, outside, or
    // cannot be opened (`result` says which).
    bool HoldFolders(const EntryWords& words, std::size_t count, HandleResult& result);
    // True when the chain holds the first `depth` components of `words`.
    bool Holds(const EntryWords& words, std::size_t depth) const;
    void DropFoldersBelow(std::size_t depth);
    HANDLE Parent() const { return chain_.empty() ? root_.get() : chain_.back().handle.get(); }
    // True when the entry open on `h` (`path`) is itself and inside the folder.
    bool IsInside(HANDLE h, const char* path, bool isFolder);
    // After a deletion: whether anything is still at `name` below `parent`.
    Gone GoneAt(HANDLE parent, WideName name);
    // The same at a full NT name.
    Gone GoneAtName(const WideText& name);
    // Under Wine: the Unix name of the program folder (final path `wide`),
    // checked to be that folder.
    void FindUnixFolder(const wchar_t* wide);
    HandleResult Delete(UniqueFileHandle& h, HANDLE parent, WideName name);
    EntryOutcome TakeStubborn(HANDLE parent, WideName name, const char* path);
    EntryOutcome MoveAside(UniqueFileHandle& h, HANDLE parent, const char* path);
    bool PassesThroughLinkByName(const char* entry);
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
    Check check_ = Check::Open;
    // Wine reports no failure when a deletion set on a handle fails at its
    // close: there each deletion is confirmed.
    bool confirm_ = false;
    // The folder's own final path ("\\?\C:\..."), with links followed, against
    // which opened entries are compared; empty where the system tells no
    // final paths.
    char finalFolder_[PathSize] = "";
    // Under Wine: the folder's final path in wide characters, and the NT name
    // of its Unix path ("\??\unix\..."; empty when it has none that leads to
    // it). Below that name a deleted entry's going is confirmed by its name
    // on disk, which Wine tells at once; below the folder's handle a missing
    // name makes Wine read the whole folder, so that a folder of many files
    // would cost in proportion to its size for each of them.
    WideText finalFolderWide_;
    WideText unixFolder_;
    // The Unix NT name of the file IsInside last checked (null-terminated),
    // empty when none is known.
    WideText checkedUnixName_;
    // The program folder, the only entry opened by its full path.
    UniqueFileHandle root_;
    // The folders held for the previous entry, outermost first, and their
    // relative path (components joined by backslashes).
    std::vector<HeldFolder> chain_;
    WideText chainText_;
    std::size_t refused_ = 0;
    std::size_t failed_ = 0;
    DWORD error_ = 0;   // why Delete failed
};

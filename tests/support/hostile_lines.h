// Lines of Uninstall.lst that the removal must leave alone, one row each,
// shared by the in-process removal tests (on every family of Windows) and the
// end-to-end run of the real program. Each row may plant a link of its own in
// the program folder, to a folder or file of the bait folder "bait" beside the
// program folder, and names what must stay there untouched. A new hostile
// line is a new row here.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace test {

struct HostileLine {
    const char* line;             // as listed
    const char* link = "";        // a link of this name made in the program folder
    const char* linkTarget = "";  // its target below the bait folder
    const char* outside = "";     // below the bait folder, must stay as it is
};
// Below the bait folder a trailing backslash makes a folder; a file holds its
// own relative name.
extern const HostileLine HostileLines[];
extern const std::size_t HostileLineCount;

// The hostile lines of one run, planted in `folder` (the program folder, whose
// parent holds the bait folder). Links to files are planted only with
// `fileLinks`: only a system that tells final paths can see them as links
// (Wine opens a file link's target whatever the flags say and shows no
// attribute by which to tell it).
class HostileLayout {
public:
    HostileLayout(std::string folder, bool fileLinks);
    ~HostileLayout();   // removes the links
    bool planted() const { return planted_; }
    // The lines, each ending in CR LF.
    const std::string& list() const { return list_; }
    std::size_t lines() const { return lines_; }
    std::string bait() const;
    // Every link is still there and everything below the bait folder as it was.
    void ExpectLeftAlone() const;

private:
    bool Applies(const HostileLine& row) const;
    std::string folder_;
    bool fileLinks_;
    bool planted_ = true;
    std::string list_;
    std::size_t lines_ = 0;
};

// For runs in which a folder of the program folder is replaced by a link to a
// folder outside: `folder` (named `rel` in the list) with
// `files` files, and `outside` with files of the same names, other bytes,
// every third read-only. Nothing of the outside folder may change.
class TwinFolders {
public:
    TwinFolders(const std::string& folder, const std::string& rel, std::string outside, int files);
    bool made() const { return made_; }
    const std::vector<std::string>& names() const { return names_; }
    // Every file, then the folder, each line ending in CR LF.
    const std::string& list() const { return list_; }
    // Taken again as the outside folder is now (after adding to it).
    void Remember() { before_ = OutsideContents(); }
    void ExpectOutsideIntact() const;

private:
    // Each entry's name, attributes and bytes.
    std::vector<std::string> OutsideContents() const;
    std::string outside_;
    bool made_ = true;
    std::vector<std::string> names_;
    std::string list_;
    std::vector<std::string> before_;
};

}  // namespace test

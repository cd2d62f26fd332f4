// The hostile lines and the layout that plants and checks them; the twin folders of the swap races.
#include "tests/support/hostile_lines.h"
#include "tests/support/harness.h"
#include <gtest/gtest.h>
#include <cstdio>

namespace test {

const HostileLine HostileLines[] = {
    // Through a link to a folder outside, to its files, folders and itself.
    {"dlink\\f.txt", "dlink", "d\\", "d\\f.txt"},
    {"dlink\\sub\\b.txt", "dlink", "d\\", "d\\sub\\b.txt"},
    {"dlink\\sub", "dlink", "d\\", "d\\sub\\"},
    {"dlink\\empty", "dlink", "d\\", "d\\empty\\"},
    {"dlink", "dlink", "d\\", "d\\"},
    // A link to an empty folder and one to a file.
    {"elink", "elink", "e\\", "e\\"},
    {"flink", "flink", "g.txt", "g.txt"},
    // Text that climbs out.
    {"..\\bait\\h.txt", "", "", "h.txt"},
    {"..\\bait"},
    // Devices, in the last component, with an extension, and the console's.
    {"CON"}, {"NUL"}, {"COM1"}, {"LPT1"}, {"PRN"}, {"AUX"}, {"CONIN$"}, {"aux.txt"}, {"sub\\nul"},
};
const std::size_t HostileLineCount = sizeof HostileLines / sizeof HostileLines[0];

namespace {

bool IsFolderName(const std::string& rel) { return !rel.empty() && rel.back() == '\\'; }
std::string WithoutBackslash(std::string rel) {
    if (IsFolderName(rel)) rel.pop_back();
    return rel;
}

// Makes a file or folder below the bait folder, and the folders above it, once.
bool MakeOutside(const std::string& bait, const std::string& rel) {
    std::string name = WithoutBackslash(rel);
    for (std::size_t at = name.find('\\'); at != std::string::npos; at = name.find('\\', at + 1))
        MakeDir(bait + "\\" + name.substr(0, at));
    std::string path = bait + (name.empty() ? "" : "\\" + name);
    if (Exists(path)) return true;
    return IsFolderName(rel) || name.empty() ? MakeDir(path) : WriteBytes(path, name);
}

}  // namespace

HostileLayout::HostileLayout(std::string folder, bool fileLinks) : folder_(std::move(folder)), fileLinks_(fileLinks) {
    planted_ = MakeOutside(bait(), "");
    for (std::size_t i = 0; i < HostileLineCount; ++i) {
        const HostileLine& row = HostileLines[i];
        if (!Applies(row)) continue;
        planted_ = planted_ && MakeOutside(bait(), row.outside) && MakeOutside(bait(), row.linkTarget);
        std::string link = folder_ + "\\" + row.link;
        if (*row.link && !Exists(link))
            planted_ = planted_ && MakeUnixLink(link, bait() + "\\" + WithoutBackslash(row.linkTarget));
        list_ += std::string(row.line) + "\r\n";
        ++lines_;
    }
}

HostileLayout::~HostileLayout() {
    for (std::size_t i = 0; i < HostileLineCount; ++i)
        if (*HostileLines[i].link) RemoveUnixLink(folder_ + "\\" + HostileLines[i].link);
}

std::string HostileLayout::bait() const {
    return folder_.substr(0, folder_.find_last_of('\\')) + "\\bait";
}

bool HostileLayout::Applies(const HostileLine& row) const {
    return !*row.link || IsFolderName(row.linkTarget) || fileLinks_;
}

void HostileLayout::ExpectLeftAlone() const {
    for (std::size_t i = 0; i < HostileLineCount; ++i) {
        const HostileLine& row = HostileLines[i];
        if (!Applies(row)) continue;
        SCOPED_TRACE(row.line);
        if (*row.link) {
            EXPECT_TRUE(Exists(folder_ + "\\" + row.link)) << row.link;
        }
        for (const std::string rel : {row.outside, row.linkTarget}) {
            if (rel.empty()) continue;
            std::string path = bait() + "\\" + WithoutBackslash(rel);
            if (IsFolderName(rel)) {
                EXPECT_TRUE(Exists(path)) << rel;
            } else {
                EXPECT_EQ(ReadBytes(path), rel);
            }
        }
    }
}

TwinFolders::TwinFolders(const std::string& folder, const std::string& rel, std::string outside, int files)
    : outside_(std::move(outside)) {
    made_ = MakeDir(folder) && MakeDir(outside_);
    for (int i = 0; made_ && i < files; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%03d.txt", i);
        names_.push_back(name);
        std::string there = outside_ + "\\" + name;
        made_ = WriteBytes(folder + "\\" + name, "inside") && WriteBytes(there, std::string("outside ") + name) &&
                (i % 3 != 0 || SetFileAttributesA(there.c_str(), FILE_ATTRIBUTE_READONLY));
        list_ += rel + "\\" + name + "\r\n";
    }
    list_ += rel + "\r\n";
    Remember();
}

std::vector<std::string> TwinFolders::OutsideContents() const {
    std::vector<std::string> lines;
    for (const std::string& name : FilesIn(outside_)) {
        std::string path = outside_ + "\\" + name;
        lines.push_back(name + " " + std::to_string(GetFileAttributesA(path.c_str())) + " " + ReadBytes(path));
    }
    return lines;
}

void TwinFolders::ExpectOutsideIntact() const { EXPECT_EQ(OutsideContents(), before_); }

}  // namespace test

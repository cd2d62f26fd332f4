// The switch scan: which switches are seen, in which order, and how they count.
#include "app/core/switches.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Recorder : SwitchHandler {
    std::vector<SwitchKind> seen;
    std::vector<std::string> logFiles;
    void OnSwitch(SwitchKind k) override { seen.push_back(k); }
    void OnLogFile(const std::string& name) override { logFiles.push_back(name); }
};

struct Scan { int count; std::vector<SwitchKind> seen; std::vector<std::string> logFiles; };

Scan ScanOf(const char* args) {
    Recorder r;
    int n = ScanSwitches(args, r);
    return {n, r.seen, r.logFiles};
}

using K = SwitchKind;

TEST(ClassifySwitch, AppliesTheFirstMatchingRule) {
    struct { const char* text; K kind; } cases[] = {
        {"setup", K::Setup}, {"SETUP", K::Setup}, {"Setupanything", K::Setup}, {"set", K::Other},
        {"S", K::Silent}, {"s", K::Silent}, {"S ", K::Silent}, {"S1", K::Silent}, {"S.", K::Silent},
        {"silent", K::Other}, {"Sx", K::Other}, {"wait", K::Wait}, {"WAITING", K::Wait},
        {"wai", K::Other}, {"warning", K::Warning}, {"Warning!", K::Warning}, {"warn", K::Other},
        {"", K::Other}, {"\xb0\xa1", K::Other}, {"S\xb0", K::Silent},
        {"LOG=x", K::Log}, {"log=", K::Log}, {"LOG", K::Other}, {"logfile", K::Other},
    };
    for (auto& c : cases) EXPECT_EQ(ClassifySwitch(c.text), c.kind) << '"' << c.text << '"';
}

TEST(ScanSwitches, CountsEverySwitchButTheSilentOne) {
    EXPECT_EQ(ScanOf("").count, 0);
    EXPECT_EQ(ScanOf("/S").count, 0);
    EXPECT_EQ(ScanOf("/S -s /s   ").count, 0);
    EXPECT_EQ(ScanOf("/S /wait").count, 1);
    EXPECT_EQ(ScanOf("/setup /S").count, 1);
    EXPECT_EQ(ScanOf("/silent").count, 1);
    EXPECT_EQ(ScanOf("/").count, 1);
    EXPECT_EQ(ScanOf("plain words").count, 0);
}

TEST(ScanSwitches, OpensASwitchAtEverySlashOrHyphen) {
    // A path with a hyphen: "-dir\x" opens a switch; "/S" inside "a/Sb" does not match rule 2.
    Scan s = ScanOf("C:\\my-dir\\file");
    EXPECT_EQ(s.count, 1);
    // Continue from the first character of the switch text: "//wait" sees "/wait" then "wait".
    s = ScanOf("//wait");
    ASSERT_EQ(s.seen.size(), 2u);
    EXPECT_EQ(s.seen[0], K::Other);
    EXPECT_EQ(s.seen[1], K::Wait);
    s = ScanOf("/wait-S");
    ASSERT_EQ(s.seen.size(), 2u);
    EXPECT_EQ(s.seen[0], K::Wait);
    EXPECT_EQ(s.seen[1], K::Silent);
    EXPECT_EQ(s.count, 1);
}

TEST(ScanSwitches, HandlesHostileArgumentStrings) {
    std::string slashes(100000, '/');
    EXPECT_EQ(ScanOf(slashes.c_str()).count, 100000);
    std::string mixed;
    for (int i = 0; i < 5000; ++i) mixed += "-/\xff\x80 ";
    EXPECT_EQ(ScanOf(mixed.c_str()).count, 10000);
    Recorder r;
    EXPECT_EQ(ScanSwitches(nullptr, r), 0);
}

// The log's file name is taken whole: hyphens and slashes in it open no
// switch, blanks end it unless it is quoted; /LOG does not stop the uninstall.
TEST(ScanSwitches, LogTakesItsFileNameWhole) {
    const struct {
        const char* args;
        int count;
        std::vector<std::string> logFiles;
    } cases[] = {
        {"/S /LOG=C:\\logs\\qav-un.log", 0, {"C:\\logs\\qav-un.log"}},
        {"/LOG=\"C:\\my logs\\a-b.log\" /S", 0, {"C:\\my logs\\a-b.log"}},
        {"\"/LOG=C:\\my logs\\x/y.log\" /S", 0, {"C:\\my logs\\x/y.log"}},
        {"/log=un.log /wait", 1, {"un.log"}},
        {"/LOG=\"unclosed -x", 0, {"unclosed -x"}},
        {"/LOG= /S", 0, {""}},
        {"/LOG=", 0, {""}},
        {"/LOG x.log", 1, {}},
        {"/LOG=a.log\t-S", 0, {"a.log"}},
        // An unquoted name with a blank: cut there, it is no name but a switch
        // the program does not know.
        {"/S /LOG=C:\\Program Files\\q.log", 1, {}},
        {"/LOG=a.log  words", 1, {}},
        {"/LOG=a.log  ", 0, {"a.log"}},
    };
    for (const auto& c : cases) {
        Scan s = ScanOf(c.args);
        EXPECT_EQ(s.count, c.count) << c.args;
        EXPECT_EQ(s.logFiles, c.logFiles) << c.args;
    }
}

TEST(ScanSwitches, LeavesTheArgumentStringUnchanged) {
    char args[] = "/setup -S /wait";
    std::string before = args;
    ScanOf(args);
    EXPECT_EQ(before, args);
}

}  // namespace

// Files in use moved aside and scheduled for deletion at the next start, read
// back from the system's own schedule (the NT family: this process is not told
// it runs on Windows 9x; the 9x schedule is checked with the real program).
#include "uninstall/deferred_removal.h"
#include "uninstall/self_removal.h"
#include "platform/entry_open.h"
#include "platform/private_folder.h"
#include "platform/safe_file.h"
#include "platform/text.h"
#include "tests/support/program_run.h"
#include "tests/support/sandbox.h"
#include "platform/system_functions.h"
#include "platform/run_log.h"
#include <gtest/gtest.h>
#include <cstring>
#include <memory>
#include <sddl.h>
#include <string>
#include <vector>

namespace {

using test::IsScheduledForDeletion;

class DeferredRemovalTest : public ::testing::Test {
protected:
    void SetUp() override { RestartNeeded = false; }
    void TearDown() override { RestartNeeded = false; }
    test::EmptySchedule schedule_;
    test::ScratchDir dir_{"deferred"};
};

TEST_F(DeferredRemovalTest, RenamedToTheFirstFreeCounterAndScheduled) {
    struct Case { std::vector<std::string> leftovers; std::string expected; };
    const Case cases[] = {
        {{}, ".0.tmp"},
        {{".0.tmp"}, ".1.tmp"},
        {{".0.tmp", ".1.tmp"}, ".2.tmp"},
        {{".1.tmp"}, ".0.tmp"},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string file = dir_ / ("x" + std::to_string(n++) + ".dll");
        ASSERT_TRUE(test::WriteBytes(file, "in use"));
        for (const std::string& l : c.leftovers) ASSERT_TRUE(test::WriteBytes(file + l, "old"));
        DeferFileRemoval(file.c_str());
        EXPECT_FALSE(test::Exists(file)) << c.expected;
        EXPECT_EQ(test::ReadBytes(file + c.expected), "in use") << c.expected;
        for (const std::string& l : c.leftovers) EXPECT_EQ(test::ReadBytes(file + l), "old");
        EXPECT_TRUE(IsScheduledForDeletion(file + c.expected)) << c.expected;
        EXPECT_FALSE(IsScheduledForDeletion(file));
    }
    EXPECT_FALSE(RestartNeeded);
}

TEST_F(DeferredRemovalTest, DoubleByteNameKeepsItsBytes) {
    std::string file = dir_ / test::Ansi("库文件.dll");
    ASSERT_TRUE(test::WriteBytes(file, "in use"));
    DeferFileRemoval(file.c_str());
    EXPECT_EQ(test::ReadBytes(file + ".0.tmp"), "in use");
    EXPECT_TRUE(IsScheduledForDeletion(file + ".0.tmp"));
    EXPECT_FALSE(RestartNeeded);
}

TEST_F(DeferredRemovalTest, FileThatCannotBeRenamedIsScheduledUnderItsOwnName) {
    std::string file = dir_ / "locked.dll";
    ASSERT_TRUE(test::WriteBytes(file, "in use"));
    test::HeldFile held(file, test::Hold::NoDeleteSharing);
    ASSERT_TRUE(held);
    DeferFileRemoval(file.c_str());
    held.Release();
    EXPECT_TRUE(RestartNeeded);
    EXPECT_EQ(test::ReadBytes(file), "in use");
    EXPECT_FALSE(test::Exists(file + ".0.tmp"));
    EXPECT_TRUE(IsScheduledForDeletion(file));
}

TEST_F(DeferredRemovalTest, AllThousandNamesTakenUsesCounter999AndFails) {
    std::string file = dir_ / "busy.dll";
    ASSERT_TRUE(test::WriteBytes(file, "in use"));
    for (int i = 0; i <= 999; ++i)
        ASSERT_TRUE(test::WriteBytes(file + "." + std::to_string(i) + ".tmp", "old"));
    DeferFileRemoval(file.c_str());
    EXPECT_TRUE(RestartNeeded);
    EXPECT_EQ(test::ReadBytes(file), "in use");
    EXPECT_EQ(test::ReadBytes(file + ".999.tmp"), "old");
    EXPECT_TRUE(IsScheduledForDeletion(file));
}

TEST_F(DeferredRemovalTest, OverLongNameIsNeitherRenamedNorScheduled) {
    // No temporary name fits in 1024 bytes: treated as a failed rename. The
    // system cannot schedule so long a name either, so no restart is promised.
    std::string file = dir_.path() + "\\" + std::string(1015 - dir_.path().size(), 'n');
    ASSERT_EQ(file.size(), 1016u);
    DeferFileRemoval(file.c_str());
    EXPECT_FALSE(test::IsScheduledForDeletion(file));
    EXPECT_FALSE(RestartNeeded);
}

// The folders that held files left for the restart follow them in the
// schedule, deepest first, up to and including the program folder and never
// beyond it.
TEST_F(DeferredRemovalTest, FoldersFollowTheirFilesDeepestFirstUpToTheProgramFolder) {
    std::string program = dir_ / "prog";
    for (const char* folder : {"prog", "prog\\a", "prog\\a\\b", "prog\\c"}) ASSERT_TRUE(test::MakeDir(dir_ / folder));
    const char* const files[] = {"prog\\a\\b\\x.dll", "prog\\y.dll", "prog\\c\\z.dll", "outside.dll"};
    for (const char* f : files) {
        ASSERT_TRUE(test::WriteBytes(dir_ / f, "in use"));
        DeferFileRemoval((dir_ / f).c_str());
    }
    ScheduleFoldersAtRestart((program + "\\").c_str());
    std::vector<std::string> expected;
    for (const char* f : files) expected.push_back("\\??\\" + (dir_ / f) + ".0.tmp");
    for (const char* folder : {"prog\\a\\b", "prog\\a", "prog\\c", "prog"}) expected.push_back("\\??\\" + (dir_ / folder));
    EXPECT_EQ(test::ScheduledDeletions(), expected);
    EXPECT_TRUE(AnythingScheduledAtRestart());
}

// The removal's own file calls (clearing attributes, moving a file aside,
// scheduling it for the restart) meet a real file, a link or a hard link at
// their path: a real file is acted on; a link is never followed, so its
// target keeps its bytes and its read-only attribute, and a file's second
// name never changes the attributes both share.
TEST_F(DeferredRemovalTest, OwnFileCallsNeverFollowALink) {
    enum class Call { ClearAttributes, MoveAside, Schedule };
    enum class Put { RealFile, FileLink, HardLink, FolderLink };
    const struct {
        Call call;
        Put put;
        bool acted;
    } cases[] = {
        {Call::ClearAttributes, Put::RealFile, true},  {Call::ClearAttributes, Put::FileLink, false},
        {Call::ClearAttributes, Put::HardLink, false}, {Call::ClearAttributes, Put::FolderLink, false},
        {Call::MoveAside, Put::RealFile, true},        {Call::MoveAside, Put::FileLink, false},
        {Call::MoveAside, Put::HardLink, true},        {Call::MoveAside, Put::FolderLink, false},
        {Call::Schedule, Put::RealFile, true},         {Call::Schedule, Put::FileLink, false},
        {Call::Schedule, Put::FolderLink, false},
    };
    const std::string victim = dir_ / "victim.txt", victimFolder = dir_ / "victimdir";
    ASSERT_TRUE(test::MakeDir(victimFolder));
    ASSERT_TRUE(test::WriteBytes(victimFolder + "\\v.txt", "victim"));
    int index = 0;
    for (const auto& c : cases) {
        std::string path = dir_ / ("entry" + std::to_string(++index)), aside = path + ".0.exe";
        SCOPED_TRACE(path);
        SetFileAttributesA(victim.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(test::WriteBytes(victim, "victim"));
        switch (c.put) {
        case Put::RealFile: ASSERT_TRUE(test::WriteBytes(path, "ours")); break;
        case Put::FileLink: ASSERT_TRUE(test::MakeUnixLink(path, victim)); break;
        case Put::HardLink: ASSERT_TRUE(CreateHardLinkA(path.c_str(), victim.c_str(), nullptr)); break;
        case Put::FolderLink: ASSERT_TRUE(test::MakeUnixLink(path, victimFolder)); break;
        }
        SetFileAttributesA(victim.c_str(), FILE_ATTRIBUTE_READONLY);
        if (c.put == Put::RealFile) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        switch (c.call) {
        case Call::ClearAttributes:
            EXPECT_EQ(SetAttributesItself(path.c_str(), 0) != FALSE, c.acted);
            if (c.acted) {
                EXPECT_FALSE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY);
            }
            break;
        case Call::MoveAside:
            EXPECT_EQ(RenameEntryItself(path.c_str(), aside.c_str(), RenameOptions::None), c.acted);
            EXPECT_EQ(test::Exists(aside), c.acted);
            break;
        case Call::Schedule:
            EXPECT_EQ(ScheduleRemovalAtRestart(path.c_str()), c.acted);
            EXPECT_EQ(IsScheduledForDeletion(path), c.acted);
            break;
        }
        EXPECT_EQ(test::ReadBytes(victim), "victim");
        EXPECT_TRUE(GetFileAttributesA(victim.c_str()) & FILE_ATTRIBUTE_READONLY);
        EXPECT_EQ(test::ReadBytes(victimFolder + "\\v.txt"), "victim");
        for (const std::string& name : {path, aside}) {
            if (c.put == Put::FileLink || c.put == Put::FolderLink) test::RemoveUnixLink(name);
            SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(name.c_str());
        }
    }
    SetFileAttributesA(victim.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The moment between an entry's check and the act on it: the folder it lies
// in is moved away and a link to a bait folder put in its place when the
// entry is opened (the first open is the folder's, the second the entry's).
// The folder is held from its check on, so it cannot be moved; and were it
// moved, the entry would still be acted on below the held folder, never
// through the link: the bait folder gains, loses and changes nothing.
struct Exchange {
    static std::string folder, bait;
    static int opens;
    static bool done;
    static void AtEachCall(FileCall call) {
        if (call == FileCall::Open && ++opens == 2)
            done = MoveFileA(folder.c_str(), (folder + ".moved").c_str()) && test::MakeUnixLink(folder, bait);
    }
};
std::string Exchange::folder, Exchange::bait;
int Exchange::opens = 0;
bool Exchange::done = false;

TEST_F(DeferredRemovalTest, FolderExchangedForALinkWhileItsEntryIsHandledIsNeverGoneThrough) {
    enum class Call { Remove, ClearAttributes, Rename, Replace };
    int index = 0;
    for (Call call : {Call::Remove, Call::ClearAttributes, Call::Rename, Call::Replace}) {
        Exchange::folder = dir_ / ("held" + std::to_string(++index));
        Exchange::bait = dir_ / ("bait" + std::to_string(index));
        const std::string entry = Exchange::folder + "\\x.txt", victim = Exchange::bait + "\\v.txt";
        SCOPED_TRACE(entry);
        ASSERT_TRUE(test::MakeDir(Exchange::folder) && test::MakeDir(Exchange::bait));
        ASSERT_TRUE(test::WriteBytes(entry, "ours") && test::WriteBytes(victim, "victim"));
        if (call == Call::ClearAttributes) {
            ASSERT_TRUE(SetFileAttributesA(entry.c_str(), FILE_ATTRIBUTE_READONLY));
        }
        ASSERT_TRUE(SetFileAttributesA(victim.c_str(), FILE_ATTRIBUTE_READONLY));
        Exchange::opens = 0;
        Exchange::done = false;
        bool acted = false;
        {
            test::SeamScope<FileCallObserver> observe(SetFileCallObserver, Exchange::AtEachCall);
            switch (call) {
            case Call::Remove: acted = RemoveEntryItself(entry.c_str()); break;
            case Call::ClearAttributes: acted = SetAttributesItself(entry.c_str(), 0); break;
            case Call::Rename:
                acted = RenameEntryItself(entry.c_str(), (entry + ".0.tmp").c_str(), RenameOptions::None);
                break;
            case Call::Replace: acted = WriteNewFile(entry.c_str(), "new", 3, ExistingFile::Replace); break;
            }
        }
        EXPECT_FALSE(Exchange::done) << "the held folder was moved";
        const std::string ours = (Exchange::done ? Exchange::folder + ".moved" : Exchange::folder) + "\\x.txt";
        if (Exchange::done) test::RemoveUnixLink(Exchange::folder);
        EXPECT_TRUE(acted);
        switch (call) {
        case Call::Remove: EXPECT_FALSE(test::Exists(ours)); break;
        case Call::ClearAttributes: EXPECT_FALSE(GetFileAttributesA(ours.c_str()) & FILE_ATTRIBUTE_READONLY); break;
        case Call::Rename: EXPECT_EQ(test::ReadBytes(ours + ".0.tmp"), "ours"); break;
        case Call::Replace: EXPECT_EQ(test::ReadBytes(ours), "new"); break;
        }
        EXPECT_EQ(test::FilesIn(Exchange::bait), std::vector<std::string>{"v.txt"});
        EXPECT_EQ(test::ReadBytes(victim), "victim");
        EXPECT_TRUE(GetFileAttributesA(victim.c_str()) & FILE_ATTRIBUTE_READONLY);
        SetFileAttributesA(victim.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

// Where the batch can go: the temporary folder while it exists and its name
// can be written in the code page, else its short form; the Windows
// temporary folder in any case.
TEST(BatchBase, UsableFoldersOnly) {
    test::ScratchDir scratch{"batchbase"};
    wchar_t wide[1024] = L"";
    MultiByteToWideChar(CP_ACP, 0, scratch.path().c_str(), -1, wide, 1024);
    const std::wstring foreign = std::wstring(wide) + L"\\tmp\x0e01";   // a Thai letter: not in code page 936
    ASSERT_TRUE(CreateDirectoryW(foreign.c_str(), nullptr));
    const struct {
        std::wstring temp;
        bool temp_usable, short_usable;
    } cases[] = {
        {wide, true, true},
        {std::wstring(wide) + L"\\missing", false, false},
        {foreign, false, true},
    };
    wchar_t saved[1024] = L"";
    GetEnvironmentVariableW(L"TMP", saved, 1024);
    for (const auto& c : cases) {
        SetEnvironmentVariableW(L"TMP", c.temp.c_str());
        char folder[PathSize];
        EXPECT_EQ(BatchBaseFolder(BatchBase::Temp, folder), c.temp_usable);
        if (c.temp_usable) {
            EXPECT_EQ(std::string(folder), scratch.path() + "\\");
        }
        EXPECT_EQ(BatchBaseFolder(BatchBase::ShortTemp, folder), c.short_usable);
        if (c.short_usable) {
            EXPECT_TRUE(test::Exists(folder)) << folder;
        }
        ASSERT_TRUE(BatchBaseFolder(BatchBase::WindowsTemp, folder));
        EXPECT_EQ(std::string(folder), test::WindowsFolder() + "\\Temp\\");
    }
    SetEnvironmentVariableW(L"TMP", saved);
    RemoveDirectoryW(foreign.c_str());
}

// A run with the administrators' rights tries the Windows temporary folder
// first; a person's own run and every run on Windows 9x their temporary folder
// (the whole order: the native batch-text test). Wine runs every program as
// an administrator: this thread impersonating a token whose Administrators
// group is for denying only stands in for a run before the elevation prompt.
TEST(BatchBase, WindowsTemporaryFolderFirstOnlyForTheAdministrators) {
    const struct {
        const char* name;
        bool person;
        unsigned absent;
        bool win98;
        BatchBase first;
    } cases[] = {
        {"administrators", false, 0, false, BatchBase::WindowsTemp},
        {"a person's own run", true, 0, false, BatchBase::Temp},
        {"no membership check (NT 4.0)", false, NoCheckTokenMembership, false, BatchBase::Temp},
        {"Windows 98", false, 0, true, BatchBase::Temp},
    };
    for (const auto& c : cases) {
        test::SeamScope<unsigned> absent(SetAbsentSystemFunctionsForTests, c.absent);
        std::unique_ptr<test::Win98> win98(c.win98 ? new test::Win98 : nullptr);
        UniqueHandle token = c.person ? test::NonAdministratorToken() : UniqueHandle();
        ASSERT_TRUE(!c.person || (token && ImpersonateLoggedOnUser(token.get()))) << c.name;
        EXPECT_EQ(RunsAsAdministrator(), !c.person && c.absent == 0) << c.name;
        EXPECT_EQ(BatchBasesOfThisRun()[0], c.first) << c.name;
        if (c.person) RevertToSelf();
    }
}

// Windows 98, with wininit.ini in the Windows folder saved and put back.
class Windows9xSchedule : public DeferredRemovalTest {
protected:
    void SetUp() override {
        DeferredRemovalTest::SetUp();
        QAV_ONLY_ON_X86_AS_WINDOWS_9X();
    }
    const std::string wininit_ = test::WindowsFolder() + "\\wininit.ini";
    test::SavedFile savedWininit_{wininit_};
    test::Win98 win98_;
};

TEST_F(Windows9xSchedule, ShortFormWhenThereIsOneElseTheLongPath) {
    std::string file = dir_ / "long library name.dll";
    ASSERT_TRUE(test::WriteBytes(file, "in use"));
    DeferFileRemoval(file.c_str());
    EXPECT_FALSE(RestartNeeded);
    char shortName[MAX_PATH] = "";
    ASSERT_GT(GetShortPathNameA((file + ".0.tmp").c_str(), shortName, sizeof shortName), 0u);
    EXPECT_NE(std::string(shortName), file + ".0.tmp");
    EXPECT_EQ(test::ReadBytes(wininit_), "[Rename]\r\nNUL=" + std::string(shortName) + "\r\n");
    EXPECT_TRUE(test::ScheduledDeletions().empty());   // nothing in the NT schedule

    // A name with no short form (it no longer exists) is written as it is,
    // on a line of its own after the first; the same name again adds nothing.
    std::string gone = dir_ / "no such long name.dll";
    EXPECT_TRUE(ScheduleRemovalAtRestart(gone.c_str()));
    EXPECT_FALSE(ScheduleRemovalAtRestart(gone.c_str()));
    EXPECT_EQ(test::ReadBytes(wininit_), "[Rename]\r\nNUL=" + std::string(shortName) + "\r\nNUL=" + gone + "\r\n");
    EXPECT_FALSE(test::Exists(wininit_ + ".new"));
}

// A link at wininit.ini is replaced as itself by the new file: its target
// keeps its bytes. A link at the name the new file is written under first is
// removed as itself where the system can (Windows); Wine follows a Unix link
// whatever it is asked, so there it stays, and nothing is written through it.
TEST_F(Windows9xSchedule, LinkAtTheScheduleIsReplacedNotFollowed) {
    std::string victim = dir_ / "victim.ini", file = dir_ / "in use.dll";
    ASSERT_TRUE(test::WriteBytes(victim, "victim"));
    const struct {
        std::string link;
        bool scheduled;
    } cases[] = {{wininit_, true}, {wininit_ + ".new", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        ASSERT_TRUE(test::MakeUnixLink(c.link, victim));
        ASSERT_TRUE(test::WriteBytes(file, "in use"));
        DeferFileRemoval(file.c_str());
        EXPECT_EQ(test::ReadBytes(victim), "victim");
        EXPECT_EQ(test::ReadBytes(wininit_).find("[Rename]\r\nNUL=") != std::string::npos, c.scheduled);
        test::RemoveUnixLink(c.link);
        DeleteFileA(wininit_.c_str());
        file += "x";
    }
}

// The batch's interpreter gets "NUL" as its standard handles (never this
// program's, which may be its caller's pipes), and no standard handles at all when "NUL" could not be opened (never the
// failure value, which the interpreter would take for a handle).
TEST(BatchStartup, StandardHandlesOnlyFromAnOpenedNulDevice) {
    UniqueFileHandle opened(CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(opened);
    HANDLE nul = opened.get();
    const struct {
        PlatformFamily family;
        HANDLE handle;
        DWORD flags;
        HANDLE std;
    } cases[] = {
        {PlatformFamily::Nt, nul, STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES, nul},
        {PlatformFamily::Nt, INVALID_HANDLE_VALUE, STARTF_USESHOWWINDOW, nullptr},
        {PlatformFamily::Win9x, nul, STARTF_USESTDHANDLES, nul},
        {PlatformFamily::Win9x, INVALID_HANDLE_VALUE, 0, nullptr},
    };
    for (const auto& c : cases) {
        STARTUPINFOA s = BatchStartupRecord(c.family, c.handle);
        EXPECT_EQ(s.cb, sizeof s);
        EXPECT_EQ(s.dwFlags, c.flags);
        EXPECT_EQ(s.hStdInput, c.std);
        EXPECT_EQ(s.hStdOutput, c.std);
        EXPECT_EQ(s.hStdError, c.std);
        EXPECT_EQ(s.wShowWindow, 0);  // SW_HIDE on the NT family
    }
}

// The SDDL text of a security descriptor's owner and DACL.
std::string OwnerAndDacl(PSECURITY_DESCRIPTOR sd) {
    char* text = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorA(
            sd, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr))
        return "";
    std::string result = text;
    LocalFree(text);
    return result;
}

// The batch's folder: new on every call, inside the given folder, and in an
// elevated run owned by the Administrators, with a DACL that takes nothing
// from the parent and lets users only read. Wine keeps no descriptor on the
// folder (it grants every access anyway), so the one it is made with is read.
TEST(PrivateFolder, NewEachTimeOwnedByAdministratorsAndClosedToUsers) {
    test::ScratchDir dir{"private"};
    std::string parent = dir.path() + "\\";
    char first[1024], second[1024];
    ASSERT_TRUE(CreatePrivateFolder(parent.c_str(), first, sizeof first));
    ASSERT_TRUE(CreatePrivateFolder(parent.c_str(), second, sizeof second));
    EXPECT_STRNE(first, second);
    EXPECT_EQ(std::string(first).compare(0, parent.size() + sizeof PrivateFolderPrefix - 1, parent + PrivateFolderPrefix), 0);
    EXPECT_EQ(test::FilesIn(dir.path()).size(), 2u);
    auto sd = const_cast<SECURITY_DESCRIPTOR*>(PrivateFolderDescriptor());
    EXPECT_TRUE(IsValidSecurityDescriptor(sd));
    EXPECT_EQ(OwnerAndDacl(sd), "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)");
    // A name that does not fit is no folder.
    char small[8];
    EXPECT_FALSE(CreatePrivateFolder(parent.c_str(), small, sizeof small));
    EXPECT_EQ(test::FilesIn(dir.path()).size(), 2u);
    // Nobody can take the name first: 64 random bits, nothing of the process or the time.
    std::string name = std::string(first).substr(parent.size() + sizeof PrivateFolderPrefix - 1);
    EXPECT_EQ(name.size(), 17u) << name;
    EXPECT_EQ(name.find_first_not_of("0123456789ABCDEF"), 16u) << name;
    // Without the generator the NT family makes none (only Windows 9x names one by the time).
    test::SeamScope<RandomBytesSource> none(SetRandomBytesForTests, [](void*, DWORD) { return false; });
    EXPECT_FALSE(CreatePrivateFolder(parent.c_str(), first, sizeof first));
    EXPECT_EQ(test::FilesIn(dir.path()).size(), 2u);
}

// The system's generator stood in for by one that always gives the same bytes,
// so that its one name is taken before the run: every name the run could choose.
bool SameBytes(void* buffer, DWORD size) {
    std::memset(buffer, 0x5A, size);
    return true;
}

// An elevated run whose every name in the Windows temporary folder is taken
// writes nothing to the person's temporary folder: the program is left to the
// restart, and the log says so.
TEST(PrivateFolder, ElevatedRunWithEveryNameTakenLeavesTheProgramToTheRestart) {
    test::EmptySchedule schedule;
    test::ScratchDir dir{"taken"};
    std::string temp = dir / "tmp", folder = dir / "Qavrix", program = folder + "\\uninstall.exe";
    ASSERT_TRUE(test::MakeDir(temp) && test::MakeDir(folder) && test::WriteBytes(program, "MZ"));
    test::SeamScope<RandomBytesSource> random(SetRandomBytesForTests, SameBytes);
    std::string taken = test::WindowsFolder() + "\\Temp\\" + PrivateFolderPrefix + "5A5A5A5A5A5A5A5A";
    ASSERT_TRUE(test::MakeDir(taken) || test::Exists(taken));
    char saved[1024] = "";
    GetEnvironmentVariableA("TMP", saved, sizeof saved);
    SetEnvironmentVariableA("TMP", temp.c_str());
    ASSERT_TRUE(RunsAsAdministrator());
    ASSERT_TRUE(OpenRunLog((dir / "run.log").c_str()));
    {
        test::CurrentDirectoryScope current(folder);
        EXPECT_FALSE(StartSelfRemovalOf(program.c_str(), true));
    }
    CloseRunLog();
    SetEnvironmentVariableA("TMP", saved);
    RemoveDirectoryA(taken.c_str());
    EXPECT_TRUE(test::FilesIn(temp).empty());
    std::string log = test::ReadBytes(dir / "run.log");
    EXPECT_NE(log.find("no self-removal batch could be written"), std::string::npos) << log;
    EXPECT_NE(log.find(program + ".0.exe is removed at the next start"), std::string::npos) << log;
    EXPECT_TRUE(IsScheduledForDeletion(program + ".0.exe"));
    EXPECT_TRUE(IsScheduledForDeletion(folder));
}

}  // namespace

// Shortcuts and program groups made in scratch shell folders and read back
// through the shell's link object, on the NT family and on Windows 98.
#include "integration/shortcuts.h"
#include "tests/support/sandbox.h"
#include <gtest/gtest.h>

namespace {

const std::string Description = test::Ansi("处理 QAV、ZIP 和其他压缩格式");

IntegrationSettings Links(bool desktop, bool startMenu, bool group) {
    IntegrationSettings s{};
    s.desktopLink = desktop;
    s.startMenuLink = startMenu;
    s.programGroup = group;
    return s;
}

class ShortcutTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* target : {"Qavrix.exe", "Qavrix.hlp"}) test::WriteBytes(install_ + "\\" + target, "x");
        // "Qav.txt" is left out: shortcuts are made whether or not their target exists.
    }
    std::string Target(const std::string& file) const { return install_ + "\\" + file; }
    std::string DesktopLink() const { return folders_.desktop + "\\Qavrix.lnk"; }
    std::string StartMenuLink() const { return folders_.startMenu + "\\Qavrix.lnk"; }
    std::string UserGroup() const { return folders_.programs + "\\Qavrix"; }
    std::string CommonGroup() const { return folders_.commonPrograms + "\\Qavrix"; }

    void ExpectLink(const std::string& path, const std::string& target) { test::ExpectProductLink(path, target); }
    void ExpectGroup(const std::string& group) { test::ExpectProductGroup(group, install_); }

    test::IntegrationSandbox box_{"shortcuts"};
    const test::ScratchDir& root_ = box_.root;
    const test::ShellFolders& folders_ = box_.folders;
    const std::string& install_ = box_.install;
};

TEST_F(ShortcutTest, ProgramGroupOnlyOnTheNtFamilyMakesBothGroupsAndDeletesTheOtherLinks) {
    test::Nt nt;
    ASSERT_TRUE(test::WriteBytes(DesktopLink(), "old"));
    ASSERT_TRUE(test::WriteBytes(StartMenuLink(), "old"));
    char groupPath[1024] = "";
    UpdateShortcuts(Links(false, false, true), groupPath, sizeof groupPath);

    // The desktop's "Qavrix.lnk" is not the product's (it is no shortcut to
    // the archiver here) and stays; the start menu's is replaced as always.
    EXPECT_EQ(test::ReadBytes(DesktopLink()), "old");
    EXPECT_FALSE(test::Exists(StartMenuLink()));
    ExpectGroup(UserGroup());
    ExpectGroup(CommonGroup());
    EXPECT_EQ(std::string(groupPath), UserGroup());
}

TEST_F(ShortcutTest, Windows98GetsOnlyTheUsersGroupAndRemovesOnlyThatOne) {
    QAV_ONLY_ON_X86_AS_WINDOWS_9X();
    test::Win98 win98;
    ASSERT_TRUE(test::MakeDir(CommonGroup()));
    ASSERT_TRUE(test::WriteBytes(CommonGroup() + "\\keep.txt", "x"));
    char groupPath[1024] = "";
    UpdateShortcuts(Links(false, false, true), groupPath, sizeof groupPath);
    ExpectGroup(UserGroup());
    EXPECT_EQ(test::FilesIn(CommonGroup()), std::vector<std::string>{"keep.txt"});
    EXPECT_EQ(std::string(groupPath), UserGroup());

    UpdateShortcuts(Links(false, false, false), nullptr, 0);
    EXPECT_FALSE(test::Exists(UserGroup()));
    EXPECT_EQ(test::FilesIn(CommonGroup()), std::vector<std::string>{"keep.txt"});
}

TEST_F(ShortcutTest, ExistingDesktopLinkStaysWhileTheStartMenuLinkIsRewritten) {
    std::string elsewhere = root_ / "Other.exe";
    ASSERT_TRUE(CreateShellLink(elsewhere.c_str(), DesktopLink().c_str(), "someone else's"));
    ASSERT_TRUE(CreateShellLink(elsewhere.c_str(), StartMenuLink().c_str(), "someone else's"));
    char groupPath[1024] = "untouched";
    UpdateShortcuts(Links(true, true, false), groupPath, sizeof groupPath);

    test::LinkInfo desktop = test::ReadLink(DesktopLink());
    EXPECT_EQ(desktop.target, elsewhere);
    EXPECT_EQ(desktop.description, "someone else's");
    ExpectLink(StartMenuLink(), Target("Qavrix.exe"));
    EXPECT_EQ(std::string(groupPath), "untouched") << "no group made, buffer left alone";
    EXPECT_FALSE(test::Exists(UserGroup()));

    ASSERT_TRUE(DeleteFileA(DesktopLink().c_str()));
    UpdateShortcuts(Links(true, true, false), nullptr, 0);
    ExpectLink(DesktopLink(), Target("Qavrix.exe"));
}

TEST_F(ShortcutTest, UnchosenDesktopLinkIsDeletedOnlyWhenItIsOurs) {
    struct Case { const char* name; std::string target; bool isLink; bool deleted; };
    const Case cases[] = {
        {"pointing at the archiver beside this program", Target("Qavrix.exe"), true, true},
        {"the same in other letter case", install_ + "\\QAVRIX.EXE", true, true},
        {"pointing at another program", root_ / "Other.exe", true, false},
        {"pointing at another folder's Qavrix.exe", root_ / "Qavrix.exe", true, false},
        {"not a shortcut at all", "", false, false},
    };
    for (const Case& c : cases) {
        if (c.isLink)
            ASSERT_TRUE(CreateShellLink(c.target.c_str(), DesktopLink().c_str(), "a link")) << c.name;
        else
            ASSERT_TRUE(test::WriteBytes(DesktopLink(), "user data")) << c.name;
        UpdateShortcuts(Links(false, false, false), nullptr, 0);
        EXPECT_EQ(test::Exists(DesktopLink()), !c.deleted) << c.name;
        if (!c.isLink) {
            EXPECT_EQ(test::ReadBytes(DesktopLink()), "user data") << c.name;
        }
        DeleteFileA(DesktopLink().c_str());
    }
}

TEST_F(ShortcutTest, RemovalDeletesEverythingWithWhatTheUserAddedTwiceWithoutHarm) {
    test::Nt nt;
    UpdateShortcuts(Links(true, true, true), nullptr, 0);
    ExpectLink(DesktopLink(), Target("Qavrix.exe"));
    for (const std::string& group : {UserGroup(), CommonGroup()}) {
        ASSERT_TRUE(test::WriteBytes(group + "\\" + test::Ansi("我的笔记.txt"), "mine"));
        ASSERT_TRUE(test::MakeDir(group + "\\More"));
        ASSERT_TRUE(test::WriteBytes(group + "\\More\\deep.txt", "mine"));
    }
    ASSERT_TRUE(test::WriteBytes(folders_.desktop + "\\other.lnk", "x"));

    for (int pass = 0; pass < 2; ++pass) {
        UpdateShortcuts(Links(false, false, false), nullptr, 0);
        EXPECT_FALSE(test::Exists(DesktopLink()));
        EXPECT_FALSE(test::Exists(StartMenuLink()));
        EXPECT_FALSE(test::Exists(UserGroup()));
        EXPECT_FALSE(test::Exists(CommonGroup()));
        EXPECT_EQ(test::FilesIn(folders_.desktop), std::vector<std::string>{"other.lnk"});
        EXPECT_EQ(test::FilesIn(folders_.startMenu), std::vector<std::string>{"Programs\\"});
        EXPECT_TRUE(test::FilesIn(folders_.commonPrograms).empty());
    }
}

TEST_F(ShortcutTest, PlaceWithoutLocationIsSkipped) {
    test::Nt nt;
    test::SetRegText(HKEY_CURRENT_USER, test::ShellFoldersKey, "Start Menu", root_ / "Missing\\Start Menu");
    UpdateShortcuts(Links(true, true, true), nullptr, 0);
    EXPECT_FALSE(test::Exists(root_ / "Missing"));
    ExpectLink(DesktopLink(), Target("Qavrix.exe"));
    ExpectGroup(UserGroup());
}

TEST_F(ShortcutTest, LinkNameTooLongForTheWideBufferIsNotSaved) {
    // A Programs folder of 240 characters: "Qavrix\Qavrix.lnk" still fits the
    // 260-character buffer, the two longer names do not.
    std::string programs = root_.path();
    ASSERT_LT(programs.size(), 200u);
    while (programs.size() < 240) {
        std::size_t remaining = 240 - programs.size();
        programs += "\\" + std::string(remaining > 45 ? 40 : remaining - 1, 'p');
        ASSERT_TRUE(test::MakeDir(programs)) << programs;
    }
    ASSERT_EQ(programs.size(), 240u);
    test::SetRegText(HKEY_CURRENT_USER, test::ShellFoldersKey, "Programs", programs);
    QAV_ONLY_ON_X86_AS_WINDOWS_9X();
    test::Win98 win98;
    char groupPath[1024] = "";
    UpdateShortcuts(Links(false, false, true), groupPath, sizeof groupPath);
    EXPECT_EQ(std::string(groupPath), programs + "\\Qavrix");
    EXPECT_EQ(test::FilesIn(programs + "\\Qavrix"), std::vector<std::string>{"Qavrix.lnk"});
    ExpectLink(programs + "\\Qavrix\\Qavrix.lnk", Target("Qavrix.exe"));
}

TEST_F(ShortcutTest, CreateShellLinkReplacesAFileAndKeepsChineseNames) {
    std::string path = root_ / test::Ansi("压缩.lnk");
    ASSERT_TRUE(test::WriteBytes(path, "not a link"));
    std::string target = root_ / test::Ansi("目录\\程序.exe");
    EXPECT_TRUE(CreateShellLink(target.c_str(), path.c_str(), Description.c_str()));
    test::LinkInfo link = test::ReadLink(path);
    EXPECT_TRUE(link.loaded);
    EXPECT_EQ(test::Utf8FromAnsi(link.target), test::Utf8FromAnsi(target));
    EXPECT_EQ(link.description, Description);
    EXPECT_FALSE(CreateShellLink(target.c_str(), (root_ / "NoSuchFolder\\x.lnk").c_str(), nullptr));
}

}  // namespace

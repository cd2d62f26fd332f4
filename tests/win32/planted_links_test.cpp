// Links planted where setup writes and the uninstall removes: a Unix link to
// a file or a folder, a dangling one, a hard link or a registry link, each
// put at one place before setup or before the clean-up. Whatever the run
// does with the link, what it points at stays as it was.
#include "integration/apply.h"
#include "integration/shortcuts.h"
#include "tests/support/sandbox.h"
#include "uninstall/registry_cleanup.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

enum class Kind { FileLink, FolderLink, Dangling, HardLink, RegistryLink };
enum class Action { Setup, Uninstall };
enum class Family { Nt, Win98 };

const char* KindName(Kind kind) {
    const char* names[] = {"file link", "folder link", "dangling link", "hard link", "registry link"};
    return names[static_cast<int>(kind)];
}

struct Row {
    const char* place;   // a folder of the sandbox and a path below it, or a root and a key path
    Kind kind;
    Action action;
    Family family = Family::Nt;
};

const Row rows[] = {
    // The program groups: the group itself, a link inside, a shortcut's name.
    {"programs\\Qavrix", Kind::FolderLink, Action::Setup},
    {"programs\\Qavrix", Kind::FolderLink, Action::Uninstall},
    {"programs\\Qavrix\\planted", Kind::FolderLink, Action::Uninstall},
    {"programs\\Qavrix\\planted", Kind::FileLink, Action::Uninstall},
    {"programs\\Qavrix\\Qavrix.lnk", Kind::FileLink, Action::Setup},
    {"programs\\Qavrix\\Qavrix.lnk", Kind::Dangling, Action::Setup},
    {"programs\\Qavrix\\Qavrix.lnk", Kind::HardLink, Action::Setup},
    {"common\\Qavrix", Kind::FolderLink, Action::Setup},
    {"common\\Qavrix", Kind::FolderLink, Action::Uninstall},
    {"common\\Qavrix\\planted", Kind::FolderLink, Action::Uninstall},
    {"common\\Qavrix\\planted", Kind::FileLink, Action::Uninstall},
    {"common\\Qavrix\\Qavrix.lnk", Kind::FileLink, Action::Setup},
    {"programs\\Qavrix", Kind::FolderLink, Action::Setup, Family::Win98},
    {"programs\\Qavrix\\planted", Kind::FolderLink, Action::Uninstall, Family::Win98},
    {"programs\\Qavrix\\planted", Kind::FileLink, Action::Uninstall, Family::Win98},
    {"programs\\Qavrix\\Qavrix.lnk", Kind::FileLink, Action::Setup, Family::Win98},
    // The single shortcuts on the Start menu and the desktop.
    {"startMenu\\Qavrix.lnk", Kind::FileLink, Action::Setup},
    {"startMenu\\Qavrix.lnk", Kind::FileLink, Action::Uninstall},
    {"startMenu\\Qavrix.lnk", Kind::Dangling, Action::Setup},
    {"startMenu\\Qavrix.lnk", Kind::HardLink, Action::Setup},
    {"startMenu\\Qavrix.lnk", Kind::FileLink, Action::Setup, Family::Win98},
    {"desktop\\Qavrix.lnk", Kind::FileLink, Action::Uninstall},
    {"desktop\\Qavrix.lnk", Kind::Dangling, Action::Setup},
    // The New-menu templates beside the program (Windows 98 takes no file).
    {"install\\qavnew.dat", Kind::FileLink, Action::Setup},
    {"install\\qavnew.dat", Kind::Dangling, Action::Setup},
    {"install\\zipnew.dat", Kind::Dangling, Action::Setup},
    {"install\\zipnew.dat", Kind::HardLink, Action::Setup},
    // Registry keys of the product: a link where setup writes, and one
    // inside a key the clean-up removes.
    {"HKCU\\Software\\Qavrix\\Setup", Kind::RegistryLink, Action::Setup},
    {"HKCU\\Software\\Qavrix\\planted", Kind::RegistryLink, Action::Uninstall},
    {"HKLM\\Software\\Qavrix\\Setup", Kind::RegistryLink, Action::Setup},
    {"HKLM\\Software\\Qavrix\\planted", Kind::RegistryLink, Action::Uninstall},
    {"HKCR\\Qavrix\\DefaultIcon", Kind::RegistryLink, Action::Setup},
    {"HKCR\\Qavrix\\planted", Kind::RegistryLink, Action::Uninstall},
    {"HKCR\\.qav\\ShellNew", Kind::RegistryLink, Action::Setup},
    {"HKCR\\.qav\\ShellNew\\planted", Kind::RegistryLink, Action::Uninstall},
    {"HKCR\\CLSID\\{6F2A94C1-3D58-4E07-B2A9-71C5E08D3F46}\\InProcServer32", Kind::RegistryLink, Action::Setup},
    {"HKCR\\CLSID\\{6F2A94C1-3D58-4E07-B2A9-71C5E08D3F46}\\planted", Kind::RegistryLink, Action::Uninstall},
    {"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Qavrix.exe", Kind::RegistryLink, Action::Setup},
    {"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Qavrix.exe\\planted", Kind::RegistryLink,
     Action::Uninstall},
    {"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Qavrix archiver", Kind::RegistryLink,
     Action::Setup},
    {"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Qavrix archiver\\planted",
     Kind::RegistryLink, Action::Uninstall},
    {"HKCU\\Software\\Qavrix\\planted", Kind::RegistryLink, Action::Uninstall, Family::Win98},
    {"HKCR\\Qavrix\\DefaultIcon", Kind::RegistryLink, Action::Setup, Family::Win98},
};

class PlantedLinks : public ::testing::Test {
protected:
    // Setup with every choice made, as the setup dialog's OK runs it.
    void RunSetup() {
        IntegrationSettings settings{};
        for (bool& a : settings.associate) a = true;
        settings.desktopLink = settings.startMenuLink = settings.programGroup = settings.shellExt = true;
        settings.cascadedMenu = settings.menuIcons = true;
        SaveIntegrationSettings(settings);
        char groupPath[1024] = "";
        ApplyIntegration(settings, groupPath, sizeof groupPath);
        RegisterUninstallEntry();
    }

    // The file-system path of a place: its first part names a folder of the sandbox.
    std::string PathOf(const std::string& place) const {
        std::size_t cut = place.find('\\');
        std::string first = place.substr(0, cut), rest = place.substr(cut);
        const test::ShellFolders& f = box_.folders;
        if (first == "programs") return f.programs + rest;
        if (first == "common") return f.commonPrograms + rest;
        if (first == "startMenu") return f.startMenu + rest;
        if (first == "desktop") return f.desktop + rest;
        return box_.install + rest;
    }
    static HKEY RootOf(const std::string& place) {
        std::string root = place.substr(0, 4);
        return root == "HKCU" ? HKEY_CURRENT_USER : root == "HKCR" ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE;
    }

    // The things links point at, and what they hold.
    void MakeTargets() {
        // A real shortcut to the archiver: the desktop's clean-up looks into it.
        ASSERT_TRUE(CreateShellLink(box_.In("Qavrix.exe").c_str(), victimFile_.c_str(), "victim"));
        victimBytes_ = test::ReadBytes(victimFile_);
        ASSERT_TRUE(test::MakeDir(victimFolder_));
        ASSERT_TRUE(test::MakeDir(victimFolder_ + "\\sub"));
        ASSERT_TRUE(test::WriteBytes(victimFolder_ + "\\sub\\v.txt", "victim"));
        victimTree_ = test::TreeListing(victimFolder_);
        test::SetRegText(HKEY_CURRENT_USER, "Victim", "v", "victim");
        test::MakeKey(HKEY_CURRENT_USER, "Victim\\Sub");
    }

    // Puts the link at the place, in place of what is there.
    void Plant(const Row& row) {
        std::string place = row.place;
        if (row.kind == Kind::RegistryLink) {
            HKEY root = RootOf(place);
            std::string key = place.substr(5);
            RegDeleteTreeA(root, key.c_str());
            RegDeleteKeyA(root, key.c_str());
            ASSERT_TRUE(test::MakeRegistryLink(root, key, box_.registry.basePath() + "\\HKCU\\Victim"));
            ASSERT_TRUE(test::IsRegistryLink(root, key));
            return;
        }
        std::string path = PathOf(place);
        test::MakeDir(path.substr(0, path.find_last_of('\\')));
        test::RemoveTree(path);
        DeleteFileA(path.c_str());
        switch (row.kind) {
        case Kind::FileLink: ASSERT_TRUE(test::MakeUnixLink(path, victimFile_)); break;
        case Kind::FolderLink: ASSERT_TRUE(test::MakeUnixLink(path, victimFolder_)); break;
        case Kind::HardLink: ASSERT_TRUE(CreateHardLinkA(path.c_str(), victimFile_.c_str(), nullptr)); break;
        case Kind::Dangling:
            ASSERT_TRUE(test::WriteBytes(box_.root / "gone.txt", "x"));
            ASSERT_TRUE(test::MakeUnixLink(path, box_.root / "gone.txt"));
            ASSERT_TRUE(DeleteFileA((box_.root / "gone.txt").c_str()));
            break;
        case Kind::RegistryLink: break;
        }
    }

    void ExpectTargetsIntact(const Row& row) {
        EXPECT_EQ(test::ReadBytes(victimFile_), victimBytes_);
        EXPECT_EQ(test::TreeListing(victimFolder_), victimTree_);
        EXPECT_EQ(test::ReadBytes(victimFolder_ + "\\sub\\v.txt"), "victim");
        EXPECT_FALSE(test::Exists(box_.root / "gone.txt")) << "a dangling link's target was made";
        EXPECT_EQ(test::ReadRegString(HKEY_CURRENT_USER, "Victim", "v"), "victim");
        EXPECT_EQ(test::ValueCount(HKEY_CURRENT_USER, "Victim"), 1);
        EXPECT_EQ(test::SubkeyCount(HKEY_CURRENT_USER, "Victim"), 1);
        // Setup made a real key where the link was.
        if (row.kind == Kind::RegistryLink && row.action == Action::Setup) {
            EXPECT_FALSE(test::IsRegistryLink(RootOf(row.place), std::string(row.place).substr(5)));
            EXPECT_TRUE(test::RegKeyPresent(RootOf(row.place), std::string(row.place).substr(5)));
        }
    }

    test::IntegrationSandbox box_{"planted"};
    std::string victimFile_ = box_.root / "victim.lnk";
    std::string victimFolder_ = box_.root / "victimdir";
    std::string victimBytes_;
    std::vector<std::string> victimTree_;
};

TEST_F(PlantedLinks, TheirTargetsStayIntact) {
    ASSERT_TRUE(test::WriteBytes(box_.In("qavext.dll"), "MZ"));
    MakeTargets();
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.place) + ", " + KindName(row.kind) + ", " +
                     (row.action == Action::Setup ? "setup" : "uninstall") +
                     (row.family == Family::Win98 ? ", Windows 98" : ""));
        if (row.family == Family::Win98 && !test::Windows9xRunsThisBuild()) continue;
        test::WindowsVersionScope version(row.family == Family::Nt ? VER_PLATFORM_WIN32_NT : VER_PLATFORM_WIN32_WINDOWS,
                                          row.family == Family::Nt ? 6 : 4, row.family == Family::Nt ? 1 : 10);
        RemoveIntegration();
        if (row.action == Action::Uninstall) RunSetup();
        Plant(row);
        if (HasFatalFailure()) return;
        if (row.action == Action::Setup)
            RunSetup();
        else
            RemoveIntegration();
        ExpectTargetsIntact(row);
        // The next row starts from nothing planted.
        std::string place = row.place;
        if (row.kind == Kind::RegistryLink)
            test::DeleteRegistryLink(RootOf(place), place.substr(5));
        else
            test::RemoveUnixLink(PathOf(place));
    }
}

}  // namespace

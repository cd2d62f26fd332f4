// Associations against scratch keys: program identifiers, taking
// extensions over with their saved previous owners, giving them back,
// volume extensions and New-menu templates on both platform families.
#include "integration/associations.h"
#include "integration/core/empty_archives.h"
#include "lang/messages.h"
#include "platform/registry.h"
#include "platform/windows_version.h"
#include "tests/support/sandbox.h"
#include <gtest/gtest.h>
#include <string>

namespace {

std::string Cr(const std::string& key, const std::string& value = "") {
    return test::ReadRegString(HKEY_CLASSES_ROOT, key, value);
}
bool CrHas(const std::string& key, const std::string& value = "") { return test::HasRegValue(HKEY_CLASSES_ROOT, key, value); }
bool CrKey(const std::string& key) { return RegKeyExists(HKEY_CLASSES_ROOT, key.c_str()); }
std::string Saved(const std::string& ext, const char* value) {
    return test::ReadRegString(HKEY_CURRENT_USER, "Software\\Qavrix\\Setup\\" + ext, value);
}

const IntegrationSettings Nothing{};

std::string Volume(int n) {
    char name[8];
    VolumeExtension(n, name, sizeof name);
    return name;
}
int VolumesOwnedBy(const std::string& type) {
    int count = 0;
    for (int n = 0; n < 100; ++n) count += CrHas(Volume(n)) && Cr(Volume(n)) == type;
    return count;
}
int VolumeKeys() {
    int count = 0;
    for (int n = 0; n < 100; ++n) count += CrKey(Volume(n));
    return count;
}

class Associations : public ::testing::Test {
protected:
    void Set(const std::string& key, const std::string& value, const std::string& text) {
        RegWriteString(HKEY_CLASSES_ROOT, key.c_str(), value.c_str(), text.c_str());
    }
    test::WindowsVersionScope xp_{VER_PLATFORM_WIN32_NT, 5, 1};
    test::ScratchRegistry scratch_;
    test::ScratchDir folder_{"qavassoc"};
    test::ProgramFolderScope programFolder_{folder_.path()};
};

TEST_F(Associations, ProgramIdsPointAtTheArchiverBesideTheProgram) {
    Set(".rev", "", "OtherRev");
    {
        test::ProductResources product;
        RegisterProgramIds();
    }
    std::string exe = folder_ / "Qavrix.exe";
    std::string command = "\"" + exe + "\" \"%1\"";
    EXPECT_EQ(test::Utf8FromAnsi(Cr("Qavrix")), "Qavrix 压缩文件");
    EXPECT_EQ(test::Utf8FromAnsi(Cr("Qavrix.ZIP")), "Qavrix ZIP 压缩文件");
    EXPECT_EQ(test::Utf8FromAnsi(Cr("Qavrix.REV")), "QAV 恢复卷");
    for (const char* id : {"Qavrix", "Qavrix.ZIP", "Qavrix.REV"})
        EXPECT_EQ(Cr(std::string(id) + "\\shell\\open\\command"), command) << id;
    EXPECT_EQ(Cr("Qavrix\\DefaultIcon"), exe + ",0");
    EXPECT_EQ(Cr("Qavrix.ZIP\\DefaultIcon"), exe + ",0");
    EXPECT_EQ(Cr("Qavrix.REV\\DefaultIcon"), exe + ",1");
    EXPECT_EQ(Cr(".rev"), "Qavrix.REV");
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Setup\\.rev"));
}

TEST_F(Associations, ZipRoundTripKeepsTheFirstRecord) {
    Set(".zip", "", "WinZip");
    Set(".zip", "Content Type", "application/zip");
    ApplyAssociations(test::Associating({".zip"}));
    EXPECT_EQ(Cr(".zip"), "Qavrix.ZIP");
    EXPECT_FALSE(CrHas(".zip", "Content Type"));
    EXPECT_EQ(RegGetUserDword("Setup\\.zip", "Exist", 9), 1u);
    EXPECT_EQ(Saved(".zip", "Type"), "WinZip");
    EXPECT_EQ(Saved(".zip", "Content"), "application/zip");
    EXPECT_EQ(Saved(".zip", "ShellNew"), "");
    ApplyAssociations(test::Associating({".zip"}));  // already the product's: the record stays
    EXPECT_EQ(Saved(".zip", "Type"), "WinZip");
    EXPECT_EQ(Saved(".zip", "Content"), "application/zip");
    ApplyAssociations(Nothing);
    EXPECT_EQ(Cr(".zip"), "WinZip");
    EXPECT_EQ(Cr(".zip", "Content Type"), "application/zip");
    EXPECT_EQ(Saved(".zip", "Type"), "WinZip");  // never deleted on giving back
}

// Another account's uninstall finds no record of its own: the machine-wide
// copy gives the extension back, and without either only the product's
// default value goes, never replaced by an empty one.
TEST_F(Associations, AnotherAccountGivesBackByTheMachineWideCopy) {
    for (bool copy : {true, false}) {
        Set(".zip", "", "WinZip");
        Set(".zip", "Content Type", "application/zip");
        ApplyAssociations(test::Associating({".zip"}));
        EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, "Software\\Qavrix\\Setup\\.zip", "Type"), "WinZip");
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Qavrix");
        if (!copy) RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Qavrix");
        ApplyAssociations(Nothing);
        EXPECT_EQ(CrHas(".zip"), copy) << copy;
        EXPECT_EQ(Cr(".zip"), copy ? "WinZip" : "") << copy;
        EXPECT_EQ(Cr(".zip", "Content Type"), copy ? "application/zip" : "") << copy;
    }
}

TEST_F(Associations, AnExtensionThatDidNotExistLosesItsKeys) {
    ApplyAssociations(test::Associating({".zip"}, true));
    EXPECT_EQ(RegGetUserDword("Setup\\.zip", "Exist", 9), 0u);
    EXPECT_TRUE(CrKey(".zip\\ShellNew"));
    ApplyAssociations(Nothing);
    EXPECT_FALSE(CrKey(".zip"));
}

TEST_F(Associations, AnOwnedExtensionWithoutARecordCountsAsExisting) {
    Set(".cab", "", "qavrix");
    Set(".cab", "Content Type", "x/cab");
    ApplyAssociations(Nothing);
    EXPECT_TRUE(CrKey(".cab"));
    EXPECT_FALSE(CrHas(".cab")) << "no empty default";
    EXPECT_FALSE(CrHas(".cab", "Content Type"));
}

TEST_F(Associations, ASavedProductClassIsNotRestored) {
    Set(".arj", "", "Other");
    ApplyAssociations(test::Associating({".arj"}));
    RegWriteUserString("Setup\\.arj", "Type", "qavrix.zip");
    ApplyAssociations(Nothing);
    EXPECT_TRUE(CrKey(".arj"));
    EXPECT_FALSE(CrHas(".arj")) << "no empty default";
}

TEST_F(Associations, NullFileOnlyTemplatesComeBackAsNullFile) {
    Set(".zip", "", "Other");
    Set(".zip\\ShellNew", "NullFile", "");
    ApplyAssociations(test::Associating({".zip"}));
    EXPECT_EQ(Saved(".zip", "ShellNew"), "*");
    EXPECT_TRUE(CrHas(".zip\\ShellNew", "NullFile"));  // untouched without the shell extension
    ApplyAssociations(Nothing);
    EXPECT_TRUE(CrHas(".zip\\ShellNew", "NullFile"));
    EXPECT_EQ(Cr(".zip\\ShellNew", "NullFile"), "");
    EXPECT_FALSE(CrHas(".zip\\ShellNew", "FileName"));
    // A previous FileName wins over NullFile and comes back as it was.
    Set(".zip\\ShellNew", "FileName", "C:\\old.zip");
    ApplyAssociations(test::Associating({".zip"}, true));
    EXPECT_EQ(Saved(".zip", "ShellNew"), "C:\\old.zip");
    ApplyAssociations(Nothing);
    EXPECT_EQ(Cr(".zip\\ShellNew", "FileName"), "C:\\old.zip");
}

TEST_F(Associations, EveryExtensionOfAGroupIsHandled) {
    ApplyAssociations(test::Associating({".lzh", ".bz2", ".z"}));
    for (const char* ext : {".lzh", ".lha", ".bz2", ".tbz2", ".bz", ".tbz", ".z", ".taz"}) {
        EXPECT_EQ(Cr(ext), "Qavrix") << ext;
        EXPECT_EQ(RegGetUserDword((std::string("Setup\\") + ext).c_str(), "Exist", 9), 0u) << ext;
    }
    EXPECT_FALSE(CrKey(".zip"));
    ApplyAssociations(Nothing);
    for (const char* ext : {".lzh", ".lha", ".bz2", ".tbz2", ".bz", ".tbz", ".z", ".taz"}) EXPECT_FALSE(CrKey(ext)) << ext;
}

TEST_F(Associations, VolumesAreThirtyOnNtAndAHundredOn9x) {
    struct Case { DWORD platform, major, minor; int taken; } cases[] = {
        {VER_PLATFORM_WIN32_NT, 5, 1, 30},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 100},
    };
    for (const Case& c : cases) {
        if (c.platform == VER_PLATFORM_WIN32_WINDOWS && !test::Windows9xRunsThisBuild()) continue;
        SetWindowsVersionForTests({c.platform, c.major, c.minor});
        Set(Volume(5), "Content Type", "x/old");
        ApplyAssociations(test::Associating({".qav"}));
        EXPECT_EQ(VolumesOwnedBy("Qavrix"), c.taken);
        EXPECT_EQ(VolumeKeys(), c.taken);
        EXPECT_FALSE(CrHas(Volume(5), "Content Type"));
        // Giving back always visits all 100: no saved type removes them.
        Set(Volume(99), "", "Qavrix");
        ApplyAssociations(Nothing);
        EXPECT_EQ(VolumeKeys(), 0);
        EXPECT_FALSE(CrKey(".qav"));
    }
}

TEST_F(Associations, GivingBackVolumesWritesTheSavedType) {
    Set(".qav", "", "OldQav");
    Set(".qav", "Content Type", "x/qav");
    ApplyAssociations(test::Associating({".qav"}));
    EXPECT_EQ(VolumesOwnedBy("Qavrix"), 30);
    ApplyAssociations(Nothing);
    EXPECT_EQ(Cr(".qav"), "OldQav");
    EXPECT_EQ(VolumesOwnedBy("OldQav"), 100);
    EXPECT_EQ(Cr(Volume(77), "Content Type"), "x/qav");
}

TEST_F(Associations, AnotherProgramsGroupIsLeftAloneWhenClear) {
    Set(".qav", "", "Other");
    Set(".qav", "Content Type", "x/other");
    Set(Volume(3), "", "Qavrix");
    Set(".tar", "", "TarTool");
    Set(".tar\\ShellNew", "FileName", "t.tar");
    ApplyAssociations(Nothing);
    EXPECT_EQ(Cr(".qav"), "Other");
    EXPECT_EQ(Cr(".qav", "Content Type"), "x/other");
    EXPECT_EQ(Cr(Volume(3)), "Qavrix");
    EXPECT_EQ(Cr(".tar"), "TarTool");
    EXPECT_EQ(Cr(".tar\\ShellNew", "FileName"), "t.tar");
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Setup"));
}

TEST_F(Associations, TemplateFilesOrDataByReportedVersion) {
    struct Case { const char* name; DWORD platform, major, minor; bool file; } cases[] = {
        {"Windows 95", VER_PLATFORM_WIN32_WINDOWS, 4, 0, false},
        {"Windows 98", VER_PLATFORM_WIN32_WINDOWS, 4, 10, false},
        {"Windows NT 4.0", VER_PLATFORM_WIN32_NT, 4, 0, false},
        {"Windows Me", VER_PLATFORM_WIN32_WINDOWS, 4, 90, true},
        {"Windows 2000", VER_PLATFORM_WIN32_NT, 5, 0, true},
        {"Windows 10", VER_PLATFORM_WIN32_NT, 10, 0, true},
    };
    const std::string qav("Qav!\x1A\x07\x00\xCF\x90\x73\x00\x00\x0D\x00\x00\x00\x00\x00\x00\x00", 20);
    for (const Case& c : cases) {
        if (c.platform == VER_PLATFORM_WIN32_WINDOWS && !test::Windows9xRunsThisBuild()) continue;
        SetWindowsVersionForTests({c.platform, c.major, c.minor});
        DeleteFileA((folder_ / "qavnew.dat").c_str());
        DeleteFileA((folder_ / "zipnew.dat").c_str());
        Set(".qav\\ShellNew", "NullFile", "");
        ApplyAssociations(test::Associating({".qav", ".zip"}, true));
        EXPECT_FALSE(CrHas(".qav\\ShellNew", "NullFile")) << c.name;  // the old template key went first
        test::RegValue data = test::ReadRegValue(HKEY_CLASSES_ROOT, ".qav\\ShellNew", "Data");
        EXPECT_EQ(data.present, !c.file) << c.name;
        if (!c.file) {
            EXPECT_EQ(data.type, static_cast<DWORD>(REG_BINARY));
            EXPECT_EQ(data.bytes, qav);
            EXPECT_FALSE(test::Exists(folder_ / "qavnew.dat")) << c.name;
        } else {
            EXPECT_EQ(Cr(".qav\\ShellNew", "FileName"), folder_ / "qavnew.dat") << c.name;
            EXPECT_EQ(Cr(".zip\\ShellNew", "FileName"), folder_ / "zipnew.dat") << c.name;
            EXPECT_EQ(test::ReadBytes(folder_ / "qavnew.dat"), qav) << c.name;
            EXPECT_EQ(test::ReadBytes(folder_ / "zipnew.dat"), std::string("PK\5\6", 4) + std::string(18, '\0'));
        }
        // .qav existed (its ShellNew key did): the saved "*" comes back.
        ApplyAssociations(Nothing);
        EXPECT_TRUE(CrHas(".qav\\ShellNew", "NullFile")) << c.name;
        EXPECT_FALSE(CrHas(".qav\\ShellNew", "FileName")) << c.name;
        EXPECT_FALSE(CrHas(".qav\\ShellNew", "Data")) << c.name;
        EXPECT_FALSE(CrKey(".zip")) << c.name;
    }
}

TEST_F(Associations, AnExistingTemplateFileIsNeverRewritten) {
    ASSERT_TRUE(test::WriteBytes(folder_ / "qavnew.dat", "mine"));
    ApplyAssociations(test::Associating({".qav"}, true));
    EXPECT_EQ(test::ReadBytes(folder_ / "qavnew.dat"), "mine");
    EXPECT_EQ(Cr(".qav\\ShellNew", "FileName"), folder_ / "qavnew.dat");
}

TEST_F(Associations, GivingBackOnWindows98LeavesNoDataTemplateOfOurs) {
    QAV_ONLY_ON_X86_AS_WINDOWS_9X();
    SetWindowsVersionForTests({VER_PLATFORM_WIN32_WINDOWS, 4, 10});
    Set(".zip", "", "Other");
    Set(".zip\\ShellNew", "FileName", "C:\\theirs.zip");
    ApplyAssociations(test::Associating({".zip"}, true));
    ASSERT_TRUE(CrHas(".zip\\ShellNew", "Data"));
    ApplyAssociations(Nothing);
    EXPECT_EQ(Cr(".zip"), "Other");
    EXPECT_EQ(Cr(".zip\\ShellNew", "FileName"), "C:\\theirs.zip");
    EXPECT_FALSE(CrHas(".zip\\ShellNew", "Data"));
}

}  // namespace

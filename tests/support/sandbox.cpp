// Implementation of the integration sandbox.
#include "tests/support/sandbox.h"
#include "lang/languagefile.h"
#include <gtest/gtest.h>
#include <shlobj.h>
#include <algorithm>

namespace test {

int ArchiveTypeRow(const char* primary) {
    for (int row = 0; row < ArchiveTypeCount; ++row) {
        char first[ExtensionSize];
        PrimaryExtension(ArchiveTypeTable[row], first);
        if (std::string(first) == primary) return row;
    }
    ADD_FAILURE() << "no archive type " << primary;
    return 0;
}

IntegrationSettings Associating(std::initializer_list<const char*> primaries, bool shellExt) {
    IntegrationSettings settings{};
    for (const char* primary : primaries) settings.associate[ArchiveTypeRow(primary)] = true;
    settings.shellExt = shellExt;
    return settings;
}

ShellFolders::ShellFolders(const ScratchDir& root)
    : desktop(root / "Desktop"), startMenu(root / "StartMenu"),
      programs(root / "StartMenu\\Programs"), commonPrograms(root / "CommonPrograms") {
    for (const std::string* f : {&desktop, &startMenu, &programs, &commonPrograms}) MakeDir(*f);
    SetRegText(HKEY_CURRENT_USER, ShellFoldersKey, "Desktop", desktop);
    SetRegText(HKEY_CURRENT_USER, ShellFoldersKey, "Start Menu", startMenu);
    SetRegText(HKEY_CURRENT_USER, ShellFoldersKey, "Programs", programs);
    SetRegText(HKEY_LOCAL_MACHINE, ShellFoldersKey, "Common Programs", commonPrograms);
}

ProductResources::ProductResources()
    : product_(LoadLibraryExA(ProductExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)), saved_(CurrentResourceModule) {
    EXPECT_TRUE(product_) << ProductExe();
    if (product_) CurrentResourceModule = product_.get();
}

void ForgetLanguageFile() {
    LoadLanguageFile("C:\\no such folder\\none.lng");
    TheLanguageResources().SetRightToLeft(false);
}

IntegrationSandbox::IntegrationSandbox(const std::string& hint)
    : root(hint), folders(root), install(root / "Install"), programFolder((MakeDir(install), install)) {}

std::string ShellFolderPath(int csidl) {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

LinkInfo ReadLink(const std::string& path) {
    LinkInfo info;
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.putVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.putVoid())))
        return info;
    wchar_t wide[1024];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 1024);
    if (FAILED(file->Load(wide, STGM_READ))) return info;
    char text[1024] = "";
    info.loaded = true;
    if (SUCCEEDED(link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH))) info.target = text;
    text[0] = '\0';
    if (SUCCEEDED(link->GetDescription(text, sizeof text))) info.description = text;
    return info;
}

void ExpectProductLink(const std::string& link, const std::string& target) {
    LinkInfo info = ReadLink(link);
    ASSERT_TRUE(info.loaded) << Utf8FromAnsi(link);
    EXPECT_EQ(info.target, target) << Utf8FromAnsi(link);
    EXPECT_EQ(info.description, Ansi("处理 QAV、ZIP 和其他压缩格式")) << Utf8FromAnsi(link);
}

void ExpectProductGroup(const std::string& group, const std::string& folder) {
    const std::string help = Ansi("Qavrix 中文帮助") + ".lnk", manual = Ansi("控制台 QAV 中文手册") + ".lnk";
    std::vector<std::string> expected = {help, "Qavrix.lnk", manual};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesIn(group), expected) << Utf8FromAnsi(group);
    ExpectProductLink(group + "\\Qavrix.lnk", folder + "\\Qavrix.exe");
    ExpectProductLink(group + "\\" + help, folder + "\\Qavrix.hlp");
    ExpectProductLink(group + "\\" + manual, folder + "\\Qav.txt");
}

}  // namespace test

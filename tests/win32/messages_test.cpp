// Message lookup under Wine: the program's own string table (this test
// program carries the product's resources), the rotating buffers, and the
// language DLL beside the program with its fallback and unloading.
#include "lang/messages.h"
#include "platform/text.h"
#include "resource.h"
#include "tests/support/harness.h"
#include "tests/support/sandbox.h"
#include <gtest/gtest.h>
#include <string>

namespace {

HINSTANCE Self() { return GetModuleHandleA(nullptr); }

// Each test takes a scratch folder as the program's: CTest runs the tests in
// processes side by side, and a language DLL put beside the shared test
// program would be loaded by the others.
class Messages : public ::testing::Test {
protected:
    void SetUp() override { LoadLanguageDll(Self()); }
    void TearDown() override { UnloadLanguageDll(); }
    test::ScratchDir folder_{"messages"};
    test::ProgramFolderScope programFolder_{folder_.path()};
};

TEST_F(Messages, TextsComeFromTheChineseStringTable) {
    EXPECT_EQ(test::Utf8FromAnsi(GetMessageText(MSG_CAPTION)), "卸载 Qavrix");
    EXPECT_EQ(test::Utf8FromAnsi(GetMessageText(MSG_CONFIRM)), "确实要卸载 Qavrix 吗?");
    EXPECT_EQ(test::Utf8FromAnsi(GetMessageText(MSG_RESTART_NEEDED)), "你需要重新启动 Windows 来完全卸载 Qavrix。");
    // Message 5105 in code page 936 is exactly these bytes.
    EXPECT_STREQ(GetMessageText(MSG_UNINSTALL_DONE), "\xD0\xB6\xD4\xD8\xD2\xD1\xCD\xEA\xB3\xC9");
    // A number neither module holds gives the empty text.
    EXPECT_STREQ(GetMessageText(4999), "");
    for (int n = 5101; n <= 5116; ++n) EXPECT_STRNE(GetMessageText(n), "") << n;
}

TEST_F(Messages, NineCallsReuseTheFirstBufferAndKeepTheOthers) {
    const char* first = GetMessageText(5101);
    std::string firstText = first;
    const char* mid[7];
    std::string midText[7];
    for (int i = 0; i < 7; ++i) { mid[i] = GetMessageText(5102 + i); midText[i] = mid[i]; }
    const char* ninth = GetMessageText(MSG_RESTART_NEEDED);
    EXPECT_EQ(ninth, first);
    EXPECT_NE(firstText, std::string(first));
    for (int i = 0; i < 7; ++i) {
        EXPECT_NE(mid[i], first);
        EXPECT_EQ(midText[i], std::string(mid[i])) << "buffer " << i + 2 << " was overwritten";
    }
}

// The test language DLL rewords 5101, 5104-5107 and lacks 5113.
class LanguageDll : public Messages {
protected:
    void SetUp() override {
        ASSERT_TRUE(test::CopyTo(test::ResourceDll("testlng"), dllPath_));
        Messages::SetUp();
    }
    const std::string dllPath_ = folder_ / "qavlng.dll";
};

TEST_F(LanguageDll, IsLoadedFromBesideTheProgramAndWinsForMessages) {
    ASSERT_TRUE(LanguageDllLoaded());
    EXPECT_NE(CurrentResourceModule, OwnModule);
    EXPECT_EQ(OwnModule, Self());
    EXPECT_STREQ(GetMessageText(MSG_CAPTION), "TEST Uninstall Qavrix");
    EXPECT_STREQ(GetMessageText(MSG_CONFIRM), "TEST Really uninstall?");
}

TEST_F(LanguageDll, MissingMessagesFallBackToTheProgramsOwn) {
    EXPECT_EQ(test::Utf8FromAnsi(GetMessageText(MSG_LINK_DESCRIPTION)), "处理 QAV、ZIP 和其他压缩格式");
    EXPECT_EQ(test::Utf8FromAnsi(GetMessageText(MSG_RESTART_NEEDED)), "你需要重新启动 Windows 来完全卸载 Qavrix。");
}

TEST_F(LanguageDll, UnloadRestoresTheProgramsOwnTexts) {
    UnloadLanguageDll();
    EXPECT_FALSE(LanguageDllLoaded());
    EXPECT_EQ(CurrentResourceModule, Self());
    EXPECT_EQ(test::Utf8FromAnsi(GetMessageText(MSG_CAPTION)), "卸载 Qavrix");
    // Unloading again changes nothing.
    UnloadLanguageDll();
    EXPECT_EQ(CurrentResourceModule, Self());
}

TEST_F(LanguageDll, LoadingAgainFirstUnloads) {
    HMODULE first = CurrentResourceModule;
    LoadLanguageDll(Self());
    EXPECT_TRUE(LanguageDllLoaded());
    // The module was freed and loaded again; the reference count did not grow.
    UnloadLanguageDll();
    EXPECT_EQ(GetModuleHandleA(dllPath_.c_str()), nullptr);
    (void)first;
}

}  // namespace

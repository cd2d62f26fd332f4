// The manual-deletion warning text: composed from messages 5105 and 5106 and
// cut, never overflowing, when the program path is long.
#include "app/entry.h"
#include "lang/messages.h"
#include "tests/support/harness.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace {

class WarningText : public ::testing::Test {
protected:
    void SetUp() override { LoadLanguageDll(GetModuleHandleA(nullptr)); }
};

TEST_F(WarningText, IsTheTwoMessagesWithThePath) {
    char out[512];
    ComposeManualDeletionWarning(out, sizeof out, "C:\\Qavrix\\uninstall.exe");
    EXPECT_EQ(test::Utf8FromAnsi(out), "卸载已完成\n你应该手动删除 C:\\Qavrix\\uninstall.exe");
}

TEST_F(WarningText, IsCutToTheBufferForAPathOf1023Bytes) {
    std::string path(1023, 'p');
    struct { char text[512]; char guard[64]; } buffer;
    std::memset(buffer.guard, 'G', sizeof buffer.guard);
    ComposeManualDeletionWarning(buffer.text, sizeof buffer.text, path.c_str());
    EXPECT_EQ(std::strlen(buffer.text), 511u);
    EXPECT_EQ(std::string(buffer.guard, sizeof buffer.guard), std::string(64, 'G'));
    // A capacity too small even for the first line still yields terminated text.
    char tiny[4];
    ComposeManualDeletionWarning(tiny, sizeof tiny, "x");
    EXPECT_LT(std::strlen(tiny), sizeof tiny);
}

}  // namespace

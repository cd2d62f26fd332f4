// Made registry paths: the product-relative root, absolute paths, the
// length limit and the bounded child paths of a tree walk.
#include "platform/core/keypath.h"
#include <gtest/gtest.h>
#include <string>

namespace {

TEST(MakeKeyPath, ComposesProductRelativeAndAbsolutePaths) {
    struct Case { bool productRoot; const char* path; const char* made; } cases[] = {
        {true, "", "Software\\Qavrix"},
        {true, "Setup\\.zip", "Software\\Qavrix\\Setup\\.zip"},
        {true, "\\Software\\Classes", "Software\\Classes"},
        {true, "\\", ""},
        {false, "", ""},
        {false, ".zip\\ShellNew", ".zip\\ShellNew"},
        {false, "\\odd", "\\odd"},
    };
    for (const Case& c : cases) {
        char out[256] = "untouched";
        EXPECT_TRUE(MakeKeyPath(c.productRoot, c.path, out, sizeof out)) << c.path;
        EXPECT_STREQ(out, c.made) << c.path;
    }
}

TEST(MakeKeyPath, AcceptsSizeLessTwentyCharactersAndNoMore) {
    for (bool productRoot : {true, false}) {
        std::string fits(236, 'a'), tooLong(237, 'b');
        char out[256] = "untouched";
        EXPECT_FALSE(MakeKeyPath(productRoot, tooLong.c_str(), out, sizeof out));
        EXPECT_STREQ(out, "untouched");
        ASSERT_TRUE(MakeKeyPath(productRoot, fits.c_str(), out, sizeof out));
        EXPECT_EQ(std::string(out), productRoot ? "Software\\Qavrix\\" + fits : fits);
        // The product prefix always fits: size - 20 + 16 + NUL.
        char tight[40];
        std::string twenty(20, 'c');
        ASSERT_TRUE(MakeKeyPath(productRoot, twenty.c_str(), tight, sizeof tight));
        EXPECT_EQ(std::string(tight), productRoot ? "Software\\Qavrix\\" + twenty : twenty);
    }
}

TEST(MakeKeyPath, RefusesBuffersTooSmallForAnyPath) {
    char out[19] = "x";
    EXPECT_FALSE(MakeKeyPath(true, "", out, sizeof out));
    EXPECT_FALSE(MakeKeyPath(false, "", out, 0));
    EXPECT_FALSE(MakeKeyPath(true, nullptr, out, sizeof out));
    EXPECT_STREQ(out, "x");
}

TEST(JoinKeyPath, NeverCutsAChildPath) {
    char out[8];
    EXPECT_TRUE(JoinKeyPath("ab", "cde", out, sizeof out));
    EXPECT_STREQ(out, "ab\\cde");
    EXPECT_TRUE(JoinKeyPath("ab", "cdef", out, sizeof out));  // 7 characters and NUL
    EXPECT_FALSE(JoinKeyPath("ab", "cdefg", out, sizeof out));
    EXPECT_STREQ(out, "");  // a cut "ab\cdef" would name another key
}

}  // namespace

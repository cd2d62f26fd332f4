// Message texts with values and the conversions a translation may have.
#include "lang/core/messageformat.h"
#include <gtest/gtest.h>
#include <string>

namespace {

TEST(MessageFormat, ValuesGoOnlyWhereTheOriginalHasThem) {
    const char* two[] = {"A", "B"};
    const struct {
        const char* text;
        int count;
        const char* expected;
    } cases[] = {
        {"%s and %s", 2, "A and B"},     {"%s and %s", 1, "A and %s"},  {"%s and %s", 0, "%s and %s"},
        {"%s%s%s", 2, "AB%s"},           {"%d %x %n %p %S", 2, "%d %x %n %p %S"},
        {"%%s %s", 2, "%s A"},           {"%-5s|%.1s", 2, "%-5s|%.1s"}, {"%", 2, "%"},
    };
    for (const auto& c : cases) {
        char out[64];
        ComposeMessage(out, sizeof out, c.text, two, c.count);
        EXPECT_STREQ(out, c.expected) << c.text << " with " << c.count;
    }
    char out[8] = "xxxxxxx";
    ComposeMessage(out, sizeof out, nullptr, two, 2);
    EXPECT_STREQ(out, "");
}

TEST(MessageFormat, ConversionsOfOriginalAndTranslationCompared) {
    const struct {
        const char* original;
        const char* translation;
        bool same;
    } cases[] = {
        {"delete %s", "Please delete \"%s\" by hand", true},
        {"delete %s", "100%% sure: %s", true},
        {"delete %s", "%s %s", false},
        {"delete %s", "A%sB%sC%sD", false},
        {"delete %s", "%x.%x %s", false},
        {"delete %s", "%1000000s", false},
        {"delete %s", "no path", false},
        {"delete %s", "trailing %", false},
        {"no values", "100% done", false},  // "% d" is a conversion
        {"no values", "100%% done", true},
        {"%I64d %ls", "%I64d %ls", true},
        {"%I64d", "%I32d", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SameConversions(c.original, c.translation), c.same) << c.original << " / " << c.translation;
}

TEST(MessageFormat, ConversionsAreListedWithTheirFullSpelling) {
    const char* text = "a %-08.3lld b %% c %*s %I64x %";
    std::string found;
    std::size_t length = 0;
    for (const char* p = NextConversion(text, &length); p; p = NextConversion(p + length, &length))
        found += "[" + std::string(p, length) + "]";
    EXPECT_EQ(found, "[%-08.3lld][%*s][%I64x][%]");
    EXPECT_EQ(NextConversion(nullptr, &length), nullptr);
    EXPECT_EQ(length, 0u);
}

}  // namespace

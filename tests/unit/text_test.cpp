#include <gtest/gtest.h>

#include <climits>

#include "base/text.h"

namespace zep {
namespace {

TEST(Text, FormatFillsTheDirectivesOfTheInstallersTexts) {
    char out[128];
    FormatText(out, sizeof out, "Drive %c has only %luK of free disk space; %luK is needed to install %s.",
               'D', 1023u, 1024u, "Sample");
    EXPECT_STREQ(out, "Drive D has only 1023K of free disk space; 1024K is needed to install Sample.");
    FormatText(out, sizeof out, "%u%%", 37u);
    EXPECT_STREQ(out, "37%");
    FormatText(out, sizeof out, "%d %i %x %X %s", -5, INT_MIN, 255u, 255u, nullptr);
    EXPECT_STREQ(out, "-5 -2147483648 ff FF (null)");
    FormatText(out, sizeof out, "%q and a trailing %");  // unknown directives stay as written
    EXPECT_STREQ(out, "%q and a trailing %");
}

TEST(Text, FormatCutsAtTheCapacity) {
    char out[8];
    EXPECT_EQ(FormatText(out, sizeof out, "%s=%s", "FileName", "value"), 7);
    EXPECT_STREQ(out, "FileNam");
    char tiny[1];
    EXPECT_EQ(FormatText(tiny, sizeof tiny, "abc"), 0);
    EXPECT_STREQ(tiny, "");
}

TEST(Text, CopyAndAppendCutAndSayWhen) {
    char out[6];
    EXPECT_TRUE(CopyText(out, "12345"));
    EXPECT_FALSE(AppendText(out, "6"));
    EXPECT_STREQ(out, "12345");
    EXPECT_FALSE(CopyText(out, "1234567"));
    EXPECT_STREQ(out, "12345");
}

TEST(Text, ParseDecimalReadsLikeTheScriptExpects) {
    EXPECT_EQ(ParseDecimal("500000"), 500000);
    EXPECT_EQ(ParseDecimal("  -12abc"), -12);
    EXPECT_EQ(ParseDecimal("+7"), 7);
    EXPECT_EQ(ParseDecimal("abc"), 0);
    EXPECT_EQ(ParseDecimal(""), 0);
    EXPECT_EQ(ParseDecimal("99999999999999999999"), INT_MAX);  // held, not wrapped negative
    EXPECT_EQ(ParseDecimal("-2147483648"), INT_MIN);
    EXPECT_EQ(ParseDecimal("-99999999999"), INT_MIN);
}

TEST(Text, AsciiCaseRules) {
    EXPECT_TRUE(EqualsIgnoringAsciiCase("OK/Cancel", "ok/cancel"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("OK/Cancel", "OK/Cance"));
    EXPECT_TRUE(StartsWithIgnoringAsciiCase("Sample Tool - Doc", "sample", 6));
    EXPECT_FALSE(StartsWithIgnoringAsciiCase("Sam", "sample", 6));
}

}  // namespace
}  // namespace zep

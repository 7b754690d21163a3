// zep check finds every error and warning of a broken script in one run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "tools/zep/commands.h"
#include "tools/zep/script_check.h"

namespace zep::tool {
namespace {

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

CheckOptions Everywhere(const std::string& folder = {}) {
    CheckOptions o;
    o.platforms = KnownPlatforms();
    o.displays = {0, 1, 2};
    o.folder = folder;
    return o;
}

std::string Summary(const std::vector<Finding>& findings) {
    std::string out;
    for (const Finding& f : findings) {
        out += std::to_string(f.line) + (f.error ? " error " + std::to_string(f.dialog) : " warning") + "\n";
    }
    return out;
}

TEST(Check, FindsEveryProblemOfTheBrokenSampleInOneRun) {
    const std::string folder = ZEP_EXAMPLES "/broken";
    auto findings = CheckScript(Read(folder + "/INSTALL.INI"), Everywhere(folder));
    EXPECT_EQ(Summary(findings),
              "4 warning\n"      // the help file's source is missing
              "7 warning\n"      // Captoin: a misspelt key
              "9 error 2500\n"   // TotalDisks=40
              "10 error 2800\n"  // WindowsVersion=4.10 on NT 3.51 ...
              "10 error 2800\n"  // ... and on the 4.0 systems
              "11 warning\n"     // DiskSpace below the files' size
              "12 warning\n"     // ViewButtonText cut to 31
              "15 error 2000\n"  // an exit-list class of 300 characters
              "19 error 1100\n"  // File2=Nowhere\OLD.DLL
              "20 warning\n"     // File4 after the gap
              "24 warning\n"     // WinXP
              "26 error 1600\n"  // [Run] without Message
              "28 error 1100\n"  // Buttons=Maybe
              "33 warning\n"     // Fast
              "34 error 1100\n"  // README.TXT=Nowhere
              "34 warning\n"     // README.TXT missing
              "35 warning\n"     // BROKEN.HLP is the help file's installed name
              "35 warning\n"     // BROKEN.HLP missing
              "37 error 1600\n"  // [Disk 2] without DiskName
              "38 warning\n"     // BIG.DAT missing
              "40 warning\n");   // [Disk 41] never read
    for (const Finding& f : findings) {
        if (f.dialog == 2800 && f.message.find("3.51") != std::string::npos) {
            EXPECT_EQ(f.where, (std::vector<std::string>{"nt351/ega", "nt351/vga", "nt351/8514"}));
        } else if (f.error && f.dialog != 2800) {
            EXPECT_EQ(f.where.size(), 9u) << f.message;
        }
    }
    EXPECT_EQ(findings[8].message,
              "Section: [Delete List]  Line: File2=Nowhere\\OLD.DLL  The above line from C:\\SETUP\\INSTALL.INI "
              "contains an error; installation will be aborted.");
}

TEST(Check, DisplaySpecificLinesAreCheckedOnTheirDisplayOnly) {
    const std::string script =
        "[Basic Information]\r\nCaption=C\r\nHelpFileName=H.HLP\r\nProductName=P\r\nDefaultTargetDir=C:\\P\r\n"
        "TotalDisks=1\r\nVGADiskSpace=1000\r\n[Disk 1]\r\nDiskName=D\r\n";
    auto findings = CheckScript(script, Everywhere());
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].dialog, 1600);  // no DiskSpace on EGA and 8514
    EXPECT_EQ(findings[0].where, (std::vector<std::string>{"win95/ega", "win95/8514", "nt351/ega", "nt351/8514",
                                                           "nt40/ega", "nt40/8514"}));
}

TEST(Check, WarnsWhereASectionsKeyNamesOverflowTheKeyList) {
    std::string script =
        "[Basic Information]\r\nCaption=C\r\nHelpFileName=H.HLP\r\nProductName=P\r\nDefaultTargetDir=C:\\P\r\n"
        "TotalDisks=1\r\nDiskSpace=1000\r\n[Disk 1]\r\nDiskName=D\r\n";
    // DiskName, then 8.3 names of 12 characters: 9 + 13 * 314 = 4091 bytes fit the list
    // with its final NUL, the 315th name does not.
    for (int i = 0; i < 316; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "F%07d.DAT=Target\r\n", i);
        script += line;
    }
    auto findings = CheckScript(script, Everywhere());
    auto overflow = std::find_if(findings.begin(), findings.end(), [](const Finding& f) {
        return f.message.find("more key names") != std::string::npos;
    });
    ASSERT_NE(overflow, findings.end());
    EXPECT_FALSE(overflow->error);
    EXPECT_EQ(overflow->line, 10 + 314);
    EXPECT_NE(overflow->message.find("\"F0000314.DAT\" and the 1 keys after it"), std::string::npos)
        << overflow->message;
}

// Names and titles a Program Manager command cannot carry, items the installer passes
// over, and program files it cuts.
TEST(Check, GroupNamesAndItemsTheShellCannotTakeAsWritten) {
    const std::string head =
        "[Basic Information]\r\nCaption=C\r\nHelpFileName=H.HLP\r\nProductName=P\r\nDefaultTargetDir=C:\\P\r\n"
        "TotalDisks=1\r\nDiskSpace=1000\r\n[Disk 1]\r\nDiskName=D\r\n";  // lines 1 to 9
    const std::string long_program = std::string(60, 'L') + ".EXE";
    const struct {
        const char* what;
        std::string lines;  // from line 10
        std::string findings;
    } cases[] = {
        {"quoted where needed", "[Program Manager Group]\r\nGroupName=Tools, Utilities\r\nA.EXE=A (beta)\r\n", ""},
        {"a quote in the group name", "[Program Manager Group]\r\nGroupName=The \"Best\" Tools\r\nA.EXE=A\r\n",
         "11 error 0\n"},
        {"a quote in a title", "[Program Manager Group]\r\nGroupName=T\r\nA.EXE=The \"A\"\r\nB.EXE=B\r\n",
         "12 error 0\n"},
        {"a quote in an old group", "[Old Program Manager Groups]\r\n1.0=Old \"T\"\r\n"
                                    "[Program Manager Group]\r\nGroupName=T\r\nA.EXE=A\r\n",
         "11 error 0\n"},
        {"no title", "[Program Manager Group]\r\nGroupName=T\r\nNTTOOL.EXE=,WinNT\r\nA.EXE=A\r\n",
         "12 warning\n"},
        {"a long program file", "[Program Manager Group]\r\nGroupName=T\r\n" + long_program + "=Long\r\n",
         "12 warning\n"},
        {"a program file that just fits", "[Program Manager Group]\r\nGroupName=T\r\n" +
                                              long_program.substr(1) + "=Long\r\n",
         ""},
    };
    for (const auto& c : cases) {
        auto findings = CheckScript(head + c.lines, Everywhere());
        EXPECT_EQ(Summary(findings), c.findings) << c.what;
        for (const Finding& f : findings) {
            if (f.error) {
                EXPECT_NE(f.message.find("double quote"), std::string::npos) << f.message;
            }
        }
    }
}

TEST(Check, ExitStatusSaysWhetherThereWereErrors) {
    std::string broken = ZEP_EXAMPLES "/broken", sample = ZEP_EXAMPLES "/sample";
    char name[] = "check";
    char* with_errors[] = {name, broken.data()};
    EXPECT_EQ(CheckCommand(2, with_errors), 1);
    char* clean[] = {name, sample.data()};
    EXPECT_EQ(CheckCommand(2, clean), 0);
    char bad_option[] = "--platform";
    char unknown[] = "win31";
    char* usage[] = {name, sample.data(), bad_option, unknown};
    EXPECT_EQ(CheckCommand(4, usage), 2);
}

}  // namespace
}  // namespace zep::tool

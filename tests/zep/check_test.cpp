// zep check finds every error and warning of a broken script in one run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "../szdd/support.h"
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


// What an author may hand zep check besides a script: a setup.exe, a disk set, or by
// mistake a binary file; and what it says of the uninstaller.
struct Packed {
    Packed() {
        Write("product/INSTALL.INI", kScript);
        Write("product/PROG.EXE", std::string(4000, 'p'));
        Write("product/DATA.DAT", std::string(2000, 'd'));
        Write("product/HELP.HLP", "?_\x03" + std::string(1, '\0') + "help");
    }
    void Write(const std::string& name, const std::string& bytes) {
        std::filesystem::create_directories(std::filesystem::path(dir / name).parent_path());
        std::ofstream(dir / name, std::ios::binary) << bytes;
    }
    szdd::test::CommandResult Zep(const std::string& args) {
        return szdd::test::RunCommand(szdd::test::Quoted(ZEP_TOOL) + " " + args);
    }
    std::string Q(const std::string& name) { return szdd::test::Quoted(dir / name); }

    static constexpr char kScript[] =
        "[Basic Information]\r\nCaption=C\r\nHelpFileName=HELP.HLP\r\nProductName=P\r\nDefaultTargetDir=C:\\P\r\n"
        "UninstallName=P 1.0\r\nTotalDisks=2\r\nDiskSpace=100000\r\n"
        "[Disk 1]\r\nDiskName=One\r\nPROG.EX_=Target\\PROG.EXE\r\n"
        "[Disk 2]\r\nDiskName=Two\r\nDATA.DAT=Target\r\n";
    szdd::test::TempDir dir;
};

TEST(CheckInputs, ASetupExeADiskSetAndWhatIsNeither) {
    Packed p;
    ASSERT_EQ(p.Zep("pack " + p.Q("product") + " --embedded " + p.Q("SETUP.EXE") + " --disks " + p.Q("disks")).status, 0);
    const struct {
        const char* what;
        std::string args;
        int status;
        std::string output;  // the whole output, with the temporary folder written as $
    } cases[] = {
        {"the product folder", p.Q("product"),
         0, "$/product/INSTALL.INI:6: note: UninstallName is set and no [Disk n] line installs Target\\UNINST.EXE: "
            "zep pack adds its uninstaller (UNINST.EX_=Target\\UNINST.EXE on the last disk), which removes what this "
            "script installs\n0 errors, 0 warnings\n"},
        {"the embedded setup.exe", p.Q("SETUP.EXE"), 0, "0 errors, 0 warnings\n"},
        {"a folder of disks", p.Q("disks"), 0, "0 errors, 0 warnings\n"},
        {"the disks one by one", p.Q("disks/DISK1") + " " + p.Q("disks/DISK2"), 0, "0 errors, 0 warnings\n"},
        {"a plain setup.exe", szdd::test::Quoted(ZEP_STUB_WIN64), 2,
         "zep check: " ZEP_STUB_WIN64 ": a plain setup.exe: it carries no product (no resource 12000)\n"},
        {"nothing at all", p.Q("product/none"), 2, "zep check: $/product/none: no such file or folder\n"},
        {"a folder of neither", p.Q("product/sub"), 2, "zep check: $/product/sub: holds no INSTALL.INI and no DISK1 folder\n"},
    };
    p.Write("product/sub/NOTES.TXT", "notes");
    for (const auto& c : cases) {
        auto r = p.Zep("check " + c.args);
        std::string expected = c.output;
        for (std::size_t at; (at = expected.find('$')) != std::string::npos;) expected.replace(at, 1, p.dir.path());
        EXPECT_EQ(r.status, c.status) << c.what << "\n" << r.output;
        EXPECT_EQ(r.output, expected) << c.what;
    }
    p.Write("binary", std::string("[Basic Information]\0", 20));
    auto r = p.Zep("check " + p.Q("binary"));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.output, "zep check: " + p.dir / "binary" + ": not an install script nor a setup.exe: a binary file (it holds NUL bytes)\n");
}

TEST(CheckInputs, EachFileOfADiskSetOnItsOwnDisk) {
    Packed p;
    ASSERT_EQ(p.Zep("pack " + p.Q("product") + " --disks " + p.Q("disks")).status, 0);
    std::filesystem::rename(p.dir / "disks/DISK2/DATA.DAT", p.dir / "disks/DISK1/DATA.DAT");
    auto r = p.Zep("check " + p.Q("disks"));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("INSTALL.INI:14: warning: DATA.DAT lies on disk 1 (" + p.dir / "disks/DISK1" +
                            "), but its line is in [Disk 2]: the installer looks for it on disk 2\n"),
              std::string::npos)
        << r.output;
    std::filesystem::remove(p.dir / "disks/DISK1/DATA.DAT");
    std::filesystem::remove(p.dir / "disks/DISK1/PROG.EX_");
    r = p.Zep("check " + p.Q("disks/DISK1") + " " + p.Q("disks/DISK2"));
    EXPECT_NE(r.output.find("INSTALL.INI:11: warning: the file PROG.EX_ is not in " + p.dir / "disks/DISK1"), std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("INSTALL.INI:14: warning: the file DATA.DAT is not in " + p.dir / "disks/DISK2"), std::string::npos)
        << r.output;
    // A packed script without the uninstaller's line: the entry would point at nothing.
    std::string script = Packed::kScript;
    p.Write("disks/DISK1/INSTALL.INI", script);
    r = p.Zep("check " + p.Q("disks"));
    EXPECT_NE(r.output.find("INSTALL.INI:6: warning: UninstallName is set, so the uninstall entry runs"), std::string::npos)
        << r.output;
    p.Write("disks/DISK1/INSTALL.INI", script + "UNINST.EXE=Target\r\n");  // the author's own
    r = p.Zep("check " + p.Q("disks"));
    EXPECT_EQ(r.output.find("UninstallName"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace zep::tool

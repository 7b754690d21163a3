// Every path the installer offers can finish: an upgrade whose folders are missing, the
// groups of the version replaced, a product at a drive root, relative and UNC targets,
// group names the shell would misread, items without a title, and long uninstall keys.
#include <gtest/gtest.h>

#include "base/text.h"
#include "dialogs/dialog_table.h"
#include "dialogs/mode_selection.h"
#include "shell/environment.h"
#include "shell/shell.h"
#include "system/product_settings.h"
#include "system/program_groups.h"
#include "tests/support/sim_install.h"

namespace zep {
namespace {

using sim::Click;
using sim::Type;
using test::SimInstall;

constexpr int kField = 1701;

// A progress dialog for the group step's status line.
std::intptr_t NoProc(Installer&, Hwnd, std::uint32_t, std::uintptr_t, std::intptr_t) {
    return 0;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

// The sample with an installed version 1.5 that may be upgraded, a subdirectory the new
// version adds, and the group version 1.5 made.
std::string UpgradeScript(bool upgrade_only) {
    std::string script = test::SampleScript();
    if (upgrade_only) script = Replaced(script, "ProductVersion=2.0\r\n", "ProductVersion=2.0\r\nVersionToPatch=1.0\r\n");
    return Replaced(script, "[Exit List]", "[Target Subdirectories]\r\nSubdirectory1=DATA\r\n"
                                           "[Old Program Manager Groups]\r\n1.5=Sample 1.5\r\n[Exit List]");
}

// --- The upgrade (2402) makes its folders. ---

TEST(Upgrade, TheInstalledDirectoryAndItsSubdirectoriesAreMadeBeforeTheCopy) {
    const struct {
        const char* what;
        const char* installed;      // Directory= of the product INI
        bool folder_there;
        std::vector<std::uint16_t> dialogs;
        std::intptr_t result;
    } cases[] = {
        {"a subdirectory the new version adds", "C:\\OLDAPP", true, {kDlgUpgrade}, 1},
        {"the folder was removed", "C:\\OLDAPP", false, {kDlgUpgrade}, 1},
        {"cannot be made", "E:\\OLDAPP", false, {kDlgUpgrade, kErrCreateDirectory, kDlgUpgrade}, 0},
    };
    for (const auto& c : cases) {
        SimInstall s;
        s.machine.add_drive('E', DRIVE_CDROM);
        s.put_script(UpgradeScript(true));
        ASSERT_TRUE(StartUp(s.in));
        s.machine.put_file("C:\\WINDOWS\\SAMPLE.INI",
                           std::string("[Settings]\r\nDirectory=") + c.installed + "\r\nVersion=1.5\r\n");
        if (c.folder_there) s.machine.put_file(std::string(c.installed) + "\\SAMPLE.EXE", "1.5");
        s.os.user.answer(kDlgUpgrade, {Click(IDOK)});
        if (c.result == 0) s.os.user.answer(kErrCreateDirectory, {Click(IDOK)}).answer(kDlgUpgrade, {Click(IDCANCEL)});
        EXPECT_EQ(SelectInstallMode(s.in), c.result) << c.what;
        EXPECT_EQ(s.os.user.dialog_ids(), c.dialogs) << c.what;
        EXPECT_TRUE(s.os.user.errors.empty()) << c.what << "\n" << s.os.user.transcript_text();
        if (c.result == 1) {
            EXPECT_TRUE(s.machine.exists(std::string(c.installed) + "\\DATA")) << c.what;
            EXPECT_STREQ(s.in.dialogs.replaced_version, "1.5") << c.what;
        } else if (s.os.user.shown.size() > 1) {
            EXPECT_EQ(s.os.user.shown[1].texts[1001], "Unable to create E:\\OLDAPP");
        }
        EXPECT_EQ(s.os.current_directories().current.substr(0, 2), "C:") << c.what;
    }
}

// --- The groups of the version replaced go whenever its directory is installed into. ---

TEST(OldGroups, TheReplacedVersionFollowsTheDirectoryNotTheDiskDialogs) {
    const struct {
        const char* what;
        bool upgrade_only;
        const char* typed;  // in 2401; nullptr: Begin on what it offers
        bool deleted;
    } cases[] = {
        {"upgrade", true, nullptr, true},
        {"reinstall into the same folder, files found elsewhere", false, nullptr, true},
        {"reinstall elsewhere", false, "C:\\ELSEWHERE", false},
    };
    for (const auto& c : cases) {
        SimInstall s;
        s.put_script(UpgradeScript(c.upgrade_only));
        s.machine.put_file("C:\\WINDOWS\\SAMPLE.INI", "[Settings]\r\nDirectory=C:\\OLDAPP\r\nVersion=1.5\r\n");
        s.machine.put_file("C:\\OLDAPP\\SAMPLE.EXE", "1.5");
        // The files are not beside setup.exe: dialog 1800 asks where they are.
        s.machine.put_file("C:\\FILES\\SAMPLE.EXE", "2.0");
        s.machine.put_file("C:\\FILES\\SAMPLE.FOT", "font");
        const std::uint16_t first = c.upgrade_only ? kDlgUpgrade : kDlgReinstall;
        std::vector<sim::UserAction> begin;
        if (c.typed != nullptr) begin.push_back(Type(kField, c.typed));
        begin.push_back(Click(IDOK));
        s.os.user.answer(first, begin)
            .answer(kErrFileNotFound, {Type(kField, "C:\\FILES"), Click(IDOK)})
            .answer(kDlgCompleted + 2, {Click(IDCANCEL)});
        s.run();
        EXPECT_TRUE(s.os.user.errors.empty()) << c.what << "\n" << s.os.user.transcript_text();
        const auto& commands = s.machine.progman.commands;
        EXPECT_EQ(std::count(commands.begin(), commands.end(), "[DeleteGroup(Sample 1.5)]"), c.deleted ? 1 : 0)
            << c.what;
    }
}

// --- A drive root is recorded as one, and read back as one. ---

TEST(DriveRoot, AProductAtADriveRootIsOfferedThatRootAgain) {
    const struct {
        const char* recorded;
        const char* offered;  // in 2401's field
    } cases[] = {
        {"C:\\", "C:\\"},
        {"C:", "C:\\"},  // as earlier versions wrote it
        {"C:\\OLDAPP", "C:\\OLDAPP"},
    };
    for (const auto& c : cases) {
        SimInstall s;
        s.put_script(UpgradeScript(false));
        ASSERT_TRUE(StartUp(s.in));
        s.machine.put_file("C:\\OLDAPP\\x", "");
        ASSERT_TRUE(s.os.set_current_directory("C:\\WINDOWS"));  // C:'s own current directory
        s.machine.put_file("C:\\WINDOWS\\SAMPLE.INI", std::string("[Settings]\r\nDirectory=") + c.recorded +
                                                          "\r\nVersion=1.5\r\n");
        std::string field;
        s.os.user.answer(kDlgReinstall, {sim::Call([&](sim::SimPlatform& os, Hwnd d) { field = os.item_text(d, kField); }),
                                         Click(IDOK)});
        EXPECT_EQ(SelectInstallMode(s.in), 1) << c.recorded;
        EXPECT_EQ(field, c.offered) << c.recorded;
        EXPECT_EQ(std::string(s.in.script.basic.target_dir), std::string(c.offered) + (c.offered[3] ? "\\" : ""))
            << c.recorded;
        EXPECT_STREQ(s.in.dialogs.replaced_version, "1.5") << c.recorded;
        WriteProductSettings(s.in);
        EXPECT_NE(s.machine.read_file("C:\\WINDOWS\\SAMPLE.INI")->find(std::string("Directory=") + c.offered + "\r\n"),
                  std::string::npos)
            << c.recorded;
    }
}

// --- Relative and UNC targets. ---

TEST(Targets, ARelativeEntryGetsItsSubdirectoriesBelowIt) {
    SimInstall s;
    s.put_script(UpgradeScript(false));
    ASSERT_TRUE(StartUp(s.in));
    s.os.user.answer(kDlgNewInstall, {Type(kField, "MYAPP"), Click(IDOK)});
    EXPECT_EQ(ShowInstallDialog(s.in, kDlgNewInstall, 0), 1);
    EXPECT_STREQ(s.in.script.basic.target_dir, "C:\\SETUP\\MYAPP\\");
    EXPECT_TRUE(s.machine.exists("C:\\SETUP\\MYAPP\\DATA"));
    EXPECT_FALSE(s.machine.exists("C:\\SETUP\\MYAPP\\MYAPP"));
}

TEST(Targets, AUncTargetStartsItsProgramAndNamesItsShare) {
    SimInstall s;
    s.machine.add_share("\\\\SERVER\\APPS");
    s.put_script(test::SampleScript());
    ASSERT_TRUE(StartUp(s.in));
    s.machine.put_file("\\\\SERVER\\APPS\\TOOL\\SAMPLE.EXE", "program");
    CopyText(s.in.script.basic.target_dir, "\\\\SERVER\\APPS\\TOOL\\");
    s.os.user.answer(kDlgCompleted + 2, {Click(IDOK)});
    ShowInstallDialog(s.in, kDlgCompleted + 2, 0);
    EXPECT_EQ(s.os.user.dialog_ids(), std::vector<std::uint16_t>{kDlgCompleted + 2});  // no 2200
    ASSERT_EQ(s.machine.started.size(), 1u);
    EXPECT_EQ(s.machine.started[0].current_directory, "\\\\SERVER\\APPS\\TOOL");

    // Too little room on the share: 1500 names it rather than a drive "\".
    s.in.script.basic.disk_space = 0x7FFFFFFF;
    s.os.user.answer(kDlgNewInstall, {Type(kField, "\\\\SERVER\\APPS\\NEW"), Click(IDOK), Click(IDCANCEL)})
        .answer(kErrDiskSpace, {Click(IDOK)});
    ShowInstallDialog(s.in, kDlgNewInstall, 0);
    ASSERT_EQ(s.os.user.shown.back().id, kErrDiskSpace);
    const std::string said = s.os.user.shown.back().texts[1001];
    EXPECT_EQ(said.substr(0, said.find(" has only")), "Drive \\\\SERVER\\APPS") << said;
}

TEST(Targets, TheWindowsDriveComesBackWhateverTheCaseOrAServer) {
    const struct {
        const char* windows;
        const char* current;  // after the restore
    } cases[] = {
        {"c:\\windows", "C:\\SETUP"},  // drive C's own directory
        {"\\\\SERVER\\WIN", "\\\\SERVER\\WIN\\"},
    };
    for (const auto& c : cases) {
        SimInstall s;
        s.machine.add_share("\\\\SERVER\\WIN");
        s.machine.add_drive('D');
        s.machine.windows_dir = c.windows;
        s.machine.put_file(std::string(c.windows) + "\\x", "");
        ProbeVersion(s.in);
        ComputeRoots(s.in);
        ASSERT_TRUE(s.os.set_current_directory("D:\\"));
        EXPECT_EQ(RestoreWindowsDrive(s.in), 0) << c.windows;
        EXPECT_EQ(s.os.current_directories().current, c.current) << c.windows;
    }
}

// --- Group names and titles as the shell reads them. ---

struct GroupCase {
    const char* what;
    const char* group;
    const char* items;
    const char* old_groups;
    const char* target;
    std::vector<std::string> commands;
};

TEST(GroupCommands, ArgumentsTheShellWouldMisreadAreQuotedAndQuotesAreRefused) {
    const GroupCase cases[] = {
        {"a comma", "Tools, Utilities", "A.EXE=Tool (beta)\r\n", "", "C:\\APP\\",
         {"[DeleteGroup(\"Tools, Utilities\")]", "[CreateGroup(\"Tools, Utilities\")]",
          "[AddItem(c:\\app\\a.exe, \"Tool (beta)\")]"}},
        {"blanks at the ends", "\" Tools \"", "A.EXE=Tool\r\n", "", "C:\\APP\\",
         {"[DeleteGroup(\" Tools \")]", "[CreateGroup(\" Tools \")]", "[AddItem(c:\\app\\a.exe, Tool)]"}},
        {"a path with parentheses", "Tools", "A.EXE=Tool\r\n", "", "C:\\Program Files (x86)\\",
         {"[DeleteGroup(Tools)]", "[CreateGroup(Tools)]", "[AddItem(\"c:\\program files (x86)\\a.exe\", Tool)]"}},
        {"old groups", "Tools", "A.EXE=Tool\r\n", "1.5=Old, Tools\r\n1.5a=\"Q\"uoted\r\n", "C:\\APP\\",
         {"[DeleteGroup(\"Old, Tools\")]", "[DeleteGroup(Tools)]", "[CreateGroup(Tools)]",
          "[AddItem(c:\\app\\a.exe, Tool)]"}},
        {"a quote in a title", "Tools", "A.EXE=The \"A\" Tool\r\nB.EXE=B Tool\r\n", "", "C:\\APP\\",
         {"[DeleteGroup(Tools)]", "[CreateGroup(Tools)]", "[AddItem(c:\\app\\b.exe, B Tool)]"}},
        {"a quote in the group name", "The \"Best\" Tools", "A.EXE=Tool\r\n", "", "C:\\APP\\", {}},
    };
    for (const GroupCase& c : cases) {
        SimInstall s;
        std::string script = test::SampleScript();
        std::size_t at = script.find("[Program Manager Group]"), end = script.find("[Run]");
        script.replace(at, end - at, std::string("[Program Manager Group]\r\nGroupName=") + c.group + "\r\n" + c.items +
                                         "[Old Program Manager Groups]\r\n" + c.old_groups);
        s.put_script(script);
        ASSERT_TRUE(StartUp(s.in));
        s.in.copy.progress_dialog = s.os.create_dialog_param(kDlgProgress, 0, NoProc, 0);
        CopyText(s.in.script.basic.target_dir, c.target);
        CopyText(s.in.dialogs.replaced_version, "1.5");
        GroupStep(s.in);
        EXPECT_EQ(s.machine.progman.commands, c.commands) << c.what;
    }
}

// --- Items without a title, and who 2401 names. ---

TEST(GroupItems, AnItemWithoutATitleIsPassedOverNotTheEndOfTheList) {
    SimInstall s;
    std::string script = Replaced(test::SampleScript(), "SAMPLE.EXE=Sample Tool\r\n",
                                  "NTTOOL.EXE=,WinNT\r\nSAMPLE.EXE=Sample Tool\r\nREADME.TXT=Read Me\r\n");
    s.put_script(script);
    ASSERT_TRUE(StartUp(s.in));
    s.in.copy.progress_dialog = s.os.create_dialog_param(kDlgProgress, 0, NoProc, 0);
    CopyText(s.in.script.basic.target_dir, "C:\\APP\\");
    GroupStep(s.in);
    EXPECT_EQ(s.machine.progman.commands,
              (std::vector<std::string>{"[DeleteGroup(Sample Tool)]", "[CreateGroup(Sample Tool)]",
                                        "[AddItem(c:\\app\\sample.exe, Sample Tool)]",
                                        "[AddItem(c:\\app\\readme.txt, Read Me)]"}));
}

TEST(Reinstall, TheDialogNamesTheProductWhenNoOtherNameIsKnown) {
    const struct {
        const char* installed_version;
        const char* old_name;
        const char* old_version;
        const char* named;
    } cases[] = {
        {"", "", "", "Sample Tool  was previously"},
        {"", "Sample Classic", "", "Sample Classic  was previously"},
        {"1.5", "", "1.9", "Sample Tool 1.5 was previously"},
        {"2.0", "Sample Classic", "1.9", "Sample Tool 2.0 was previously"},
    };
    for (const auto& c : cases) {
        SimInstall s;
        s.put_script(test::SampleScript());
        ASSERT_TRUE(StartUp(s.in));
        CopyText(s.in.dialogs.installed_dir, "C:\\APP");
        CopyText(s.in.dialogs.installed_version, c.installed_version);
        CopyText(s.in.script.basic.old_product_name, c.old_name);
        CopyText(s.in.script.basic.old_product_version, c.old_version);
        s.os.user.answer(kDlgReinstall, {Click(IDCANCEL)});
        ShowInstallDialog(s.in, kDlgReinstall, 0);
        EXPECT_EQ(s.os.user.shown[0].texts[1001].substr(0, std::string(c.named).size()), c.named);
    }
}

// --- Uninstall entries whose full path just fits. ---

TEST(UninstallEntry, AStaleEntryWhosePathJustFitsIsReplacedToo) {
    SimInstall s;
    s.put_script(test::SampleScript());
    ASSERT_TRUE(StartUp(s.in));
    CopyText(s.in.script.basic.target_dir, "C:\\SAMPLE\\");
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    for (std::size_t length : {206u, 207u, 208u}) {  // full paths of 258, 259 and 260 characters
        sim::RegistryKey* k = s.machine.registry_key(key + "\\" + std::string(length, 'A' + length - 206), true);
        const std::string uninstaller = "c:\\sample\\uninst.exe";
        k->values["UNINSTALLSTRING"] = {
            "UninstallString", REG_SZ,
            std::vector<std::uint8_t>(uninstaller.c_str(), uninstaller.c_str() + uninstaller.size() + 1)};
    }
    WriteUninstallEntry(s.in);
    EXPECT_EQ(s.machine.registry_key(key + "\\" + std::string(206, 'A')), nullptr);
    EXPECT_EQ(s.machine.registry_key(key + "\\" + std::string(207, 'B')), nullptr);
    EXPECT_NE(s.machine.registry_key(key + "\\" + std::string(208, 'C')), nullptr);  // cannot be named: left
}

}  // namespace
}  // namespace zep

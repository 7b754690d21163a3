// A whole installation as a person runs it: the directory dialogs' checks, the choice of
// mode, the completion dialog that starts the program, and what is remembered afterwards.
#include <gtest/gtest.h>

#include "base/text.h"
#include "dialogs/dialog_table.h"
#include "dialogs/directory_dialog.h"
#include "dialogs/mode_selection.h"
#include "shell/environment.h"
#include "shell/shell.h"
#include "system/product_settings.h"
#include "tests/support/sim_install.h"

namespace zep {
namespace {

using sim::Call;
using sim::Click;
using sim::Type;
using test::SimInstall;

constexpr int kField = 1701;

// An installer past start-up with the sample script loaded.
struct Dirs : ::testing::Test {
    void SetUp() override {
        s.put_script(test::SampleScript());
        ASSERT_TRUE(StartUp(s.in));
    }
    SimInstall s;
};

// The dialog of the last refusal, and the field's text when the user gave up.
struct Outcome {
    std::intptr_t result;
    std::vector<std::uint16_t> dialogs;
    std::string field;
};

// Types an entry and presses OK / Begin; a refusal (when one is expected) is answered with
// OK, and the user then cancels the dialog that stayed open.
Outcome Attempt(SimInstall& s, const std::string& entry, std::uint16_t dialog = kDlgNewInstall,
                std::uint16_t refusal = 0) {
    Outcome o;
    std::size_t before = s.os.user.shown.size();
    std::vector<sim::UserAction> actions = {Type(kField, entry), Click(IDOK)};
    if (refusal != 0) {
        actions.push_back(Call([&o](sim::SimPlatform& os, Hwnd d) { o.field = os.item_text(d, kField); }));
        actions.push_back(Click(IDCANCEL));
    }
    s.os.user.answer(dialog, actions);
    if (refusal != 0) s.os.user.answer(refusal, {Click(IDOK)});
    o.result = ShowInstallDialog(s.in, dialog, 0);
    for (std::size_t i = before; i < s.os.user.shown.size(); ++i) o.dialogs.push_back(s.os.user.shown[i].id);
    return o;
}

TEST_F(Dirs, ABareDriveLetterMeansThatDrivesCurrentDirectory) {
    s.machine.add_drive('D');
    s.machine.put_file("D:\\TOOLS\\x", "");
    ASSERT_TRUE(s.os.set_current_directory("D:\\TOOLS"));
    ASSERT_TRUE(s.os.set_current_directory("C:\\SETUP"));
    Outcome o = Attempt(s, "d:");
    EXPECT_EQ(o.result, 1);
    EXPECT_STREQ(s.in.script.basic.target_dir, "D:\\TOOLS\\");
    EXPECT_STREQ(s.in.dialogs.message_arg, "D:\\TOOLS");
    EXPECT_EQ(s.os.current_directories().current.substr(0, 2), "C:");  // the Windows drive again
}

TEST_F(Dirs, TrailingBackslashesGoButADriveRootKeepsItsOwn) {
    EXPECT_EQ(Attempt(s, "C:\\APP\\\\\\").result, 1);
    EXPECT_STREQ(s.in.script.basic.target_dir, "C:\\APP\\");
    EXPECT_TRUE(s.machine.exists("C:\\APP"));
    EXPECT_EQ(Attempt(s, "C:\\").result, 1);
    EXPECT_STREQ(s.in.script.basic.target_dir, "C:\\");
}

TEST_F(Dirs, TwoNewLevelsAreCreatedWithTheTargetSubdirectories) {
    s.in.script.subdirectories[0] = s.os.add_atom("BIN");
    s.in.script.subdirectories[1] = s.os.add_atom("DOC\\EN");
    s.in.script.subdirectory_count = 2;
    s.machine.add_drive('D');
    EXPECT_EQ(Attempt(s, "D:\\NEW\\SUB").result, 1);
    EXPECT_TRUE(s.machine.exists("D:\\NEW\\SUB\\BIN"));
    EXPECT_TRUE(s.machine.exists("D:\\NEW\\SUB\\DOC\\EN"));
}

TEST_F(Dirs, UncAndRelativeEntriesSkipTheDriveTest) {
    s.machine.add_share("\\\\SERVER\\APPS");
    s.machine.put_file("\\\\SERVER\\APPS\\OLD\\x", "");
    EXPECT_EQ(Attempt(s, "\\\\server\\apps\\OLD").result, 1);
    EXPECT_EQ(Attempt(s, "\\\\server\\apps\\NEW\\ONE").result, 1);  // created below the share
    EXPECT_TRUE(s.machine.exists("\\\\SERVER\\APPS\\NEW\\ONE"));
    EXPECT_EQ(Attempt(s, "REL").result, 1);  // relative to the current directory
    EXPECT_STREQ(s.in.script.basic.target_dir, "C:\\SETUP\\REL\\");  // C:'s own directory
}

TEST_F(Dirs, RefusalsKeepTheDialogOpenWithTheTypedText) {
    Outcome missing_drive = Attempt(s, "Q:\\APP\\", kDlgNewInstall, kErrBadDrive);
    EXPECT_EQ(missing_drive.dialogs, (std::vector<std::uint16_t>{kDlgNewInstall, kErrBadDrive}));
    EXPECT_EQ(s.os.user.shown.back().texts[1001], "Drive Q does not exist; please enter another drive and directory.");
    EXPECT_EQ(missing_drive.result, 0);
    EXPECT_EQ(missing_drive.field, "Q:\\APP\\");  // typed text kept (the drive test came first)
    EXPECT_STREQ(s.in.script.basic.target_dir, "Q:\\APP\\");

    s.machine.add_drive('E', DRIVE_CDROM);
    Outcome read_only = Attempt(s, "E:\\APP\\\\", kDlgNewInstall, kErrCreateDirectory);
    EXPECT_EQ(read_only.dialogs.back(), kErrCreateDirectory);
    EXPECT_EQ(s.os.user.shown.back().texts[1001], "Unable to create E:\\APP");
    EXPECT_EQ(read_only.field, "E:\\APP");  // cleaned of its trailing backslashes
    EXPECT_EQ(s.os.current_directories().current.substr(0, 2), "C:");

    // A name that is a file passes creation ("exists") and still cannot be entered.
    s.machine.put_file("C:\\AFILE", "x");
    EXPECT_EQ(Attempt(s, "C:\\AFILE", kDlgNewInstall, kErrCreateDirectory).dialogs.back(), kErrCreateDirectory);
}

TEST_F(Dirs, TheFocusReturnsToTheFieldAfterARefusal) {
    Hwnd focus = 0, field = 0;
    s.os.user.answer(kDlgNewInstall, {Type(kField, "Q:\\"), Click(IDOK), Call([&](sim::SimPlatform& os, Hwnd d) {
                                          field = os.get_dlg_item(d, kField);
                                          focus = os.machine().window(d)->focus;
                                      }),
                                      Click(IDCANCEL)});
    s.os.user.answer(kErrBadDrive, {Click(IDOK)});
    ShowInstallDialog(s.in, kDlgNewInstall, 0);
    EXPECT_EQ(focus, field);
}

TEST_F(Dirs, TooLittleFreeSpace) {
    sim::Drive& d = *s.machine.drive('C');
    d.bytes_per_sector = 512;
    d.sectors_per_cluster = 1;
    s.in.script.basic.disk_space = 1048576;  // 1024 KB needed
    d.free_bytes = 2046 * 512;               // 2046 sectors: rounded to 2048, 1024 KB: enough
    EXPECT_EQ(Attempt(s, "C:\\APP").result, 1);
    d.free_bytes = 1535 * 512;  // rounds to 1024 sectors: 512 KB
    Outcome o = Attempt(s, "C:\\APP", kDlgNewInstall, kErrDiskSpace);
    EXPECT_EQ(o.dialogs.back(), kErrDiskSpace);
    EXPECT_EQ(s.os.user.shown.back().texts[1001],
              "Drive C has only 512K of free disk space; 1024K is needed to install Sample Tool.");
    // A drive of terabytes does not wrap around to a small number.
    d.sectors_per_cluster = 64;
    d.bytes_per_sector = 4096;
    d.free_bytes = 6ull << 40;
    EXPECT_EQ(Attempt(s, "C:\\APP").result, 1);
    EXPECT_EQ(s.in.dialogs.free_kb, 0xFFFFFFFFu);
}

TEST_F(Dirs, TheInstallersOwnFolderIsRefusedInDiskModeWhateverItsCase) {
    Outcome o = Attempt(s, "c:\\setup", kDlgNewInstall, kDlgDirectoryInUse);
    EXPECT_EQ(o.dialogs.back(), kDlgDirectoryInUse);
    EXPECT_EQ(s.os.user.shown.back().texts[1001],
              "C:\\setup is being used for installation disks; please enter a different directory.");
    s.in.loader.embedded = true;  // no disks to protect
    EXPECT_EQ(Attempt(s, "C:\\SETUP").result, 1);
}

TEST_F(Dirs, DiskDialogsRedirectTheInstallationFiles) {
    CopyText(s.in.copy.disk_name, "Sample Tool Disk 2");
    s.machine.put_file("C:\\DISK2\\x", "");
    Outcome o = Attempt(s, "C:\\DISK2", kErrInsertDisk);
    EXPECT_EQ(o.result, 1);
    EXPECT_STREQ(s.in.env.installer_root, "C:\\DISK2\\");
    EXPECT_EQ(s.os.user.shown[0].texts[1001],
              "Please insert Sample Tool Disk 2 or enter another directory where this disk's files can be found.");
    EXPECT_EQ(Attempt(s, "C:\\NOWHERE", kErrFileNotFound, kErrNoDirectory).dialogs.back(), kErrNoDirectory);
    CopyText(s.in.script.basic.target_dir, "C:\\APP\\");
    s.machine.put_file("C:\\APP\\x", "");
    EXPECT_EQ(Attempt(s, "C:\\APP", kErrFileNotFound, kDlgDirectoryInUse).dialogs.back(), kDlgDirectoryInUse);
    EXPECT_EQ(s.os.user.shown.back().texts[1001],
              "Sample Tool is being installed in C:\\APP; please enter a different directory.");
}

TEST_F(Dirs, BeginIsGreyedWhileTheFieldIsEmpty) {
    std::vector<bool> enabled;
    auto look = [&](sim::SimPlatform& os, Hwnd d) { enabled.push_back(os.item_enabled(d, IDOK)); };
    s.os.user.answer(kDlgNewInstall, {Call(look), Type(kField, ""), Call(look), Type(kField, "C"), Call(look),
                                      Click(IDCANCEL)});
    EXPECT_EQ(ShowInstallDialog(s.in, kDlgNewInstall, 0), 0);
    EXPECT_EQ(enabled, (std::vector<bool>{true, false, true}));
}

TEST_F(Dirs, BrowsePreselectsTheTypedFolder) {
    s.os.user.browse_answers = {std::string("C:\\PICKED"), std::nullopt};
    std::string after_pick, after_cancel;
    s.os.user.answer(kDlgNewInstall, {Type(kField, "C:\\TYPED"), Click(2403),
                                      Call([&](sim::SimPlatform& os, Hwnd d) { after_pick = os.item_text(d, kField); }),
                                      Click(2403),
                                      Call([&](sim::SimPlatform& os, Hwnd d) { after_cancel = os.item_text(d, kField); }),
                                      Click(IDCANCEL)});
    ShowInstallDialog(s.in, kDlgNewInstall, 0);
    EXPECT_EQ(after_pick, "C:\\PICKED");
    EXPECT_EQ(after_cancel, "C:\\PICKED");
    EXPECT_NE(s.os.user.transcript_text().find(
                  "browse \"Select the directory where you wish to install Sample Tool.\" preselecting \"C:\\TYPED\""),
              std::string::npos);
}

TEST_F(Dirs, TheReinstallDialogNamesTheCopyFoundAndTheReplacedVersion) {
    CopyText(s.in.dialogs.installed_dir, "C:\\OLDAPP");
    CopyText(s.in.dialogs.installed_version, "1.5");
    CopyText(s.in.script.basic.old_product_name, "Sample Classic");
    CopyText(s.in.script.basic.old_product_version, "1.9");
    s.machine.put_file("C:\\OLDAPP\\x", "");
    s.os.user.answer(kDlgReinstall, {Click(IDOK)});
    EXPECT_EQ(ShowInstallDialog(s.in, kDlgReinstall, 0), 1);
    EXPECT_EQ(s.os.user.shown.back().texts[1001],
              "Sample Classic 1.5 was previously installed in C:\\OLDAPP.\n\nIf you do not wish to overwrite this copy, "
              "enter a different directory below.");
    EXPECT_STREQ(s.in.dialogs.replaced_version, "1.5");
    EXPECT_STREQ(s.in.script.basic.target_dir, "C:\\OLDAPP\\");
    EXPECT_EQ(Attempt(s, "C:\\ELSEWHERE", kDlgReinstall).result, 1);
    EXPECT_STREQ(s.in.dialogs.replaced_version, "");
}

// --- Mode selection ---

struct ModeCase {
    const char* installed;
    const char* to_patch;
    const char* product;
    std::uint16_t dialog;
};

TEST(ModeSelection, UpgradesWithinTheVersionWindowInLstrcmpiOrder) {
    const ModeCase cases[] = {
        {"", "1.0", "2.0", kErrNothingToUpgrade},     // nothing installed
        {"1.0", "1.0", "2.0", kDlgUpgrade},           // the lower bound is included
        {"2.0", "1.0", "2.0", kDlgUpgrade},           // and the upper
        {"1.5", "1.0", "2.0", kDlgUpgrade},
        {"2.1", "1.0", "2.0", kErrNothingToUpgrade},  // a newer copy
        {"0.9", "1.0", "2.0", kErrNothingToUpgrade},
        {"1.10", "1.0", "1.9", kDlgUpgrade},          // text order: "1.10" < "1.9"
        {"10.0", "9.0", "11.0", kErrNothingToUpgrade},  // and "10.0" < "9.0"
    };
    for (const ModeCase& c : cases) {
        SimInstall s;
        s.put_script(test::SampleScript());
        ASSERT_TRUE(StartUp(s.in));
        s.machine.put_file("C:\\WINDOWS\\SAMPLE.INI", std::string("[Settings]\r\nDirectory=C:\\SAMPLE\r\nVersion=") +
                                                           c.installed + "\r\n");
        CopyText(s.in.script.basic.version_to_patch, c.to_patch);
        CopyText(s.in.script.basic.product_version, c.product);
        s.os.user.answer(c.dialog, {Click(IDCANCEL)});
        SelectInstallMode(s.in);
        EXPECT_EQ(s.os.user.dialog_ids(), std::vector<std::uint16_t>{c.dialog}) << c.installed;
        EXPECT_STREQ(s.in.script.basic.target_dir, "C:\\SAMPLE\\");  // the copy found, unchecked
    }
}

TEST(ModeSelection, NewReinstallAndFontsOnly) {
    SimInstall s;
    s.put_script(test::SampleScript());
    ASSERT_TRUE(StartUp(s.in));
    s.os.user.answer(kDlgNewInstall, {Click(IDCANCEL)});
    EXPECT_EQ(SelectInstallMode(s.in), 0);

    // The product INI has a version but no directory: both come from the old INI.
    s.machine.put_file("C:\\WINDOWS\\SAMPLE.INI", "[Settings]\r\nVersion=1.0\r\n");
    s.machine.put_file("C:\\OLD.INI", "[Settings]\r\nDirectory=C:\\CLASSIC\r\n");
    CopyText(s.in.script.basic.old_product_ini, "C:\\OLD.INI");
    s.os.user.answer(kDlgReinstall, {Click(IDCANCEL)});
    SelectInstallMode(s.in);
    EXPECT_STREQ(s.in.dialogs.installed_dir, "C:\\CLASSIC");
    EXPECT_STREQ(s.in.dialogs.installed_version, "");

    s.in.script.basic.fonts_only = 1;
    CopyText(s.in.script.basic.version_to_patch, "1.0");
    s.os.user.answer(kDlgFontsOnly, {Click(IDOK)});
    EXPECT_EQ(SelectInstallMode(s.in), 1);
    EXPECT_EQ(s.os.user.dialog_ids().back(), kDlgFontsOnly);
}

// --- Product settings and the uninstall entry ---

TEST(ProductSettings, DirectoryVersionAndFirstTime) {
    const struct {
        const char* target;
        const char* product;
        const char* installed;
        const char* want;
    } cases[] = {
        {"C:\\SAMPLE\\", "2.0", "", "[Settings]\r\nVersion=2.0\r\nDirectory=C:\\SAMPLE\r\nFirstTime=1\r\n"},
        {"C:\\", "2.0", "2.0", "[Settings]\r\nVersion=2.0\r\nDirectory=C:\\\r\n"},  // a root keeps its backslash
        {"C:\\SAMPLE\\", "2.0", "2.0A", "[Settings]\r\nVersion=2.0\r\nDirectory=C:\\SAMPLE\r\nFirstTime=1\r\n"},
        {"C:\\SAMPLE\\", "", "1.0", "[Settings]\r\nDirectory=C:\\SAMPLE\r\nFirstTime=1\r\n"},
    };
    for (const auto& c : cases) {
        SimInstall s;
        s.put_script(test::SampleScript());
        ASSERT_TRUE(StartUp(s.in));
        CopyText(s.in.script.basic.target_dir, c.target);
        CopyText(s.in.script.basic.product_version, c.product);
        CopyText(s.in.dialogs.installed_version, c.installed);
        WriteProductSettings(s.in);
        EXPECT_EQ(s.machine.read_file("C:\\WINDOWS\\SAMPLE.INI").value_or("(none)"), c.want) << c.target;
    }
}

const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

void AddEntry(sim::Machine& m, const std::string& name, const std::string& uninstaller) {
    sim::RegistryKey* k = m.registry_key(std::string(kUninstall) + "\\" + name, true);
    std::vector<std::uint8_t> data(uninstaller.begin(), uninstaller.end());
    data.push_back(0);
    k->values["UNINSTALLSTRING"] = {"UninstallString", REG_SZ, data};
}

TEST(UninstallEntry, ReplacesEntriesForTheSameDirectory) {
    SimInstall s;
    s.put_script(test::SampleScript());
    ASSERT_TRUE(StartUp(s.in));
    CopyText(s.in.script.basic.target_dir, "C:\\Sample Tool\\");
    AddEntry(s.machine, "Aardvark", "c:\\other\\uninst.exe");
    AddEntry(s.machine, "Sample 1.0", "C:\\SAMPLE TOOL\\UNINST.EXE");  // adjacent stale entries
    AddEntry(s.machine, "Sample 1.5", "c:\\sample tool\\uninst.exe");
    AddEntry(s.machine, "Zebra", "c:\\zebra\\uninst.exe");
    WriteUninstallEntry(s.in);
    const sim::RegistryKey* root = s.machine.registry_key(kUninstall);
    std::vector<std::string> names;
    for (const auto& [key, sub] : root->subkeys) names.push_back(sub->name);
    EXPECT_EQ(names, (std::vector<std::string>{"Aardvark", "Sample Tool 2.0", "Zebra"}));
    std::string entry = std::string(kUninstall) + "\\Sample Tool 2.0";
    EXPECT_EQ(s.machine.registry_text(entry, "UninstallString"), "c:\\sample tool\\uninst.exe");
    EXPECT_EQ(s.machine.registry_text(entry, "DisplayName"), "Sample Tool 2.0");
    EXPECT_EQ(s.os.open_keys(), 0u);
}

TEST(UninstallEntry, AKeyThatCannotBeDeletedDoesNotStopTheScan) {
    SimInstall s;
    s.machine.set_nt(4, 0);
    s.put_script(test::SampleScript());
    ASSERT_TRUE(StartUp(s.in));
    CopyText(s.in.script.basic.target_dir, "C:\\SAMPLE\\");
    AddEntry(s.machine, "Held", "c:\\sample\\uninst.exe");
    s.machine.registry_key(std::string(kUninstall) + "\\Held\\Child", true);  // NT keeps it
    AddEntry(s.machine, "Later", "c:\\sample\\uninst.exe");
    WriteUninstallEntry(s.in);
    EXPECT_NE(s.machine.registry_key(std::string(kUninstall) + "\\Held"), nullptr);
    EXPECT_EQ(s.machine.registry_key(std::string(kUninstall) + "\\Later"), nullptr);
}

TEST(UninstallEntry, NothingOnTheOldShellOrWithoutAName) {
    SimInstall nt351;
    nt351.machine.set_nt(3, 51);
    nt351.put_script(test::SampleScript());
    ASSERT_TRUE(StartUp(nt351.in));
    WriteUninstallEntry(nt351.in);
    EXPECT_EQ(nt351.machine.registry_key(kUninstall), nullptr);

    SimInstall nameless;
    nameless.put_script(test::SampleScript());
    ASSERT_TRUE(StartUp(nameless.in));
    nameless.in.script.basic.uninstall_name[0] = '\0';
    nameless.os.faults.record_calls(true);
    WriteUninstallEntry(nameless.in);
    EXPECT_EQ(nameless.os.faults.count("reg_open_key", kUninstall), 0u);
}

// --- A whole installation ---

TEST(Installation, FromTheFirstDialogToTheStartedProgram) {
    SimInstall s;
    s.put_script(test::SampleScript());
    s.machine.put_file("C:\\SETUP\\SAMPLE.EXE", "program");
    s.machine.put_file("C:\\SETUP\\SAMPLE.FOT", "font");
    s.os.user.answer(kDlgNewInstall, {Type(kField, "c:\\sample"), Click(IDOK)})
        .answer(kDlgCompleted + 2, {Click(IDOK)});
    EXPECT_EQ(s.run(), 0);
    EXPECT_TRUE(s.os.user.errors.empty()) << s.os.user.transcript_text();
    EXPECT_EQ(s.os.user.dialog_ids(), (std::vector<std::uint16_t>{kDlgNewInstall, kDlgProgress, kDlgCompleted + 2}));
    EXPECT_EQ(s.machine.read_file("C:\\SAMPLE\\SAMPLE.EXE"), "program");
    EXPECT_EQ(s.machine.read_file("C:\\WINDOWS\\FONTS\\SAMPLE.FOT"), "font");
    ASSERT_EQ(s.machine.started.size(), 1u);
    EXPECT_EQ(s.machine.started[0].command_line, "C:\\sample\\SAMPLE.EXE");  // as typed, the drive upper-cased
    EXPECT_EQ(s.machine.started[0].current_directory, "C:\\sample");
    EXPECT_EQ(s.machine.read_file("C:\\WINDOWS\\SAMPLE.INI"),
              "[Settings]\r\nVersion=2.0\r\nDirectory=C:\\sample\r\nFirstTime=1\r\n");
    EXPECT_EQ(s.machine.registry_text(std::string(kUninstall) + "\\Sample Tool 2.0", "UninstallString"),
              "c:\\sample\\uninst.exe");
}

TEST(Completion, AProgramThatWillNotStartOffersRetryUntilCancel) {
    SimInstall s;
    s.put_script(test::SampleScript());
    ASSERT_TRUE(StartUp(s.in));
    CopyText(s.in.script.basic.target_dir, "c:\\sample\\");  // typed in lower case
    s.os.user.answer(kDlgCompleted + 2, {Click(IDOK)})
        .answer(kErrStartProgram, {Call([](sim::SimPlatform& os, Hwnd) {
                                       os.machine().put_file("C:\\SAMPLE\\SAMPLE.EXE", "now here");
                                   }),
                                   Click(IDOK)});
    EXPECT_EQ(ShowInstallDialog(s.in, kDlgCompleted + 2, 0), 1);
    EXPECT_EQ(s.os.user.dialog_ids(), (std::vector<std::uint16_t>{kDlgCompleted + 2, kErrStartProgram}));
    EXPECT_EQ(s.os.user.shown[1].texts[1001], "Error: unable to start Sample Tool.");
    ASSERT_EQ(s.machine.started.size(), 1u);  // the lower-case drive letter still works

    s.os.user.answer(kDlgCompleted + 2, {Click(IDCANCEL)});  // No: nothing starts
    EXPECT_EQ(ShowInstallDialog(s.in, kDlgCompleted + 2, 0), 0);
    EXPECT_EQ(s.machine.started.size(), 1u);

    CopyText(s.in.script.run.program, "MISSING.EXE");
    s.os.user.answer(kDlgCompleted + 2, {Click(IDOK)}).answer(kErrStartProgram, {Click(IDCANCEL)});
    EXPECT_EQ(ShowInstallDialog(s.in, kDlgCompleted + 2, 0), 1);  // still completed
}

}  // namespace
}  // namespace zep

// The install script loader: what each section stores and every error it reports, with
// the context dialog 1100 and 1600 show.
#include <gtest/gtest.h>

#include "dialogs/dialog_table.h"
#include "script/key_names.h"
#include "script/loader.h"
#include "shell/environment.h"
#include "tests/support/sim_install.h"

namespace zep {
namespace {

using test::SimInstall;

// The sample script with one line replaced (or removed when the new line is empty).
std::string Edited(const std::string& old_line, const std::string& new_line) {
    std::string s = test::SampleScript();
    auto at = s.find("\n" + old_line + "\r\n");
    EXPECT_NE(at, std::string::npos) << old_line;
    s.replace(at + 1, old_line.size() + 2, new_line.empty() ? "" : new_line + "\r\n");
    return s;
}

std::string KeyOfError(const SimInstall& s) {
    return kKeyNames[s.in.loader.key_index];
}

std::vector<FileEntry> Entries(SimInstall& s, int disk) {
    const DiskRecord& d = s.in.script.disks[disk];
    if (d.count == 0) return {};
    auto* e = static_cast<FileEntry*>(s.os.global_lock(d.entries));
    std::vector<FileEntry> out(e, e + d.count);
    s.os.global_unlock(d.entries);
    return out;
}

TEST(Loader, FillsTheTablesFromTheSampleScript) {
    SimInstall s;
    ASSERT_EQ(s.load(test::SampleScript()), kOk);
    const ScriptTables& t = s.in.script;
    EXPECT_STREQ(t.basic.caption, "Sample Tool Setup");
    EXPECT_STREQ(t.basic.help_file_path, "C:\\WINDOWS\\SAMPLE.HLP");
    EXPECT_STREQ(t.basic.product_ini, "SAMPLE.INI");
    EXPECT_STREQ(t.basic.target_dir, "C:\\SAMPLE");
    EXPECT_EQ(t.basic.total_disks, 1);
    EXPECT_EQ(t.basic.disk_space, 500000);
    EXPECT_EQ(t.exit_count, 1u);
    EXPECT_EQ(s.text(t.exit_list[0].window_class), "SampleMainWindow");
    EXPECT_EQ(t.exit_list[0].title_prefixes, 0);
    EXPECT_STREQ(t.group_name, "Sample Tool");
    EXPECT_EQ(s.text(t.group_items[0].program), "SAMPLE.EXE");
    EXPECT_EQ(t.group_items[0].platforms, 7u);
    EXPECT_EQ(t.run.choice, 2);
    EXPECT_STREQ(t.run.program, "SAMPLE.EXE");
    EXPECT_EQ(s.text(t.disks[0].name), "Sample Tool Disk 1");
    auto e = Entries(s, 0);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(s.text(e[0].source), "SAMPLE.EXE");
    EXPECT_EQ(s.text(e[0].destination), "SAMPLE.EXE");
    EXPECT_EQ(s.text(e[0].description), "Program");
    EXPECT_EQ(e[0].resource_id, 12002);
    EXPECT_EQ(e[0].kind, kTargetDir);
    EXPECT_EQ(e[1].resource_id, 12003);
    EXPECT_EQ(e[1].kind, kFontsDir);
    EXPECT_EQ(e[1].description, 0);
    EXPECT_EQ(e[1].flags, kDisplayFlags | kFlagSystemFont);
    EXPECT_EQ(t.disks[1].name, 0);
}

TEST(Loader, MissingScriptReportsItsPathAndStoresNothing) {
    SimInstall s;
    ProbeVersion(s.in);
    ComputeRoots(s.in);
    EXPECT_EQ(LoadInstallScript(s.in), kErrOpenScript);
    EXPECT_STREQ(s.in.dialogs.message_arg, "C:\\SETUP\\INSTALL.INI");
    EXPECT_EQ(s.os.atom_count(), 0u);
}

TEST(Loader, RequiredKeysAreNamedWithTheirSection) {
    const struct {
        const char* line;
        const char* key;
        const char* section;
    } cases[] = {
        {"HelpFileName=SAMPLE.HLP", "HelpFileName", "Basic Information"},
        {"Caption=Sample Tool Setup", "Caption", "Basic Information"},
        {"ProductName=Sample Tool", "ProductName", "Basic Information"},
        {"DefaultTargetDir=C:\\SAMPLE", "DefaultTargetDir", "Basic Information"},
        {"TotalDisks=1", "TotalDisks", "Basic Information"},
        {"DiskSpace=500000", "DiskSpace", "Basic Information"},
        {"Buttons=Yes/No", "Buttons", "Run"},
        {"Message=Start Sample Tool now?", "Message", "Run"},
        {"Name=Sample Tool", "Name", "Run"},
        {"DiskName=Sample Tool Disk 1", "DiskName", "Disk 1"},
    };
    for (const auto& c : cases) {
        for (const std::string& replacement : {std::string(), std::string(c.key) + "="}) {
            SimInstall s;
            EXPECT_EQ(s.load(Edited(c.line, replacement)), kErrMissingKey) << c.line;
            EXPECT_EQ(KeyOfError(s), c.key);
            EXPECT_STREQ(s.in.loader.section, c.section);
        }
    }
}

TEST(Loader, AnEmptyCaptionLeavesInstallAsTheTitle) {
    SimInstall s;
    EXPECT_EQ(s.load(Edited("Caption=Sample Tool Setup", "Caption=")), kErrMissingKey);
    EXPECT_STREQ(s.in.script.basic.caption, "Install");
}

TEST(Loader, TotalDisks) {
    for (const char* value : {"0", "junk"}) {
        SimInstall s;
        EXPECT_EQ(s.load(Edited("TotalDisks=1", std::string("TotalDisks=") + value)), kErrMissingKey);
        EXPECT_EQ(KeyOfError(s), "TotalDisks");
    }
    for (const char* value : {"33", "-1"}) {
        SimInstall s;
        EXPECT_EQ(s.load(Edited("TotalDisks=1", std::string("TotalDisks=") + value)), kErrTooManyDisks) << value;
    }
    SimInstall many;
    std::string script = Edited("TotalDisks=1", "TotalDisks=32");
    for (int n = 2; n <= 32; ++n) script += "[Disk " + std::to_string(n) + "]\r\nDiskName=D" + std::to_string(n) + "\r\n";
    EXPECT_EQ(many.load(script), kOk);
    EXPECT_NE(many.in.script.disks[31].name, 0);
}

TEST(Loader, HelpFileNameWithAnEmptyPartIsAnError) {
    for (const char* value : {",SAMPLE.HLP", "SAMPLE.HL_,", ","}) {
        SimInstall s;
        EXPECT_EQ(s.load(Edited("HelpFileName=SAMPLE.HLP", std::string("HelpFileName=") + value)),
                  kErrScriptLine);
        EXPECT_EQ(std::string(s.in.dialogs.message_arg), std::string("HelpFileName=") + value);
    }
    SimInstall two;
    EXPECT_EQ(two.load(Edited("HelpFileName=SAMPLE.HLP", "HelpFileName=SAMPLE.HL_,TOOL.HLP")), kOk);
    EXPECT_STREQ(two.in.script.basic.help_file_path, "C:\\WINDOWS\\TOOL.HLP");
}

TEST(Loader, DiskSpaceFallsBackToTheDisplayClassKey) {
    const std::string script = Edited("DiskSpace=500000", "VGADiskSpace=700000");
    SimInstall vga;
    EXPECT_EQ(vga.load(script), kOk);
    EXPECT_EQ(vga.in.script.basic.disk_space, 700000);
    SimInstall ega;
    ega.machine.pixels_per_inch = 72;
    EXPECT_EQ(ega.load(script), kErrMissingKey);
    EXPECT_EQ(KeyOfError(ega), "DiskSpace");
    for (const std::string& line : {std::string("DiskSpace=0"), std::string("VGADiskSpace=0"),
                                    std::string("DiskSpace=-5")}) {
        SimInstall s;
        EXPECT_EQ(s.load(Edited("DiskSpace=500000", line)), kErrScriptLine) << line;
        std::string value = line.substr(line.find('=') + 1);
        EXPECT_EQ(std::string(s.in.dialogs.message_arg), "DiskSpace=" + value);
    }
}

TEST(Loader, WindowsVersionIsCheckedAgainstTheRunningSystem) {
    const struct {
        const char* value;
        std::uint16_t on_95, on_nt351;
    } cases[] = {
        {"4.10", kErrWindowsVersion, kErrWindowsVersion},
        {"4.0", kOk, kErrWindowsVersion},
        {"3.10", kOk, kOk},  // 3.1
        {"3.95", kOk, kErrWindowsVersion},
        {"4", kOk, kOk},     // no period: never checked
        {"2.0", kOk, kOk},   // below 3: never checked
        {"5.-1", kOk, kOk},  // a negative minor: never checked
    };
    for (const auto& c : cases) {
        std::string line = std::string("ProductVersion=2.0\r\nWindowsVersion=") + c.value;
        SimInstall win95;
        EXPECT_EQ(win95.load(Edited("ProductVersion=2.0", line)), c.on_95) << c.value;
        SimInstall nt;
        nt.machine.set_nt(3, 51);
        EXPECT_EQ(nt.load(Edited("ProductVersion=2.0", line)), c.on_nt351) << c.value;
    }
    SimInstall s;
    s.load(Edited("ProductVersion=2.0", "WindowsVersion=4.10"));
    EXPECT_EQ(s.in.script.basic.windows_major, 4);
    EXPECT_EQ(s.in.script.basic.windows_minor, 1);
}

TEST(Loader, DeleteListStopsAtTheFirstGapAndWantsRootFiles) {
    SimInstall s;
    ASSERT_EQ(s.load(test::SampleScript() + "[Delete List]\r\nFile1=Windows\\OLD.DLL\r\nFile3=Target\\X\r\n"), kOk);
    ASSERT_EQ(s.in.script.delete_count, 1u);
    EXPECT_EQ(s.text(s.in.script.delete_list[0].file), "OLD.DLL");
    EXPECT_EQ(s.in.script.delete_list[0].kind, kWindowsDir);
    for (const char* bad : {"OLD.DLL", "Nowhere\\OLD.DLL", "Target\\", "Target\\sub\\OLD.DLL"}) {
        SimInstall t;
        EXPECT_EQ(t.load(test::SampleScript() + "[Delete List]\r\nFile1=" + bad + "\r\n"), kErrScriptLine) << bad;
        EXPECT_EQ(std::string(t.in.dialogs.message_arg), std::string("File1=") + bad);
        EXPECT_STREQ(t.in.loader.section, "Delete List");
    }
}

TEST(Loader, TargetSubdirectoriesAndOldGroups) {
    SimInstall s;
    std::string script = test::SampleScript() +
                         "[Target Subdirectories]\r\nSubdirectory1=BIN\r\nSubdirectory2=DOC\\EN\r\n"
                         "Subdirectory4=LOST\r\n[Old Program Manager Groups]\r\n";
    for (int v = 1; v <= 10; ++v) script += "1." + std::to_string(v) + "=Old " + std::to_string(v) + "\r\n";
    ASSERT_EQ(s.load(script), kOk);
    ASSERT_EQ(s.in.script.subdirectory_count, 2u);
    EXPECT_EQ(s.text(s.in.script.subdirectories[1]), "DOC\\EN");
    EXPECT_EQ(s.in.script.old_group_count, 8u);
    EXPECT_EQ(s.text(s.in.script.old_groups[7].version), "1.8");
}

TEST(Loader, RunProgramKeyFollowsThePlatform) {
    const std::string script = Edited("File=SAMPLE.EXE", "Win95File=SAMPLE95.EXE\r\nFile=SAMPLE.EXE");
    SimInstall win95;
    ASSERT_EQ(win95.load(script), kOk);
    EXPECT_STREQ(win95.in.script.run.program, "SAMPLE95.EXE");
    SimInstall nt;
    nt.machine.set_nt(4, 0);
    ASSERT_EQ(nt.load(script), kOk);
    EXPECT_STREQ(nt.in.script.run.program, "SAMPLE.EXE");

    SimInstall none;
    ASSERT_EQ(none.load(Edited("File=SAMPLE.EXE", "")), kOk);
    EXPECT_EQ(none.in.script.run.choice, 0);

    SimInstall ok_cancel;
    ASSERT_EQ(ok_cancel.load(Edited("Buttons=Yes/No", "Buttons=ok/cancel")), kOk);
    EXPECT_EQ(ok_cancel.in.script.run.choice, 1);
    SimInstall bad;
    EXPECT_EQ(bad.load(Edited("Buttons=Yes/No", "Buttons=Maybe")), kErrScriptLine);
    EXPECT_STREQ(bad.in.dialogs.message_arg, "Buttons=Maybe");
}

TEST(Loader, FileLinesAcrossDisksWithTheDisplayFilter) {
    SimInstall s;  // VGA
    std::string script = Edited("TotalDisks=1", "TotalDisks=2");
    script = script.substr(0, script.find("[Disk 1]")) +
             "[Disk 1]\r\nDiskName=One\r\nA.EXE=Target\r\nB.EGA=Target,,EGA\r\n"
             "C.DAT=Target\\bin\\C.DAT,Main program,VGA\r\n"
             "[Disk 2]\r\nDiskName=Two\r\nD.FON=Fonts,Font,EGA,VGA,8514,EGA,Append,Bogus\r\n"
             "E.TXT=Windows,,8514,HiddenFont\r\n[Disk 3]\r\nDiskName=Unread\r\n";
    ASSERT_EQ(s.load(script), kOk);
    auto one = Entries(s, 0);
    ASSERT_EQ(one.size(), 2u);
    EXPECT_EQ(one[0].resource_id, 12002);
    EXPECT_EQ(one[1].resource_id, 12004);
    EXPECT_EQ(s.text(one[1].destination), "bin\\C.DAT");
    EXPECT_EQ(s.text(one[1].description), "Main program");
    EXPECT_EQ(one[1].flags, kFlagVga);
    auto two = Entries(s, 1);
    ASSERT_EQ(two.size(), 0u);  // D.FON is EGA only, E.TXT 8514 only
    EXPECT_EQ(s.in.script.disks[1].count, 0);
    EXPECT_NE(s.in.script.disks[1].entries, 0u);
    EXPECT_EQ(s.in.script.disks[2].name, 0);

    SimInstall ega;
    ega.machine.pixels_per_inch = 72;
    ASSERT_EQ(ega.load(script), kOk);
    auto d = Entries(ega, 1);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].resource_id, 12005);  // ids count on across disks
    EXPECT_EQ(d[0].flags, kFlagEga | kFlagAppend);
}

TEST(Loader, MalformedFileLinesNameTheirDiskAndLine) {
    for (const char* line : {"X.EXE=", "X.EXE=Nowhere", "X.EXE=Target\\", "X.EXE=,Target"}) {
        SimInstall s;
        EXPECT_EQ(s.load(test::SampleScript() + line + "\r\n"), kErrScriptLine) << line;
        EXPECT_STREQ(s.in.loader.section, "Disk 1");
        EXPECT_EQ(std::string(s.in.dialogs.message_arg), line);
    }
}

TEST(Loader, ADiskWithOnlyItsNameLoads) {
    SimInstall s;
    std::string script = test::SampleScript();
    script = script.substr(0, script.find("SAMPLE.EXE=Target,Program"));
    ASSERT_EQ(s.load(script), kOk);
    EXPECT_EQ(s.in.script.disks[0].count, 0);
    EXPECT_NE(s.in.script.disks[0].entries, 0u);
}

TEST(Loader, GroupItemsAndTheirPlatforms) {
    SimInstall s;
    ASSERT_EQ(s.load(Edited("SAMPLE.EXE=Sample Tool",
                            "SAMPLE.EXE=Sample Tool\r\nNT.EXE=NT Tool,WinNT\r\nTWO.EXE=Two,Win31,Win95,Bogus\r\n"
                            "EMPTY.EXE=")),
              kOk);
    EXPECT_EQ(s.in.script.group_items[1].platforms, 4u);
    EXPECT_EQ(s.in.script.group_items[2].platforms, 3u);
    EXPECT_EQ(s.text(s.in.script.group_items[2].title), "Two");
    EXPECT_EQ(s.in.script.group_items[3].program, 0);  // an empty value is skipped

    SimInstall nameless;
    ASSERT_EQ(nameless.load(Edited("GroupName=Sample Tool", "")), kOk);
    EXPECT_EQ(nameless.in.script.group_items[0].program, 0);
}

TEST(Loader, FontSectionsShareThirtyTwoPairs) {
    SimInstall s;
    std::string script = test::SampleScript() + "[fonts]\r\nEmpty=\r\n";
    for (int i = 0; i < 40; ++i) script += "Font " + std::to_string(i) + "=F" + std::to_string(i) + ".TTF\r\n";
    script += "[VGA Fonts]\r\nScreen=SCREEN.FON\r\n";
    ASSERT_EQ(s.load(script), kOk);
    EXPECT_EQ(s.text(s.in.script.fonts[0].name), "Font 0");
    EXPECT_EQ(s.text(s.in.script.fonts[31].file), "F31.TTF");

    SimInstall vga;
    ASSERT_EQ(vga.load(test::SampleScript() + "[fonts]\r\nA=A.TTF\r\n[VGA Fonts]\r\nScreen=SCREEN.FON\r\n[EGA Fonts]\r\nE=E.FON\r\n"),
              kOk);
    EXPECT_EQ(vga.text(vga.in.script.fonts[1].file), "SCREEN.FON");
    EXPECT_EQ(vga.in.script.fonts[2].file, 0);
}

TEST(Loader, StringsKeepTheFirstSpellingAndTooLongOnesRunOutOfMemory) {
    SimInstall s;
    ASSERT_EQ(s.load(test::SampleScript() + "A.TXT=Target,Read Me\r\nB.TXT=Target,READ ME\r\n"), kOk);
    auto e = Entries(s, 0);
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(s.text(e[3].description), "Read Me");

    SimInstall long_key;
    EXPECT_EQ(long_key.load(test::SampleScript() + std::string(256, 'K') + "=Target\r\n"), kErrOutOfMemory);
    SimInstall full;
    full.os.faults.add({"add_atom", "", 5, true, ERROR_NOT_ENOUGH_MEMORY});
    EXPECT_EQ(full.load(test::SampleScript()), kErrOutOfMemory);
    SimInstall no_memory;
    no_memory.os.faults.add({"global_alloc", "", 1, false, ERROR_NOT_ENOUGH_MEMORY});
    EXPECT_EQ(no_memory.load(test::SampleScript()), kErrOutOfMemory);
}

TEST(Loader, ALongLineIsRecordedCutNeverOverrun) {
    SimInstall s;
    std::string key(200, 'k');
    std::string value(255, 'v');
    EXPECT_EQ(s.load(test::SampleScript() + key + "=Nowhere" + value + "\r\n"), kErrScriptLine);
    EXPECT_EQ(std::string(s.in.dialogs.message_arg).size(), sizeof s.in.dialogs.message_arg - 1);
}

TEST(Loader, ReleasingTheTablesReturnsEveryAtomAndBlock) {
    SimInstall s;
    ASSERT_EQ(s.load(test::SampleScript() + "[fonts]\r\nA=A.TTF\r\n"), kOk);
    std::size_t exit_atoms = 1;
    ReleaseScriptTables(s.in);
    EXPECT_EQ(s.os.atom_count(), exit_atoms);
    EXPECT_EQ(s.os.global_block_count(), 0u);
    EXPECT_EQ(s.in.script.disks[0].name, 0);
}

}  // namespace
}  // namespace zep

// Fonts made known to the system and Program Manager groups over DDE: what lands in the
// registry, win.ini and the fonts loaded, and the commands the shell receives.
#include <gtest/gtest.h>

#include "base/text.h"
#include "engine/copy_driver.h"
#include "shell/shell.h"
#include "system/fonts.h"
#include "system/program_groups.h"
#include "tests/support/sim_install.h"

namespace zep {
namespace {

using test::SimInstall;

const char kFontsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";
const char kNtFontsKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

std::string Script(const std::string& fonts, const std::string& group = "") {
    std::string script = test::SampleScript();
    std::size_t at = script.find("[Program Manager Group]");
    std::size_t end = script.find("[Run]");
    script.replace(at, end - at, group);
    return script + "[fonts]\r\n" + fonts;
}

// An installer past start-up on Windows 95, NT 4 or NT 3.51, with a progress dialog to
// show its status line and the font files in the fonts root.
struct Rig {
    void Start(const std::string& script, const char* version = "win95") {
        if (std::string(version) == "nt40") s.machine.set_nt(4, 0);
        if (std::string(version) == "nt351") s.machine.set_nt(3, 51);
        if (s.machine.version.platform_id == VER_PLATFORM_WIN32_NT) {
            s.machine.windows_dir = "C:\\WINNT";
            s.machine.system_dir = "C:\\WINNT\\SYSTEM32";
        }
        s.machine.registry_key(kFontsKey, true);
        s.machine.registry_key(kNtFontsKey, true);
        s.put_script(script);
        ASSERT_TRUE(StartUp(s.in));
        for (const char* f : {"SAMPLE.TTF", "SAMPLETTF", "TTF", "SMALL.FON", "LOWER.TTF"}) {
            s.machine.put_file(std::string(s.in.env.fonts_root) + f, "font");
        }
        s.in.copy.progress_dialog = s.os.create_dialog_param(2100, s.in.shell.main_window, NoProc, 0);
    }
    static std::intptr_t NoProc(Installer&, Hwnd, std::uint32_t, std::uintptr_t, std::intptr_t) { return 0; }
    std::string status() { return s.os.item_text(s.in.copy.progress_dialog, 1001); }
    std::string font_value(const char* key, const char* name) {
        return s.machine.registry_text(key, name).value_or("<none>");
    }
    std::size_t font_broadcasts() {
        std::size_t n = 0;
        for (std::size_t i = 0; i + 1 < s.machine.broadcasts.size(); ++i) {
            const auto& a = s.machine.broadcasts[i];
            const auto& b = s.machine.broadcasts[i + 1];
            if (a.message == WM_FONTCHANGE && b.message == WM_WININICHANGE && b.text == "fonts") ++n;
        }
        return n;
    }
    SimInstall s;
};

struct System : ::testing::Test, Rig {};

TEST_F(System, NewShellRecordsFontsInTheKeyOfItsPlatformAndLoadsThem) {
    for (const char* version : {"win95", "nt40"}) {
        Rig round;
        round.Start(Script("Sample (TrueType)=SAMPLE.TTF\r\nSmall=SMALL.FON\r\n"), version);
        FontStep(round.s.in, FontMode::kInstall);
        const bool nt = std::string(version) == "nt40";
        const char* key = nt ? kNtFontsKey : kFontsKey;
        EXPECT_EQ(round.font_value(key, "Sample (TrueType)"), "SAMPLE.TTF") << version;
        EXPECT_EQ(round.font_value(nt ? kFontsKey : kNtFontsKey, "Sample (TrueType)"), "<none>") << version;
        const auto& values = round.s.machine.registry_key(key)->values;
        auto small = values.find("SMALL");
        ASSERT_NE(small, values.end());
        EXPECT_EQ(small->second.data.size(), 10u);  // "SMALL.FON" and its terminating zero
        const std::string fonts = round.s.in.env.fonts_root;
        EXPECT_EQ(round.s.machine.font_loads(fonts + "SAMPLE.TTF"), 1) << version;
        EXPECT_EQ(round.s.machine.font_loads(fonts + "SMALL.FON"), 1) << version;
        EXPECT_FALSE(round.s.machine.exists(fonts + "SAMPLE.FOT"));
        EXPECT_FALSE(round.s.machine.exists(std::string(round.s.machine.windows_dir) + "\\WIN.INI"));
        EXPECT_EQ(round.status(), "Installing Fonts...");
        EXPECT_EQ(round.font_broadcasts(), 1u);
        EXPECT_EQ(round.s.os.open_keys(), 0u);
    }
}

TEST_F(System, OldShellMakesAFotFileForTrueTypeAndNamesItInWinIni) {
    Start(Script("Sample=SAMPLE.TTF\r\nSmall=SMALL.FON\r\nShort=TTF\r\nJoined=SAMPLETTF\r\nLower=lower.ttf\r\n"),
          "nt351");
    FontStep(s.in, FontMode::kInstall);
    const std::string fonts = s.in.env.fonts_root;  // the system directory
    EXPECT_EQ(fonts, "C:\\WINNT\\SYSTEM32\\");
    EXPECT_EQ(s.machine.read_file("C:\\WINNT\\WIN.INI"),
              "[fonts]\r\nSample=SAMPLE.FOT\r\nSmall=SMALL.FON\r\nShort=TTF\r\nJoined=SAMPLEFOT\r\nLower=lower.FOT\r\n");
    EXPECT_TRUE(s.machine.exists(fonts + "SAMPLE.FOT"));
    EXPECT_TRUE(s.machine.exists(fonts + "SAMPLEFOT"));
    EXPECT_EQ(s.machine.font_loads(fonts + "LOWER.FOT"), 1);
    EXPECT_EQ(s.machine.font_loads(fonts + "SAMPLE.FOT"), 1);
    EXPECT_EQ(s.machine.font_loads(fonts + "SAMPLE.TTF"), 0);
    EXPECT_EQ(s.machine.font_loads(fonts + "SMALL.FON"), 1);
    EXPECT_EQ(s.machine.font_loads(fonts + "TTF"), 1);  // three characters: not TrueType
    EXPECT_EQ(s.machine.registry_key(kNtFontsKey)->values.size(), 0u);

    // Withdrawing and putting back use the same .FOT path and leave win.ini alone; an
    // existing .FOT makes a second install's creation fail, which goes unnoticed.
    FontStep(s.in, FontMode::kWithdraw);
    EXPECT_EQ(s.machine.font_loads(fonts + "SAMPLE.FOT"), 0);
    FontStep(s.in, FontMode::kPutBack);
    EXPECT_EQ(s.machine.font_loads(fonts + "SAMPLE.FOT"), 1);
    FontStep(s.in, FontMode::kInstall);
    EXPECT_EQ(s.machine.font_loads(fonts + "SAMPLE.FOT"), 2);
    EXPECT_EQ(font_broadcasts(), 4u);
}

TEST_F(System, WithdrawnFontsArePutBackOnlyWhereRemovingWorked) {
    Start(Script("Sample (TrueType)=SAMPLE.TTF\r\nSmall=SMALL.FON\r\n"));
    const std::string fonts = s.in.env.fonts_root;
    s.os.add_font_resource((fonts + "SAMPLE.TTF").c_str());  // an older copy is loaded; SMALL.FON is not
    s.machine.registry_key(kFontsKey)->values.clear();
    Hkey key = 0;
    s.os.reg_open_key(HKEY_LOCAL_MACHINE, kFontsKey, key);
    s.os.reg_set_value_ex(key, "Sample (TrueType)", REG_SZ, "SAMPLE.TTF", 11);
    s.os.reg_close_key(key);

    FontStep(s.in, FontMode::kWithdraw);
    EXPECT_EQ(s.in.fonts_withdrawn[0], 1);
    EXPECT_EQ(s.in.fonts_withdrawn[1], 0);
    EXPECT_EQ(s.machine.font_loads(fonts + "SAMPLE.TTF"), 0);
    EXPECT_TRUE(s.machine.registry_key(kFontsKey)->values.empty());
    EXPECT_EQ(status(), "");  // only installing shows a status

    FontStep(s.in, FontMode::kPutBack);
    EXPECT_EQ(s.machine.font_loads(fonts + "SAMPLE.TTF"), 1);
    EXPECT_EQ(s.machine.font_loads(fonts + "SMALL.FON"), 0);  // it was never unloaded
    EXPECT_EQ(font_value(kFontsKey, "Sample (TrueType)"), "SAMPLE.TTF");  // the value it had comes back
    EXPECT_EQ(font_value(kFontsKey, "Small"), "<none>");  // it had none: none is made up
    EXPECT_EQ(font_broadcasts(), 2u);
}

TEST_F(System, PuttingBackWithoutWithdrawingLoadsNothing) {
    Start(Script("Sample (TrueType)=SAMPLE.TTF\r\n"));
    FontStep(s.in, FontMode::kPutBack);
    EXPECT_EQ(s.machine.font_loads(std::string(s.in.env.fonts_root) + "SAMPLE.TTF"), 0);
    EXPECT_EQ(font_value(kFontsKey, "Sample (TrueType)"), "<none>");  // nothing was taken away
    EXPECT_EQ(font_broadcasts(), 1u);
}

TEST_F(System, WithoutTheRegistryKeyFontsAreStillLoadedAndAnnounced) {
    Start(Script("Sample (TrueType)=SAMPLE.TTF\r\n"));
    s.os.faults.add({"reg_open_key", kFontsKey, 0, true, ERROR_ACCESS_DENIED});
    FontStep(s.in, FontMode::kInstall);
    EXPECT_EQ(s.machine.font_loads(std::string(s.in.env.fonts_root) + "SAMPLE.TTF"), 1);
    EXPECT_EQ(font_value(kFontsKey, "Sample (TrueType)"), "<none>");
    EXPECT_EQ(font_broadcasts(), 1u);
    EXPECT_EQ(s.os.open_keys(), 0u);
}

TEST_F(System, AnEmptyFontListShowsAndAnnouncesNothing) {
    Start(Script("Empty=\r\n"));
    for (FontMode mode : {FontMode::kWithdraw, FontMode::kInstall, FontMode::kPutBack}) FontStep(s.in, mode);
    EXPECT_EQ(status(), "");
    EXPECT_TRUE(s.machine.broadcasts.empty());
    EXPECT_EQ(s.os.open_keys(), 0u);
}

// The copy driver withdraws before copying and puts back after a Cancel, also a Cancel
// that comes before anything was withdrawn.
TEST_F(System, ACancelledCopyPutsTheWithdrawnFontsBack) {
    for (unsigned cancel_at : {1u, 3u}) {
        Rig round;
        std::string script = Script("Sample (TrueType)=SAMPLE.TTF\r\n");
        round.Start(script);
        SimInstall& t = round.s;
        t.os.destroy_window(t.in.copy.progress_dialog);
        t.in.copy.progress_dialog = 0;
        const std::string font = std::string(t.in.env.fonts_root) + "SAMPLE.TTF";
        t.os.add_font_resource(font.c_str());  // installed before, so loaded and recorded
        Hkey key = 0;
        t.os.reg_open_key(HKEY_LOCAL_MACHINE, kFontsKey, key);
        t.os.reg_set_value_ex(key, "Sample (TrueType)", REG_SZ, "SAMPLE.TTF", 11);
        t.os.reg_close_key(key);
        CopyText(t.in.script.basic.target_dir, "C:\\APP\\");
        t.machine.put_file("C:\\APP\\.keep", "");
        t.machine.put_file("C:\\SETUP\\SAMPLE.EXE", "program");
        t.machine.put_file("C:\\SETUP\\SAMPLE.FOT", "font");
        unsigned peeks = 0;
        t.os.user.on_peek = [&](sim::SimPlatform& os, unsigned) {
            if (t.in.copy.progress_dialog != 0 && ++peeks == cancel_at) os.post_click(t.in.copy.progress_dialog, IDCANCEL);
        };
        EXPECT_EQ(RunCopyDriver(t.in), 0) << cancel_at;
        EXPECT_EQ(t.machine.font_loads(font), 1) << cancel_at;  // loaded once, as before
        EXPECT_EQ(round.font_value(kFontsKey, "Sample (TrueType)"), "SAMPLE.TTF") << cancel_at;
    }
}

// --- Program Manager groups. ---

std::string Group(const std::string& items, const std::string& old_groups = "") {
    return "[Program Manager Group]\r\nGroupName=Sample Tool\r\n" + items +
           (old_groups.empty() ? "" : "[Old Program Manager Groups]\r\n" + old_groups);
}

TEST_F(System, TheGroupIsMadeAgainWithTheItemsOfThisPlatform) {
    Start(Script("", Group("SAMPLE.EXE=Sample Tool\r\nBIN\\NT.EXE=NT Tool,WinNT\r\nW95.EXE=95 Tool,Win95,Win31\r\n",
                           "1.0=Sample 1.0\r\n1.5A=Sample 1.5\r\n")));
    CopyText(s.in.script.basic.target_dir, "C:\\Program\\");
    CopyText(s.in.dialogs.replaced_version, "1.5a");  // versions match without regard to case
    GroupStep(s.in);
    EXPECT_EQ(status(), "Creating Taskbar Shortcuts...");
    EXPECT_EQ(s.machine.progman.commands,
              (std::vector<std::string>{"[DeleteGroup(Sample 1.5)]", "[DeleteGroup(Sample Tool)]",
                                        "[CreateGroup(Sample Tool)]",
                                        "[AddItem(c:\\program\\sample.exe, Sample Tool)]",
                                        "[AddItem(c:\\program\\w95.exe, 95 Tool)]"}));
    // The conversation and its names are gone; the instance stays until clean-up.
    EXPECT_EQ(s.os.dde_conversations(), 0u);
    EXPECT_EQ(s.os.dde_string_handles(), 0u);
    EXPECT_EQ(s.os.dde_instances(), 1u);
    GroupStep(s.in);
    EXPECT_EQ(s.os.dde_instances(), 1u);
    ReleaseDdeInstance(s.in);
    EXPECT_EQ(s.os.dde_instances(), 0u);
    EXPECT_EQ(s.in.dde_instance, 0u);
}

TEST_F(System, OnNtTheNtItemsAndProgramManagersStatus) {
    Start(Script("", Group("SAMPLE.EXE=Sample Tool,Win95\r\nNT.EXE=NT Tool,WinNT\r\n", "1.5=\r\n")), "nt351");
    CopyText(s.in.script.basic.target_dir, "C:\\APP\\");
    CopyText(s.in.dialogs.replaced_version, "1.5");
    GroupStep(s.in);  // the matching old version names no group: nothing to delete
    EXPECT_EQ(status(), "Creating Program Manager Items...");
    EXPECT_EQ(s.machine.progman.commands,
              (std::vector<std::string>{"[DeleteGroup(Sample Tool)]", "[CreateGroup(Sample Tool)]",
                                        "[AddItem(c:\\app\\nt.exe, NT Tool)]"}));
}

TEST_F(System, NoGroupOrNoFirstItemMeansNoDdeAtAll) {
    for (const std::string& group : {std::string(), Group(""), std::string("[Program Manager Group]\r\nA.EXE=A\r\n")}) {
        Rig round;
        round.Start(Script("", group));
        GroupStep(round.s.in);
        EXPECT_EQ(round.status(), "");
        EXPECT_EQ(round.s.os.dde_instances(), 0u);
        EXPECT_TRUE(round.s.machine.progman.commands.empty());
    }
}

TEST_F(System, WithoutAServerTheStepEndsQuietlyAndTheInstallationCompletes) {
    Start(Script("", Group("SAMPLE.EXE=Sample Tool\r\n")));
    s.machine.progman.answers = false;
    s.os.destroy_window(s.in.copy.progress_dialog);
    s.in.copy.progress_dialog = 0;
    CopyText(s.in.script.basic.target_dir, "C:\\APP\\");
    s.machine.put_file("C:\\APP\\.keep", "");
    s.machine.put_file("C:\\SETUP\\SAMPLE.EXE", "program");
    s.machine.put_file("C:\\SETUP\\SAMPLE.FOT", "font");
    EXPECT_EQ(RunCopyDriver(s.in), 1);
    EXPECT_TRUE(s.machine.progman.commands.empty());
    EXPECT_EQ(s.os.dde_string_handles(), 0u);
    EXPECT_TRUE(s.machine.exists("C:\\WINDOWS\\SAMPLE.INI"));  // the next steps ran
    EXPECT_TRUE(s.os.user.errors.empty()) << s.os.user.transcript_text();
}

}  // namespace
}  // namespace zep

// The dialog table and the message dialogs: every help context's text, the help context
// saved around nested dialogs, placement, and the fonts-only layout.
#include <gtest/gtest.h>

#include "base/text.h"
#include "dialogs/dialog_table.h"
#include "shell/environment.h"
#include "shell/shell.h"
#include "tests/support/sim_install.h"

namespace zep {
namespace {

using sim::Call;
using sim::Click;
using test::SimInstall;

// An installer past start-up: environment probed, templates and strings loaded.
struct Dialogs : ::testing::Test {
    Dialogs() {
        ProbeVersion(s.in);
        ComputeRoots(s.in);
        ProbeDisplay(s.in);
        EXPECT_EQ(PreloadDialogTemplates(s.in), 0);
        LoadStringPool(s.in);
        CopyText(s.in.script.basic.caption, "Sample Tool Setup");
        CopyText(s.in.script.basic.product_name, "Sample Tool");
        CopyText(s.in.loader.script_path, "C:\\SETUP\\INSTALL.INI");
        CopyText(s.in.script.basic.help_file_path, "C:\\WINDOWS\\SAMPLE.HLP");
    }

    // Shows a dialog, answers OK or Cancel, and returns what control 1001 said.
    std::string Show(std::uint16_t id, int answer = IDCANCEL) {
        s.os.user.answer(0, {Click(answer)});
        ShowInstallDialog(s.in, id, 0);
        EXPECT_TRUE(s.os.user.errors.empty()) << s.os.user.transcript_text();
        return s.os.user.shown.empty() ? "" : s.os.user.shown.back().texts[1001];
    }

    SimInstall s;
};

TEST_F(Dialogs, EveryMessageIsFormattedFromTheCurrentState) {
    s.in.dialogs.tested_drive = 'Q';
    EXPECT_EQ(Show(1000, IDOK), "Drive Q does not exist; please enter another drive and directory.");

    CopyText(s.in.script.basic.target_dir, "C:\\NO\\WAY");
    EXPECT_EQ(Show(1400, IDOK), "Unable to create C:\\NO\\WAY");

    CopyText(s.in.dialogs.message_arg, "D:\\APPS");
    s.in.dialogs.free_kb = 1023;
    s.in.script.basic.disk_space = 1048576;
    EXPECT_EQ(Show(1500, IDOK), "Drive D has only 1023K of free disk space; 1024K is needed to install Sample Tool.");

    s.in.loader.key_index = 14;  // TotalDisks
    CopyText(s.in.loader.section, "Basic Information");
    EXPECT_EQ(Show(1600), "The \"TotalDisks=\" line is missing from the \"[Basic Information]\" section of INSTALL.INI.");

    CopyText(s.in.script.run.name, "Sample Tool");
    EXPECT_EQ(Show(2200), "Error: unable to start Sample Tool.");

    EXPECT_EQ(Show(2500), "You cannot have more than 32 installation disks.");

    CopyText(s.in.script.basic.version_to_patch, "1.0");
    EXPECT_EQ(Show(2700), "Unable to find an installed copy of Sample Tool 1.0 to upgrade.");

    s.in.script.basic.windows_major = 4;
    s.in.script.basic.windows_minor = 1;
    EXPECT_EQ(Show(2800), "Sample Tool requires Windows version 4.1 or later. You cannot install it under Windows 4.0.");

    EXPECT_EQ(Show(1900), "Unable to open C:\\SETUP\\INSTALL.INI");

    CopyText(s.in.dialogs.installed_version, "1.5");
    CopyText(s.in.dialogs.installed_dir, "C:\\SAMPLE");
    EXPECT_EQ(Show(2402), "Sample Tool 1.5 is currently installed in C:\\SAMPLE.\n\nClick Begin to upgrade this copy or Cancel to exit.");
    EXPECT_EQ(s.os.user.shown.back().texts[1003], "&View readme file");
    CopyText(s.in.script.basic.view_button_text, "&Notes");
    Show(2402);
    EXPECT_EQ(s.os.user.shown.back().texts[1003], "&Notes");

    // Dialogs whose text is their template's own.
    Show(1200, IDOK);
    EXPECT_EQ(s.os.user.shown.back().texts[-1], "Directory does not exist; please enter another directory.");
    Show(2000);
    EXPECT_EQ(s.os.user.shown.back().texts[-1], "Out of memory; installation will be aborted.");
}

TEST_F(Dialogs, ScriptLineErrorsShowSectionLineAndScript) {
    CopyText(s.in.loader.section, "Disk 1");
    CopyText(s.in.dialogs.message_arg, "SAMPLE.EXE=Nowhere");
    EXPECT_EQ(Show(1100), "The above line from C:\\SETUP\\INSTALL.INI contains an error; installation will be aborted.");
    EXPECT_EQ(s.os.user.shown.back().texts[1101], "[Disk 1]");
    EXPECT_EQ(s.os.user.shown.back().texts[1102], "SAMPLE.EXE=Nowhere");
}

TEST_F(Dialogs, CopyErrorsShowTheSystemsTextAndTheFile) {
    s.os.set_last_error(ERROR_ACCESS_DENIED);
    RecordFailure(s.in, "C:\\SAMPLE\\SAMPLE.EXE");
    s.os.set_last_error(0);  // later calls do not change the record
    EXPECT_EQ(Show(1300), "Access is denied.\r\n\nFilename: C:\\SAMPLE\\SAMPLE.EXE");
    s.os.set_last_error(0xDEAD);  // a code the system has no text for
    RecordFailure(s.in, "X");
    EXPECT_EQ(Show(1300), "\nFilename: X");
}

TEST_F(Dialogs, PseudoIdsShowDialog2300WithTheirOwnHelp) {
    CopyText(s.in.dialogs.message_arg, "C:\\SETUP");
    s.os.user.answer(2300, {Click(1002), Click(IDOK)});
    EXPECT_NE(ShowInstallDialog(s.in, kErrTargetIsInstalled, 0), 0);
    EXPECT_EQ(s.os.user.shown.back().texts[1001], "Sample Tool is being installed in C:\\SETUP; please enter a different directory.");
    s.os.user.answer(2300, {Click(1002), Click(IDOK)});
    ShowInstallDialog(s.in, kErrTargetIsSource, 0);
    EXPECT_EQ(s.os.user.shown.back().texts[1001], "C:\\SETUP is being used for installation disks; please enter a different directory.");
    ASSERT_EQ(s.machine.help_calls.size(), 2u);
    EXPECT_EQ(s.machine.help_calls[0].data, 3072u);
    EXPECT_EQ(s.machine.help_calls[1].data, 3328u);
    EXPECT_EQ(s.in.dialogs.help_context, kNoHelp);
}

TEST_F(Dialogs, NestedDialogsGiveTheOuterItsHelpContextBack) {
    std::vector<std::uint32_t> seen;
    s.os.user.answer(1600, {Call([&](sim::SimPlatform&, Hwnd dialog) {
                                seen.push_back(s.in.dialogs.help_context);
                                s.os.user.answer(2300, {Call([&](sim::SimPlatform&, Hwnd) {
                                                            seen.push_back(s.in.dialogs.help_context);
                                                        }),
                                                        Click(IDOK)});
                                ShowInstallDialog(s.in, kErrTargetIsInstalled, dialog);
                                seen.push_back(s.in.dialogs.help_context);
                            }),
                            Click(IDCANCEL)});
    ShowInstallDialog(s.in, kErrMissingKey, 0);
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{1792, 3072, 1792}));
    EXPECT_EQ(s.in.dialogs.help_context, kNoHelp);
    EXPECT_TRUE(s.os.user.errors.empty()) << s.os.user.transcript_text();
}

TEST_F(Dialogs, HelpAndReadmeButtons) {
    s.os.user.answer(2402, {Click(1002), Click(1003), Click(IDCANCEL)});
    EXPECT_EQ(ShowInstallDialog(s.in, kDlgUpgrade, 0), 0);
    ASSERT_EQ(s.machine.help_calls.size(), 2u);
    EXPECT_EQ(s.machine.help_calls[0].data, 3720u);
    EXPECT_EQ(s.machine.help_calls[1].data, 3904u);
    EXPECT_EQ(s.machine.help_calls[1].file, "C:\\WINDOWS\\SAMPLE.HLP");
}

TEST_F(Dialogs, AnIdWithoutARowShowsNothing) {
    EXPECT_EQ(ShowInstallDialog(s.in, 2600, 0), 0);
    EXPECT_EQ(ShowInstallDialog(s.in, kCancelled, 0), 0);
    EXPECT_TRUE(s.os.user.shown.empty());
    EXPECT_EQ(s.in.dialogs.help_context, kNoHelp);
}

TEST_F(Dialogs, TopLevelDialogsSitAQuarterDownAndCentredAcross) {
    Rect r{};
    s.os.user.answer(1900, {Call([&](sim::SimPlatform& os, Hwnd d) { os.get_window_rect(d, r); }),
                            Click(IDCANCEL)});
    ShowInstallDialog(s.in, kErrOpenScript, 0);
    const int width = r.right - r.left, height = r.bottom - r.top;
    EXPECT_EQ(r.left, (640 - width) / 2);
    EXPECT_EQ(r.top, (480 - height) / 4);
    EXPECT_EQ(s.os.user.shown.back().title, "Sample Tool Setup");

    // Taller than the screen: the formula holds, so the top is above the screen.
    s.machine.screen_height = 100;
    s.os.user.answer(1900, {Call([&](sim::SimPlatform& os, Hwnd d) { os.get_window_rect(d, r); }),
                            Click(IDCANCEL)});
    ShowInstallDialog(s.in, kErrOpenScript, 0);
    EXPECT_EQ(r.top, (100 - (r.bottom - r.top)) / 4);
    EXPECT_LT(r.top, 0);
}

TEST_F(Dialogs, ADialogOverAnotherKeepsItsHeight) {
    Rect outer{}, inner{};
    s.os.user.answer(1600, {Call([&](sim::SimPlatform& os, Hwnd d) {
                                os.get_window_rect(d, outer);
                                s.os.user.answer(1000, {Call([&](sim::SimPlatform& os2, Hwnd d2) {
                                                            os2.get_window_rect(d2, inner);
                                                        }),
                                                        Click(IDOK)});
                                ShowInstallDialog(s.in, kErrBadDrive, d);
                            }),
                            Click(IDCANCEL)});
    ShowInstallDialog(s.in, kErrMissingKey, 0);
    // A template's origin is the owner's client area, and placement keeps that height.
    EXPECT_EQ(inner.top, outer.top + s.machine.frame_y + s.machine.caption);
    EXPECT_EQ(inner.left, (640 - (inner.right - inner.left)) / 2);
}

TEST_F(Dialogs, CompletionComesToTheFrontOnTheNewShellOnly) {
    Show(kDlgCompleted, IDOK);
    EXPECT_NE(s.os.user.transcript_text().find("topmost"), std::string::npos);
    SimInstall nt351;
    nt351.machine.set_nt(3, 51);
    ProbeVersion(nt351.in);
    ASSERT_EQ(PreloadDialogTemplates(nt351.in), 0);
    nt351.os.user.answer(kDlgCompleted, {Click(IDOK)});
    EXPECT_EQ(ShowInstallDialog(nt351.in, kDlgCompleted, 0), 1);
    EXPECT_EQ(nt351.os.user.transcript_text().find("topmost"), std::string::npos);
}

// The shell's window for the new group can appear after the completion dialog: while the
// dialog's timer runs, each tick with that window in front brings the dialog forward
// again; the watch ends once the window has stayed behind for four ticks.
TEST_F(Dialogs, CompletionComesBackInFrontOfTheGroupsWindow) {
    auto raises = [&] {
        std::string t = s.os.user.transcript_text();
        std::size_t n = 0;
        for (std::size_t at = t.find("\ntopmost"); at != std::string::npos; at = t.find("\ntopmost", at + 1)) ++n;
        return n;
    };
    CopyText(s.in.script.group_name, "Sample Tool");
    CopyText(s.in.script.run.message, "Start Sample Tool now?");
    for (std::uint16_t id : {2201, 2202, 2203}) {
        std::vector<std::size_t> seen;  // raises after each step
        std::size_t timers_at_end = 99;
        s.os.user.answer(id, {Call([&](sim::SimPlatform& os, Hwnd d) {
                                  auto tick = [&] {
                                      os.send_message(d, WM_TIMER, kGroupWatchTimer, 0);
                                      seen.push_back(raises());
                                  };
                                  seen.push_back(raises());
                                  tick();  // no group window yet
                                  os.machine().add_foreign_window("Notepad", "Sample Tool notes");
                                  tick();  // another window in front: left alone
                                  os.machine().add_foreign_window("ExploreWClass", "SAMPLE TOOL");
                                  tick();  // the group's window in front: raised
                                  os.machine().bring_to_top(os.find_window("ExploreWClass", nullptr));
                                  tick();  // in front again: raised again
                                  for (int i = 0; i < 4; ++i) tick();  // stays behind: the watch ends
                                  timers_at_end = os.machine().window(d)->timers.size();
                              }),
                              Click(id == 2201 ? IDOK : IDCANCEL)});
        ShowInstallDialog(s.in, id, 0);
        const std::size_t first = seen[0];
        EXPECT_EQ(seen, (std::vector<std::size_t>{first, first, first, first + 1, first + 2, first + 2, first + 2,
                                                  first + 2, first + 2}))
            << id;
        EXPECT_EQ(timers_at_end, 0u) << id;
        EXPECT_TRUE(s.os.user.errors.empty()) << s.os.user.transcript_text();
    }
    // No group, or the old shell: no watch at all.
    s.in.script.group_name[0] = '\0';
    std::size_t timers = 99;
    s.os.user.answer(2201, {Call([&](sim::SimPlatform& os, Hwnd d) { timers = os.machine().window(d)->timers.size(); }),
                            Click(IDOK)});
    ShowInstallDialog(s.in, 2201, 0);
    EXPECT_EQ(timers, 0u);
}

TEST(FontsOnlyLayout, ATallBitmapSpreadsTheButtonsFromItsTopToItsBottom) {
    FontsOnlyInput m{};
    m.button_width = 114;
    m.button_height = 29;
    m.bitmap_left = 6;
    m.bitmap_top = 6;
    m.bitmap_width = 64;
    m.bitmap_height = 140;
    m.base_x = 8;
    m.base_y = 16;
    m.frame_x = 3;
    m.frame_y = 3;
    m.caption = 18;
    FontsOnlyLayout l = ComputeFontsOnlyLayout(m);
    EXPECT_EQ(l.width, 2 * (6 + 3) + 12 + 64 + 114);
    EXPECT_EQ(l.height, 6 + 18 + 6 + 140 + 8);
    EXPECT_EQ(l.buttons_left, 6 + 64 + 8);
    const int gap = (140 - 4 * 29) / 3;
    EXPECT_EQ(l.button_top[0], 6);
    EXPECT_EQ(l.button_top[1], 6 + 29 + gap);
    EXPECT_EQ(l.button_top[2], 6 + 140 - 2 * 29 - gap);
    EXPECT_EQ(l.button_top[3], 6 + 140 - 29);
}

TEST(FontsOnlyLayout, AShortBitmapKeepsTheButtonsInOrderAndGrowsTheDialog) {
    FontsOnlyInput m{};
    m.button_height = 29;
    m.bitmap_top = 6;
    m.bitmap_width = 40;
    m.bitmap_height = 100;  // the fallback size
    m.base_y = 16;
    FontsOnlyLayout l = ComputeFontsOnlyLayout(m);
    for (int i = 1; i < 4; ++i) EXPECT_GE(l.button_top[i], l.button_top[i - 1] + 29);
    EXPECT_GE(l.height, l.button_top[3] + 29);
}

TEST_F(Dialogs, FontsOnlyDialogPaintsItsBitmapWhenThereIsOne) {
    s.in.script.basic.fonts_only = 1;
    s.in.script.basic.fonts_bitmap = s.os.load_bitmap(500);
    ASSERT_TRUE(s.os.get_bitmap_size(s.in.script.basic.fonts_bitmap, s.in.script.basic.bitmap_width,
                                     s.in.script.basic.bitmap_height));
    auto paint = [&](sim::SimPlatform& os, Hwnd d) {
        DrawItem item{};
        item.control_id = 1551;
        item.dc = os.get_dc(d);
        os.send_message(d, WM_DRAWITEM, 1551, reinterpret_cast<std::intptr_t>(&item));
        os.release_dc(d, item.dc);
    };
    s.os.user.answer(1550, {Call(paint), Click(IDOK)});
    EXPECT_EQ(ShowInstallDialog(s.in, kDlgFontsOnly, 0), 1);
    EXPECT_EQ(s.os.paint_log, (std::vector<std::string>{"bitblt 0,0 64x128"}));

    s.os.paint_log.clear();
    s.in.script.basic.fonts_bitmap = 0;  // no image: the 40 x 100 fallback paints nothing
    s.in.script.basic.bitmap_width = 40;
    s.in.script.basic.bitmap_height = 100;
    s.os.user.answer(1550, {Call(paint), Click(IDCANCEL)});
    EXPECT_EQ(ShowInstallDialog(s.in, kDlgFontsOnly, 0), 0);
    EXPECT_TRUE(s.os.paint_log.empty());
}

TEST_F(Dialogs, TemplatesAreReleasedOnce) {
    FreeDialogTemplates(s.in);
    for (Hglobal t : s.in.dialogs.templates) EXPECT_EQ(t, 0u);
    FreeDialogTemplates(s.in);  // a second release finds nothing to do
}

}  // namespace
}  // namespace zep

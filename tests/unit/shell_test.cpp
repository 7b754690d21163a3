// Start-up, the main window and its F1 filter, the message drain and clean-up.
#include <gtest/gtest.h>

#include <algorithm>

#include "dialogs/dialog_table.h"
#include "shell/environment.h"
#include "shell/shell.h"
#include "tests/support/sim_install.h"

namespace zep {
namespace {

using sim::Call;
using sim::Click;
using sim::Key;
using test::SampleScript;
using test::SimInstall;

std::string WithoutLine(std::string script, const std::string& line) {
    auto at = script.find(line + "\r\n");
    if (at != std::string::npos) script.erase(at, line.size() + 2);
    return script;
}

TEST(HelpKey, OnlyAFreshF1PressInADialogAsksForHelp) {
    Msg f1{1, WM_KEYDOWN, VK_F1, 0x00000001, 0, {}};
    EXPECT_TRUE(IsHelpKey(MSGF_DIALOGBOX, f1));
    EXPECT_FALSE(IsHelpKey(2, f1));  // MSGF_MENU: not a dialog
    Msg held = f1;
    held.lparam = 0x40000001;  // already down: auto-repeat
    EXPECT_FALSE(IsHelpKey(MSGF_DIALOGBOX, held));
    Msg up = f1;
    up.message = WM_KEYUP;
    up.lparam = static_cast<std::intptr_t>(0xC0000001u);
    EXPECT_FALSE(IsHelpKey(MSGF_DIALOGBOX, up));
    Msg f2 = f1;
    f2.wparam = VK_F1 + 1;
    EXPECT_FALSE(IsHelpKey(MSGF_DIALOGBOX, f2));
}

TEST(HelpKey, F1InADialogOpensItsHelpOncePerPress) {
    SimInstall s;
    s.put_script(WithoutLine(SampleScript(), "ProductName=Sample Tool"));
    s.os.user.answer(1600, {Key(VK_F1), Key(VK_F1, true), Key(VK_F1), Click(IDCANCEL)});
    EXPECT_EQ(s.run(), 0);
    EXPECT_TRUE(s.os.user.errors.empty()) << s.os.user.transcript_text();
    std::vector<std::uint32_t> contexts;
    for (const sim::HelpCall& h : s.machine.help_calls) {
        if (h.command == HELP_CONTEXT) {
            contexts.push_back(static_cast<std::uint32_t>(h.data));
            EXPECT_EQ(h.file, "C:\\WINDOWS\\SAMPLE.HLP");
        }
    }
    EXPECT_EQ(contexts, (std::vector<std::uint32_t>{1792, 1792}));
}

TEST(HelpKey, F1DoesNothingWhereThereIsNoHelp) {
    SimInstall s;  // no script: dialog 1900, which has no help
    s.os.user.answer(1900, {Key(VK_F1), Click(IDCANCEL)});
    s.run();
    for (const sim::HelpCall& h : s.machine.help_calls) EXPECT_NE(h.command, HELP_CONTEXT);
}

TEST(StartUp, TheMainWindowIsHiddenAndCarriesTheCaption) {
    SimInstall s;
    s.put_script(WithoutLine(SampleScript(), "TotalDisks=1"));
    bool checked = false;
    s.os.user.answer(1600, {Call([&](sim::SimPlatform& os, Hwnd) {
                                Hwnd main = os.find_window(kMainClass, nullptr);
                                ASSERT_NE(main, 0u);
                                EXPECT_EQ(os.get_window_style(main) & WS_VISIBLE, 0u);
                                char title[64];
                                os.get_window_text(main, title, sizeof title);
                                EXPECT_STREQ(title, "Sample Tool Setup");
                                EXPECT_TRUE(os.filter_hook_installed());
                                checked = true;
                            }),
                            Click(IDCANCEL)});
    EXPECT_EQ(s.run(), 0);
    EXPECT_TRUE(checked);
    EXPECT_EQ(s.os.find_window(kMainClass, nullptr), 0u);
    EXPECT_FALSE(s.os.filter_hook_installed());
}

TEST(StartUp, FailingWindowSetUpEndsSilently) {
    for (const char* op : {"register_class", "create_window"}) {
        for (unsigned nth : {1u, 2u}) {
            if (std::string(op) == "create_window" && nth == 2) continue;
            SimInstall s;
            s.put_script(SampleScript());
            s.os.faults.add({op, "", nth});
            EXPECT_EQ(s.run(), 0);
            EXPECT_TRUE(s.os.user.shown.empty()) << op << " " << nth;
            EXPECT_EQ(s.os.find_window(kMainClass, nullptr), 0u);
        }
    }
}

TEST(StartUp, AMissingTemplateEndsSilentlyAfterReleasingTheOthers) {
    for (const char* op : {"find_resource", "load_resource", "lock_resource"}) {
        SimInstall s;
        s.os.faults.add({op, "", 7});
        EXPECT_EQ(s.run(), 0);
        EXPECT_TRUE(s.os.user.shown.empty()) << op;
        EXPECT_EQ(s.os.find_window(kMainClass, nullptr), 0u) << op;
        for (Hglobal t : s.in.dialogs.templates) EXPECT_EQ(t, 0u) << op;
        // The main window went away through WM_DESTROY, which closes help.
        ASSERT_FALSE(s.machine.help_calls.empty());
        EXPECT_EQ(s.machine.help_calls.back().command, HELP_QUIT);
    }
}

TEST(StartUp, LoadsTheStringPoolAndStampNumbers) {
    SimInstall win95;
    ProbeVersion(win95.in);
    LoadStringPool(win95.in);
    ASSERT_NE(win95.in.shell.strings[kGroupStatus], nullptr);
    EXPECT_STREQ(win95.in.shell.strings[kGroupStatus], "Creating Taskbar Shortcuts...");
    EXPECT_STREQ(win95.in.shell.strings[kPercent], "%u%%");
    EXPECT_STREQ(win95.in.shell.strings[kCopyingFile], "Copying %s...");

    SimInstall nt351;
    nt351.machine.set_nt(3, 51);
    ProbeVersion(nt351.in);
    LoadStringPool(nt351.in);
    EXPECT_STREQ(nt351.in.shell.strings[kGroupStatus], "Creating Program Manager Items...");

    SimInstall missing;
    missing.os.resources.set_string(8008, "");
    ProbeVersion(missing.in);
    missing.machine.set_nt(3, 51);
    ProbeVersion(missing.in);
    LoadStringPool(missing.in);
    EXPECT_EQ(missing.in.shell.strings[kGroupStatus], nullptr);
    EXPECT_NE(missing.in.shell.strings[kBeingInstalled], nullptr);

    SimInstall s;
    s.put_script(SampleScript());
    s.run();
    EXPECT_EQ(s.in.shell.stamp_date, 23944);
    EXPECT_EQ(s.in.shell.stamp_time, 2080);
}

TEST(StartUp, AStringPoolThatOverflowsIsCutNeverOverrun) {
    SimInstall s;
    const std::string long_text(300, 'x');
    s.os.resources.set_string(8003, long_text);
    s.os.resources.set_string(8004, long_text);
    ProbeVersion(s.in);
    LoadStringPool(s.in);
    EXPECT_EQ(std::string(s.in.shell.strings[kBrowseTitle]), long_text);
    const char* second = s.in.shell.strings[kCopyingFile];
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(std::string(second).size(), 512u - 301u - 1u);
    EXPECT_EQ(s.in.shell.strings[kInstallingFonts], nullptr);  // no room left
}

TEST(StartUp, MissingScriptOffersRetryUntilTheScriptIsThere) {
    SimInstall s;
    s.os.user.answer(1900, {Click(IDOK)})
        .answer(1900, {Call([](sim::SimPlatform& os, Hwnd) {
                           os.machine().put_file("C:\\SETUP\\INSTALL.INI", SampleScript());
                       }),
                       Click(IDOK)})
        .answer(kDlgNewInstall, {Click(IDCANCEL)});
    EXPECT_EQ(s.run(), 0);
    EXPECT_TRUE(s.os.user.errors.empty()) << s.os.user.transcript_text();
    EXPECT_EQ(s.os.user.dialog_ids(), (std::vector<std::uint16_t>{1900, 1900, kDlgNewInstall}));
    EXPECT_EQ(s.os.user.shown[0].texts[1001], "Unable to open C:\\SETUP\\INSTALL.INI");
    EXPECT_STREQ(s.in.script.basic.product_name, "Sample Tool");
}

TEST(StartUp, CancelOnAMissingScriptEndsWithoutAnotherDialog) {
    SimInstall s;
    s.os.user.answer(1900, {Click(IDCANCEL)});
    EXPECT_EQ(s.run(), 0);
    EXPECT_EQ(s.os.user.dialog_ids(), (std::vector<std::uint16_t>{1900}));
    EXPECT_TRUE(s.os.user.errors.empty());
}

TEST(SingleInstance, RaisesTheMostDeeplyOwnedPopupOfTheOtherInstance) {
    SimInstall s;
    sim::Machine& m = s.machine;
    Hwnd main = m.add_foreign_window(kMainClass, "", 0, 0, 77).handle;
    m.add_foreign_window("IME", "Default IME", WS_POPUP, 0, 77).visible = false;  // met first
    Hwnd dialog = m.add_foreign_window("#32770", "Install", WS_POPUP, main, 77).handle;
    Hwnd nested = m.add_foreign_window("#32770", "Install", WS_POPUP, dialog, 77).handle;
    m.add_foreign_window("#32770", "Other", WS_POPUP, 0, 77);   // same thread, not owned
    m.add_foreign_window("#32770", "Else", WS_POPUP, nested, 78);  // another thread
    m.add_foreign_window("Child", "", 0, nested, 77);            // not a popup
    s.put_script(SampleScript());
    EXPECT_EQ(s.run(), 0);
    EXPECT_EQ(m.raised, (std::vector<Hwnd>{nested}));
    EXPECT_TRUE(s.os.user.shown.empty());
    EXPECT_EQ(s.os.find_window(kMainClass, nullptr), main);  // left alone
}

TEST(SingleInstance, ASecondRunWhileTheFirstWaitsRaisesItsDialogAndEnds) {
    SimInstall first;
    Hwnd waiting = 0;
    int second_result = -1;
    first.os.user.answer(1900, {Call([&](sim::SimPlatform& os, Hwnd dialog) {
                                    waiting = dialog;
                                    sim::SimPlatform other(os.machine(), "C:\\SETUP\\SETUP.EXE");
                                    other.resources = os.resources;
                                    Installer second(other.services());
                                    other.set_context(&second);
                                    second_result = RunInstaller(second);
                                    EXPECT_TRUE(other.user.shown.empty());
                                }),
                                Click(IDCANCEL)});
    EXPECT_EQ(first.run(), 0);
    EXPECT_EQ(second_result, 0);
    EXPECT_EQ(first.machine.raised, (std::vector<Hwnd>{waiting}));
}

// --- The message drain ---

std::vector<std::uint32_t> g_received;

std::intptr_t RecordingProc(Installer&, Hwnd, std::uint32_t msg, std::uintptr_t, std::intptr_t) {
    g_received.push_back(msg);
    return 0;
}

TEST(MessageDrain, ReportsQuitAndLeavesWhatFollowsIt) {
    SimInstall s;
    g_received.clear();
    ASSERT_TRUE(s.os.register_class({"Probe", 0, 0, 0, RecordingProc}));
    Hwnd w = s.os.create_window("Probe", nullptr, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(DrainMessages(s.in), 0);  // nothing queued
    s.os.post_message(w, WM_USER + 1, 0, 0);
    s.os.post_message(w, WM_USER + 2, 0, 0);
    EXPECT_EQ(DrainMessages(s.in), 0);
    s.os.post_message(w, WM_USER + 3, 0, 0);
    s.os.post_message(w, WM_QUIT, 0, 0);
    s.os.post_message(w, WM_USER + 4, 0, 0);
    EXPECT_EQ(DrainMessages(s.in), 1);
    EXPECT_EQ(g_received, (std::vector<std::uint32_t>{WM_CREATE, WM_USER + 1, WM_USER + 2, WM_USER + 3}));
    EXPECT_EQ(s.os.queued_messages(), 1u);
    EXPECT_EQ(DrainMessages(s.in), 0);
    EXPECT_EQ(g_received.back(), WM_USER + 4);
}

std::intptr_t RecordingDialog(Installer&, Hwnd, std::uint32_t msg, std::uintptr_t wparam,
                              std::intptr_t) {
    if (msg == WM_COMMAND) g_received.push_back(static_cast<std::uint32_t>(wparam));
    return msg == WM_COMMAND;
}

TEST(MessageDrain, OffersMessagesToTheProgressDialog) {
    SimInstall s;
    s.put_script(SampleScript());
    ASSERT_TRUE(StartUp(s.in));
    g_received.clear();
    Hwnd progress = s.os.create_dialog_param(2100, 0, RecordingDialog, 0);
    ASSERT_NE(progress, 0u);
    s.in.copy.progress_dialog = progress;
    s.os.post_click(progress, IDCANCEL);  // a click waits in the queue for the drain
    EXPECT_TRUE(g_received.empty());
    EXPECT_EQ(DrainMessages(s.in), 0);
    EXPECT_EQ(g_received, (std::vector<std::uint32_t>{IDCANCEL}));
}

// --- Clean-up ---

TEST(CleanUp, ReleasesEverythingInItsOrder) {
    SimInstall s;
    s.put_script(SampleScript() + "[fonts]\r\nSample=SAMPLE.TTF\r\n");
    s.machine.put_file("C:\\SETUP\\SAMPLE.HLP", "help");  // placed in the Windows directory
    s.os.faults.record_calls(true);
    EXPECT_EQ(s.run(), 0);
    const auto& calls = s.os.faults.calls();
    auto first = [&](const std::string& op) {
        return std::find(calls.begin(), calls.end(), op) - calls.begin();
    };
    auto last = [&](const std::string& op) {
        return calls.rend() - std::find(calls.rbegin(), calls.rend(), op) - 1;
    };
    auto help_quit = first("win_help");
    auto templates_released = last("free_resource");
    auto first_atom_released = first("delete_atom");
    auto help_deleted = last("delete_file");
    EXPECT_LT(help_quit, templates_released);
    EXPECT_LT(templates_released, first_atom_released);
    EXPECT_LT(last("delete_atom"), help_deleted);
    EXPECT_FALSE(s.machine.exists("C:\\WINDOWS\\SAMPLE.HLP"));
    // Only the exit list's atoms outlive clean-up; every entry array is freed.
    EXPECT_EQ(s.os.atom_count(), 1u);
    EXPECT_EQ(s.os.global_block_count(), 0u);
    EXPECT_EQ(s.os.open_file_count(), 0u);
}

TEST(CleanUp, ALockedHelpFileIsTriedAHundredTimesThenLeft) {
    SimInstall s;
    s.put_script(SampleScript());
    s.machine.put_file("C:\\SETUP\\SAMPLE.HLP", "help");
    sim::SimPlatform viewer(s.machine, "C:\\WINDOWS\\WINHELP.EXE");
    Hfile held = HFILE_ERROR;
    s.os.user.answer(kDlgNewInstall, {sim::Call([&](sim::SimPlatform&, Hwnd) {
                                          held = viewer.open_file("C:\\WINDOWS\\SAMPLE.HLP", OF_READ | OF_SHARE_DENY_WRITE);
                                          s.os.faults.record_calls(true);
                                      }),
                                      Click(IDCANCEL)});
    EXPECT_EQ(s.run(), 0);
    ASSERT_NE(held, HFILE_ERROR);
    EXPECT_EQ(s.os.faults.count("open_file", "C:\\WINDOWS\\SAMPLE.HLP"), 100u);
    EXPECT_TRUE(s.machine.exists("C:\\WINDOWS\\SAMPLE.HLP"));
    viewer.lclose(held);
}

TEST(CleanUp, WithoutAScriptTheTriesAreMadeInVain) {
    SimInstall s;
    s.os.user.answer(1900, {Click(IDCANCEL)});
    s.os.faults.record_calls(true);
    s.run();
    EXPECT_EQ(s.os.faults.count("open_file", ""), 100u);  // no help file was named
    const auto& calls = s.os.faults.calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "delete_file"), 0);
}

}  // namespace
}  // namespace zep

// What an installation never destroys: files of the same name in the Windows directory,
// a file appended to, the fonts recorded before, the record of an installed product, and
// setup itself when a program in the exit list no longer answers.
#include <gtest/gtest.h>

#include <map>

#include "base/text.h"
#include "dialogs/dialog_table.h"
#include "engine/copy_driver.h"
#include "engine/embedded_payload.h"
#include "engine/exit_and_delete_lists.h"
#include "engine/file_transfer.h"
#include "engine/progress_gauge.h"
#include "shell/shell.h"
#include "system/fonts.h"
#include "szdd/szdd.h"
#include "tests/support/sim_install.h"

namespace zep {
namespace {

using sim::Call;
using sim::Click;
using test::SimInstall;

std::string Szdd(const std::string& plain) {
    std::vector<std::uint8_t> out;
    szdd::Compress(reinterpret_cast<const std::uint8_t*>(plain.data()), plain.size(), 0, out);
    return std::string(out.begin(), out.end());
}

// Bytes that hardly compress, so that a file's stored size is close to its size.
std::string Bytes(std::size_t n, unsigned seed = 1) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        s[i] = static_cast<char>(seed >> 16);
    }
    return s;
}

std::vector<std::uint8_t> Data(const std::string& s) {
    return {s.begin(), s.end()};
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

// --- A name already taken in the Windows directory. ---

struct NameCase {
    const char* what;
    bool embedded;
    std::map<std::string, std::string> before;  // files in the Windows directory before the run
    const char* help;                           // where the help file goes
};

// Another product's script and help file, and a user's file, keep their names and their
// bytes; setup reads its own script, gives WinHelp its own help file, and deletes only
// what it wrote.
TEST(NameTaken, TheInstallersOwnFilesGoBesideWhatWasThere) {
    const std::string other = Replaced(test::SampleScript(), "ProductName=Sample Tool", "ProductName=Other Product");
    const NameCase cases[] = {
        {"free", false, {}, "C:\\WINDOWS\\SAMPLE.HLP"},
        {"help taken", false, {{"SAMPLE.HLP", "theirs"}}, "C:\\WINDOWS\\SAMPLE~1.HLP"},
        {"two taken", false, {{"SAMPLE.HLP", "theirs"}, {"SAMPLE~1.HLP", "a user's"}}, "C:\\WINDOWS\\SAMPLE~2.HLP"},
        {"a folder of that name", false, {{"SAMPLE.HLP\\x", ""}}, "C:\\WINDOWS\\SAMPLE~1.HLP"},
        {"embedded, script and help taken", true, {{"INSTALL.INI", other}, {"SAMPLE.HLP", "theirs"}},
         "C:\\WINDOWS\\SAMPLE~1.HLP"},
        {"embedded, the temporary names taken", true, {{"INSTALL.IN_", "theirs"}, {"SAMPLE.HL_", "a user's"}},
         "C:\\WINDOWS\\SAMPLE~1.HLP"},
    };
    for (const NameCase& c : cases) {
        SimInstall s;
        for (const auto& [name, bytes] : c.before) s.machine.put_file("C:\\WINDOWS\\" + name, bytes);
        if (c.embedded) {
            s.os.resources.add(kPayloadType, kScriptResource, Data(test::SampleScript()));
            s.os.resources.add(kPayloadType, kHelpResource, Data(Szdd("our help")));
        } else {
            s.put_script(test::SampleScript());
            s.machine.put_file("C:\\SETUP\\SAMPLE.HLP", Szdd("our help"));
        }
        std::string help_during;
        s.os.user.answer(kDlgNewInstall, {Call([&](sim::SimPlatform& os, Hwnd) {
                                              help_during = os.machine().read_file(c.help).value_or("(missing)");
                                          }),
                                          Click(IDCANCEL)});
        s.run();
        EXPECT_TRUE(s.os.user.errors.empty()) << c.what << "\n" << s.os.user.transcript_text();
        ASSERT_FALSE(s.os.user.shown.empty()) << c.what;
        EXPECT_EQ(s.os.user.shown[0].texts[1001], "Enter the directory where you want to install Sample Tool.") << c.what;
        EXPECT_EQ(help_during, "our help") << c.what;
        ASSERT_FALSE(s.machine.help_calls.empty());
        EXPECT_EQ(s.machine.help_calls.back().file, c.help) << c.what;  // HELP_QUIT names the file it opened
        for (const auto& [name, bytes] : c.before) {
            EXPECT_EQ(s.machine.read_file("C:\\WINDOWS\\" + name), bytes) << c.what << ": " << name;
        }
        EXPECT_FALSE(s.machine.exists(c.help)) << c.what;  // deleted at exit
        for (const char* own : {"INSTAL~1.INI", "INSTAL~1.IN_", "SAMPLE~1.HL_"}) {
            EXPECT_FALSE(s.machine.exists(std::string("C:\\WINDOWS\\") + own)) << c.what << ": " << own;
        }
    }
}

// A script that cannot be extracted is reported as the copy error it is, never replaced
// by a script of that name that was there already; Retry extracts it again.
TEST(NameTaken, AScriptThatCannotBeExtractedIsACopyErrorWithRetry) {
    const std::string other = Replaced(test::SampleScript(), "ProductName=Sample Tool", "ProductName=Other Product");
    const struct {
        const char* what;
        std::string other_script;  // the script of that name already in the Windows directory
        const char* temporary;
        bool retry;
        std::vector<std::uint16_t> dialogs;
    } cases[] = {
        {"cancelled", other, "C:\\WINDOWS\\INSTAL~1.IN_", false, {kErrCopy}},
        {"retried", other, "C:\\WINDOWS\\INSTAL~1.IN_", true, {kErrCopy, kDlgNewInstall}},
        {"no other script", "", "C:\\WINDOWS\\INSTALL.IN_", false, {kErrCopy}},
    };
    for (const auto& c : cases) {
        SimInstall s;
        if (!c.other_script.empty()) s.machine.put_file("C:\\WINDOWS\\INSTALL.INI", c.other_script);
        s.os.resources.add(kPayloadType, kScriptResource, Data(test::SampleScript()));
        s.os.faults.add({"open_file", c.temporary, 1, false, ERROR_ACCESS_DENIED});
        s.os.user.answer(kErrCopy, {Click(c.retry ? IDOK : IDCANCEL)});
        if (c.retry) s.os.user.answer(kDlgNewInstall, {Click(IDCANCEL)});
        s.run();
        EXPECT_EQ(s.os.user.dialog_ids(), c.dialogs) << c.what;
        ASSERT_FALSE(s.os.user.shown.empty()) << c.what;
        EXPECT_EQ(s.os.user.shown[0].texts[1001], std::string("Access is denied.\r\n\nFilename: ") + c.temporary)
            << c.what;
        if (!c.other_script.empty()) {
            EXPECT_EQ(s.machine.read_file("C:\\WINDOWS\\INSTALL.INI"), c.other_script) << c.what;
        }
        EXPECT_FALSE(s.machine.exists("C:\\WINDOWS\\INSTAL~1.INI")) << c.what;
    }
}

// --- Files assembled from parts. ---

struct AppendCase {
    const char* what;
    bool existed;            // LOG.TXT held the user's data before the run
    bool first_appends;      // PART1 is an Append part too, else it writes the file
    unsigned failing_write;  // the write that fails (0: none)
    bool retry;              // Retry in dialog 1300, else Cancel
    bool cancel_between;     // Cancel in the progress dialog once PART1 is in
    const char* want;        // LOG.TXT afterwards; nullptr for none
};

TEST(AppendParts, AFileKeepsWhatItHeldBeforeTheRunAndAFailedPartCanBeRetried) {
    const AppendCase cases[] = {
        {"second part fails, Cancel", true, true, 2, false, false, "user data;"},
        {"second part fails, Retry", true, true, 2, true, false, "user data;one;two;"},
        {"first part fails, Cancel", true, true, 1, false, false, "user data;"},
        {"first part fails, Retry", true, true, 1, true, false, "user data;one;two;"},
        {"Cancel between the parts", true, true, 0, false, true, "user data;"},
        {"written by the run, then Cancel", false, false, 2, false, false, nullptr},
        {"replaced by the run, then Cancel", true, false, 2, false, false, nullptr},
        {"written by the run, Retry", false, false, 2, true, false, "one;two;"},
    };
    for (const AppendCase& c : cases) {
        SimInstall s;
        std::string script = test::SampleScript();
        script = script.substr(0, script.find("[Disk 1]")) + "[Disk 1]\r\nDiskName=One\r\nPART1=Target\\LOG.TXT" +
                 (c.first_appends ? ",,Append" : "") + "\r\nPART2=Target\\LOG.TXT,,Append\r\n";
        s.put_script(script);
        ASSERT_TRUE(StartUp(s.in));
        CopyText(s.in.script.basic.target_dir, "C:\\APP\\");
        s.machine.put_file("C:\\APP\\.keep", "");
        if (c.existed) s.machine.put_file("C:\\APP\\LOG.TXT", "user data;");
        s.machine.put_file("C:\\SETUP\\PART1", "one;");
        s.machine.put_file("C:\\SETUP\\PART2", Szdd("two;"));
        if (c.failing_write != 0) s.os.faults.add({"lwrite", "", c.failing_write, false, ERROR_DISK_FULL});
        s.os.user.answer(kErrCopy, {Click(c.retry ? IDOK : IDCANCEL)});
        bool cancelled = false;
        s.os.user.on_peek = [&](sim::SimPlatform& os, unsigned) {
            const std::string first = std::string(c.existed ? "user data;" : "") + "one;";
            if (c.cancel_between && !cancelled && s.in.copy.progress_dialog != 0 &&
                os.machine().read_file("C:\\APP\\LOG.TXT") == first) {
                os.post_click(s.in.copy.progress_dialog, IDCANCEL);
                cancelled = true;
            }
        };
        const int completed = RunCopyDriver(s.in);
        EXPECT_EQ(completed, c.retry ? 1 : 0) << c.what;
        EXPECT_EQ(s.machine.read_file("C:\\APP\\LOG.TXT"), c.want ? std::optional<std::string>(c.want) : std::nullopt)
            << c.what;
        EXPECT_EQ(s.os.open_file_count(), 0u) << c.what;
        if (c.cancel_between) {
            EXPECT_TRUE(cancelled) << c.what;
        }
    }
}

// --- SZDD files that do not expand to the length their header names. ---

struct LengthCase {
    const char* what;
    std::string stored;  // the source as it lies on the disk
    std::uint8_t flags;
    std::uint32_t error;
};

TEST(DamagedSzdd, AFileThatDoesNotExpandToItsLengthIsACopyErrorOfTheSource) {
    const std::string small = Szdd(Bytes(20000, 7)), big = Szdd(Bytes(200000, 8));
    std::string bad_mode = small;
    bad_mode[8] = 'B';
    const LengthCase cases[] = {
        {"cut short, whole file", small.substr(0, small.size() / 2), 0, ERROR_HANDLE_EOF},
        {"cut short, block-wise", big.substr(0, 100000), 0, ERROR_HANDLE_EOF},
        {"cut to its header", small.substr(0, 14), 0, ERROR_HANDLE_EOF},
        {"a damaged header", bad_mode, 0, ERROR_INVALID_DATA},
        {"junk after the data", small + "JUNK AFTER THE DATA", 0, ERROR_INVALID_DATA},
        {"an Append part cut short", small.substr(0, small.size() / 2), kFlagAppend, ERROR_HANDLE_EOF},
    };
    for (bool embedded : {false, true}) {
        for (const LengthCase& c : cases) {
            SimInstall s;
            s.put_script(test::SampleScript());
            ASSERT_TRUE(StartUp(s.in));
            CopyText(s.in.script.basic.target_dir, "C:\\APP\\");
            const bool append = (c.flags & kFlagAppend) != 0;
            s.machine.put_file("C:\\APP\\.keep", "");
            if (append) s.machine.put_file("C:\\APP\\DATA.BIN", "earlier parts;");
            s.in.copy.progress_dialog = s.os.create_dialog_param(kDlgProgress, 0, ProgressDialogProc, 0);
            s.in.copy.copied_bytes = 500;
            const std::string source = embedded ? "C:\\APP\\DATA.BI_" : "C:\\SETUP\\DATA.BIN";
            s.in.loader.embedded = embedded;
            s.os.resources.add(kPayloadType, 12002, Data(c.stored));
            s.machine.put_file("C:\\SETUP\\DATA.BIN", c.stored);
            const std::string what = std::string(c.what) + (embedded ? ", embedded" : "");

            EXPECT_EQ(InstallOneFile(s.in, "DATA.BIN", "DATA.BIN", kTargetDir, 12002, c.flags), kErrCopy) << what;
            EXPECT_EQ(s.in.dialogs.copy_error.code, c.error) << what;
            EXPECT_EQ(s.in.dialogs.copy_error.file, source) << what;
            EXPECT_EQ(s.machine.read_file("C:\\APP\\DATA.BIN"),
                      append ? std::optional<std::string>("earlier parts;") : std::nullopt)
                << what;
            EXPECT_EQ(s.in.copy.copied_bytes, 500) << what;
            EXPECT_FALSE(s.machine.exists("C:\\APP\\DATA.BI_")) << what;
            EXPECT_EQ(s.os.open_file_count(), 0u) << what;

            // Retry reads the source again: a good copy of it now installs.
            const std::string good = Szdd("the whole file");
            s.os.resources.add(kPayloadType, 12002, Data(good));
            s.machine.put_file("C:\\SETUP\\DATA.BIN", good);
            EXPECT_EQ(InstallOneFile(s.in, "DATA.BIN", "DATA.BIN", kTargetDir, 12002, c.flags), kOk) << what;
            EXPECT_EQ(s.machine.read_file("C:\\APP\\DATA.BIN"),
                      std::string(append ? "earlier parts;" : "") + "the whole file")
                << what;
        }
    }
}

// --- Fonts withdrawn and put back. ---

TEST(FontsPutBack, OnlyTheValuesWithdrawingRemovedComeBackAsTheyWere) {
    SimInstall s;
    const char kKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";
    s.machine.registry_key(kKey, true);
    s.put_script(test::SampleScript() + "[fonts]\r\nSample (TrueType)=SAMPLE.TTF\r\nNew (TrueType)=NEW.TTF\r\n");
    ASSERT_TRUE(StartUp(s.in));
    Hkey key = 0;
    s.os.reg_open_key(HKEY_LOCAL_MACHINE, kKey, key);
    s.os.reg_set_value_ex(key, "Sample (TrueType)", REG_SZ, "OLDNAME.TTF", 12);  // an older version's file
    s.os.reg_close_key(key);
    FontStep(s.in, FontMode::kWithdraw);
    EXPECT_EQ(s.machine.registry_text(kKey, "Sample (TrueType)"), std::nullopt);
    FontStep(s.in, FontMode::kPutBack);
    EXPECT_EQ(s.machine.registry_text(kKey, "Sample (TrueType)"), "OLDNAME.TTF");
    EXPECT_EQ(s.machine.registry_text(kKey, "New (TrueType)"), std::nullopt);  // its file may never have come
}

// --- A fonts-only installation and the installed product's record. ---

TEST(FontsOnly, TheInstalledProductsDirectoryUninstallEntryAndGroupStay) {
    SimInstall s;
    const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample Tool 1.0";
    std::string script = test::SampleScript();
    script = Replaced(script, "DefaultTargetDir=C:\\SAMPLE\r\n", "FontsOnly=1\r\n");
    script = script.substr(0, script.find("[Disk 1]")) + "[Disk 1]\r\nDiskName=Fonts\r\nSAMPLE.TTF=Fonts\r\n" +
             "[fonts]\r\nSample (TrueType)=SAMPLE.TTF\r\n";
    s.put_script(script);
    s.machine.put_file("C:\\SETUP\\SAMPLE.TTF", "font");
    s.machine.put_file("C:\\WINDOWS\\SAMPLE.INI", "[Settings]\r\nDirectory=C:\\SAMPLE\r\nVersion=1.0\r\n");
    sim::RegistryKey* entry = s.machine.registry_key(kUninstall, true);
    const std::string uninstaller = "c:\\sample\\uninst.exe";
    entry->values["UNINSTALLSTRING"] = {"UninstallString", REG_SZ, Data(uninstaller + '\0')};
    s.os.user.answer(kDlgFontsOnly, {Click(IDOK)}).answer(kDlgCompleted + 2, {Click(IDCANCEL)});
    s.run();
    EXPECT_TRUE(s.os.user.errors.empty()) << s.os.user.transcript_text();
    EXPECT_EQ(s.machine.read_file("C:\\WINDOWS\\FONTS\\SAMPLE.TTF"), "font");
    EXPECT_EQ(s.machine.read_file("C:\\WINDOWS\\SAMPLE.INI"),
              "[Settings]\r\nDirectory=C:\\SAMPLE\r\nVersion=2.0\r\nFirstTime=1\r\n");
    EXPECT_EQ(s.machine.registry_text(kUninstall, "UninstallString"), uninstaller);
    EXPECT_EQ(s.machine.registry_key("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample Tool 2.0"),
              nullptr);
    EXPECT_TRUE(s.machine.progman.commands.empty());
}

// --- A program of the exit list that no longer answers. ---

TEST(ExitList, AHungProgramIsGivenUpOnAndTheOthersStillClose) {
    SimInstall s;
    s.put_script(test::SampleScript());
    ASSERT_TRUE(StartUp(s.in));
    std::vector<std::string> closed;
    auto program = [&](const std::string& cls, bool hung) {
        sim::SimWindow& w = s.machine.add_foreign_window(cls, cls + " window");
        w.hung = hung;
        w.handler = [&closed, cls](std::uint32_t msg, std::uintptr_t, std::intptr_t) -> std::intptr_t {
            if (msg == WM_CLOSE) closed.push_back(cls);
            return 0;
        };
    };
    program("SampleFirst", false);
    program("SampleHung", true);
    program("SampleLast", false);
    s.in.script.exit_count = 0;
    for (const char* cls : {"SampleFirst", "SampleHung", "SampleLast"}) {
        s.in.script.exit_list[s.in.script.exit_count++] = {s.os.add_atom(cls), 0};
    }
    CloseRunningCopies(s.in);
    EXPECT_TRUE(s.os.user.errors.empty()) << s.os.user.errors.front();
    EXPECT_EQ(closed, (std::vector<std::string>{"SampleLast", "SampleFirst"}));
    EXPECT_EQ(s.machine.waited_ms, 0u);  // not waited for: it no longer takes messages
    EXPECT_EQ(s.in.script.exit_count, 0u);
}

}  // namespace
}  // namespace zep

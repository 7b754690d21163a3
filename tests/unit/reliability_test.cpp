// Faults that the sweep of whole installations found (tests/sweep): a call that fails
// where the installer read what the call did not fill, went on as if a dialog had been
// answered, installed an empty file, left a file of its own behind, or guessed. Each case
// is one failing call of an installation and what the user must see and find afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "base/text.h"
#include "dialogs/dialog_table.h"
#include "engine/embedded_payload.h"
#include "engine/file_transfer.h"
#include "shell/shell.h"
#include "szdd/szdd.h"
#include "tests/support/sim_install.h"

namespace zep {
namespace {

using sim::Call;
using sim::Click;
using sim::Type;
using sim::UserAction;
using test::SimInstall;

std::string Szdd(const std::string& plain) {
    std::vector<std::uint8_t> out;
    szdd::Compress(reinterpret_cast<const std::uint8_t*>(plain.data()), plain.size(), 0, out);
    return std::string(out.begin(), out.end());
}

std::vector<std::uint8_t> Data(const std::string& s) {
    return {s.begin(), s.end()};
}

constexpr char kEntry[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample Tool 2.0";

// The sample product beside setup.exe in C:\SETUP, or inside it.
void PutProduct(SimInstall& s, bool embedded, const std::string& script = test::SampleScript()) {
    s.machine.registry_key("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", true);
    if (embedded) {
        s.os.resources.add(kPayloadType, kScriptResource, Data(Szdd(script)));
        s.os.resources.add(kPayloadType, kHelpResource, Data(Szdd("help")));
        s.os.resources.add(kPayloadType, kFirstFileResource, Data(Szdd("the program")));
        s.os.resources.add(kPayloadType, kFirstFileResource + 1, Data(Szdd("a font")));
    } else {
        s.put_script(script);
        s.machine.put_file("C:\\SETUP\\SAMPLE.HLP", Szdd("help"));
        s.machine.put_file("C:\\SETUP\\SAMPLE.EXE", Szdd("the program"));
        s.machine.put_file("C:\\SETUP\\SAMPLE.FOT", Szdd("a font"));
    }
}

struct Case {
    const char* what;
    bool embedded;
    std::vector<sim::FaultRule> faults;
    std::vector<std::pair<std::uint16_t, std::vector<UserAction>>> answers;
    std::vector<std::uint16_t> dialogs;
    std::function<void(SimInstall&)> prepare;  // may be empty
    std::function<void(SimInstall&)> check;    // may be empty
};

const std::vector<UserAction> kBegin = {Click(IDOK)};
const std::vector<UserAction> kCancel = {Click(IDCANCEL)};
const std::vector<UserAction> kNo = {Click(IDCANCEL)};

void RunCase(const Case& c) {
    SCOPED_TRACE(c.what);
    SimInstall s;
    PutProduct(s, c.embedded);
    if (c.prepare) c.prepare(s);
    for (const sim::FaultRule& f : c.faults) s.os.faults.add(f);
    for (const auto& [dialog, actions] : c.answers) s.os.user.answer(dialog, actions);
    s.os.faults.limit_calls(200000);  // a run that goes round in circles is stopped and said so
    bool ended = true;
    try {
        EXPECT_EQ(s.run(), 0);
    } catch (const sim::Faults::CallLimit&) {
        ended = false;
    }
    EXPECT_TRUE(ended) << "the installation never ends";
    EXPECT_EQ(s.os.user.dialog_ids(), c.dialogs) << s.os.user.transcript_text();
    if (!c.faults.empty()) {
        EXPECT_GT(s.os.faults.fired(), 0u);
    }
    EXPECT_EQ(s.os.open_file_count(), 0u);
    if (c.check) c.check(s);
}

TEST(Reliability, AFailingCallIsReportedOrUndoneNeverGuessedAt) {
    const Case cases[] = {
        {"the current directory cannot be read when Begin is pressed: the entry is refused, "
         "nothing goes to another folder, and Begin works again",
         false,
         {{"get_current_directory", "", 1, false, ERROR_NOT_ENOUGH_MEMORY}},
         {{kDlgNewInstall, {Click(IDOK), Click(IDOK)}}, {kErrCreateDirectory, kBegin}, {kDlgCompleted + 2, kNo}},
         {kDlgNewInstall, kErrCreateDirectory, kDlgProgress, kDlgCompleted + 2},
         nullptr,
         [](SimInstall& s) {
             EXPECT_EQ(s.machine.read_file("C:\\SAMPLE\\SAMPLE.EXE"), "the program");
             EXPECT_EQ(s.os.user.shown[1].texts[1001], "Unable to create C:\\SAMPLE");
         }},
        {"the first dialog cannot be shown: nothing is installed, as after Cancel",
         false,
         {{"dialog_box_indirect_param", "", 1, false, ERROR_NOT_ENOUGH_MEMORY}},
         {},
         {},
         nullptr,
         [](SimInstall& s) {
             EXPECT_FALSE(s.machine.exists("C:\\SAMPLE"));
             EXPECT_FALSE(s.machine.exists("C:\\SAMPLESAMPLE.EXE"));
         }},
        {"a copy error whose dialog can never be shown ends the copy instead of asking forever",
         false,
         {{"open_file", "C:\\SETUP\\SAMPLE.EXE", 1, true, ERROR_ACCESS_DENIED},
          {"dialog_box_indirect_param", "", 2, true, ERROR_NOT_ENOUGH_MEMORY}},
         {{kDlgNewInstall, kBegin}},
         {kDlgNewInstall, kDlgProgress},
         nullptr,
         [](SimInstall& s) { EXPECT_FALSE(s.machine.exists("C:\\SAMPLE\\SAMPLE.EXE")); }},
        {"the size of an embedded file cannot be had: a copy error, not an empty file installed",
         true,
         {{"sizeof_resource", "", 3, false, ERROR_RESOURCE_DATA_NOT_FOUND}},
         {{kDlgNewInstall, kBegin}, {kErrCopy, {Click(IDOK)}}, {kDlgCompleted + 2, kNo}},
         {kDlgNewInstall, kDlgProgress, kErrCopy, kDlgCompleted + 2},
         nullptr,
         [](SimInstall& s) { EXPECT_EQ(s.machine.read_file("C:\\SAMPLE\\SAMPLE.EXE"), "the program"); }},
        {"the temporary file's delete fails once: it goes all the same",
         true,
         {{"delete_file", "SAMPLE.EX_", 1, false, ERROR_SHARING_VIOLATION}},
         {{kDlgNewInstall, kBegin}, {kDlgCompleted + 2, kNo}},
         {kDlgNewInstall, kDlgProgress, kDlgCompleted + 2},
         nullptr,
         [](SimInstall& s) { EXPECT_FALSE(s.machine.exists("C:\\SAMPLE\\SAMPLE.EX_")); }},
        {"the help file's delete fails once at exit: it is tried again",
         false,
         {{"delete_file", "SAMPLE.HLP", 1, false, ERROR_ACCESS_DENIED}},
         {{kDlgNewInstall, kCancel}},
         {kDlgNewInstall},
         nullptr,
         [](SimInstall& s) { EXPECT_FALSE(s.machine.exists("C:\\WINDOWS\\SAMPLE.HLP")); }},
        {"the extracted script's deletes fail twice: clean-up asks again",
         true,
         {{"delete_file", "INSTALL.INI", 1, false, ERROR_SHARING_VIOLATION},
          {"delete_file", "INSTALL.INI", 1, false, ERROR_SHARING_VIOLATION}},
         {{kDlgNewInstall, kCancel}},
         {kDlgNewInstall},
         nullptr,
         [](SimInstall& s) { EXPECT_FALSE(s.machine.exists("C:\\WINDOWS\\INSTALL.INI")); }},
        {"the Windows directory cannot be read: setup says so, and Retry asks again",
         false,
         {{"get_windows_directory", "", 1, false, ERROR_INSUFFICIENT_BUFFER}},
         {{kErrCopy, {Click(IDOK)}}, {kDlgNewInstall, kCancel}},
         {kErrCopy, kDlgNewInstall},
         nullptr,
         [](SimInstall& s) {
             EXPECT_EQ(s.os.user.shown[0].texts[1001], "The data area passed to a system call is too small.\r\n");
             EXPECT_STREQ(s.in.env.windows_root, "C:\\WINDOWS\\");
         }},
        {"the version cannot be read: Windows NT is not taken for Windows 95",
         false,
         {{"get_version_ex", "", 1, false, ERROR_NOT_ENOUGH_MEMORY}},
         {{kErrCopy, kCancel}},
         {kErrCopy},
         [](SimInstall& s) { s.machine.set_nt(4, 0); },
         [](SimInstall& s) { EXPECT_FALSE(s.machine.exists("C:\\WINDOWS\\SAMPLE.HLP")); }},
        {"a [Disk 1] whose key list cannot be read is an unreadable script, not a disk "
         "without files; Retry loads it afresh, under the same names",
         false,
         {{"get_private_profile_string", "INSTALL.INI", 31, false, ERROR_READ_FAULT}},
         {},
         {kErrOpenScript, kDlgNewInstall},
         [](SimInstall& s) {
             s.os.user.answer(kErrOpenScript, {Click(IDOK)})
                 .answer(kDlgNewInstall, {Call([&s](sim::SimPlatform& os, Hwnd) {
                             EXPECT_TRUE(os.machine().exists("C:\\WINDOWS\\SAMPLE.HLP"));
                             EXPECT_FALSE(os.machine().exists("C:\\WINDOWS\\SAMPLE~1.HLP"));
                             EXPECT_EQ(s.in.script.disks[0].count, 2u);  // the tables once, not twice
                             EXPECT_EQ(s.in.script.exit_count, 1u);
                         }),
                                          Click(IDCANCEL)});
         },
         nullptr},
        {"a [Disk 1] line that cannot be read is a bad line, not a file under its source name",
         false,
         {{"get_private_profile_string", "INSTALL.INI", 32, false, ERROR_READ_FAULT}},
         {{kErrScriptLine, kBegin}},
         {kErrScriptLine},
         nullptr,
         [](SimInstall& s) { EXPECT_EQ(s.os.user.shown[0].texts[1102], "SAMPLE.EXE="); }},
        {"an embedded file's temporary name is a user's file: it keeps it, the temporary "
         "file takes another name",
         true,
         {},
         {{kDlgNewInstall, kBegin}, {kDlgCompleted + 2, kNo}},
         {kDlgNewInstall, kDlgProgress, kDlgCompleted + 2},
         [](SimInstall& s) { s.machine.put_file("C:\\SAMPLE\\SAMPLE.EX_", "my file"); },
         [](SimInstall& s) {
             EXPECT_EQ(s.machine.read_file("C:\\SAMPLE\\SAMPLE.EX_"), "my file");
             EXPECT_EQ(s.machine.read_file("C:\\SAMPLE\\SAMPLE.EXE"), "the program");
             EXPECT_FALSE(s.machine.exists("C:\\SAMPLE\\SAMPLE~1.EX_"));
         }},
        {"the uninstall entry's uninstaller cannot be written: no entry without one",
         false,
         {{"reg_set_value_ex", "UninstallString", 1, false, ERROR_ACCESS_DENIED}},
         {{kDlgNewInstall, kBegin}, {kDlgCompleted + 2, kNo}},
         {kDlgNewInstall, kDlgProgress, kDlgCompleted + 2},
         nullptr,
         [](SimInstall& s) { EXPECT_EQ(s.machine.registry_key(kEntry), nullptr); }},
        {"the uninstall entry's name cannot be written: no entry that is half there",
         false,
         {{"reg_set_value_ex", "DisplayName", 1, false, ERROR_ACCESS_DENIED}},
         {{kDlgNewInstall, kBegin}, {kDlgCompleted + 2, kNo}},
         {kDlgNewInstall, kDlgProgress, kDlgCompleted + 2},
         nullptr,
         [](SimInstall& s) { EXPECT_EQ(s.machine.registry_key(kEntry), nullptr); }},
    };
    for (const Case& c : cases) RunCase(c);
}

// "C:" names the drive's current directory, which a disk dialog may have moved: the files
// came from C:\FILES, and the program was started there rather than in C:\.
TEST(Reliability, ADriveRootIsTheWorkingDirectoryOfTheProgramStarted) {
    SimInstall s;
    PutProduct(s, false);
    for (const char* name : {"SAMPLE.EXE", "SAMPLE.FOT"}) {
        s.machine.put_file(std::string("C:\\FILES\\") + name, s.machine.read_file(std::string("C:\\SETUP\\") + name).value());
        std::filesystem::remove(s.machine.host_path(std::string("C:\\SETUP\\") + name));
    }
    s.os.user.answer(kDlgNewInstall, {Type(1701, "C:\\"), Click(IDOK)})
        .answer(kErrFileNotFound, {Type(1701, "C:\\FILES"), Click(IDOK)})
        .answer(kDlgCompleted + 2, {Click(IDOK)});
    s.run();
    ASSERT_EQ(s.machine.started.size(), 1u) << s.os.user.transcript_text();
    EXPECT_EQ(s.machine.started[0].command_line, "C:\\SAMPLE.EXE");
    EXPECT_EQ(s.machine.started[0].current_directory, "C:\\");
}

TEST(Reliability, AnUpgradeRecordWithoutItsDirectoryHasNothingToUpgrade) {
    SimInstall s;
    std::string script = test::SampleScript();
    script.insert(script.find("ProductVersion="), "VersionToPatch=1.0\r\n");
    PutProduct(s, false, script);
    s.machine.put_file("C:\\WINDOWS\\SAMPLE.INI", "[Settings]\r\nVersion=1.5\r\n");
    s.os.user.answer(kErrNothingToUpgrade, {Click(IDCANCEL)});
    s.run();
    EXPECT_EQ(s.os.user.dialog_ids(), std::vector<std::uint16_t>{kErrNothingToUpgrade});
}

// A source that cannot be read at all: LZ32 takes it for a file that is not compressed
// and its LZCopy says so (as Wine's); the copy is an error of the source, never an empty
// file installed. And when LZ32 leaves no error of its own, 1300 says what it said.
TEST(Reliability, WhatLz32ReportsOrLeavesUnsaidIsACopyErrorOfTheRightFile) {
    const struct {
        const char* what;
        sim::FaultRule fault;
        std::size_t size;
        std::uint32_t error;
    } cases[] = {
        {"every read fails", {"lread", "", 1, true, ERROR_READ_FAULT}, 100, ERROR_READ_FAULT},
        {"LZCopy's reads fail", {"lread", "", 2, true, ERROR_CRC}, 100, ERROR_CRC},
        {"LZInit fails and leaves no error", {"lz_init", "", 1, false, 0}, 100000, ERROR_READ_FAULT},
        {"LZRead fails and leaves no error", {"lz_read", "", 2, false, 0}, 100000, ERROR_READ_FAULT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimInstall s;
        s.put_script(test::SampleScript());
        ASSERT_TRUE(StartUp(s.in));
        CopyText(s.in.script.basic.target_dir, "C:\\APP\\");
        s.machine.put_file("C:\\APP\\.keep", "");
        s.machine.put_file("C:\\SETUP\\DATA.DAT", std::string(c.size, 'x'));
        s.os.set_last_error(ERROR_ALREADY_EXISTS);  // stale, from long before
        s.os.faults.add(c.fault);
        EXPECT_EQ(TransferFile(s.in, "DATA.DAT", "DATA.DAT", kTargetDir, kInstallerDir, 0), kErrCopy);
        EXPECT_FALSE(s.machine.exists("C:\\APP\\DATA.DAT"));
        EXPECT_EQ(s.in.dialogs.copy_error.code, c.error);
        EXPECT_STREQ(s.in.dialogs.copy_error.file, "C:\\SETUP\\DATA.DAT");
        EXPECT_EQ(s.os.open_file_count(), 0u);
    }
}

// The simulated Windows fails a call as Windows does: a close that fails was of a handle
// that is not open afterwards; a profile that cannot be read answers with the default.
TEST(Reliability, TheSimulatedCallsFailAsWindowsDoes) {
    SimInstall s;
    s.machine.put_file("C:\\DATA.TXT", "data");
    Hfile file = s.os.open_file("C:\\DATA.TXT", OF_READ);
    ASSERT_NE(file, HFILE_ERROR);
    s.os.faults.add({"lclose", "", 1, false, ERROR_INVALID_HANDLE});
    EXPECT_EQ(s.os.lclose(file), HFILE_ERROR);
    EXPECT_EQ(s.os.open_file_count(), 0u);

    file = s.os.open_file("C:\\DATA.TXT", OF_READ);
    std::int32_t expansion = s.os.lz_init(file);
    s.os.faults.add({"lz_close", "", 1, false, ERROR_INVALID_HANDLE});
    s.os.lz_close(expansion);
    EXPECT_EQ(s.os.open_file_count(), 0u);

    Hkey key = 0;
    ASSERT_EQ(s.os.reg_create_key(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zep", key), ERROR_SUCCESS);
    s.os.faults.add({"reg_close_key", "", 1, false, ERROR_INVALID_HANDLE});
    EXPECT_EQ(s.os.reg_close_key(key), static_cast<std::int32_t>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(s.os.open_keys(), 0u);

    s.machine.put_file("C:\\WINDOWS\\X.INI", "[S]\r\nK=value\r\n");
    s.os.faults.add({"get_private_profile_string", "", 1, false, ERROR_SHARING_VIOLATION});
    char buf[16] = "untouched";
    EXPECT_EQ(s.os.get_private_profile_string("S", "K", "dflt", buf, sizeof buf, "X.INI"), 4u);
    EXPECT_STREQ(buf, "dflt");
    EXPECT_EQ(s.os.get_last_error(), ERROR_SHARING_VIOLATION);
}

}  // namespace
}  // namespace zep

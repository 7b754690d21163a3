// The file engine on the simulated machine: every row of the transfer's failure table,
// the embedded payload, the copy driver with Cancel at every drain point, the gauge, and
// the exit and delete lists.
#include <gtest/gtest.h>

#include "base/text.h"
#include "dialogs/dialog_table.h"
#include "engine/copy_driver.h"
#include "engine/embedded_payload.h"
#include "engine/exit_and_delete_lists.h"
#include "engine/file_transfer.h"
#include "engine/progress_gauge.h"
#include "script/loader.h"
#include "shell/environment.h"
#include "shell/shell.h"
#include "szdd/szdd.h"
#include "tests/support/sim_install.h"

namespace zep {
namespace {

using sim::Click;
using test::SimInstall;

// Bytes that hardly compress, so a file's stored size is close to its size.
std::string Bytes(std::size_t n, unsigned seed = 1) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        s[i] = static_cast<char>(seed >> 16);
    }
    return s;
}

// Compares file contents without printing megabytes when they differ.
::testing::AssertionResult Same(const std::string& got, const std::string& want) {
    if (got == want) return ::testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
    return ::testing::AssertionFailure() << "sizes " << got.size() << " and " << want.size()
                                         << ", first difference at " << at;
}

std::string Szdd(const std::string& plain, char missing = 0) {
    std::vector<std::uint8_t> out;
    szdd::Compress(reinterpret_cast<const std::uint8_t*>(plain.data()), plain.size(),
                   static_cast<std::uint8_t>(missing), out);
    return std::string(out.begin(), out.end());
}

// An installer past start-up with the sample script loaded, installing into C:\APP\.
struct Engine : ::testing::Test {
    explicit Engine(const std::string& module = "C:\\SETUP\\SETUP.EXE") : s(module) {}

    void SetUp() override {
        s.put_script(test::SampleScript(), setup_folder());
        ASSERT_TRUE(StartUp(s.in));
        CopyText(s.in.script.basic.target_dir, "C:\\APP\\");
        s.machine.put_file("C:\\APP\\.keep", "");
    }
    std::string setup_folder() const {
        std::string m = s.os.current_directories().current;
        return m;
    }
    void ShowProgress() {
        s.in.copy.progress_dialog = s.os.create_dialog_param(kDlgProgress, 0, ProgressDialogProc, 0);
        ASSERT_NE(s.in.copy.progress_dialog, 0u);
    }
    std::uint16_t Transfer(const char* name, std::uint8_t flags = 0) {
        return TransferFile(s.in, name, name, kTargetDir, kInstallerDir, flags);
    }
    std::string Installed(const std::string& name) {
        return s.machine.read_file("C:\\APP\\" + name).value_or("(missing)");
    }

    SimInstall s;
};

// --- The transfer's failure table, row by row. ---

TEST_F(Engine, SourceMissingFromAFloppyAsksForTheDisk) {
    SimInstall& t = s;
    t.machine.add_drive('A', DRIVE_REMOVABLE);
    CopyText(t.in.env.installer_root, "A:\\");
    ShowProgress();
    t.in.copy.copied_bytes = 77;
    t.in.dialogs.copy_error.code = 0;
    EXPECT_EQ(Transfer("SAMPLE.EXE"), kErrInsertDisk);
    EXPECT_EQ(t.in.dialogs.copy_error.code, 0u);  // nothing recorded
    EXPECT_EQ(t.in.copy.copied_bytes, 77);
    EXPECT_EQ(Installed("SAMPLE.EXE"), "(missing)");
}

TEST_F(Engine, SourceMissingFromAHardDiskNamesTheFile) {
    // The drive type comes from the source's root: a file missing from a folder of a
    // fixed disk is a file to locate (1800), not a disk to insert.
    EXPECT_EQ(Transfer("SAMPLE.EXE"), kErrFileNotFound);
    EXPECT_STREQ(s.in.dialogs.message_arg, "SAMPLE.EXE");
    s.machine.add_share("\\\\SERVER\\DISKS");
    s.machine.put_file("\\\\SERVER\\DISKS\\DISK1\\OTHER.TXT", "x");
    CopyText(s.in.env.installer_root, "\\\\SERVER\\DISKS\\DISK1\\");
    EXPECT_EQ(Transfer("SAMPLE.EXE"), kErrFileNotFound);
}

TEST_F(Engine, SourceMissingInEmbeddedModeIsACopyError) {
    s.in.loader.embedded = true;
    s.os.set_last_error(0);
    EXPECT_EQ(Transfer("SAMPLE.EXE"), kErrCopy);
    EXPECT_EQ(s.in.dialogs.copy_error.code, ERROR_FILE_NOT_FOUND);
    EXPECT_STREQ(s.in.dialogs.copy_error.file, "C:\\SETUP\\SAMPLE.EXE");
}

TEST_F(Engine, FailuresBeforeWritingLeaveTheDestinationAlone) {
    ShowProgress();
    const std::string big = Bytes(70000);
    s.machine.put_file("C:\\SETUP\\BIG.DAT", Szdd(big));
    s.machine.put_file("C:\\APP\\BIG.DAT", "old copy");
    s.in.copy.copied_bytes = 5;
    const struct {
        sim::FaultRule rule;
        const char* recorded;
        std::uint8_t flags;
    } cases[] = {
        {{"lz_init", "", 1, false, ERROR_NOT_ENOUGH_MEMORY}, "C:\\SETUP\\BIG.DAT", 0},
        {{"open_file", "C:\\APP\\BIG.DAT", 1, false, ERROR_ACCESS_DENIED}, "C:\\APP\\BIG.DAT", 0},
        // The first seek puts the source back at its start after its header was read.
        {{"llseek", "", 2, false, ERROR_ACCESS_DENIED}, "C:\\APP\\BIG.DAT", kFlagAppend},
    };
    for (const auto& c : cases) {
        s.os.faults.clear();
        s.os.faults.add(c.rule);
        EXPECT_EQ(Transfer("BIG.DAT", c.flags), kErrCopy) << c.rule.op;
        EXPECT_EQ(s.in.dialogs.copy_error.code, c.rule.error) << c.rule.op;
        EXPECT_STREQ(s.in.dialogs.copy_error.file, c.recorded);
        EXPECT_TRUE(Same(Installed("BIG.DAT"), "old copy")) << c.rule.op;
        EXPECT_EQ(s.in.copy.copied_bytes, 5);
        EXPECT_EQ(s.os.open_file_count(), 0u);
        EXPECT_EQ(s.os.open_expansions(), 0u);
    }
}

TEST_F(Engine, FailuresWhileWritingDeleteTheDestinationAndRestoreTheCount) {
    ShowProgress();
    const std::size_t blocks = s.os.global_block_count();  // the script's entry arrays
    s.machine.put_file("C:\\SETUP\\SMALL.DAT", Szdd(Bytes(20000)));
    s.machine.put_file("C:\\SETUP\\BIG.DAT", Szdd(Bytes(200000)));
    const struct {
        const char* file;
        sim::FaultRule rule;
        const char* recorded;
    } cases[] = {
        {"SMALL.DAT", {"lz_copy", "", 1, false, ERROR_DISK_FULL}, "C:\\APP\\SMALL.DAT"},
        {"BIG.DAT", {"lz_read", "", 3, false, ERROR_GEN_FAILURE}, "C:\\SETUP\\BIG.DAT"},
        {"BIG.DAT", {"lwrite", "", 2, false, ERROR_DISK_FULL}, "C:\\APP\\BIG.DAT"},
    };
    for (const auto& c : cases) {
        s.os.faults.clear();
        s.os.faults.add(c.rule);
        s.in.copy.copied_bytes = 1000;
        EXPECT_EQ(Transfer(c.file), kErrCopy) << c.rule.op;
        EXPECT_EQ(s.in.dialogs.copy_error.code, c.rule.error) << c.rule.op;
        EXPECT_STREQ(s.in.dialogs.copy_error.file, c.recorded);
        EXPECT_TRUE(Same(Installed(c.file), "(missing)")) << c.rule.op;
        EXPECT_EQ(s.in.copy.copied_bytes, 1000) << c.rule.op;  // a retry counts the file once
        EXPECT_EQ(s.os.open_file_count(), 0u);
        EXPECT_EQ(s.os.global_block_count(), blocks);
    }
    // A full disk gives a short write with no error code of its own; it is recorded as a
    // full disk, not as whatever error an earlier call left.
    s.os.faults.clear();
    s.machine.drive('C')->free_bytes = 50000;
    s.os.set_last_error(ERROR_ACCESS_DENIED);
    EXPECT_EQ(Transfer("BIG.DAT"), kErrCopy);
    EXPECT_EQ(s.in.dialogs.copy_error.code, ERROR_DISK_FULL);
    EXPECT_EQ(Installed("BIG.DAT"), "(missing)");
}

TEST_F(Engine, RetryAfterAFailureCountsTheFileOnce) {
    ShowProgress();
    const std::string data = Bytes(100000);
    s.machine.put_file("C:\\SETUP\\BIG.DAT", Szdd(data));
    s.os.faults.add({"lwrite", "", 3});
    EXPECT_EQ(Transfer("BIG.DAT"), kErrCopy);
    EXPECT_EQ(s.in.copy.copied_bytes, 0);
    EXPECT_EQ(Transfer("BIG.DAT"), kOk);
    EXPECT_EQ(s.in.copy.copied_bytes, 100000);
    EXPECT_TRUE(Same(Installed("BIG.DAT"), data));
}

// --- Methods, sizes and what lands. ---

TEST_F(Engine, WholeFileUpTo64KAndBlockWiseBeyond) {
    ShowProgress();
    s.machine.put_file("C:\\SETUP\\A.DAT", Bytes(65536, 3));
    s.machine.put_file("C:\\SETUP\\B.DAT", Bytes(65537, 4));
    s.os.faults.record_calls(true);
    EXPECT_EQ(Transfer("A.DAT"), kOk);
    EXPECT_EQ(s.os.faults.count("lz_copy", ""), 1u);
    EXPECT_EQ(s.os.faults.count("lz_init", ""), 0u);
    EXPECT_EQ(Transfer("B.DAT"), kOk);
    EXPECT_EQ(s.os.faults.count("lz_init", ""), 1u);
    EXPECT_TRUE(Same(Installed("A.DAT"), Bytes(65536, 3)));  // not compressed: arrives unchanged
    EXPECT_TRUE(Same(Installed("B.DAT"), Bytes(65537, 4)));
    EXPECT_EQ(s.in.copy.copied_bytes, 65536 + 65537);
}

TEST_F(Engine, AnExactMultipleOfTheBufferIsComplete) {
    const std::string data = Bytes(31744 * 3, 5);
    s.machine.put_file("C:\\SETUP\\X.DAT", Szdd(data));
    EXPECT_EQ(Transfer("X.DAT"), kOk);
    EXPECT_TRUE(Same(Installed("X.DAT"), data));
    // With no memory to spare the scratch buffer does the work.
    s.os.faults.add({"global_alloc", "", 1, true, ERROR_NOT_ENOUGH_MEMORY});
    EXPECT_EQ(Transfer("X.DAT"), kOk);
    EXPECT_TRUE(Same(Installed("X.DAT"), data));
}

TEST_F(Engine, AppendAddsToAnExistingFileOnly) {
    s.machine.put_file("C:\\SETUP\\PART2.DAT", Szdd("second part"));
    EXPECT_EQ(TransferFile(s.in, "WHOLE.DAT", "PART2.DAT", kTargetDir, kInstallerDir, kFlagAppend), kErrCopy);
    EXPECT_STREQ(s.in.dialogs.copy_error.file, "C:\\APP\\WHOLE.DAT");
    EXPECT_EQ(Installed("WHOLE.DAT"), "(missing)");  // nothing created
    s.machine.put_file("C:\\APP\\WHOLE.DAT", "first part, ");
    EXPECT_EQ(TransferFile(s.in, "WHOLE.DAT", "PART2.DAT", kTargetDir, kInstallerDir, kFlagAppend), kOk);
    EXPECT_EQ(Installed("WHOLE.DAT"), "first part, second part");
    // A failing part leaves the file as it was before the part, so that Retry can work.
    s.os.faults.add({"lz_read", "", 1});
    EXPECT_EQ(TransferFile(s.in, "WHOLE.DAT", "PART2.DAT", kTargetDir, kInstallerDir, kFlagAppend), kErrCopy);
    EXPECT_EQ(Installed("WHOLE.DAT"), "first part, second part");
}

TEST_F(Engine, ReadOnlyAndHiddenDestinationsAreReplaced) {
    s.machine.put_file("C:\\SETUP\\F.DAT", "new");
    for (std::uint32_t attributes : {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}) {
        s.machine.put_file("C:\\APP\\F.DAT", "old");
        s.machine.set_attributes(s.machine.host_path("C:\\APP\\F.DAT"), attributes);
        EXPECT_EQ(Transfer("F.DAT"), kOk);
        EXPECT_EQ(Installed("F.DAT"), "new");
    }
}

TEST_F(Engine, TheCopyKeepsTheSourcesTimeStamps) {
    s.machine.put_file("C:\\SETUP\\SMALL.DAT", Szdd("small"));
    s.machine.put_file("C:\\SETUP\\BIG.DAT", Szdd(Bytes(90000)));
    const FileTime c{1, 0x01C00000}, a{2, 0x01C00001}, w{3, 0x01C00002};
    for (const char* name : {"SMALL.DAT", "BIG.DAT"}) {
        s.machine.set_times(s.machine.host_path(std::string("C:\\SETUP\\") + name), {c, a, w});
        EXPECT_EQ(Transfer(name), kOk);
        sim::Machine::Times t = s.machine.times(s.machine.host_path(std::string("C:\\APP\\") + name));
        EXPECT_EQ(t.written.low, w.low) << name;
        EXPECT_EQ(t.written.high, w.high) << name;
        EXPECT_EQ(t.accessed.high, a.high) << name;
    }
    // The big one went block by block: all three stamps come from the source.
    sim::Machine::Times t = s.machine.times(s.machine.host_path("C:\\APP\\BIG.DAT"));
    EXPECT_EQ(t.created.low, c.low);
}

TEST_F(Engine, WithoutAProgressDialogNothingIsCounted) {
    s.machine.put_file("C:\\SETUP\\F.DAT", "12345");
    s.in.copy.copied_bytes = 9;
    EXPECT_EQ(Transfer("F.DAT"), kOk);
    EXPECT_EQ(s.in.copy.copied_bytes, 9);
}

TEST_F(Engine, DeepTargetPathsAreInstalledToo) {
    // OpenFile refuses paths of 128 characters or more; the transfer must not.
    std::string deep = "C:\\" + std::string(90, 'D') + "\\" + std::string(60, 'E') + "\\";
    CopyText(s.in.script.basic.target_dir, deep.c_str());
    s.machine.put_file(deep + ".keep", "");
    s.machine.put_file("C:\\SETUP\\F.DAT", Szdd("deep"));
    EXPECT_EQ(Transfer("F.DAT"), kOk);
    EXPECT_EQ(s.machine.read_file(deep + "F.DAT"), "deep");
    s.os.faults.add({"lwrite", "", 1});
    s.machine.put_file("C:\\SETUP\\G.DAT", Szdd(Bytes(80000)));
    EXPECT_EQ(Transfer("G.DAT"), kErrCopy);
    EXPECT_FALSE(s.machine.exists(deep + "G.DAT"));  // and a partial one is deleted
}

struct AttributeCase {
    OsVersion version;
    std::uint8_t flags;
    std::uint32_t want;
};

TEST(FontAttributes, FollowThePlatformAndVersion) {
    const AttributeCase cases[] = {
        {{4, 0, 0, 1}, kFlagSystemFont, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},  // Windows 95
        {{4, 10, 0, 1}, kFlagSystemFont, FILE_ATTRIBUTE_HIDDEN},                         // Windows 98
        {{4, 90, 0, 1}, kFlagSystemFont, FILE_ATTRIBUTE_HIDDEN},                         // Windows Me
        {{4, 0, 0, 2}, kFlagSystemFont, FILE_ATTRIBUTE_HIDDEN},                          // NT 4
        {{3, 51, 0, 2}, kFlagSystemFont, 0x20},                                          // NT 3.51
        {{4, 0, 0, 1}, kFlagHiddenFont, FILE_ATTRIBUTE_HIDDEN},
        {{4, 0, 0, 2}, kFlagHiddenFont, FILE_ATTRIBUTE_HIDDEN},
        {{3, 51, 0, 2}, kFlagHiddenFont, 0x20},
        {{4, 0, 0, 1}, 0, 0x20},
    };
    for (const AttributeCase& c : cases) {
        SimInstall s;
        s.machine.version = c.version;
        ProbeVersion(s.in);
        ComputeRoots(s.in);
        s.machine.put_file("C:\\SETUP\\F.TTF", "font");
        ASSERT_EQ(TransferFile(s.in, "F.TTF", "F.TTF", kFontsDir, kInstallerDir, c.flags), kOk);
        std::string installed = std::string(s.in.env.fonts_root) + "F.TTF";
        EXPECT_EQ(s.os.get_file_attributes(installed.c_str()), c.want)
            << c.version.major << "." << c.version.minor << " flags " << int(c.flags);
    }
}

// --- The embedded payload. ---

TEST_F(Engine, EmbeddedFilesGoThroughATemporaryFileAndTakeTheStamp) {
    const std::string data = Bytes(3000);
    std::string packed = Szdd(data, 'E');
    s.os.resources.add(kPayloadType, 12002, std::vector<std::uint8_t>(packed.begin(), packed.end()));
    s.in.loader.embedded = true;
    s.machine.local_minus_utc_minutes = 60;  // the stamp is local time
    EXPECT_EQ(InstallOneFile(s.in, "SAMPLE.EXE", "IGNORED", kTargetDir, 12002, 0), kOk);
    EXPECT_TRUE(Same(Installed("SAMPLE.EXE"), data));
    EXPECT_FALSE(s.machine.exists("C:\\APP\\SAMPLE.EX_"));
    sim::Machine::Times t = s.machine.times(s.machine.host_path("C:\\APP\\SAMPLE.EXE"));
    FileTime local{};
    s.os.dos_date_time_to_file_time(s.in.shell.stamp_date, s.in.shell.stamp_time, local);
    const std::uint64_t want = ((std::uint64_t{local.high} << 32) | local.low) - 3600ull * 10000000ull;
    EXPECT_EQ((std::uint64_t{t.written.high} << 32) | t.written.low, want);
    EXPECT_EQ((std::uint64_t{t.created.high} << 32) | t.created.low, want);
}

TEST_F(Engine, AByteCountStringCutsTheResource) {
    // Not compressed: junk after compressed data would expand past the length its header
    // names, which is a copy error of its own.
    std::string packed = "exact";
    std::string with_junk = packed + "JUNK AFTER THE DATA";
    s.os.resources.add(kPayloadType, 12003, std::vector<std::uint8_t>(with_junk.begin(), with_junk.end()));
    s.in.loader.embedded = true;
    s.os.resources.set_string(10003, std::to_string(packed.size()));
    EXPECT_EQ(InstallOneFile(s.in, "A.TXT", "", kTargetDir, 12003, 0), kOk);
    EXPECT_EQ(Installed("A.TXT"), "exact");
    for (const char* ignored : {"0", "999999", "abc"}) {
        s.os.resources.set_string(10003, ignored);
        s.machine.put_file("C:\\APP\\A.TXT", "");
        EXPECT_EQ(InstallOneFile(s.in, "A.TXT", "", kTargetDir, 12003, 0), kOk);
        EXPECT_NE(Installed("A.TXT"), "exact") << ignored;  // the whole resource, junk included
    }
}

TEST_F(Engine, EmbeddedFailuresLeaveNoTemporaryFile) {
    s.in.loader.embedded = true;
    EXPECT_EQ(InstallOneFile(s.in, "SAMPLE.EXE", "", kTargetDir, 12999, 0), kErrCopy);
    EXPECT_STREQ(s.in.dialogs.copy_error.file, "C:\\APP\\SAMPLE.EX_");
    std::string packed = Szdd(Bytes(5000));
    s.os.resources.add(kPayloadType, 12002, std::vector<std::uint8_t>(packed.begin(), packed.end()));
    for (const char* op : {"lwrite", "lz_copy"}) {
        s.os.faults.clear();
        s.os.faults.add({op, "", 1});
        EXPECT_EQ(InstallOneFile(s.in, "SAMPLE.EXE", "", kTargetDir, 12002, 0), kErrCopy) << op;
        EXPECT_FALSE(s.machine.exists("C:\\APP\\SAMPLE.EX_")) << op;
        EXPECT_FALSE(s.machine.exists("C:\\APP\\SAMPLE.EXE")) << op;
    }
    // A disk too full for the temporary file: a full disk, with the temporary file's path.
    s.os.faults.clear();
    s.machine.drive('C')->free_bytes = 100;
    s.os.set_last_error(ERROR_ACCESS_DENIED);
    EXPECT_EQ(InstallOneFile(s.in, "SAMPLE.EXE", "", kTargetDir, 12002, 0), kErrCopy);
    EXPECT_EQ(s.in.dialogs.copy_error.code, ERROR_DISK_FULL);
    EXPECT_STREQ(s.in.dialogs.copy_error.file, "C:\\APP\\SAMPLE.EX_");
    EXPECT_FALSE(s.machine.exists("C:\\APP\\SAMPLE.EX_"));
}

TEST_F(Engine, ATargetEndingInAnUnderscoreIsNotItsOwnTemporaryFile) {
    std::string packed = Szdd("payload");
    s.os.resources.add(kPayloadType, 12002, std::vector<std::uint8_t>(packed.begin(), packed.end()));
    s.in.loader.embedded = true;
    EXPECT_EQ(InstallOneFile(s.in, "README._", "", kTargetDir, 12002, 0), kOk);
    EXPECT_EQ(Installed("README._"), "payload");
    EXPECT_FALSE(s.machine.exists("C:\\APP\\README.~"));
}

TEST_F(Engine, DiskModeReadsTheInstallerDirectoryAndIgnoresTheResource) {
    s.machine.put_file("C:\\SETUP\\SAMPLE.EX_", Szdd("from disk", 'E'));
    EXPECT_EQ(InstallOneFile(s.in, "SAMPLE.EXE", "SAMPLE.EX_", kTargetDir, 12999, 0), kOk);
    EXPECT_EQ(Installed("SAMPLE.EXE"), "from disk");
}

// --- The gauge. ---

TEST(Gauge, FillAndPercentageStayWithin32Bits) {
    GaugeFill g = ComputeGauge(300, 0, 1000, 0);
    EXPECT_EQ(g.filled, 0);
    EXPECT_EQ(g.percent, 0u);
    g = ComputeGauge(300, 370, 1000, 0);
    EXPECT_EQ(g.filled, 111);
    EXPECT_EQ(g.percent, 37u);
    g = ComputeGauge(300, 5000, 1000, 0);  // the script understated the size
    EXPECT_EQ(g.filled, 300);
    EXPECT_EQ(g.percent, 100u);
    g = ComputeGauge(300, -5, 1000, 0);
    EXPECT_EQ(g.filled, 0);

    // 20 MB on 300 pixels: scaled down, not wrapped; proportional at every stage.
    const std::int32_t total = 20 << 20;
    std::uint32_t shift = 0;
    for (std::int32_t count = 0; count <= total; count += total / 8) {
        g = ComputeGauge(300, count, total, shift);
        shift = g.shift;
        EXPECT_EQ(g.filled, static_cast<int>(std::int64_t{300} * count / total)) << count;
        EXPECT_EQ(g.percent, static_cast<std::uint32_t>(std::int64_t{100} * count / total)) << count;
    }
    EXPECT_GT(shift, 0u);
    EXPECT_EQ(ComputeGauge(300, 10, total, shift).shift, shift);  // never shrinks
    // A gauge narrower than 100 pixels still gets its percentage right.
    g = ComputeGauge(50, 0x7FFFFFF0, 0x7FFFFFFF, 0);
    EXPECT_EQ(g.percent, 100u);  // scaled down to equal values, without overflowing
    EXPECT_EQ(g.filled, 50);
}

TEST_F(Engine, TheGaugePaintsTwoColoursOverItsWholeInnerArea) {
    ShowProgress();
    s.in.script.basic.disk_space = 1000;
    s.in.copy.copied_bytes = 370;
    s.os.paint_log.clear();
    RefreshGauge(s.in);
    ASSERT_EQ(s.os.paint_log.size(), 3u);
    EXPECT_EQ(s.os.paint_log[0], "frame 0,0-282,20 black");
    // Inner width 280: 37 % is 103 pixels; "37%" (24 x 16 in the system font) centred.
    EXPECT_EQ(s.os.paint_log[1], "text \"37%\" at 128,1 filling 1,1-104,19 clipped on #0000FF in #FFFFFF");
    EXPECT_EQ(s.os.paint_log[2], "text \"37%\" at 128,1 filling 104,1-281,19 clipped on #FFFFFF in #0000FF");
    // A change of colours repaints every window; the same count is then drawn in black.
    s.machine.num_colors = 2;
    s.os.paint_log.clear();
    const Hwnd gauge = s.os.get_dlg_item(s.in.copy.progress_dialog, 2101);
    s.os.invalidate_rect(gauge, nullptr, false);
    s.os.update_window(gauge);
    ASSERT_EQ(s.os.paint_log.size(), 3u);
    EXPECT_NE(s.os.paint_log[1].find("on #000000 in #FFFFFF"), std::string::npos);
}

// Refreshes after every block: only those that move the bar or the percentage paint, and
// the gauge ends exactly as it would have had every refresh painted.
TEST_F(Engine, TheGaugePaintsOnlyWhatChanges) {
    ShowProgress();
    s.in.script.basic.disk_space = 0x7FFFFFFF;  // the scale shift has to grow on the way
    std::uint32_t shift = 0;
    GaugeFill last{-1, 0, 0};
    int paints_needed = 0;
    for (std::int32_t i = 0; i <= 1000; ++i) {
        const std::int32_t count = i == 1000 ? 0x7FFFFFFF : i * (0x7FFFFFFF / 1000);
        s.in.copy.copied_bytes = count;
        s.os.paint_log.clear();
        RefreshGauge(s.in);
        const GaugeFill g = ComputeGauge(280, count, 0x7FFFFFFF, shift);
        shift = g.shift;
        const bool changed = g.filled != last.filled || g.percent != last.percent;
        EXPECT_EQ(s.os.paint_log.size(), changed ? 3u : 0u) << count;
        EXPECT_EQ(s.in.copy.gauge_shift, shift) << count;  // kept as a paint would keep it
        paints_needed += changed;
        last = g;
    }
    EXPECT_EQ(last.percent, 100u);
    EXPECT_LT(paints_needed, 400);  // 280 pixels and 101 percentages, not 1001 paints
    // A restored count (a file to be copied again) paints at once.
    s.in.copy.copied_bytes = 0;
    s.os.paint_log.clear();
    RefreshGauge(s.in);
    ASSERT_EQ(s.os.paint_log.size(), 3u);
    EXPECT_NE(s.os.paint_log[1].find("\"0%\""), std::string::npos);
}

// --- The copy driver. ---

// A whole two-disk installation with a disk whose lines the display filter drops.
struct Copy : Engine {
    void SetUp() override {
        s.put_script(Script());
        ASSERT_TRUE(StartUp(s.in));
        CopyText(s.in.script.basic.target_dir, "C:\\APP\\");
        s.machine.put_file("C:\\APP\\.keep", "");
        s.machine.put_file("C:\\SETUP\\ONE.EXE", Szdd(Bytes(100000, 1), 'E'));
        s.machine.put_file("C:\\SETUP\\TWO.TXT", Szdd("two"));
        s.machine.put_file("C:\\SETUP\\PART1", "first,");
        s.machine.put_file("C:\\SETUP\\PART2", Szdd("second"));
        s.machine.put_file("C:\\SETUP\\NT.DLL", "nt");
    }
    static std::string Script() {
        std::string script = test::SampleScript();
        script = script.substr(0, script.find("[Disk 1]"));
        auto at = script.find("TotalDisks=1");
        script.replace(at, 12, "TotalDisks=3");
        return script +
               "[Disk 1]\r\nDiskName=First\r\nONE.EXE=Target\\ONE.EXE,The program\r\nTWO.TXT=Target\r\n"
               "PART1=Target\\WHOLE.DAT,Whole file\r\nNT.DLL=System32,System file\r\n"
               "[Disk 2]\r\nDiskName=Only EGA\r\nEGA.DRV=Windows,,EGA\r\n"
               "[Disk 3]\r\nDiskName=Third\r\nPART2=Target\\WHOLE.DAT,,Append\r\n";
    }
};

TEST_F(Copy, InstallsEveryDiskAndEndsAtAHundredPercent) {
    std::vector<std::string> status;
    s.os.user.on_peek = [&](sim::SimPlatform& os, unsigned) {
        if (s.in.copy.progress_dialog != 0) status.push_back(os.item_text(s.in.copy.progress_dialog, 1001));
    };
    EXPECT_EQ(RunCopyDriver(s.in), 1);
    EXPECT_TRUE(Same(Installed("ONE.EXE"), Bytes(100000, 1)));
    EXPECT_EQ(Installed("TWO.TXT"), "two");
    EXPECT_EQ(Installed("WHOLE.DAT"), "first,second");
    EXPECT_FALSE(s.machine.exists("C:\\WINDOWS\\SYSTEM32\\NT.DLL"));  // Windows 95: skipped
    EXPECT_EQ(s.in.copy.copied_bytes, s.in.script.basic.disk_space);
    EXPECT_EQ(s.in.copy.progress_dialog, 0u);
    EXPECT_EQ(s.in.dialogs.help_context, kNoHelp);
    EXPECT_EQ(s.os.error_mode(), 0u);
    EXPECT_EQ(s.os.open_file_count(), 0u);
    EXPECT_NE(std::find(status.begin(), status.end(), "Copying System file..."), status.end());
    EXPECT_NE(std::find(status.begin(), status.end(), "Copying The program..."), status.end());
    EXPECT_EQ(s.os.current_cursor(), IDC_ARROW);  // the busy cursor is off again
    EXPECT_EQ(s.os.capture(), 0u);
}

// Files under one description: the status line is set when the description changes, and
// reads right after every file.
TEST_F(Copy, TheStatusLineIsSetWhenItsTextChanges) {
    std::string script = Script();
    script = script.substr(0, script.find("[Disk 1]"));
    script.replace(script.find("TotalDisks=3"), 12, "TotalDisks=1");
    script += "[Disk 1]\r\nDiskName=First\r\nA.TXT=Target,Texts\r\nB.TXT=Target,Texts\r\n"
              "C.TXT=Target,Other\r\nD.TXT=Target\r\nE.TXT=Target,Texts\r\n";
    SimInstall t;
    t.put_script(script);
    ASSERT_TRUE(StartUp(t.in));
    CopyText(t.in.script.basic.target_dir, "C:\\APP\\");
    t.machine.put_file("C:\\APP\\.keep", "");
    for (const char* f : {"A.TXT", "B.TXT", "C.TXT", "D.TXT", "E.TXT"}) {
        t.machine.put_file(std::string("C:\\SETUP\\") + f, Szdd(f));
    }
    std::vector<std::string> status;
    t.os.user.on_peek = [&](sim::SimPlatform& os, unsigned) {
        if (t.in.copy.progress_dialog != 0) status.push_back(os.item_text(t.in.copy.progress_dialog, 1001));
    };
    t.os.faults.record_calls(true);
    ASSERT_EQ(RunCopyDriver(t.in), 1);
    const auto& calls = t.os.faults.calls();
    // The caption, three status lines for the five files, the group step's line.
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "set_window_text"), 5);
    // The drains: two before the files, one after each of the five, one at 100 %.
    const std::vector<std::string> expected{"", "", "", "Copying Texts...", "Copying Texts...",
                                            "Copying Other...", "Copying Other...", "Copying Texts...",
                                            "Copying Texts..."};
    EXPECT_EQ(status, expected);
}

TEST_F(Copy, System32FilesInstallOnNtWithTheNewShell) {
    SimInstall nt;
    nt.machine.set_nt(4, 0);
    nt.machine.system_dir = "C:\\WINNT\\SYSTEM32";
    nt.put_script(Script());
    ASSERT_TRUE(StartUp(nt.in));
    CopyText(nt.in.script.basic.target_dir, "C:\\APP\\");
    nt.machine.put_file("C:\\APP\\.keep", "");
    nt.machine.put_file("C:\\WINNT\\SYSTEM32\\.keep", "");
    for (const char* f : {"ONE.EXE", "TWO.TXT", "PART1", "PART2", "NT.DLL"}) {
        nt.machine.put_file(std::string("C:\\SETUP\\") + f, "x");
    }
    EXPECT_EQ(RunCopyDriver(nt.in), 1);
    EXPECT_EQ(nt.machine.read_file("C:\\WINNT\\SYSTEM32\\NT.DLL"), "x");
}

TEST_F(Copy, AFailingFileIsRetriedOrRedirectedThroughItsDialog) {
    s.machine.add_drive('A', DRIVE_REMOVABLE);
    CopyText(s.in.env.installer_root, "A:\\");
    // Disk 1 is "inserted" when the user answers the prompt, with its files.
    s.os.user.answer(kErrInsertDisk, {sim::Call([](sim::SimPlatform& os, Hwnd) {
                                          for (const char* f : {"ONE.EXE", "TWO.TXT", "PART1", "PART2", "NT.DLL"}) {
                                              os.machine().put_file(std::string("A:\\") + f,
                                                                    os.machine().read_file(std::string("C:\\SETUP\\") + f).value());
                                          }
                                      }),
                                      Click(IDCANCEL)});
    EXPECT_EQ(RunCopyDriver(s.in), 0);  // the directory dialog is not built yet: Cancel
    EXPECT_EQ(s.os.user.dialog_ids(), (std::vector<std::uint16_t>{kDlgProgress, kErrInsertDisk}));
    EXPECT_NE(s.os.user.shown[1].parent, 0u);  // over the progress dialog
    EXPECT_EQ(s.os.user.shown[1].texts[1001], "Please insert First or enter another directory where this disk's files can be found.");

    s.os.faults.add({"lz_read", "", 1, false, ERROR_GEN_FAILURE});
    s.os.user.answer(kErrCopy, {Click(IDOK)});  // Retry: the same entry again, and it works
    CopyText(s.in.env.installer_root, "C:\\SETUP\\");
    EXPECT_EQ(RunCopyDriver(s.in), 1);
    EXPECT_TRUE(Same(Installed("ONE.EXE"), Bytes(100000, 1)));
    EXPECT_TRUE(s.os.user.errors.empty()) << s.os.user.transcript_text();
}

TEST_F(Copy, AnEntryArrayThatCannotBeLockedEndsTheCopy) {
    s.os.faults.add({"global_lock", "", 1, true, ERROR_NOT_ENOUGH_MEMORY});
    s.os.user.answer(kErrOutOfMemory, {Click(IDCANCEL)});
    EXPECT_EQ(RunCopyDriver(s.in), 0);
    EXPECT_EQ(s.os.user.dialog_ids(), (std::vector<std::uint16_t>{kDlgProgress, kErrOutOfMemory}));
}

// Cancel at every drain point in turn: whatever the point, the copy ends cleanly and what
// was installed stays, except a file assembled from parts that is not complete yet, also
// when the copy stops between its parts.
TEST_F(Copy, CancelAtEveryDrainPoint) {
    int completed_at = 0;
    bool assembled_file_removed = false;
    for (unsigned point = 1; point < 40 && completed_at == 0; ++point) {
        SimInstall t;
        t.put_script(Script());
        ASSERT_TRUE(StartUp(t.in));
        CopyText(t.in.script.basic.target_dir, "C:\\APP\\");
        t.machine.put_file("C:\\APP\\.keep", "");
        for (const char* f : {"ONE.EXE", "TWO.TXT", "PART1", "PART2"}) {
            t.machine.put_file(std::string("C:\\SETUP\\") + f, s.machine.read_file(std::string("C:\\SETUP\\") + f).value());
        }
        unsigned peeks = 0;
        bool whole_at_cancel = false;
        t.os.user.on_peek = [&](sim::SimPlatform& os, unsigned) {
            if (t.in.copy.progress_dialog == 0 || ++peeks != point) return;
            os.post_click(t.in.copy.progress_dialog, IDCANCEL);
            whole_at_cancel = t.machine.read_file("C:\\APP\\WHOLE.DAT") == "first,second";
        };
        if (RunCopyDriver(t.in) == 1) {
            completed_at = static_cast<int>(point);
            break;
        }
        EXPECT_EQ(t.in.copy.progress_dialog, 0u) << point;
        EXPECT_EQ(t.os.error_mode(), 0u) << point;
        EXPECT_EQ(t.os.open_file_count(), 0u) << point;
        EXPECT_EQ(t.os.user.shown.size(), 1u) << point;  // only the progress dialog
        auto whole = t.machine.read_file("C:\\APP\\WHOLE.DAT");
        if (whole_at_cancel && !whole) assembled_file_removed = true;
        EXPECT_TRUE(!whole || *whole == "first,second") << point;  // never the first part alone
    }
    EXPECT_TRUE(assembled_file_removed);
    // Clicks that arrive after the last file are too late: Cancel is disabled by then.
    EXPECT_GT(completed_at, 5);
}

// --- The exit list and the delete list. ---

TEST_F(Engine, RunningCopiesAreAskedToCloseByClassAndTitle) {
    std::vector<std::string> closed;
    auto program = [&](const std::string& cls, const std::string& title) {
        sim::SimWindow& w = s.machine.add_foreign_window(cls, title);
        w.handler = [&closed, cls, title](std::uint32_t msg, std::uintptr_t, std::intptr_t) -> std::intptr_t {
            if (msg == WM_CLOSE) closed.push_back(cls + ":" + title);
            return 0;
        };
    };
    program("SampleMainWindow", "Anything");
    program("SampleViewer", "Other Program");
    program("SampleViewer", "SAMPLE TOOL - notes");  // in front: the one FindWindow returns
    program("SampleEditor", "Editor");
    program("SampleLeading", "Whatever");
    s.in.script.exit_count = 0;
    auto add = [&](const char* cls, const char* prefixes) {
        ExitEntry& e = s.in.script.exit_list[s.in.script.exit_count++];
        e.window_class = s.os.add_atom(cls);
        e.title_prefixes = prefixes[0] != '\0' ? s.os.add_atom(prefixes) : 0;
    };
    add("SampleMainWindow", "");
    add("SampleViewer", "Sample Tool,Sample");
    add("SampleEditor", "Sample,Notes,");  // a trailing comma adds no empty prefix
    add("SampleLeading", ",Never");        // a leading comma matches every title
    add("NoSuchWindow", "");
    CloseRunningCopies(s.in);
    EXPECT_EQ(closed, (std::vector<std::string>{"SampleLeading:Whatever", "SampleViewer:SAMPLE TOOL - notes",
                                                "SampleMainWindow:Anything"}));
    EXPECT_EQ(s.in.script.exit_count, 0u);
}

TEST(TitlePrefixes, MatchWithoutRegardToTheCaseOfLetters) {
    EXPECT_TRUE(TitleMatches("Sample Tool", "sAMPLE"));
    EXPECT_FALSE(TitleMatches("Sam", "Sample"));
    EXPECT_TRUE(TitleMatches("Other", "Sample,,Tool"));  // an empty prefix between commas
    EXPECT_FALSE(TitleMatches("Other", "Sample,"));
    EXPECT_FALSE(TitleMatches("\xE9t\xE9", "\xC9T\xC9"));  // only A to Z are folded
}

TEST_F(Engine, ObsoleteFilesAreDeletedQuietlyFromTheLastToTheFirst) {
    s.machine.put_file("C:\\WINDOWS\\OLD.DLL", "old");
    s.machine.put_file("C:\\APP\\OLD.HLP", "old");
    s.in.script.delete_count = 0;
    auto add = [&](const char* name, std::uint8_t kind) {
        DeleteEntry& e = s.in.script.delete_list[s.in.script.delete_count++];
        e.file = s.os.add_atom(name);
        e.kind = kind;
    };
    add("OLD.DLL", kWindowsDir);
    add("GONE.TXT", kTargetDir);
    add("OLD.HLP", kTargetDir);
    s.os.faults.record_calls(true);
    DeleteObsoleteFiles(s.in);
    EXPECT_FALSE(s.machine.exists("C:\\WINDOWS\\OLD.DLL"));
    EXPECT_FALSE(s.machine.exists("C:\\APP\\OLD.HLP"));
    EXPECT_EQ(s.in.script.delete_count, 0u);
    EXPECT_EQ(s.os.error_mode(), 0u);
    const auto& calls = s.os.faults.calls();
    auto first_delete = std::find(calls.begin(), calls.end(), "open_file");
    ASSERT_NE(first_delete, calls.end());
    EXPECT_EQ(s.os.faults.count("open_file", "C:\\APP\\OLD.HLP"), 1u);
}

}  // namespace
}  // namespace zep

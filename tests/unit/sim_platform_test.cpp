// The simulated Windows answers as the real one does where the installer can tell.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "dialogs/dialog_table.h"
#include "szdd/szdd.h"
#include "tests/support/sim_install.h"

namespace zep {
namespace {

using test::SimInstall;

TEST(SimFiles, NamesAreFoundWithoutRegardToCase) {
    SimInstall s;
    s.machine.put_file("C:\\Data\\Report.Txt", "abc");
    Hfile f = s.os.open_file("c:\\DATA\\report.TXT", OF_READ);
    ASSERT_NE(f, HFILE_ERROR);
    char buf[8] = {};
    EXPECT_EQ(s.os.lread(f, buf, sizeof buf), 3u);
    EXPECT_STREQ(buf, "abc");
    s.os.lclose(f);
    // Relative paths, forward slashes, dots and the trailing dots Windows drops.
    ASSERT_TRUE(s.os.set_current_directory("C:\\DATA"));
    EXPECT_NE(s.os.open_file("report.txt", OF_EXIST), HFILE_ERROR);
    EXPECT_NE(s.os.open_file("..\\data\\.\\REPORT.TXT.", OF_EXIST), HFILE_ERROR);
    EXPECT_NE(s.os.open_file("\\data/report.txt", OF_EXIST), HFILE_ERROR);
    EXPECT_EQ(s.os.open_file("C:\\DATA\\MISSING", OF_READ), HFILE_ERROR);
    EXPECT_EQ(s.os.get_last_error(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(s.os.open_file("C:\\NODIR\\X", OF_READ), HFILE_ERROR);
    EXPECT_EQ(s.os.get_last_error(), ERROR_FILE_NOT_FOUND);  // OpenFile searches: no such file
    EXPECT_EQ(s.os.open_file("C:\\DATA\\A|B", OF_READ), HFILE_ERROR);
    EXPECT_EQ(s.os.get_last_error(), ERROR_INVALID_NAME);
}

// Whatever the case of each name, a create lands on the file or in the folder that is there.
TEST(SimFiles, ACreateInAnotherCaseReplacesTheFileThatIsThere) {
    SimInstall s;
    s.machine.put_file("C:\\Data\\Sub\\Report.Txt", "old");
    const char* const typed[] = {
        "C:\\Data\\Sub\\Report.Txt",  // as on the disk
        "C:\\Data\\Sub\\REPORT.TXT",  // the file's name in another case
        "C:\\DATA\\sub\\report.txt",  // every name in another case
        "c:\\data\\Sub\\Report.Txt",  // only a folder's
    };
    for (const char* path : typed) {
        SCOPED_TRACE(path);
        Hfile f = s.os.open_file(path, OF_CREATE | OF_WRITE);
        ASSERT_NE(f, HFILE_ERROR);
        EXPECT_EQ(s.os.lwrite(f, path, 5), 5u);
        s.os.lclose(f);
        EXPECT_EQ(s.machine.read_file("C:\\Data\\Sub\\Report.Txt"), std::string(path, 5));
    }
    Hfile f = s.os.open_file("C:\\DATA\\SUB\\New.Txt", OF_CREATE | OF_WRITE);
    ASSERT_NE(f, HFILE_ERROR);
    s.os.lclose(f);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(s.machine.host_path("C:\\Data\\Sub"))) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"New.Txt", "Report.Txt"}));
    EXPECT_FALSE(std::filesystem::exists(s.machine.host_path("C:\\Data").parent_path() / "DATA"));
}

TEST(SimFiles, OpenFileTakesNoPathOf128CharactersOrMoreButLopenDoes) {
    SimInstall s;
    std::string dir = "C:\\" + std::string(120, 'D');
    s.machine.put_file(dir + "\\FILE.TXT", "x");
    for (std::uint32_t mode : {OF_READ, OF_EXIST, OF_DELETE, OF_CREATE | OF_WRITE}) {
        EXPECT_EQ(s.os.open_file((dir + "\\FILE.TXT").c_str(), mode), HFILE_ERROR) << mode;
        EXPECT_EQ(s.os.get_last_error(), ERROR_INVALID_DATA);  // as Wine answers
    }
    Hfile read = s.os.lopen((dir + "\\FILE.TXT").c_str(), OF_READ);
    EXPECT_NE(read, HFILE_ERROR);
    s.os.lclose(read);
    Hfile created = s.os.lcreat((dir + "\\NEW.TXT").c_str(), 0);
    EXPECT_NE(created, HFILE_ERROR);
    s.os.lclose(created);
}

TEST(SimFiles, SharingAttributesAndDeletion) {
    SimInstall s;
    s.machine.put_file("C:\\F.TXT", "data");
    Hfile mine = s.os.open_file("C:\\F.TXT", OF_READ | OF_SHARE_EXCLUSIVE);
    ASSERT_NE(mine, HFILE_ERROR);
    EXPECT_EQ(s.os.open_file("C:\\F.TXT", OF_READ), HFILE_ERROR);
    EXPECT_EQ(s.os.get_last_error(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(s.os.delete_file("C:\\F.TXT"));
    EXPECT_EQ(s.os.get_last_error(), ERROR_SHARING_VIOLATION);
    s.os.lclose(mine);

    ASSERT_TRUE(s.os.set_file_attributes("C:\\F.TXT", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(s.os.open_file("C:\\F.TXT", OF_CREATE | OF_WRITE), HFILE_ERROR);
    EXPECT_EQ(s.os.get_last_error(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(s.os.delete_file("C:\\F.TXT"));
    ASSERT_TRUE(s.os.set_file_attributes("C:\\F.TXT", FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(s.os.open_file("C:\\F.TXT", OF_CREATE | OF_WRITE), HFILE_ERROR);  // hidden: not replaced
    ASSERT_TRUE(s.os.set_file_attributes("C:\\F.TXT", FILE_ATTRIBUTE_NORMAL));
    Hfile again = s.os.open_file("C:\\F.TXT", OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE);
    ASSERT_NE(again, HFILE_ERROR);
    EXPECT_EQ(s.os.get_file_size(again), 0u);
    s.os.lclose(again);
    EXPECT_EQ(s.os.open_file("C:\\F.TXT", OF_DELETE), 1);
    EXPECT_FALSE(s.machine.exists("C:\\F.TXT"));
}

TEST(SimFiles, AFullDiskWritesShort) {
    SimInstall s;
    s.machine.drive('C')->free_bytes = 10;
    Hfile f = s.os.open_file("C:\\BIG.BIN", OF_CREATE | OF_WRITE);
    ASSERT_NE(f, HFILE_ERROR);
    s.os.set_last_error(ERROR_ACCESS_DENIED);
    EXPECT_EQ(s.os.lwrite(f, "0123456789abcdef", 16), 10u);
    EXPECT_EQ(s.os.get_last_error(), ERROR_ACCESS_DENIED);  // as Wine leaves it
    s.os.lclose(f);
    EXPECT_TRUE(s.os.delete_file("C:\\BIG.BIN"));
    EXPECT_EQ(s.machine.drive('C')->free_bytes, 10u);
}

TEST(SimFiles, DriveTypesAreTellingOnlyForRoots) {
    SimInstall s;
    s.machine.add_drive('A', DRIVE_REMOVABLE);
    s.machine.add_share("\\\\SERVER\\APPS");
    EXPECT_EQ(s.os.get_drive_type("C:\\"), DRIVE_FIXED);
    EXPECT_EQ(s.os.get_drive_type("A:\\"), DRIVE_REMOVABLE);
    EXPECT_EQ(s.os.get_drive_type("\\\\server\\apps\\"), DRIVE_REMOTE);
    s.machine.put_file("C:\\SETUP\\SETUP.EXE", "");
    EXPECT_EQ(s.os.get_drive_type("C:\\SETUP\\SETUP.EXE"), DRIVE_NO_ROOT_DIR);  // a file
    EXPECT_EQ(s.os.get_drive_type("C:\\NOWHERE"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(s.os.get_drive_type("C:\\SETUP"), DRIVE_FIXED);  // an existing folder, as Wine answers
    EXPECT_EQ(s.os.get_drive_type("Q:\\"), DRIVE_NO_ROOT_DIR);
}

TEST(SimFiles, DosTimesBecomeFileTimes) {
    SimInstall s;
    FileTime t{};
    ASSERT_TRUE(s.os.dos_date_time_to_file_time(10632, 2080, t));  // 8 Dec 2000 01:01:00
    std::uint64_t ticks = (std::uint64_t{t.high} << 32) | t.low;
    EXPECT_EQ(ticks, (976237260ULL + 11644473600ULL) * 10000000ULL);
    EXPECT_FALSE(s.os.dos_date_time_to_file_time(0, 0, t));  // month 0
}

TEST(SimAtoms, HoldUpTo255CharactersAndIgnoreCase) {
    SimInstall s;
    Atom a = s.os.add_atom("Sample Program");
    Atom b = s.os.add_atom("SAMPLE PROGRAM");
    EXPECT_EQ(a, b);
    char name[256];
    s.os.get_atom_name(b, name, sizeof name);
    EXPECT_STREQ(name, "Sample Program");  // the spelling stored first
    EXPECT_NE(s.os.add_atom(std::string(255, 'x').c_str()), 0);
    EXPECT_EQ(s.os.add_atom(std::string(256, 'x').c_str()), 0);
    EXPECT_EQ(s.os.delete_atom(a), 0);
    EXPECT_EQ(s.os.get_atom_name(b, name, sizeof name), 9u + 5u);  // one reference left
    EXPECT_EQ(s.os.delete_atom(b), 0);
    EXPECT_EQ(s.os.get_atom_name(b, name, sizeof name), 0u);
}

TEST(SimMemory, AnEmptyMovableBlockCannotBeLocked) {
    SimInstall s;
    Hglobal empty = s.os.global_alloc(GHND, 0);
    ASSERT_NE(empty, 0u);
    EXPECT_EQ(s.os.global_lock(empty), nullptr);
    EXPECT_EQ(s.os.global_free(empty), 0u);
}

TEST(SimFaults, FailTheNthCallOnceOrFromThenOn) {
    SimInstall s;
    s.machine.put_file("C:\\A.TXT", "");
    s.os.faults.add({"open_file", "A.TXT", 2, false, ERROR_ACCESS_DENIED});
    EXPECT_NE(s.os.open_file("C:\\A.TXT", OF_EXIST), HFILE_ERROR);
    EXPECT_EQ(s.os.open_file("C:\\A.TXT", OF_EXIST), HFILE_ERROR);
    EXPECT_EQ(s.os.get_last_error(), ERROR_ACCESS_DENIED);
    EXPECT_NE(s.os.open_file("C:\\A.TXT", OF_EXIST), HFILE_ERROR);
    s.os.faults.add({"*", "", 1, true});
    EXPECT_EQ(s.os.open_file("C:\\A.TXT", OF_EXIST), HFILE_ERROR);
    EXPECT_EQ(s.os.add_atom("x"), 0);
    EXPECT_EQ(s.os.faults.fired(), 3u);
}

std::intptr_t EchoDialog(Installer& in, Hwnd dialog, std::uint32_t msg, std::uintptr_t wparam,
                         std::intptr_t) {
    if (msg == WM_COMMAND && (wparam == IDOK || wparam == IDCANCEL)) {
        in.os.ui.end_dialog(dialog, wparam == IDOK ? 7 : 0);
        return 1;
    }
    return 0;
}

TEST(SimDialogs, TheUserActsOnTheRealTemplates) {
    SimInstall s;
    const sim::Resource* t = s.os.resources.find(RT_DIALOG, 1300);
    ASSERT_NE(t, nullptr);
    s.os.user.answer(1300, {sim::Key(VK_RETURN)});  // Enter presses the default &Retry
    EXPECT_EQ(s.os.dialog_box_indirect_param(t->data.data(), 0, EchoDialog, 0), 7);
    s.os.user.answer(1300, {sim::CloseBox()});
    EXPECT_EQ(s.os.dialog_box_indirect_param(t->data.data(), 0, EchoDialog, 0), 0);
    s.os.user.answer(1300, {sim::Key(VK_ESCAPE)});
    EXPECT_EQ(s.os.dialog_box_indirect_param(t->data.data(), 0, EchoDialog, 0), 0);
    EXPECT_TRUE(s.os.user.errors.empty()) << s.os.user.transcript_text();
    ASSERT_EQ(s.os.user.shown.size(), 3u);
    EXPECT_EQ(s.os.user.shown[0].texts[1001], "Copy error");
    EXPECT_EQ(s.os.user.shown[0].texts[1], "&Retry");
}

TEST(SimDialogs, AClickOnAGreyedButtonDoesNothing) {
    SimInstall s;
    const sim::Resource* t = s.os.resources.find(RT_DIALOG, 2000);
    s.os.user.answer(2000, {sim::Call([](sim::SimPlatform& os, Hwnd d) {
                                os.enable_window(os.get_dlg_item(d, IDCANCEL), false);
                            }),
                            sim::Click(IDCANCEL), sim::CloseBox()});
    // Neither the click nor the close box gets through; the user runs out of answers.
    EXPECT_EQ(s.os.dialog_box_indirect_param(t->data.data(), 0, EchoDialog, 0), 0);
    EXPECT_FALSE(s.os.user.errors.empty());
}

TEST(SimDialogs, AnUnexpectedDialogIsReported) {
    SimInstall s;
    const sim::Resource* t = s.os.resources.find(RT_DIALOG, 1900);
    s.os.user.answer(1600, {sim::Click(IDCANCEL)});
    s.os.dialog_box_indirect_param(t->data.data(), 0, EchoDialog, 0);
    ASSERT_EQ(s.os.user.errors.size(), 1u);
    EXPECT_NE(s.os.user.errors[0].find("1600 was expected"), std::string::npos);
}

}  // namespace
}  // namespace zep

namespace zep {
namespace {

std::string Compressed(const std::string& plain, char missing = 0) {
    std::vector<std::uint8_t> out;
    szdd::Compress(reinterpret_cast<const std::uint8_t*>(plain.data()), plain.size(),
                   static_cast<std::uint8_t>(missing), out);
    return std::string(out.begin(), out.end());
}

TEST(SimExpansion, ExpandsSzddAndPassesOtherFilesThrough) {
    SimInstall s;
    const std::string text(5000, 'z');
    s.machine.put_file("C:\\A.TX_", Compressed(text + "tail"));
    s.machine.put_file("C:\\PLAIN.TXT", "plain bytes");
    Hfile f = s.os.open_file("C:\\A.TX_", OF_READ);
    std::int32_t h = s.os.lz_init(f);
    EXPECT_GE(h, 0x400);
    std::string got(6000, '\0');
    EXPECT_EQ(s.os.lz_read(h, got.data(), 6000), 5004);
    EXPECT_EQ(got.substr(0, 5004), text + "tail");
    EXPECT_EQ(s.os.lz_read(h, got.data(), 6000), 0);
    s.os.lz_close(h);
    EXPECT_EQ(s.os.open_file_count(), 0u);  // closing the expansion closes its file

    Hfile p = s.os.open_file("C:\\PLAIN.TXT", OF_READ);
    EXPECT_EQ(s.os.lz_init(p), p);  // not compressed: the file handle itself, from its start
    char buf[32] = {};
    EXPECT_EQ(s.os.lz_read(p, buf, sizeof buf), 11);
    EXPECT_STREQ(buf, "plain bytes");
    s.os.lz_close(p);
}

TEST(SimExpansion, SixteenAtOnceAndUnknownModesRefused) {
    SimInstall s;
    s.machine.put_file("C:\\A.TX_", Compressed("abc"));
    std::vector<std::int32_t> open;
    for (int i = 0; i < 16; ++i) open.push_back(s.os.lz_init(s.os.open_file("C:\\A.TX_", OF_READ)));
    for (std::int32_t h : open) EXPECT_GE(h, 0x400);
    Hfile extra = s.os.open_file("C:\\A.TX_", OF_READ);
    EXPECT_EQ(s.os.lz_init(extra), szdd::kLzErrorGlobalAlloc);
    s.os.lclose(extra);
    for (std::int32_t h : open) s.os.lz_close(h);

    std::string odd = Compressed("abc");
    odd[8] = 'B';
    s.machine.put_file("C:\\ODD.TX_", odd);
    Hfile f = s.os.open_file("C:\\ODD.TX_", OF_READ);
    EXPECT_EQ(s.os.lz_init(f), szdd::kLzErrorUnknownAlg);
    Hfile out = s.os.open_file("C:\\ODD.TXT", OF_CREATE | OF_WRITE);
    EXPECT_EQ(s.os.lz_copy(f, out), 0);  // as LZ32: nothing copied, no error
    s.os.lclose(f);
    s.os.lclose(out);
}

TEST(SimExpansion, CopyExpandsGivesTheSourcesTimeAndClosesWhatItOpened) {
    SimInstall s;
    s.machine.put_file("C:\\A.TX_", Compressed("expanded text"));
    Hfile src = s.os.open_file("C:\\A.TX_", OF_READ);
    FileTime stamp{0x12345678, 0x01C00000};
    s.machine.set_times(s.machine.host_path("C:\\A.TX_"), {stamp, stamp, stamp});
    Hfile dst = s.os.open_file("C:\\A.TXT", OF_CREATE | OF_WRITE);
    EXPECT_EQ(s.os.lz_copy(src, dst), 13);
    FileTime written{};
    s.os.get_file_time(dst, nullptr, nullptr, &written);
    EXPECT_EQ(written.low, stamp.low);
    EXPECT_EQ(s.os.lclose(src), HFILE_ERROR);  // LZCopy closed the compressed source
    s.os.lclose(dst);
    EXPECT_EQ(s.machine.read_file("C:\\A.TXT"), "expanded text");
}

}  // namespace
}  // namespace zep

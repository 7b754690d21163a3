#include <gtest/gtest.h>

#include "shell/environment.h"
#include "tests/support/sim_install.h"

namespace zep {
namespace {

using test::SimInstall;

struct VersionCase {
    std::uint32_t major, minor, platform_id;
    std::uint32_t want_minor, want_class, want_mask;
};

TEST(Environment, ClassifiesTheRunningSystem) {
    const VersionCase cases[] = {
        {4, 0, VER_PLATFORM_WIN32_WINDOWS, 0, 2, 2},   // Windows 95
        {4, 10, VER_PLATFORM_WIN32_WINDOWS, 1, 2, 2},  // Windows 98 reads as 4.1
        {4, 90, VER_PLATFORM_WIN32_WINDOWS, 9, 2, 2},  // Windows Me reads as 4.9
        {3, 51, VER_PLATFORM_WIN32_NT, 51, 5, 4},      // NT 3.51: old shell
        {4, 0, VER_PLATFORM_WIN32_NT, 0, 6, 4},        // NT 4: new shell
        {5, 1, VER_PLATFORM_WIN32_NT, 1, 6, 4},
        {3, 10, VER_PLATFORM_WIN32s, 1, 2, 2},         // anything not NT is the 95 family
    };
    for (const VersionCase& c : cases) {
        SimInstall s;
        s.machine.version = {c.major, c.minor, 0, c.platform_id};
        ProbeVersion(s.in);
        EXPECT_EQ(s.in.env.major, c.major);
        EXPECT_EQ(s.in.env.minor, c.want_minor) << c.major << "." << c.minor;
        EXPECT_EQ(s.in.env.platform_class, c.want_class) << c.major << "." << c.minor;
        EXPECT_EQ(s.in.env.platform_mask, c.want_mask) << c.major << "." << c.minor;
    }
}

TEST(Environment, RootsEndInABackslashAndFontsFollowTheShell) {
    SimInstall s("A:\\SETUP.EXE");
    s.machine.add_drive('A', DRIVE_REMOVABLE);
    s.machine.windows_dir = "C:\\WINDOWS";
    s.machine.system_dir = "C:\\WINDOWS\\SYSTEM";
    ProbeVersion(s.in);
    ComputeRoots(s.in);
    EXPECT_STREQ(s.in.env.installer_root, "A:\\");
    EXPECT_STREQ(s.in.env.windows_root, "C:\\WINDOWS\\");
    EXPECT_STREQ(s.in.env.system_root, "C:\\WINDOWS\\SYSTEM\\");
    EXPECT_STREQ(s.in.env.system32_root, "C:\\WINDOWS\\SYSTEM32\\");
    EXPECT_STREQ(s.in.env.fonts_root, "C:\\WINDOWS\\FONTS\\");

    SimInstall nt351;
    nt351.machine.set_nt(3, 51);
    nt351.machine.windows_dir = "C:\\";  // a root keeps its one backslash
    nt351.machine.system_dir = "C:\\WINNT35\\SYSTEM32";
    ProbeVersion(nt351.in);
    ComputeRoots(nt351.in);
    EXPECT_STREQ(nt351.in.env.windows_root, "C:\\");
    EXPECT_STREQ(nt351.in.env.fonts_root, "C:\\WINNT35\\SYSTEM32\\");  // the System root
    // A System directory that is already system32 is the System32 root itself.
    EXPECT_STREQ(nt351.in.env.system32_root, "C:\\WINNT35\\SYSTEM32\\");
}

TEST(Environment, ComputingTheRootsMakesTheWindowsDriveCurrent) {
    SimInstall s("D:\\DISK1\\SETUP.EXE");
    s.machine.add_drive('D', DRIVE_CDROM);
    ProbeVersion(s.in);
    ComputeRoots(s.in);
    EXPECT_EQ(s.os.current_directories().current.substr(0, 2), "C:");
    EXPECT_STREQ(s.in.env.installer_root, "D:\\DISK1\\");
}

TEST(Environment, DisplayClassFromPixelsPerInchOrScreenHeight) {
    const struct {
        bool dc;
        int ppi, height;
        std::uint32_t want_class;
    } cases[] = {
        {true, 120, 480, 2}, {true, 96, 768, 1}, {true, 72, 600, 0},
        {false, 120, 600, 2}, {false, 96, 480, 1}, {false, 96, 350, 0},
    };
    for (const auto& c : cases) {
        SimInstall s;
        s.machine.display_dc = c.dc;
        s.machine.pixels_per_inch = c.ppi;
        s.machine.screen_height = c.height;
        ProbeDisplay(s.in);
        EXPECT_EQ(s.in.env.display_class, c.want_class) << c.dc << " " << c.ppi << " " << c.height;
        EXPECT_EQ(s.in.env.display_mask, 1u << c.want_class);
    }
}

TEST(Environment, RootPathJoinsRootAndNameAndRefusesWhatWouldNotFit) {
    SimInstall s;
    ProbeVersion(s.in);
    ComputeRoots(s.in);
    char out[260];
    EXPECT_TRUE(RootPath(s.in, out, "SAMPLE.HLP", kWindowsDir));
    EXPECT_STREQ(out, "C:\\WINDOWS\\SAMPLE.HLP");
    EXPECT_TRUE(RootPath(s.in, out, "X.TTF", kFontsDir));
    EXPECT_STREQ(out, "C:\\WINDOWS\\FONTS\\X.TTF");
    EXPECT_TRUE(RootPath(s.in, out, "SETUP.INI", kInstallerDir));
    EXPECT_STREQ(out, "C:\\SETUP\\SETUP.INI");
    EXPECT_TRUE(RootPath(s.in, out, "odd", 9));  // unknown kinds mean the Windows directory
    EXPECT_STREQ(out, "C:\\WINDOWS\\odd");

    std::string name(248, 'n');  // 11 + 248 = 259 characters: fits exactly
    EXPECT_TRUE(RootPath(s.in, out, name.c_str(), kWindowsDir));
    EXPECT_EQ(std::string(out).size(), 259u);
    name += 'n';
    EXPECT_FALSE(RootPath(s.in, out, name.c_str(), kWindowsDir));
    EXPECT_STREQ(out, "");
}

TEST(Environment, TrailingBackslashIsAddedOnce) {
    char path[8] = "C:\\";
    AddTrailingBackslash(path, sizeof path);
    EXPECT_STREQ(path, "C:\\");
    char dir[8] = "C:\\A";
    AddTrailingBackslash(dir, sizeof dir);
    EXPECT_STREQ(dir, "C:\\A\\");
    char full[5] = "C:\\A";  // no room left: unchanged rather than overrun
    AddTrailingBackslash(full, sizeof full);
    EXPECT_STREQ(full, "C:\\A");
}

TEST(Environment, WorkingDirectoryOperations) {
    SimInstall s;
    s.machine.add_drive('D');
    s.machine.put_file("D:\\APPS\\x", "");
    EXPECT_NE(ChangeDrive(s.in, 0), 0);
    EXPECT_NE(ChangeDrive(s.in, 32), 0);
    EXPECT_NE(ChangeDrive(s.in, 5), 0);  // E: does not exist
    EXPECT_EQ(ChangeDirectory(s.in, "D:\\APPS"), 0);
    EXPECT_EQ(ChangeDrive(s.in, 3), 0);  // back to C:, where SETUP was current
    char cwd[260];
    CurrentDirectory(s.in, cwd);
    EXPECT_STREQ(cwd, "C:\\SETUP");
    EXPECT_EQ(ChangeDrive(s.in, 4), 0);  // D: remembers its own directory
    CurrentDirectory(s.in, cwd);
    EXPECT_STREQ(cwd, "D:\\APPS");

    EXPECT_EQ(CreateOneDirectory(s.in, "D:\\NEW"), CreateResult::kCreated);
    EXPECT_EQ(CreateOneDirectory(s.in, "D:\\NEW"), CreateResult::kExists);
    EXPECT_EQ(CreateOneDirectory(s.in, "D:\\"), CreateResult::kDenied);
    EXPECT_EQ(CreateOneDirectory(s.in, "D:\\NO\\SUCH"), CreateResult::kFailed);
}

}  // namespace
}  // namespace zep

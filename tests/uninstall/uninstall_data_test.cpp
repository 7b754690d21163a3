// The uninstaller's data resource (made on the host, read by uninst.exe), how it tells an
// installed file from a changed one, and its entry in Windows 95's WININIT.INI.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "base/text.h"
#include "shell/environment.h"
#include "tests/support/sim_install.h"
#include "uninstall/make_uninstall_data.h"
#include "uninstall/uninstaller.h"

namespace zep {
namespace {

constexpr std::uint16_t kDate = (44 << 9) | (5 << 5) | 1;    // 1 May 2024
constexpr std::uint16_t kTime = (10 << 11) | (20 << 5) | 15;  // 10:20:30

PackedLine Line(std::uint16_t id, const std::string& destination, std::uint32_t size, std::uint8_t flags = 7,
                std::uint8_t kind = 0, std::uint16_t time = kTime) {
    PackedLine l;
    l.resource_id = id;
    l.kind = kind;
    l.flags = flags;
    l.destination = destination;
    l.size = size;
    l.dos_date = kDate;
    l.dos_time = time;
    return l;
}

struct Record {
    std::string name;
    std::uint32_t size;
    std::uint16_t time;
    bool operator==(const Record&) const = default;
};

std::vector<Record> Records(const std::vector<std::uint8_t>& bytes, std::string* script = nullptr) {
    UninstallData data{};
    EXPECT_TRUE(ReadUninstallData(bytes.data(), static_cast<std::uint32_t>(bytes.size()), data));
    if (script != nullptr) script->assign(data.script, data.script_length);
    std::vector<Record> out;
    FileRecord r;
    for (const std::uint8_t* at = data.records; at != data.end;) {
        at = NextFileRecord(at, r);
        out.push_back({std::string(r.name, r.length), r.size, r.dos_time});
    }
    EXPECT_EQ(out.size(), data.file_count);
    return out;
}

std::vector<std::uint8_t> Make(std::vector<PackedLine> lines, const std::string& script = "[Basic Information]\r\n") {
    std::vector<std::uint8_t> out;
    std::string error;
    EXPECT_TRUE(MakeUninstallData(script, std::move(lines), out, error)) << error;
    return out;
}

TEST(UninstallData, PlaysTheLinesAsTheInstallerDoesOnEachDisplay) {
    std::string script;
    auto records = Records(Make({
                                    Line(12003, "DATA\\SAMPLE.DAT", 100),      // first part
                                    Line(12002, "SAMPLE.EXE", 50),             // out of order: sorted
                                    Line(12004, "Fonts.ttf", 9, 7, 4),         // another kind
                                    Line(12005, "data\\sample.dat", 40, 15, 0, kTime + 1),  // Append
                                    Line(12006, "EGA.DRV", 10, 1),             // EGA only
                                    Line(12007, "EGA.DRV", 20, 6),             // VGA and 8514
                                    Line(12008, "..\\WINDOWS\\WIN.INI", 5),    // not in the target
                                    Line(12009, "UNINST.EXE", 30000),          // the uninstaller itself
                                    Line(12010, "SUB\\UNINST.EXE", 30),        // only its own name is
                                    Line(12011, "NEW.LOG", 7, 15),             // Append to nothing
                                    Line(12002, "SAMPLE.EXE", 50),             // met again on another display
                                },
                                "script text"),
                           &script);
    EXPECT_EQ(script, "script text");
    EXPECT_EQ(records, (std::vector<Record>{
                           {"DATA\\SAMPLE.DAT", 140, kTime + 1},  // both parts, the last part's time
                           {"EGA.DRV", 10, kTime},
                           {"EGA.DRV", 20, kTime},
                           {"SAMPLE.EXE", 50, kTime},
                           {"SUB\\UNINST.EXE", 30, kTime},
                       }));
}

TEST(UninstallData, ALineAfterTheAppendPartsStartsTheFileAgain) {
    auto records = Records(Make({Line(12002, "LOG.TXT", 10), Line(12003, "LOG.TXT", 5, 15), Line(12004, "LOG.TXT", 3)}));
    EXPECT_EQ(records, (std::vector<Record>{{"LOG.TXT", 3, kTime}}));
}

TEST(UninstallData, WhatCannotBeMadeIsRefusedWithAMessage) {
    std::vector<std::uint8_t> out;
    std::string error;
    EXPECT_FALSE(MakeUninstallData("", std::vector<PackedLine>{}, out, error));
    EXPECT_EQ(error, "the install script is empty");
    EXPECT_FALSE(MakeUninstallData("x", {Line(12002, "A.EXE", 1, 7, 0, 0xFFFF)}, out, error));
    EXPECT_EQ(error, "the time stamp of A.EXE is not an MS-DOS date and time");
}

TEST(UninstallData, EveryDamagedResourceIsRefusedWhole) {
    const std::vector<std::uint8_t> good = Make({Line(12002, "A.EXE", 1), Line(12003, "DOC\\B.TXT", 2)}, "SCRIPT");
    UninstallData data{};
    ASSERT_TRUE(ReadUninstallData(good.data(), static_cast<std::uint32_t>(good.size()), data));
    const std::size_t first_name = 16 + 6 + 10;  // header, script, first record's fixed part
    struct Damage {
        const char* what;
        std::size_t at;
        int value;  // -1: cut the data here instead
    };
    const Damage damages[] = {
        {"magic", 0, 'X'},
        {"version", 4, 2},
        {"more records than there are", 6, 3},
        {"fewer records than there are", 6, 1},
        {"script elsewhere", 8, 17},
        {"script running past the end", 12, 0xF0},
        {"name running past the end", first_name - 2, 0xF0},
        {"empty name", first_name - 2, 0},
        {"name with a drive", first_name + 1, ':'},
        {"name with a slash", first_name + 1, '/'},
        {"name with a NUL", first_name + 1, 0},
        {"cut inside the header", 10, -1},
        {"cut inside a record", first_name + 2, -1},
        {"nothing", 0, -1},
    };
    for (const Damage& d : damages) {
        std::vector<std::uint8_t> bad = good;
        if (d.value < 0) bad.resize(d.at);
        else bad[d.at] = static_cast<std::uint8_t>(d.value);
        EXPECT_FALSE(ReadUninstallData(bad.data(), static_cast<std::uint32_t>(bad.size()), data)) << d.what;
    }
    std::vector<std::uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_FALSE(ReadUninstallData(longer.data(), static_cast<std::uint32_t>(longer.size()), data)) << "trailing byte";
    EXPECT_FALSE(ReadUninstallData(nullptr, 100, data));
}

TEST(UninstallData, ANameMustStayInsideTheTarget) {
    const struct {
        const char* path;
        bool plain;
    } cases[] = {
        {"A.EXE", true},         {"DOC\\README.TXT", true}, {"A.B.C", true},       {".PROFILE", true},
        {"", false},             {"\\A.EXE", false},        {"A\\", false},        {"A\\\\B", false},
        {"..\\A", false},        {"A\\..\\..\\B", false},   {".\\A", false},       {"...\\A", false},
        {"C:A.EXE", false},      {"A/B", false},            {"..", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsPlainRelativePath(c.path, static_cast<std::uint32_t>(TextLength(c.path))), c.plain) << c.path;
    }
    EXPECT_FALSE(IsPlainRelativePath(std::string(260, 'A').c_str(), 260));
    EXPECT_TRUE(IsPlainRelativePath(std::string(259, 'A').c_str(), 259));
}

TEST(UninstallData, DosStampsAreThisMachinesLocalTime) {
    const char* saved = std::getenv("TZ");
    const std::string old = saved != nullptr ? saved : "";
    setenv("TZ", "UTC-2", 1);  // two hours east of UTC
    tzset();
    std::uint16_t date = 0, time = 0;
    DosStampOf(1714551631, date, time);  // 2024-05-01 08:20:31 UTC
    EXPECT_EQ(date, kDate);
    EXPECT_EQ(time, kTime);  // 10:20:30, the odd second dropped
    if (saved != nullptr) setenv("TZ", old.c_str(), 1);
    else unsetenv("TZ");
    tzset();
}

// --- Is it the file that was installed? ---

TEST(UninstallMatch, SizeAndTimeWithTheSlackOfFatAndOfDaylightSavingTime) {
    test::SimInstall s;
    s.machine.local_minus_utc_minutes = 120;
    FileRecord record{"A", 1, 1000, kDate, kTime};
    FileTime local{}, utc{};
    ASSERT_TRUE(s.os.dos_date_time_to_file_time(kDate, kTime, local));
    ASSERT_TRUE(s.os.local_file_time_to_file_time(local, utc));
    const std::int64_t installed = static_cast<std::int64_t>((std::uint64_t{utc.high} << 32) | utc.low);
    constexpr std::int64_t kSecond = 10000000;
    const struct {
        std::int64_t offset;
        std::uint32_t size;
        bool same;
    } cases[] = {
        {0, 1000, true},
        {0, 999, false},
        {2 * kSecond, 1000, true},
        {-2 * kSecond, 1000, true},
        {3 * kSecond, 1000, false},
        {3600 * kSecond, 1000, true},           // the clocks moved an hour since
        {-3600 * kSecond - kSecond, 1000, true},
        {3600 * kSecond + 3 * kSecond, 1000, false},
        {-19800 * kSecond, 1000, true},         // copied from a folder packed 5:30 h away
        {2700 * kSecond + kSecond, 1000, true},
        {14 * 3600 * kSecond, 1000, true},
        {1000 * kSecond, 1000, false},          // changed since
        {600 * kSecond, 1000, false},
        {15 * 3600 * kSecond, 1000, false},
        {7200 * kSecond, 999, false},
    };
    for (const auto& c : cases) {
        const auto t = static_cast<std::uint64_t>(installed + c.offset);
        const FileTime written{static_cast<std::uint32_t>(t), static_cast<std::uint32_t>(t >> 32)};
        EXPECT_EQ(MatchesRecord(s.in, c.size, written, record), c.same) << c.offset / kSecond << " s, " << c.size;
    }
    FileRecord no_date{"A", 1, 1000, 0, kTime};
    EXPECT_FALSE(MatchesRecord(s.in, 1000, utc, no_date));
}

// --- WININIT.INI ---

TEST(Wininit, TheLineGoesIntoTheRenameListWhateverTheFileHolds) {
    const struct {
        const char* before;  // nullptr: no file
        const char* after;
    } cases[] = {
        {nullptr, "[rename]\r\nNUL=C:\\SAMPLE\\UNINST.EXE\r\n"},
        {"", "[rename]\r\nNUL=C:\\SAMPLE\\UNINST.EXE\r\n"},
        {"[rename]\r\nNUL=C:\\OTHER.EXE\r\n", "[rename]\r\nNUL=C:\\SAMPLE\\UNINST.EXE\r\nNUL=C:\\OTHER.EXE\r\n"},
        {"[boot]\r\nx=y", "[boot]\r\nx=y\r\n[rename]\r\nNUL=C:\\SAMPLE\\UNINST.EXE\r\n"},
        {"[boot]\nx=y\n  [Rename] \r\nA=B\n", "[boot]\nx=y\n  [Rename] \r\nNUL=C:\\SAMPLE\\UNINST.EXE\r\nA=B\n"},
        {"[rename]", "[rename]\r\nNUL=C:\\SAMPLE\\UNINST.EXE\r\n"},
        {"[renamed]\r\n", "[renamed]\r\n[rename]\r\nNUL=C:\\SAMPLE\\UNINST.EXE\r\n"},
    };
    for (const auto& c : cases) {
        test::SimInstall s;
        ProbeVersion(s.in);
        ComputeRoots(s.in);
        if (c.before != nullptr) s.machine.put_file("C:\\WINDOWS\\WININIT.INI", c.before);
        EXPECT_TRUE(AddWininitDeletion(s.in, "C:\\SAMPLE\\UNINST.EXE"));
        EXPECT_EQ(s.machine.read_file("C:\\WINDOWS\\WININIT.INI"), c.after) << (c.before ? c.before : "(none)");
        EXPECT_EQ(s.os.open_file_count(), 0u);
        EXPECT_EQ(s.os.global_block_count(), 0u);
    }
}

TEST(Wininit, AListTooLongForWindows95IsLeftAlone) {
    test::SimInstall s;
    ProbeVersion(s.in);
    ComputeRoots(s.in);
    const std::string big = "[rename]\r\n" + std::string(40000, ';');
    s.machine.put_file("C:\\WINDOWS\\WININIT.INI", big);
    EXPECT_FALSE(AddWininitDeletion(s.in, "C:\\SAMPLE\\UNINST.EXE"));
    EXPECT_EQ(s.machine.read_file("C:\\WINDOWS\\WININIT.INI"), big);
}

}  // namespace
}  // namespace zep

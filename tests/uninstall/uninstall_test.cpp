// uninst.exe on the simulated Windows: the sample product installed by setup.exe, from
// disks and embedded, on each platform, then removed again by its uninstaller run from
// the target as the uninstall entry names it, and the machine compared after a restart
// with what it was before. Then the states a user leaves behind, and faults.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "base/text.h"
#include "dialogs/dialog_table.h"
#include "engine/embedded_payload.h"
#include "script/loader.h"
#include "shell/environment.h"
#include "szdd/szdd.h"
#include "tests/support/sim_install.h"
#include "uninstall/make_uninstall_data.h"
#include "uninstall/uninstaller.h"

namespace zep {
namespace {

namespace fs = std::filesystem;
using sim::Call;
using sim::Click;

constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kEntry[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample Tool 2.0";
constexpr std::uint16_t kStampDate = 23944, kStampTime = 2080;  // strings 8001 and 8002
constexpr std::uint16_t kDiskDate = (44 << 9) | (5 << 5) | 1;     // 1 May 2024, 10:20:30
constexpr std::uint16_t kDiskTime = (10 << 11) | (20 << 5) | 15;

std::string ReadSource(const std::string& relative) {
    std::ifstream in(std::string(ZEP_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::string Szdd(const std::string& plain) {
    static std::map<std::string, std::string> made;  // the tests install the same files often
    auto it = made.find(plain);
    if (it != made.end()) return it->second;
    std::vector<std::uint8_t> out;
    szdd::Compress(reinterpret_cast<const std::uint8_t*>(plain.data()), plain.size(), 0, out);
    return made[plain] = std::string(out.begin(), out.end());
}

// The sample product's files as its disks hold them: name -> expanded content.
const std::map<std::string, std::string>& SampleFiles() {
    static const std::map<std::string, std::string> files = [] {
        std::string data;
        for (int i = 1; data.size() < 150000; ++i) data += std::to_string(100000 + i) + " data\n";
        data.resize(150000);
        return std::map<std::string, std::string>{
            {"SAMPLE.HL_", "help file"},     {"SAMPLE.EX_", "the sample program"},
            {"README.TX_", "read me first"}, {"DATA.1", data.substr(0, 100000)},
            {"SAMPLE.TT_", "a font"},        {"DATA.2", data.substr(100000)},
            {"UNINST.EX_", "uninst.exe"},
        };
    }();
    return files;
}

enum class Mode { kDisks, kEmbedded };

struct Platform {
    const char* name;
    OsVersion version;
};
const Platform kPlatforms[] = {
    {"win95", {4, 0, 950, VER_PLATFORM_WIN32_WINDOWS}},
    {"nt351", {3, 51, 1057, VER_PLATFORM_WIN32_NT}},
    {"nt40", {4, 0, 1381, VER_PLATFORM_WIN32_NT}},
};

// What a machine holds that an installation changes: files and folders, the registry,
// the groups Program Manager keeps.
struct MachineState {
    std::map<std::string, std::string> files;  // "C\WINDOWS\X.INI" -> content, "<folder>"
    std::set<std::string> registry;            // key paths, and values as "path\[name]=data"
    std::set<std::string> groups;
};

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

void CaptureKey(const sim::RegistryKey& key, const std::string& path, std::set<std::string>& out) {
    for (const auto& [name, value] : key.values) {
        std::string data(value.data.begin(), value.data.end());
        if (!data.empty() && data.back() == '\0') data.pop_back();  // REG_SZ's terminator
        out.insert(path + "\\[" + value.name + "]=" + data);
    }
    for (const auto& [name, sub] : key.subkeys) {
        const std::string child = path.empty() ? sub->name : path + "\\" + sub->name;
        out.insert(child);
        CaptureKey(*sub, child, out);
    }
}

MachineState Capture(sim::Machine& m) {
    MachineState s;
    for (const auto& entry : fs::recursive_directory_iterator(m.sandbox())) {
        std::string name = fs::relative(entry.path(), m.sandbox()).string();
        for (char& c : name) c = c == '/' ? '\\' : c;
        if (entry.is_directory()) {
            s.files[Upper(name)] = "<folder>";
        } else {
            std::ifstream in(entry.path(), std::ios::binary);
            s.files[Upper(name)] = std::string((std::istreambuf_iterator<char>(in)), {});
        }
    }
    CaptureKey(m.registry, "", s.registry);
    for (const std::string& command : m.progman.commands) {
        const std::size_t open = command.find('('), close = command.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        const std::string group = command.substr(open + 1, close - open - 1);
        if (command.rfind("[CreateGroup(", 0) == 0) s.groups.insert(group);
        if (command.rfind("[DeleteGroup(", 0) == 0) s.groups.erase(group);
    }
    return s;
}

// The differences, one line each: "+ added", "- removed", "~ changed".
std::vector<std::string> Diff(const MachineState& before, const MachineState& after) {
    std::vector<std::string> out;
    for (const auto& [name, content] : after.files) {
        auto it = before.files.find(name);
        if (it == before.files.end()) out.push_back("+ " + name);
        else if (it->second != content) out.push_back("~ " + name);
    }
    for (const auto& [name, content] : before.files) {
        if (after.files.count(name) == 0) out.push_back("- " + name);
    }
    for (const std::string& r : after.registry) {
        if (before.registry.count(r) == 0) out.push_back("+ registry " + r);
    }
    for (const std::string& r : before.registry) {
        if (after.registry.count(r) == 0) out.push_back("- registry " + r);
    }
    for (const std::string& g : after.groups) {
        if (before.groups.count(g) == 0) out.push_back("+ group " + g);
    }
    return out;
}

// Sorted, one a line.
std::string Lines(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

// The uninstaller as a process of the machine, with the data zep pack would give it.
struct SimUninstaller {
    SimUninstaller(sim::Machine& machine, const std::vector<std::uint8_t>& data,
                   const std::string& module = "C:\\SAMPLE\\UNINST.EXE")
        : os(machine, module), in(os.services()) {
        std::string error;
        if (!os.resources.load_res_file(ZEP_UNINST_RES, &error)) ADD_FAILURE() << error;
        if (!data.empty()) os.resources.add(kPayloadType, kUninstallDataResource, data);
        os.set_context(&in);
    }
    int run() { return RunUninstaller(in); }

    sim::SimPlatform os;
    Installer in;
};

// The sample installed by setup.exe on a fresh machine, and the data for its uninstaller.
struct Installed {
    Installed(const Platform& platform, Mode mode) : mode(mode) {
        s.machine.version = platform.version;
        s.machine.local_minus_utc_minutes = 60;
        // What Windows has before any product: the keys the installer writes below.
        s.machine.registry_key(kUninstallKey, true);
        s.machine.registry_key("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts", true);
        s.machine.registry_key("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", true);
        s.machine.put_file("C:\\WINDOWS\\WIN.INI", "[windows]\r\nload=\r\n");
        s.machine.put_file("C:\\SETUP\\SETUP.EXE", "setup.exe");
        if (mode == Mode::kDisks) {
            s.machine.put_file("C:\\SETUP\\INSTALL.INI", script);
            for (const auto& [name, plain] : SampleFiles()) {
                const std::string path = "C:\\SETUP\\" + name;
                s.machine.put_file(path, name == "DATA.1" ? plain : Szdd(plain));
                s.machine.set_times(s.machine.host_path(path), {DiskStamp(), DiskStamp(), DiskStamp()});
            }
        }
        before = Capture(s.machine);
        if (mode == Mode::kEmbedded) Embed();
        s.os.user.answer(kDlgNewInstall, {Click(IDOK)}).answer(kDlgCompleted + 2, {Click(IDCANCEL)});
        EXPECT_EQ(s.run(), 0);
        EXPECT_EQ(s.os.user.dialog_ids(),
                  (std::vector<std::uint16_t>{kDlgNewInstall, kDlgProgress, kDlgCompleted + 2}))
            << s.os.user.transcript_text();
        data = MakeData();
    }

    // 1 May 2024 10:20:30 local time, which the machine's clock puts an hour behind in UTC.
    FileTime DiskStamp() {
        FileTime local{}, utc{};
        s.os.dos_date_time_to_file_time(kDiskDate, kDiskTime, local);
        s.os.local_file_time_to_file_time(local, utc);
        return utc;
    }

    // The script's lines as the loader numbers them, on every display class.
    std::vector<PackedLine> Lines() {
        static std::vector<PackedLine> lines;
        if (!lines.empty()) return lines;
        for (int ppi : {72, 96, 120}) {
            test::SimInstall scratch;
            scratch.machine.pixels_per_inch = ppi;
            EXPECT_EQ(scratch.load(script), kOk);
            for (PackedLine& line : LoadedLines(scratch.in)) lines.push_back(line);
            ReleaseScriptTables(scratch.in);
        }
        return lines;
    }

    void Embed() {
        s.os.resources.add(kPayloadType, kScriptResource, ToBytes(Szdd(script)));
        s.os.resources.add(kPayloadType, kHelpResource, ToBytes(Szdd(SampleFiles().at("SAMPLE.HL_"))));
        for (const PackedLine& line : Lines()) {
            const std::string& plain = SampleFiles().at(line.source);
            s.os.resources.add(kPayloadType, line.resource_id, ToBytes(Szdd(plain)));
        }
    }

    static std::vector<std::uint8_t> ToBytes(const std::string& s) { return {s.begin(), s.end()}; }

    // What zep pack records: each line's expanded size and the time the installer gives it.
    std::vector<std::uint8_t> MakeData() {
        std::vector<PackedLine> lines = Lines();
        for (PackedLine& line : lines) {
            line.size = static_cast<std::uint32_t>(SampleFiles().at(line.source).size());
            line.dos_date = mode == Mode::kEmbedded ? kStampDate : kDiskDate;
            line.dos_time = mode == Mode::kEmbedded ? kStampTime : kDiskTime;
        }
        std::vector<std::uint8_t> out;
        std::string error;
        EXPECT_TRUE(MakeUninstallData(script, lines, out, error)) << error;
        return out;
    }

    // Runs the uninstaller with Yes, then OK on its last dialog.
    std::vector<std::uint16_t> Uninstall(std::string* kept = nullptr) {
        SimUninstaller u(s.machine, data);
        u.os.user.answer(kDlgConfirmRemoval, {Click(IDOK)}).answer(0, {Call([kept](sim::SimPlatform& os, Hwnd d) {
                                                                  if (kept != nullptr) *kept = os.item_text(d, kKeptList);
                                                              }),
                                                              Click(IDOK)});
        EXPECT_EQ(u.run(), 0);
        EXPECT_TRUE(u.os.user.errors.empty()) << u.os.user.transcript_text();
        EXPECT_EQ(u.os.open_file_count(), 0u);
        EXPECT_EQ(u.os.open_keys(), 0u);
        EXPECT_EQ(u.os.dde_instances(), 0u);
        shown = u.os.user.shown;
        return u.os.user.dialog_ids();
    }

    // The sample's script as zep pack packs it: its last disk ends with the uninstaller.
    std::string script = ReadSource("examples/sample/INSTALL.INI") + "UNINST.EX_=Target\\UNINST.EXE\r\n";
    Mode mode;
    test::SimInstall s;
    MachineState before;
    std::vector<std::uint8_t> data;
    std::vector<sim::ShownDialog> shown;
};

// What the rules keep after an uninstallation and a restart, on each platform: the font
// (in its folder, registered), and on Windows 95 the empty target folder, which its
// restart cannot remove, and the WININIT.BAK it leaves.
std::vector<std::string> Kept(const Platform& p) {
    const bool win95 = p.version.platform_id != VER_PLATFORM_WIN32_NT;
    const bool nt351 = p.version.major == 3;
    std::vector<std::string> kept;
    if (nt351) {
        kept = {"+ C\\WINDOWS\\SYSTEM\\SAMPLE.FOT", "+ C\\WINDOWS\\SYSTEM\\SAMPLE.TTF", "~ C\\WINDOWS\\WIN.INI"};
    } else {
        kept = {"+ C\\WINDOWS\\FONTS\\SAMPLE.TTF"};
    }
    if (win95) {
        kept.push_back("+ C\\SAMPLE");
        kept.push_back("+ C\\WINDOWS\\WININIT.BAK");
    }
    if (!nt351) {
        kept.push_back(win95 ? "+ registry SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts\\[Zep Sample (TrueType)]=SAMPLE.TTF"
                             : "+ registry SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts\\[Zep Sample (TrueType)]=SAMPLE.TTF");
    }
    return kept;
}

TEST(Uninstall, TheMachineIsAsBeforeExceptWhatTheRulesKeep) {
    for (const Platform& p : kPlatforms) {
        for (Mode mode : {Mode::kDisks, Mode::kEmbedded}) {
            SCOPED_TRACE(std::string(p.name) + (mode == Mode::kDisks ? " from disks" : " embedded"));
            Installed i(p, mode);
            EXPECT_TRUE(i.s.machine.exists("C:\\SAMPLE\\DATA\\SAMPLE.DAT"));
            EXPECT_EQ(i.Uninstall(), (std::vector<std::uint16_t>{kDlgConfirmRemoval, kDlgRemoved}));
            EXPECT_EQ(i.shown[0].texts[1001], "Remove Sample Tool 2.0 and all of its components?");
            EXPECT_EQ(i.shown[0].title, "Uninstall Sample Tool 2.0");
            EXPECT_EQ(i.shown[1].texts[1001], "Sample Tool 2.0 has been removed from your computer.");
            // Before the restart only the running uninstaller (and its folder) is left.
            EXPECT_TRUE(i.s.machine.exists("C:\\SAMPLE\\UNINST.EXE"));
            EXPECT_FALSE(i.s.machine.exists("C:\\SAMPLE\\DATA"));
            i.s.machine.restart();
            std::vector<std::string> diff = Diff(i.before, Capture(i.s.machine));
            EXPECT_EQ(Lines(diff), Lines(Kept(p)));
        }
    }
}

TEST(Uninstall, WhatTheUserMadeOrChangedStaysAndIsListed) {
    Installed i(kPlatforms[2], Mode::kDisks);
    sim::Machine& m = i.s.machine;
    m.put_file("C:\\SAMPLE\\DOC\\NOTES.TXT", "my notes");            // the user's own
    const fs::path exe = m.host_path("C:\\SAMPLE\\SAMPLE.EXE");      // same size, saved later
    sim::Machine::Times t = m.times(exe);
    t.written.high += 1;
    m.put_file("C:\\SAMPLE\\SAMPLE.EXE", "the sample program");
    m.set_times(exe, t);
    m.put_file("C:\\SAMPLE\\DATA\\SAMPLE.DAT", "shorter");            // a changed size
    m.set_times(m.host_path("C:\\SAMPLE\\DATA\\SAMPLE.DAT"), m.times(exe));
    std::string kept;
    EXPECT_EQ(i.Uninstall(&kept), (std::vector<std::uint16_t>{kDlgConfirmRemoval, kDlgRemovedExcept}));
    EXPECT_EQ(kept,
              "C:\\SAMPLE\\DATA\\SAMPLE.DAT: changed since it was installed\r\n"
              "C:\\SAMPLE\\SAMPLE.EXE: changed since it was installed\r\n"
              "C:\\SAMPLE\\DATA: not empty\r\n"
              "C:\\SAMPLE\\DOC: not empty");
    EXPECT_EQ(i.shown[1].texts[1001],
              "Sample Tool 2.0 has been removed from your computer, except for these items, which were kept:");
    EXPECT_FALSE(m.exists("C:\\SAMPLE\\DOC\\README.TXT"));
    EXPECT_EQ(m.read_file("C:\\SAMPLE\\DOC\\NOTES.TXT"), "my notes");
    EXPECT_EQ(m.read_file("C:\\SAMPLE\\SAMPLE.EXE"), "the sample program");
    // The product is gone from Windows all the same.
    EXPECT_FALSE(m.exists("C:\\WINDOWS\\SAMPLE.INI"));
    EXPECT_EQ(m.registry_key(kEntry), nullptr);
    EXPECT_EQ(m.progman.commands.back(), "[DeleteGroup(Sample Tool)]");
    m.restart();  // the target is not empty: it stays
    EXPECT_FALSE(m.exists("C:\\SAMPLE\\UNINST.EXE"));
    EXPECT_TRUE(m.exists("C:\\SAMPLE\\DOC\\NOTES.TXT"));
}

// Another time zone or a daylight-saving change moves the clock by quarter hours; a time
// off by anything else is a change.
TEST(Uninstall, TheClocksMayHaveMovedByQuarterHours) {
    for (int moved : {60, -60, 120, -330, 10}) {
        SCOPED_TRACE(moved);
        Installed i(kPlatforms[0], Mode::kEmbedded);
        i.s.machine.local_minus_utc_minutes += moved;
        i.Uninstall();
        EXPECT_EQ(i.s.machine.exists("C:\\SAMPLE\\SAMPLE.EXE"), moved == 10);
    }
}

TEST(Uninstall, RunningCopiesAreAskedToCloseFirst) {
    Installed i(kPlatforms[2], Mode::kDisks);
    bool existed_when_asked = false;
    sim::SimWindow& w = i.s.machine.add_foreign_window("SampleToolWindow", "Sample Tool - notes.txt");
    w.handler = [&](std::uint32_t msg, std::uintptr_t, std::intptr_t) -> std::intptr_t {
        if (msg == WM_CLOSE) existed_when_asked = i.s.machine.exists("C:\\SAMPLE\\SAMPLE.EXE");
        return 0;
    };
    i.Uninstall();
    EXPECT_TRUE(existed_when_asked);
}

TEST(Uninstall, NoAtTheQuestionChangesNothing) {
    Installed i(kPlatforms[2], Mode::kDisks);
    const MachineState installed = Capture(i.s.machine);
    SimUninstaller u(i.s.machine, i.data);
    u.os.user.answer(kDlgConfirmRemoval, {Click(IDCANCEL)});
    u.run();
    EXPECT_EQ(u.os.user.dialog_ids(), std::vector<std::uint16_t>{kDlgConfirmRemoval});
    EXPECT_EQ(Lines(Diff(installed, Capture(i.s.machine))), "");
    EXPECT_TRUE(i.s.machine.pending_moves.empty());
}

TEST(Uninstall, UnreadableDataChangesNothing) {
    Installed i(kPlatforms[2], Mode::kDisks);
    const MachineState installed = Capture(i.s.machine);
    std::vector<std::uint8_t> damaged = i.data;
    damaged[20] = '\\';  // into the script: still read; the records are what it checks
    damaged.back() = '/';
    for (const auto& data : {std::vector<std::uint8_t>{}, damaged}) {
        SimUninstaller u(i.s.machine, data);
        u.os.user.answer(kDlgUnreadable, {Click(IDOK)});
        u.run();
        ASSERT_EQ(u.os.user.dialog_ids(), std::vector<std::uint16_t>{kDlgUnreadable});
        EXPECT_EQ(u.os.user.shown[0].texts[1001],
                  "The uninstall information in C:\\SAMPLE\\UNINST.EXE cannot be read.");
        EXPECT_EQ(u.os.user.shown[0].title, "Uninstall");
    }
    EXPECT_EQ(Lines(Diff(installed, Capture(i.s.machine))), "");
}

TEST(Uninstall, ASecondRunFindsNothingLeftAndSaysSo) {
    Installed i(kPlatforms[0], Mode::kDisks);
    i.Uninstall();
    const MachineState once = Capture(i.s.machine);
    EXPECT_EQ(i.Uninstall(), (std::vector<std::uint16_t>{kDlgConfirmRemoval, kDlgRemoved}));
    std::vector<std::string> diff = Diff(once, Capture(i.s.machine));
    EXPECT_EQ(Lines(diff), "~ C\\WINDOWS\\WININIT.INI\n");  // a second NUL= line, nothing else
}

TEST(Uninstall, AFileInUseStaysAndIsListed) {
    Installed i(kPlatforms[2], Mode::kDisks);
    sim::SimPlatform other(i.s.machine, "C:\\SETUP\\OTHER.EXE");
    Hfile held = other.open_file("C:\\SAMPLE\\DOC\\README.TXT", OF_READ | OF_SHARE_DENY_WRITE);
    ASSERT_NE(held, HFILE_ERROR);
    std::string kept;
    i.Uninstall(&kept);
    EXPECT_EQ(kept, "C:\\SAMPLE\\DOC\\README.TXT: could not be deleted\r\nC:\\SAMPLE\\DOC: not empty");
    other.lclose(held);
}

TEST(Uninstall, AnotherCopyOfTheProductKeepsItsGroupAndIni) {
    Installed i(kPlatforms[2], Mode::kDisks);
    sim::Machine& m = i.s.machine;
    m.put_file("C:\\WINDOWS\\SAMPLE.INI", "[Settings]\r\nVersion=2.0\r\nDirectory=D:\\ELSEWHERE\r\n");
    const std::size_t commands = m.progman.commands.size();
    i.Uninstall();
    EXPECT_FALSE(m.exists("C:\\SAMPLE\\SAMPLE.EXE"));
    EXPECT_TRUE(m.exists("C:\\WINDOWS\\SAMPLE.INI"));
    EXPECT_EQ(m.progman.commands.size(), commands);
    EXPECT_EQ(m.registry_key(kEntry), nullptr);  // the entry named this copy's uninstaller
}

TEST(Uninstall, ACopyElsewhereDeletesOnlyFilesThatAreTheInstalledOnes) {
    Installed i(kPlatforms[2], Mode::kDisks);
    sim::Machine& m = i.s.machine;
    // The user's own folder, with a file that has an installed file's name.
    m.put_file("C:\\MINE\\SAMPLE.EXE", "my own program");
    m.put_file("C:\\MINE\\UNINST.EXE", "x");
    SimUninstaller u(m, i.data, "C:\\MINE\\UNINST.EXE");
    u.os.user.answer(kDlgConfirmRemoval, {Click(IDOK)}).answer(0, {Click(IDOK)});
    u.run();
    EXPECT_EQ(m.read_file("C:\\MINE\\SAMPLE.EXE"), "my own program");
    EXPECT_TRUE(m.exists("C:\\SAMPLE\\SAMPLE.EXE"));
    EXPECT_TRUE(m.exists("C:\\WINDOWS\\SAMPLE.INI"));  // names C:\SAMPLE
    EXPECT_NE(m.registry_key(kEntry), nullptr);
}

// Every call the uninstaller makes fails in turn; whatever happens, nothing it may not
// remove is gone, nothing is left open, and it asks once and reports once at most.
TEST(Uninstall, AFailingCallAnywhereNeverRemovesMoreThanItMay) {
    unsigned runs = 0;
    for (const Platform& p : {kPlatforms[0], kPlatforms[2]}) {
        for (unsigned n = 1;; ++n) {
            SCOPED_TRACE(std::string(p.name) + " call " + std::to_string(n));
            Installed i(p, Mode::kDisks);
            sim::Machine& m = i.s.machine;
            m.put_file("C:\\SAMPLE\\DOC\\NOTES.TXT", "my notes");
            const MachineState installed = Capture(m);
            SimUninstaller u(m, i.data);
            u.os.faults.add({"*", "", n, false, 5});
            u.os.faults.record_calls(true);
            u.os.user.answer(kDlgConfirmRemoval, {Click(IDOK)}).answer(0, {Click(IDOK)});
            u.run();
            ++runs;
            const auto& calls = u.os.faults.calls();
            SCOPED_TRACE(n <= calls.size() ? "failing " + calls[n - 1] : std::string("no call failed"));
            EXPECT_LE(u.os.user.shown.size(), 2u);
            // A close that fails leaves its handle open on the simulated machine.
            const bool closing = n <= calls.size() && (calls[n - 1] == "lclose" || calls[n - 1] == "reg_close_key");
            if (!closing) {
                EXPECT_EQ(u.os.open_file_count(), 0u);
                EXPECT_EQ(u.os.open_keys(), 0u);
            }
            const MachineState after = Capture(m);
            for (const std::string& line : Diff(installed, after)) {
                const bool removable =
                    line.rfind("- C\\SAMPLE\\", 0) == 0 || line == "- C\\WINDOWS\\SAMPLE.INI" ||
                    line.rfind("- registry " + std::string(kEntry), 0) == 0 || line.find("~UNINS") != std::string::npos ||
                    line == "~ C\\WINDOWS\\WININIT.INI" || line == "+ C\\WINDOWS\\WININIT.INI";
                EXPECT_TRUE(removable) << line;
            }
            EXPECT_EQ(m.read_file("C:\\SAMPLE\\DOC\\NOTES.TXT"), "my notes");
            if (u.os.faults.fired() == 0) break;
        }
    }
    EXPECT_GT(runs, 100u);
}

}  // namespace
}  // namespace zep

// zep simulate: the sample product from its folder, its disks and its embedded setup.exe
// on each platform; answers, loops, error dialogs, the uninstaller, and bad input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "../szdd/support.h"
#include "szdd/szdd.h"
#include "tools/zep/simulation.h"

namespace zep::tool {
namespace {

namespace fs = std::filesystem;
using szdd::test::Quoted;
using szdd::test::RunCommand;
using szdd::test::TempDir;

const std::string kZep = ZEP_TOOL;

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

void Write(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// The sample product as its author keeps it, with stand-ins for the program, the help
// file and the font: the installer does not look inside them.
struct Sample {
    explicit Sample(const std::string& script_edit = {}) {
        std::string script = ReadText(ZEP_EXAMPLES "/sample/INSTALL.INI");
        if (!script_edit.empty()) script = std::regex_replace(script, std::regex(script_edit), "");
        Write(dir / "INSTALL.INI", script);
        Write(dir / "README.TXT", ReadText(ZEP_EXAMPLES "/sample/files/README.TXT"));
        Write(dir / "SAMPLE.EXE", std::string(5000, 'x'));
        Write(dir / "SAMPLE.HLP", "?_\x03" + std::string(1, '\0') + "help");
        Write(dir / "SAMPLE.TTF", std::string(3000, 'f'));
        std::string data;
        for (int i = 1; data.size() < 150000; ++i) data += std::to_string(10000 + i) + " data\n";
        data.resize(150000);
        Write(dir / "DATA.1", data.substr(0, 100000));
        std::vector<std::uint8_t> packed;
        const std::string rest = data.substr(100000);
        szdd::Compress(reinterpret_cast<const std::uint8_t*>(rest.data()), rest.size(), 0, packed);
        Write(dir / "DATA.2", std::string(packed.begin(), packed.end()));
    }
    std::string operator/(const std::string& name) const { return dir / name; }

    TempDir dir;
};

struct Outcome {
    int status;
    std::string out;
};

Outcome Simulate(const std::string& args) {
    auto r = RunCommand(Quoted(kZep) + " simulate " + args);
    return {r.status, r.output};
}

bool Has(const std::string& text, const std::string& line) {
    return text.find(line) != std::string::npos;
}

TEST(Simulate, TheSampleFromItsFolderItsDisksAndItsSetupOnEachPlatform) {
    Sample sample;
    TempDir out;
    ASSERT_EQ(RunCommand(Quoted(kZep) + " pack " + Quoted(sample / "") + " --embedded " + Quoted(out / "SETUP.EXE") +
                         " --disks " + Quoted(out / "disks"))
                  .status,
              0);
    struct Input {
        const char* what;
        std::string args;
        bool floppy;
    };
    const Input inputs[] = {
        {"folder", Quoted(sample / ""), false},
        {"disk set", Quoted(out / "disks"), true},
        {"disks one by one", Quoted(out / "disks/DISK1") + " " + Quoted(out / "disks/DISK2"), true},
        {"disks from C:", Quoted(out / "disks") + " --from C:\\\\SETUP", false},
        {"embedded", Quoted(out / "SETUP.EXE"), false},
    };
    for (const char* platform : {"win95", "nt351", "nt40"}) {
        for (const Input& input : inputs) {
            SCOPED_TRACE(std::string(platform) + ", " + input.what);
            const Outcome r = Simulate(input.args + " --platform " + platform);
            EXPECT_EQ(r.status, 0) << r.out;
            EXPECT_TRUE(Has(r.out, "  2400 \"Sample Tool Setup\"\n")) << r.out;
            EXPECT_EQ(Has(r.out, "  1700 \"Sample Tool Setup\"\n"), input.floppy) << r.out;
            EXPECT_TRUE(Has(r.out, "-> insert disk 2; key ENTER") == input.floppy) << r.out;
            EXPECT_TRUE(Has(r.out, "Result: completed\n")) << r.out;
            EXPECT_TRUE(Has(r.out, "  + C:\\SAMPLE\\SAMPLE.EXE  5000 bytes")) << r.out;
            EXPECT_TRUE(Has(r.out, "  + C:\\SAMPLE\\DATA\\SAMPLE.DAT  150000 bytes")) << r.out;
            EXPECT_TRUE(Has(r.out, "  + C:\\SAMPLE\\UNINST.EXE  ")) << r.out;  // zep pack's uninstaller
            EXPECT_TRUE(Has(r.out, "  + C:\\WINDOWS\\SAMPLE.INI [Settings] Directory=C:\\SAMPLE\n")) << r.out;
            EXPECT_TRUE(Has(r.out, "  [CreateGroup(Sample Tool)]\n")) << r.out;
            EXPECT_TRUE(Has(r.out, "  loaded C:\\WINDOWS\\")) << r.out;
            EXPECT_TRUE(Has(r.out, "  C:\\SAMPLE\\SAMPLE.EXE (in C:\\SAMPLE)\n")) << r.out;
            // The uninstall entry and its group item belong to the new shell.
            const bool new_shell = std::string(platform) != "nt351";
            EXPECT_EQ(Has(r.out, "Uninstall\\Sample Tool 2.0 : UninstallString REG_SZ = c:\\sample\\uninst.exe"), new_shell)
                << r.out;
            EXPECT_EQ(Has(r.out, "[AddItem(c:\\sample\\uninst.exe, Uninstall Sample Tool)]"), platform == std::string("win95"))
                << r.out;
            // Nothing of the installer stays in the Windows directory but the product INI.
            EXPECT_TRUE(Has(r.out, "Left in the Windows directory:\n  C:\\WINDOWS\\SAMPLE.INI\n")) << r.out;
        }
    }
}

TEST(Simulate, JsonHoldsTheSameAsTheText) {
    Sample sample;
    const auto r = RunCommand(Quoted(kZep) + " simulate " + Quoted(sample / "") + " --json | " + ZEP_PYTHON +
                              " -c 'import json,sys; d=json.load(sys.stdin); i=d[\"install\"]; "
                              "print(d[\"exit_status\"], i[\"completed\"], [x[\"id\"] for x in i[\"dialogs\"]], "
                              "sorted(f[\"path\"] for f in i[\"files\"] if not f[\"folder\"])[:2], "
                              "i[\"dialogs\"][0][\"answered_by\"], i[\"group_commands\"][1])'");
    EXPECT_EQ(r.output,
              "0 True [2400, 2100, 2203] ['C:\\\\SAMPLE\\\\DATA\\\\SAMPLE.DAT', 'C:\\\\SAMPLE\\\\DOC\\\\README.TXT'] "
              "default [CreateGroup(Sample Tool)]\n");
}

TEST(Simulate, AnswersChooseTheTargetAndTheRunButtonAndCancelEnds) {
    Sample sample;
    TempDir t;
    Write(t / "a.txt", "# the author's choices\n2400: type 1701 D:\\TOOLS; click 1\n2203: click 2\n");
    Outcome r = Simulate(Quoted(sample / "") + " --answers " + Quoted(t / "a.txt"));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r.out, "-> type 1701 \"D:\\TOOLS\"; click 1 [from " + t / "a.txt" + ":2]; result 1")) << r.out;
    EXPECT_TRUE(Has(r.out, "  + D:\\TOOLS\\SAMPLE.EXE  5000 bytes")) << r.out;
    EXPECT_TRUE(Has(r.out, "Programs started:\n  (none)\n")) << r.out;

    Write(t / "b.txt", "2400: click 2\n");
    r = Simulate(Quoted(sample / "") + " --answers " + Quoted(t / "b.txt"));
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(Has(r.out, "Files:\n  (none)\n")) << r.out;
}

TEST(Simulate, ErrorDialogsAndLoopsEndWithStatusOne) {
    {
        Sample sample("TotalDisks=2\r?\n");  // a key the installer needs
        const Outcome r = Simulate(Quoted(sample / ""));
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_TRUE(Has(r.out, "Result: ended at dialog 1600")) << r.out;
    }
    {
        Sample sample;
        fs::remove(sample / "DATA.2");
        const Outcome r = Simulate(Quoted(sample / ""));
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_TRUE(Has(r.out, "DATA.2 is not in ")) << r.out;
        EXPECT_TRUE(Has(r.out, "dialog 1800 came back 3 times with nothing changed")) << r.out;
        EXPECT_TRUE(Has(r.out, "-> click 2 [to end a loop]; result 0")) << r.out;
        EXPECT_TRUE(Has(r.out, "Result: ended at dialog 1800")) << r.out;
    }
}

TEST(Simulate, ThenUninstallRemovesWhatTheInstallationMade) {
    Sample sample;
    const Outcome r = Simulate(Quoted(sample / "") + " --then-uninstall");
    EXPECT_EQ(r.status, 0) << r.out;
    const std::string u = r.out.substr(r.out.find("Then the uninstaller"));
    EXPECT_TRUE(Has(u, "  3100 \"Uninstall Sample Tool 2.0\"\n    1001: Remove Sample Tool 2.0 and all of its components?")) << u;
    EXPECT_TRUE(Has(u, "  3200 \"Uninstall Sample Tool 2.0\"")) << u;
    for (const char* gone : {"C:\\SAMPLE\\SAMPLE.EXE\n", "C:\\SAMPLE\\DATA\\SAMPLE.DAT\n", "C:\\WINDOWS\\SAMPLE.INI\n"}) {
        EXPECT_TRUE(Has(u, std::string("  - ") + gone)) << u;
    }
    EXPECT_FALSE(Has(u, "FONTS")) << u;  // fonts stay
    EXPECT_TRUE(Has(u, "  [DeleteGroup(Sample Tool)]\n")) << u;
    EXPECT_TRUE(Has(u, "At the next restart:\n  delete C:\\sample\\uninst.exe\n  delete C:\\sample\n")) << u;
}

TEST(Simulate, BadInputGetsOneLineAndStatusTwo) {
    Sample sample;
    TempDir t;
    Write(t / "binary", std::string("ab\0cd", 5));
    Write(t / "empty/README", "x");
    Write(t / "unknown.txt", "2999: click 1\n");
    Write(t / "control.txt", "2400: click 7\n");
    Write(t / "typing.txt", "2400: type 1 C:\\X\n");
    Write(t / "verb.txt", "2400: press 1\n");
    struct Case {
        std::string args, message;
    };
    const Case cases[] = {
        {"", "no product given"},
        {Quoted(t / "none"), "no such file or folder"},
        {Quoted(t / "binary"), "a binary file (it holds NUL bytes)"},
        {Quoted(t / "empty"), "holds no INSTALL.INI and no DISK1 folder"},
        {Quoted(ZEP_STUB_WIN64), "a plain setup.exe: it carries no product"},
        {Quoted(sample / "") + " --answers " + Quoted(t / "missing.txt"), "missing.txt: cannot read"},
        {Quoted(sample / "") + " --answers " + Quoted(t / "empty"), "empty: is a directory"},
        {Quoted(sample / "") + " --answers " + Quoted(t / "unknown.txt"), "unknown.txt:1: there is no dialog 2999"},
        {Quoted(sample / "") + " --answers " + Quoted(t / "control.txt"), "control.txt:1: dialog 2400 has no control 7"},
        {Quoted(sample / "") + " --answers " + Quoted(t / "typing.txt"), "control 1 of dialog 2400 is no edit field"},
        {Quoted(sample / "") + " --answers " + Quoted(t / "verb.txt"), "verb.txt:1: \"press 1\" is no action"},
        {Quoted(sample / "") + " --platform win31", "--platform is win95, nt351 or nt40"},
        {Quoted(sample / "") + " --display cga", "--display is ega, vga or 8514"},
        {Quoted(sample / "") + " --from SETUP", "--from is a drive and folder"},
        {Quoted(sample / "") + " --free-kb lots", "--free-kb takes a number"},
        {Quoted(sample / "") + " --bogus", "unexpected argument '--bogus'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const Outcome r = Simulate(c.args);
        EXPECT_EQ(r.status, 2) << r.out;
        EXPECT_TRUE(Has(r.out, c.message)) << r.out;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
        EXPECT_EQ(r.out.rfind("zep simulate: ", 0), 0u) << r.out;
    }
}

// A report replaces what was there; one that cannot be written is one line and status 1.
TEST(Simulate, TheReportReplacesAnOldOneOrSaysWhyNot) {
    Sample sample;
    TempDir t;
    Write(t / "old.html", "old");
    Outcome r = Simulate(Quoted(sample / "") + " --report " + Quoted(t / "old.html"));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(ReadText(t / "old.html").rfind("<!DOCTYPE html>", 0), 0u);
    Write(t / "folder/x", "x");
    r = Simulate(Quoted(sample / "") + " --report " + Quoted(t / "folder"));
    EXPECT_EQ(r.status, 1) << r.out;
    // One line, the path said once (the text report still goes to standard output).
    const std::string line = "zep simulate: " + (t / "folder") + ": cannot write: ";
    EXPECT_TRUE(Has(r.out, line)) << r.out;
    EXPECT_EQ(r.out.find("cannot write"), r.out.rfind("cannot write")) << r.out;
    EXPECT_EQ(ReadText(t / "folder/x"), "x");
}

TEST(Simulate, TooLittleSpaceAndAnEarlierCopy) {
    Sample sample;
    Outcome r = Simulate(Quoted(sample / "") + " --free-kb 100");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(Has(r.out, "  1500 ")) << r.out;
    r = Simulate(Quoted(sample / "") + " --installed C:\\\\OLD,1.0");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r.out, "  2401 ")) << r.out;
    EXPECT_TRUE(Has(r.out, "  ~ C:\\OLD\\SAMPLE.EXE")) << r.out;
    EXPECT_TRUE(Has(r.out, "[Settings] Version=2.0 (was 1.0)")) << r.out;
}

TEST(SimulateAnswers, Vocabulary) {
    Answers a;
    std::string error;
    ASSERT_TRUE(ParseAnswers("2400: type 1701 \"D:\\MY TOOLS\" ; click 1\n ; comment\n1700: insert 2; key Enter\n"
                             "1700: close\n2203: key F1; click 2\n",
                             "a", a, error))
        << error;
    ASSERT_EQ(a.by_dialog.size(), 3u);
    EXPECT_EQ(a.by_dialog[2400][0][0].text, "D:\\MY TOOLS");
    EXPECT_EQ(a.by_dialog[1700].size(), 2u);  // two showings in turn
    EXPECT_EQ(a.lines[1700], (std::vector<int>{3, 4}));
    EXPECT_EQ(a.by_dialog[1700][0][0].kind, AnswerStep::Kind::kInsert);
    EXPECT_EQ(a.by_dialog[2203][0][0].vk, 0x70u);
    for (const char* bad : {"2400 click 1", "x: click 1", "2400:", "2400: click", "2400: click 1 2", "2400: key Tab",
                            "99999999: click 1"}) {
        Answers b;
        EXPECT_FALSE(ParseAnswers(bad, "f", b, error)) << bad;
        EXPECT_EQ(error.rfind("f:1: ", 0), 0u) << error;
    }
}

}  // namespace
}  // namespace zep::tool

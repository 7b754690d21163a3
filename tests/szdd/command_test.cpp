// zep compress and zep expand as a product author runs them: names, refusals, exit status.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support.h"
#include "szdd/szdd.h"

namespace zep::szdd::test {
namespace {

namespace fs = std::filesystem;

CommandResult Zep(const TempDir& dir, const std::string& args) {
    return RunCommand("cd " + Quoted(dir.path()) + " && " + Quoted(ZEP_TOOL) + " " + args);
}

Bytes Sample(std::size_t size) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i)
        b[i] = static_cast<std::uint8_t>("SETUP.INF\r\n"[i % 11] ^ (i >> 9));
    return b;
}

TEST(ZepCommands, RenamedCompressionKeepsTheNameForExpand) {
    TempDir dir;
    struct Case {
        const char* name;
        const char* compressed;
        char stored;
    } cases[] = {{"SAMPLE.EXE", "SAMPLE.EX_", 'E'},
                 {"a.c", "a._", 'c'},
                 {"README", "README._", 0},
                 {"NOTES.", "NOTES_", '.'}};
    fs::create_directory(dir / "out");
    std::string inputs, packed;
    for (const Case& c : cases) {
        WriteFile(dir / c.name, Sample(3000));
        inputs += std::string(" ") + c.name;
        packed += std::string(" ") + c.compressed;
    }
    CommandResult o = Zep(dir, "compress -r" + inputs);
    ASSERT_EQ(o.status, 0) << o.output;
    for (const Case& c : cases) {
        Bytes file = ReadFile(dir / c.compressed);
        Header h;
        ASSERT_TRUE(ParseHeader(file.data(), file.size(), h)) << c.compressed;
        EXPECT_EQ(h.missing_char, static_cast<std::uint8_t>(c.stored)) << c.compressed;
    }
    o = Zep(dir, "expand" + packed + " -o out");
    ASSERT_EQ(o.status, 0) << o.output;
    for (const Case& c : cases)
        EXPECT_TRUE(ReadFile(dir / ("out/" + std::string(c.name))) == Sample(3000)) << c.name;
}

TEST(ZepCommands, ExpandNamesFilesWithoutStoredCharacter) {
    TempDir dir;
    Bytes packed = Packed(Sample(500));
    WriteFile(dir / "notes.txt_", packed);  // as mscompress names its files
    WriteFile(dir / "PLAIN.DLL", packed);
    fs::create_directory(dir / "out");
    CommandResult o = Zep(dir, "expand notes.txt_");
    EXPECT_EQ(o.status, 0) << o.output;
    EXPECT_TRUE(ReadFile(dir / "notes.txt") == Sample(500));
    o = Zep(dir, "expand PLAIN.DLL");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.output.find("PLAIN.DLL: the output would replace the input"), std::string::npos)
        << o.output;
    o = Zep(dir, "expand PLAIN.DLL -o out");
    EXPECT_EQ(o.status, 0) << o.output;
    EXPECT_TRUE(ReadFile(dir / "out/PLAIN.DLL") == Sample(500));
}

TEST(ZepCommands, InputsAreNeverReplacedAndFailuresLeaveNothing) {
    TempDir dir;
    WriteFile(dir / "SETUP.INF", Sample(2000));
    CommandResult o = Zep(dir, "compress SETUP.INF");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.output.find("SETUP.INF: the output would replace the input"), std::string::npos)
        << o.output;
    EXPECT_TRUE(ReadFile(dir / "SETUP.INF") == Sample(2000));

    // The data ends before the header's length: damaged, reported, nothing written.
    Bytes packed = Packed(Sample(2000), 'X');
    packed.resize(packed.size() - 5);
    WriteFile(dir / "CUT.EX_", packed);
    o = Zep(dir, "expand CUT.EX_");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.output.find("CUT.EX_: damaged"), std::string::npos) << o.output;
    EXPECT_FALSE(fs::exists(dir / "CUT.EXX"));
    EXPECT_FALSE(fs::exists(dir / "CUT.EXX.zep-partial"));

    o = Zep(dir, "expand SETUP.INF");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.output.find("SETUP.INF: not an SZDD compressed file"), std::string::npos)
        << o.output;

    o = Zep(dir, "expand MISSING.EX_ CUT.EX_");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.output.find("MISSING.EX_: cannot read"), std::string::npos) << o.output;

    o = Zep(dir, "compress -r SETUP.INF -o nowhere");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.output.find("nowhere: not a directory"), std::string::npos) << o.output;
}

TEST(ZepCommands, TwoInputsForOneOutputAreRefused) {
    TempDir dir;
    fs::create_directory(dir / "a");
    fs::create_directory(dir / "b");
    fs::create_directory(dir / "out");
    WriteFile(dir / "a/X.DLL", Sample(100));
    WriteFile(dir / "b/X.DLL", Sample(200));
    CommandResult o = Zep(dir, "compress -r a/X.DLL b/X.DLL -o out");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.output.find("b/X.DLL: out/X.DL_ was already written"), std::string::npos)
        << o.output;
    Bytes kept = ReadFile(dir / "out/X.DL_");
    Header h;
    ASSERT_TRUE(ParseHeader(kept.data(), kept.size(), h));
    EXPECT_EQ(h.expanded_length, 100u);
}

TEST(ZepCommands, UsageErrorsExitWithTwo) {
    TempDir dir;
    EXPECT_EQ(Zep(dir, "compress").status, 2);
    EXPECT_EQ(Zep(dir, "expand").status, 2);
    EXPECT_EQ(Zep(dir, "compress -x FILE").status, 2);
    EXPECT_EQ(Zep(dir, "expand FILE -o").status, 2);
    CommandResult help = Zep(dir, "compress --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("README -> README._"), std::string::npos);
    EXPECT_EQ(Zep(dir, "expand --help").status, 0);
}

}  // namespace
}  // namespace zep::szdd::test

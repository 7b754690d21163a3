// Help files written from a source read back, walked as a viewer walks them: every
// context leads to its topic, with its title and its text.
#include <gtest/gtest.h>

#include "winhelp/help_file.h"
#include "winhelp/help_source.h"

namespace zep::winhelp {
namespace {

using Bytes = std::vector<std::uint8_t>;

HelpSource Source(const std::string& text) {
    HelpSource s;
    std::vector<SourceError> errors;
    EXPECT_TRUE(ReadHelpSource(text, s, errors)) << (errors.empty() ? "" : errors[0].message);
    return s;
}

Bytes Write(const HelpSource& s) {
    Bytes file;
    std::string error;
    EXPECT_TRUE(WriteHelpFile(s, file, error)) << error;
    return file;
}

// Reads the file back and holds every part of it to the source.
HelpFileContents ExpectSame(const HelpSource& s, const Bytes& file) {
    HelpFileContents c;
    std::string error;
    EXPECT_TRUE(ReadHelpFile(file, c, error)) << error;
    EXPECT_EQ(c.title, s.title);
    EXPECT_EQ(c.topics.size(), s.topics.size());
    EXPECT_EQ(c.map.size(), s.topics.size());
    EXPECT_EQ(c.hashes.size(), s.topics.size());
    EXPECT_EQ(c.titles.size(), s.topics.size());
    if (c.topics.size() != s.topics.size()) return c;
    EXPECT_EQ(c.contents, c.topics[0].offset);
    for (std::size_t i = 0; i < s.topics.size(); ++i) {
        const Topic& t = s.topics[i];
        auto at = c.map.find(t.context);
        EXPECT_NE(at, c.map.end()) << t.context;
        if (at == c.map.end()) continue;
        EXPECT_EQ(c.topic_at(at->second), &c.topics[i]) << t.context;
        EXPECT_EQ(c.topics[i].title, t.title);
        EXPECT_EQ(c.topics[i].heading, t.title);
        EXPECT_EQ(c.topics[i].paragraphs, t.paragraphs) << t.context;
        EXPECT_EQ(c.hashes[ContextHash(ContextName(t.context))], at->second) << t.context;
        EXPECT_EQ(c.titles[at->second], t.title);
    }
    return c;
}

TEST(HelpFile, ReadsBackAsWritten) {
    HelpSource s = Source(
        "Sample Tool Help\n"
        "# 3904 Read me\n"
        "Thank you for choosing **Sample Tool** 2.0.\n"
        "\n"
        "- first\n"
        "- **bold** item\n"
        "\n"
        "Caf\xE9 \x93quoted\x94 {braces} and \\\\ C:\\SAMPLE.\n"
        "# 2400 Choosing a directory\n"
        "Type the directory.\n"
        "# 256 Drive does not exist\n"
        "**All bold.**\n");
    ExpectSame(s, Write(s));
}

TEST(HelpFile, ManyTopicsFillManyBlocksAndTreePages) {
    // Long titles and paragraphs: the topics take dozens of 4 KB blocks, and |TTLBTREE and
    // |CONTEXT need index pages over several leaves.
    std::string text;
    for (int i = 1; i <= 600; ++i) {
        text += "# " + std::to_string(i * 7919 % 1000003) + " Topic " + std::to_string(i) + " " + std::string(100, 'a' + i % 26) + "\n";
        for (int p = 0; p < 1 + i % 3; ++p) text += std::string(200 + (i * 37 + p * 11) % 1200, 'x') + " **b**\n\n";
        if (i % 5 == 0) text += "- item\n";
    }
    HelpSource s = Source(text);
    Bytes file = Write(s);
    HelpFileContents c = ExpectSame(s, file);
    EXPECT_GT(c.topics.back().offset / 0x8000, 100u);  // in block 100 or later
}

TEST(HelpFile, ViewersFindWhatTheyExpect) {
    HelpSource s = Source("# 1 One\nText.\n");
    Bytes file = Write(s);
    HelpFileContents c = ExpectSame(s, file);
    EXPECT_TRUE(HasHelpFileSignature(file.data(), file.size()));
    EXPECT_EQ(c.title, "");
    for (const char* name : {"|SYSTEM", "|TOPIC", "|FONT", "|CONTEXT", "|CTXOMAP", "|TTLBTREE"}) {
        ASSERT_TRUE(c.files.count(name)) << name;
        // Wine takes the reserved size as the file's extent.
        EXPECT_EQ(c.files[name].reserved, c.files[name].used + 9) << name;
    }
    // Wine reads the last topic block's first 0x44 bytes even when it is shorter.
    EXPECT_GE(c.files["|TOPIC"].used % 4096, 0x44u);
    const std::size_t system = c.files["|SYSTEM"].at + 9;
    EXPECT_EQ(file[system + 2], 21);  // WinHelp 3.1
    EXPECT_EQ(file[system + 10], 4);  // LZ77-coded topics in 4 KB blocks
    EXPECT_EQ(Write(s), file);        // reproducible
}

TEST(HelpFile, OnlyHelpFilesHaveTheSignature) {
    const std::string text = "This file stands in for the help file.";
    EXPECT_FALSE(HasHelpFileSignature(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    const std::uint8_t magic[] = {0x3F, 0x5F, 0x03, 0x00};
    EXPECT_TRUE(HasHelpFileSignature(magic, 4));
    EXPECT_FALSE(HasHelpFileSignature(magic, 3));
    HelpFileContents c;
    std::string error;
    EXPECT_FALSE(ReadHelpFile(Bytes(text.begin(), text.end()), c, error));
    EXPECT_EQ(error, "not a help file: it does not start with 3F 5F 03 00");
}

TEST(HelpFile, DamagedFilesAreRefusedNotTrusted) {
    HelpSource s = Source("Title\n# 1 One\nText **bold**.\n- item\n# 2 Two\nMore.\n");
    const Bytes good = Write(s);
    HelpFileContents c;
    std::string error;
    for (std::size_t i = 0; i < good.size(); ++i) {
        for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
            Bytes bad = good;
            bad[i] ^= flip;
            ReadHelpFile(bad, c, error);  // under the sanitizers: no read outside the file
        }
    }
    Bytes cut(good.begin(), good.end() - 1);
    EXPECT_FALSE(ReadHelpFile(cut, c, error));
    EXPECT_EQ(error, "the file is cut short: its header says " + std::to_string(good.size()) + " bytes, it has " +
                         std::to_string(cut.size()));
}

}  // namespace
}  // namespace zep::winhelp

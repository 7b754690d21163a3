// The help source: what an author writes becomes topics, and each mistake is one error
// with its line.
#include <gtest/gtest.h>

#include "winhelp/help_source.h"

namespace zep::winhelp {
namespace {

std::string Errors(const std::string& text) {
    HelpSource source;
    std::vector<SourceError> errors;
    bool ok = ReadHelpSource(text, source, errors);
    std::string out;
    for (const SourceError& e : errors) out += std::to_string(e.line) + ": " + e.message + "\n";
    EXPECT_EQ(ok, errors.empty());
    return out;
}

TEST(HelpSource, ReadsTitleTopicsParagraphsListsAndBold) {
    const std::string text =
        "Sample Tool Help\r\n"
        "\r\n"
        "# 3904   Read me  \r\n"
        "Thank you for choosing\r\n"
        "  **Sample Tool** 2.0.\r\n"
        "\r\n"
        "- the first item\r\n"
        "- the **second**\r\n"
        "  goes on here\r\n"
        "\r\n"
        "\\# not a heading, \\** not bold, \\\\ one backslash, C:\\SAMPLE\tand a tab\n"
        "\\- not a list item\n"
        "#2400 Choosing a directory\n"
        "Caf\xE9 \x93quoted\x94.\n";
    HelpSource s;
    std::vector<SourceError> errors;
    ASSERT_TRUE(ReadHelpSource(text, s, errors)) << errors[0].message;
    EXPECT_EQ(s.title, "Sample Tool Help");
    ASSERT_EQ(s.topics.size(), 2u);
    const Topic& readme = s.topics[0];
    EXPECT_EQ(readme.context, 3904u);
    EXPECT_EQ(readme.title, "Read me");
    EXPECT_EQ(readme.line, 3);
    ASSERT_EQ(readme.paragraphs.size(), 4u);
    EXPECT_EQ(readme.paragraphs[0], (Paragraph{false, {{"Thank you for choosing ", false}, {"Sample Tool", true}, {" 2.0.", false}}}));
    EXPECT_EQ(readme.paragraphs[1], (Paragraph{true, {{"the first item", false}}}));
    EXPECT_EQ(readme.paragraphs[2], (Paragraph{true, {{"the ", false}, {"second", true}, {" goes on here", false}}}));
    EXPECT_EQ(readme.paragraphs[3],
              (Paragraph{false, {{"# not a heading, ** not bold, \\ one backslash, C:\\SAMPLE and a tab - not a list item", false}}}));
    EXPECT_EQ(s.topics[1].context, 2400u);
    EXPECT_EQ(s.topics[1].paragraphs[0], (Paragraph{false, {{"Caf\xE9 \x93quoted\x94.", false}}}));
}

TEST(HelpSource, EachMistakeIsOneErrorWithItsLine) {
    struct Case {
        const char* text;
        const char* errors;
    };
    const Case cases[] = {
        {"# Read me\nText\n", "1: heading without a context number: write '# NUMBER TITLE', such as '# 3904 Read me'\n"},
        {"#3904Read me\nText\n", "1: heading without a context number: write '# NUMBER TITLE', such as '# 3904 Read me'\n"},
        {"# 1 A\nx\n# 2 B\ny\n# 1 C\nz\n", "5: context 1 is used twice: its topic is on line 1\n"},
        {"# 1 A\n\n\n# 2 B\ny\n# 3 C\n", "1: topic 1 (A) has no text\n6: topic 3 (C) has no text\n"},
        {"# 1 A\n****\n", "1: topic 1 (A) has no text\n"},
        {"# 1 A\nCaf\xC3\xA9\n", "2: \"\xC3\xA9\" is UTF-8, not 8-bit ANSI: save the source as Windows-1252 (ANSI)\n"},
        {"\xEF\xBB\xBFTitle\n# 1 A\nx\n", "1: \"\xEF\xBB\xBF\" is UTF-8, not 8-bit ANSI: save the source as Windows-1252 (ANSI)\n"},
        {"# 1 A\nx\x01y\n", "2: control character 0x01: not text\n"},
        {"# 1 A\nx\x81y\n", "2: byte 0x81 is no Windows-1252 character\n"},
        {"\xFF\xFE#\0 \0", "0: the file is UTF-16, not 8-bit ANSI: save the source as Windows-1252 (ANSI)\n"},
        {"", "0: no topics: a topic starts with a line '# NUMBER TITLE', such as '# 3904 Read me'\n"},
        {"Title\n\nMore text\n# 1 A\nx\n",
         "3: text before the first topic: only one line, the help file's title, may come before the first '# NUMBER TITLE'\n"},
        {"# 12\nx\n", "1: heading without a title: write '# 12 TITLE'\n"},
        {"# 0 A\nx\n", "1: context number 0 is out of range: 1 to 2147483647\n"},
        {"# 2147483648 A\nx\n", "1: context number 2147483648 is out of range: 1 to 2147483647\n"},
        {"# 99999999999999999999 A\nx\n", "1: context number 99999999999999999999 is out of range: 1 to 2147483647\n"},
        {"# 1 A\nsome **bold\ntext\n\nmore\n", "2: '**' starts bold text that this paragraph does not end\n"},
        // A heading in error still starts a topic: its text is checked, not taken for the title.
        {"# A\n**x\n# 1 B\ny\n",
         "1: heading without a context number: write '# NUMBER TITLE', such as '# 3904 Read me'\n"
         "2: '**' starts bold text that this paragraph does not end\n"},
    };
    for (const Case& c : cases) {
        std::string text(c.text, c.text[0] == '\xFF' ? 6 : std::string(c.text).size());  // UTF-16 holds NULs
        EXPECT_EQ(Errors(text), c.errors) << c.text;
    }
}

TEST(HelpSource, LimitsAreReportedWhereTheyArePassed) {
    const std::string long_title(kMaxTitle + 1, 'T');
    EXPECT_EQ(Errors("# 1 " + long_title + "\nx\n"), "1: the title has 128 characters; at most 127\n");
    EXPECT_EQ(Errors(long_title + "\n# 1 A\nx\n"), "1: the title has 128 characters; at most 127\n");
    EXPECT_EQ(Errors("# 1 A\n" + std::string(kMaxParagraph, 'x') + "\n"), "");
    EXPECT_EQ(Errors("# 1 A\n" + std::string(kMaxParagraph, 'x') + "\n\\*\n"),
              "2: the paragraph has 1502 characters; at most 1500: split it with a blank line\n");
    std::string bold;
    for (std::size_t i = 0; i <= kMaxBoldSpans; ++i) bold += "**b** ";
    EXPECT_EQ(Errors("# 1 A\n" + bold + "\n"), "2: the paragraph has 101 bold passages; at most 100\n");
}

}  // namespace
}  // namespace zep::winhelp

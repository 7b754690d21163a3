// The plain-text source of a help file, as product authors write it:
//
//   Sample Tool Help              <- the first line before any heading: the file's title
//
//   # 3904 Read me                <- '#', the help context number, the topic's title
//   Thank you for choosing **Sample Tool**.
//
//   - a line starting with "- " is a list item
//
// Lines next to each other form one paragraph; a blank line ends it. "**" turns bold on
// and off. A backslash before \ * # or - makes that character plain text. Text is 8-bit
// ANSI (Windows-1252), as the help viewers read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zep::winhelp {

struct Span {
    std::string text;  // Windows-1252, never empty
    bool bold = false;
    bool operator==(const Span&) const = default;
};

struct Paragraph {
    bool list_item = false;
    std::vector<Span> spans;  // neighbours differ in boldness
    bool operator==(const Paragraph&) const = default;
};

struct Topic {
    std::uint32_t context = 0;  // what WinHelp's HELP_CONTEXT asks for
    std::string title;
    std::vector<Paragraph> paragraphs;  // at least one
    int line = 0;                       // of the heading
};

struct HelpSource {
    std::string title;          // the help file's title; may be empty
    std::vector<Topic> topics;  // in the order written; the first opens when no context is asked for
};

struct SourceError {
    int line;  // 0: the file as a whole
    std::string message;
};

inline constexpr std::size_t kMaxTitle = 127;         // characters of a topic's or the file's title
inline constexpr std::size_t kMaxParagraph = 1500;    // characters of one paragraph's text
inline constexpr std::size_t kMaxBoldSpans = 100;     // bold passages in one paragraph
inline constexpr std::size_t kMaxTopics = 10000;
inline constexpr std::uint32_t kMaxContext = 0x7FFFFFFF;

// Reads a source. On errors, `errors` gets one entry per problem, in line order, and the
// result is false; `out` is then incomplete.
bool ReadHelpSource(std::string_view text, HelpSource& out, std::vector<SourceError>& errors);

}  // namespace zep::winhelp

// Help files in the WinHelp 3.1 format, which the WinHelp of Windows 3.1, 95 and NT and
// Wine's winhlp32 read: a small file system of internal files, each found through a
// directory kept as a B+ tree:
//   |SYSTEM    the file's title and the topic shown when no context is asked for
//   |TOPIC     topic headers and paragraphs in 4 KB blocks, LZ77-coded
//   |FONT      the three fonts the text uses (plain, bold, heading)
//   |CONTEXT   hashes of the topics' context names (IDH_3904, ...) -> topic
//   |CTXOMAP   help context numbers -> topic: what HELP_CONTEXT looks up
//   |TTLBTREE  topic -> title, for the viewers' lists of topics
//
// Every topic's text opens with its title as a heading. A list item is a paragraph with a
// hanging indent that starts with a bullet. The writer is byte-for-byte reproducible.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "winhelp/help_source.h"

namespace zep::winhelp {

inline constexpr std::uint32_t kHelpFileMagic = 0x00035F3F;  // the first four bytes, little-endian

// True when the data starts as a help file does.
bool HasHelpFileSignature(const std::uint8_t* data, std::size_t size);

// The help file of a source that ReadHelpSource accepted. False, with the reason, only
// for a source that breaks the limits of help_source.h.
bool WriteHelpFile(const HelpSource& source, std::vector<std::uint8_t>& out, std::string& error);

// The context name a topic is known by inside the file (|CONTEXT), and the hash WinHelp
// keeps of such a name.
std::string ContextName(std::uint32_t context);
std::int32_t ContextHash(const std::string& name);

// What a help file holds, read back the way a viewer walks it.
struct HelpFileTopic {
    std::uint32_t offset = 0;  // the topic's position (TOPICOFFSET)
    std::string title;         // from the topic header
    std::string heading;       // the first paragraph when it is set in the heading font
    std::vector<Paragraph> paragraphs;
};

struct InternalFile {
    std::uint32_t at = 0;  // of its 9-byte header
    std::uint32_t reserved = 0, used = 0;
};

struct HelpFileContents {
    std::map<std::string, InternalFile> files;  // the directory
    std::string title;
    std::uint32_t contents = 0;                     // the topic shown first
    std::vector<HelpFileTopic> topics;              // in file order
    std::map<std::uint32_t, std::uint32_t> map;     // |CTXOMAP: context number -> offset
    std::map<std::int32_t, std::uint32_t> hashes;   // |CONTEXT: name hash -> offset
    std::map<std::uint32_t, std::string> titles;    // |TTLBTREE: offset -> title

    const HelpFileTopic* topic_at(std::uint32_t offset) const;
};

// Reads any bytes without trusting them; false with the reason when they are not a help
// file this reader understands (it knows what WriteHelpFile writes and little more).
bool ReadHelpFile(const std::vector<std::uint8_t>& file, HelpFileContents& out, std::string& error);

}  // namespace zep::winhelp

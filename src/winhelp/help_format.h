// The numbers of the help file format that the writer and the reader share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zep::winhelp::format {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint32_t kNone = 0xFFFFFFFF;  // no position, no topic
inline constexpr std::size_t kFileStart = 16;       // the file's header, then the internal files
inline constexpr std::size_t kFileHeader = 9;       // each internal file: reserved, used, flags
inline constexpr std::uint8_t kFileFlags = 4;

// B+ trees: the directory and the keyed internal files.
inline constexpr std::uint16_t kBTreeMagic = 0x293B;
inline constexpr std::size_t kBTreeHeader = 38;
inline constexpr std::size_t kLeafHeader = 8;   // unused bytes, entries, previous page, next page
inline constexpr std::size_t kIndexHeader = 6;  // unused bytes, entries, page of the keys below the first
inline constexpr std::uint16_t kDirectoryFlags = 0x0402;
inline constexpr std::uint16_t kDirectoryPageSize = 1024;
inline constexpr std::uint16_t kTreeFlags = 0x0002;
inline constexpr std::uint16_t kTreePageSize = 2048;

// |SYSTEM
inline constexpr std::uint16_t kSystemMagic = 0x036C;
inline constexpr std::uint16_t kVersion31 = 21;
inline constexpr std::uint16_t kFlagsLz77Blocks4k = 4;
inline constexpr std::uint16_t kSystemTitle = 1;
inline constexpr std::uint16_t kSystemContents = 3;

// |TOPIC: 4 KB blocks, each a 12-byte header and LZ77 data that expands to at most 16 KB.
// A TOPICPOS is block * 16K + 12 + the place in the expanded block; a TOPICOFFSET is
// block * 32K + the characters of the block's text records before it.
inline constexpr std::size_t kBlockSize = 4096;
inline constexpr std::size_t kBlockHeader = 12;
inline constexpr std::size_t kExpandedBlock = 0x4000;
inline constexpr std::uint32_t kPosPerBlock = 0x4000;
inline constexpr std::uint32_t kOffsetPerBlock = 0x8000;
// The writer codes every byte as a literal, a flag byte before each eight: 4084 bytes of
// block hold 3630 bytes of links.
inline constexpr std::size_t kBlockData = 3630;
inline constexpr std::size_t kMinLastBlock = 0x44;  // Wine reads at least this much of the last block
inline constexpr std::size_t kLinkHeader = 21;
inline constexpr std::size_t kTopicHeaderSize = 28;
inline constexpr std::uint8_t kTopicHeader = 0x02;
inline constexpr std::uint8_t kDisplayText = 0x20;

// Paragraph format bits and the formatting commands of text records.
inline constexpr unsigned kSpaceAbove = 0x0002, kSpaceBelow = 0x0004, kLineSpacing = 0x0008, kLeftIndent = 0x0010,
                          kRightIndent = 0x0020, kFirstLineIndent = 0x0040, kBorder = 0x0100, kTabs = 0x0200;
inline constexpr std::uint8_t kCommandFont = 0x80, kCommandLineBreak = 0x81, kCommandParagraphEnd = 0x82,
                              kCommandTab = 0x83, kCommandEnd = 0xFF;

// |FONT: one face, three fonts.
inline constexpr std::uint16_t kPlain = 0, kBold = 1, kHeading = 2;
inline constexpr std::uint16_t kFontHeader = 8;
inline constexpr std::size_t kFaceNameSize = 20;
inline constexpr std::size_t kFontDescriptorSize = 11;
inline constexpr char kFaceName[] = "Arial";

inline constexpr char kBullet[] = "\x95 ";  // what starts a list item

}  // namespace zep::winhelp::format

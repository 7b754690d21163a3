// A Windows executable (PE32 or PE32+) as zep reads and rewrites it: the headers, the
// section table, and the bytes of each section as stored in the file. Host only.
//
// Rewriting replaces the resource section and leaves everything else where the loader
// expects it: sections before .rsrc keep their addresses; a section after it is moved
// only when it holds nothing but base relocations (MinGW puts .reloc there), since code
// may address any other section directly. When .rsrc cannot grow in place, the new
// resources go into a section of their own at the end of the image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace zep::pe {

inline constexpr int kResourceDirectory = 2;
inline constexpr int kCertificateDirectory = 4;
inline constexpr int kRelocationDirectory = 5;
inline constexpr int kDebugDirectory = 6;

struct Section {
    std::string name;                  // up to 8 characters
    std::uint32_t virtual_address = 0;
    std::uint32_t virtual_size = 0;    // as in memory; never 0 once parsed
    std::uint32_t raw_offset = 0;      // in the file; 0 with raw_size 0
    std::uint32_t raw_size = 0;
    std::uint32_t characteristics = 0;
};

struct DataDirectory {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
};

class Image {
public:
    // Parses an executable's headers and section table; false with one line saying why
    // (not a PE file, truncated, damaged). The bytes are kept.
    bool parse(std::vector<std::uint8_t> bytes, std::string& error);

    bool pe32_plus() const { return pe32_plus_; }
    std::uint16_t machine() const { return machine_; }
    const std::vector<Section>& sections() const { return sections_; }
    DataDirectory directory(int index) const;
    std::uint32_t section_alignment() const { return section_alignment_; }
    std::uint32_t file_alignment() const { return file_alignment_; }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

    // The section whose memory holds this address, or -1.
    int section_of(std::uint32_t rva) const;
    // size bytes at an address, when they lie in one section's stored bytes.
    const std::uint8_t* at(std::uint32_t rva, std::uint32_t size) const;

    // The PE checksum of a file's bytes, the checksum field counted as 0.
    static std::uint32_t Checksum(const std::vector<std::uint8_t>& file);
    std::uint32_t checksum_offset() const { return optional_offset_ + 64; }

private:
    friend class Rewriter;

    std::vector<std::uint8_t> bytes_;
    bool pe32_plus_ = false;
    std::uint16_t machine_ = 0;
    std::uint32_t file_header_offset_ = 0;
    std::uint32_t optional_offset_ = 0;
    std::uint32_t optional_size_ = 0;
    std::uint32_t directory_count_ = 0;
    std::uint32_t section_table_offset_ = 0;
    std::uint32_t section_alignment_ = 0;
    std::uint32_t file_alignment_ = 0;
    std::uint32_t size_of_headers_ = 0;
    std::uint32_t overlay_offset_ = 0;  // end of the last section's stored bytes
    std::vector<Section> sections_;
};

// A piece of the output file: bytes owned elsewhere, or zeros.
struct Chunk {
    const std::uint8_t* data;  // nullptr: size zero bytes
    std::size_t size;
};

// Where the new resource section goes and how big it is; then the image is written out.
class Rewriter {
public:
    explicit Rewriter(const Image& image) : image_(image) {}

    // Plans the new layout for a resource section of `size` bytes; false with a reason
    // (the image would pass the 2 GiB a 32-bit process can map, no room for a section).
    // The address the section will have is then resource_rva().
    bool plan(std::uint32_t size, std::string& error);
    std::uint32_t resource_rva() const { return resource_rva_; }

    // The whole file, in order: headers, sections (the resource section from `resources`,
    // which must be the planned size), the overlay. The header chunk is owned here and
    // carries the checksum of the whole. No build time is kept in the header.
    std::vector<Chunk> write(const std::vector<Chunk>& resources);

private:
    const Image& image_;
    std::vector<Section> sections_;  // the new table
    int resource_index_ = -1;        // in sections_
    std::uint32_t resource_rva_ = 0;
    std::uint32_t resource_size_ = 0;
    std::uint32_t relocation_shift_ = 0;
    std::int64_t initialized_delta_ = 0;
    std::vector<int> from_;          // for each new section, the old one or -1
    std::vector<std::uint8_t> header_;
    std::vector<std::uint8_t> debug_;  // the debug directory, with file offsets moved
    std::uint32_t debug_offset_ = 0;
};

// The bytes of a written file, gathered (for tests and small outputs).
std::vector<std::uint8_t> Join(const std::vector<Chunk>& chunks);
// Writes the chunks; false when the stream fails.
bool WriteChunks(std::FILE* out, const std::vector<Chunk>& chunks);

}  // namespace zep::pe

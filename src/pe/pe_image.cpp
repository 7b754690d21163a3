#include "pe/pe_image.h"

#include <algorithm>
#include <cstring>

namespace zep::pe {

namespace {

constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kMaxSections = 96;  // what the Windows loader accepts
constexpr std::uint32_t kInitializedData = 0x00000040;
constexpr std::uint32_t kUninitializedData = 0x00000080;
constexpr std::uint32_t kMemoryRead = 0x40000000;
// The PE checksum is a 16-bit one's-complement sum of the file's words plus its length.
constexpr std::uint64_t kMaxImage = 0x7FFFFFFF;  // what a 32-bit process can map at best

std::uint16_t Get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t Get32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) p[k] = static_cast<std::uint8_t>(v >> 8 * k);
}

std::uint64_t AlignUp(std::uint64_t v, std::uint32_t alignment) {
    return (v + alignment - 1) / alignment * alignment;
}

bool PowerOfTwo(std::uint32_t v) {
    return v != 0 && (v & (v - 1)) == 0;
}

}  // namespace

bool Image::parse(std::vector<std::uint8_t> bytes, std::string& error) {
    bytes_ = std::move(bytes);
    sections_.clear();
    const std::uint8_t* b = bytes_.data();
    const std::uint64_t n = bytes_.size();
    if (n < 64 || b[0] != 'M' || b[1] != 'Z') {
        error = "not a Windows program (no MZ header)";
        return false;
    }
    file_header_offset_ = Get32(b + 0x3C) + 4;
    if (file_header_offset_ < 8 || file_header_offset_ + 20ull > n) {
        error = "not a PE program (no PE header)";
        return false;
    }
    if (std::memcmp(b + file_header_offset_ - 4, "PE\0\0", 4) != 0) {
        error = "not a PE program (an MS-DOS or 16-bit program?)";
        return false;
    }
    const std::uint8_t* fh = b + file_header_offset_;
    machine_ = Get16(fh);
    const std::uint32_t section_count = Get16(fh + 2);
    optional_size_ = Get16(fh + 16);
    optional_offset_ = file_header_offset_ + 20;
    if (optional_offset_ + std::uint64_t{optional_size_} > n || optional_size_ < 96) {
        error = "truncated PE header";
        return false;
    }
    const std::uint8_t* oh = b + optional_offset_;
    const std::uint16_t magic = Get16(oh);
    if (magic != 0x10B && magic != 0x20B) {
        error = "unknown optional header (neither PE32 nor PE32+)";
        return false;
    }
    pe32_plus_ = magic == 0x20B;
    const std::uint32_t directories_at = pe32_plus_ ? 112 : 96;
    if (optional_size_ < directories_at) {
        error = "truncated optional header";
        return false;
    }
    directory_count_ = std::min<std::uint32_t>(Get32(oh + directories_at - 4), 16);
    if (directories_at + 8 * directory_count_ > optional_size_) {
        error = "damaged optional header (data directories do not fit)";
        return false;
    }
    section_alignment_ = Get32(oh + 32);
    file_alignment_ = Get32(oh + 36);
    size_of_headers_ = Get32(oh + 60);
    if (!PowerOfTwo(section_alignment_) || !PowerOfTwo(file_alignment_) || file_alignment_ < 512 ||
        file_alignment_ > 65536 || file_alignment_ > section_alignment_) {
        error = "damaged optional header (alignments)";
        return false;
    }
    section_table_offset_ = optional_offset_ + optional_size_;
    if (section_count == 0 || section_count > kMaxSections ||
        section_table_offset_ + std::uint64_t{section_count} * kSectionHeaderSize > std::min<std::uint64_t>(n, size_of_headers_)) {
        error = "damaged section table";
        return false;
    }
    overlay_offset_ = size_of_headers_;
    std::uint64_t next_va = 0;
    for (std::uint32_t i = 0; i < section_count; ++i) {
        const std::uint8_t* sh = b + section_table_offset_ + i * kSectionHeaderSize;
        Section s;
        s.name.assign(reinterpret_cast<const char*>(sh), strnlen(reinterpret_cast<const char*>(sh), 8));
        s.virtual_size = Get32(sh + 8);
        s.virtual_address = Get32(sh + 12);
        s.raw_size = Get32(sh + 16);
        s.raw_offset = Get32(sh + 20);
        s.characteristics = Get32(sh + 36);
        if (s.raw_size == 0) s.raw_offset = 0;
        if (s.virtual_size == 0) s.virtual_size = s.raw_size;
        if (s.raw_offset + std::uint64_t{s.raw_size} > n) {
            error = "truncated: section " + s.name + " lies past the end of the file";
            return false;
        }
        if (s.virtual_size == 0 || s.virtual_address < std::max<std::uint64_t>(next_va, size_of_headers_) ||
            s.virtual_address % section_alignment_ != 0) {
            error = "damaged section table (section " + s.name + ")";
            return false;
        }
        next_va = AlignUp(std::uint64_t{s.virtual_address} + s.virtual_size, section_alignment_);
        if (next_va > 0xFFFFFFFFull) {
            error = "damaged section table (section " + s.name + " passes 4 GB)";
            return false;
        }
        if (s.raw_size > 0) overlay_offset_ = std::max<std::uint32_t>(overlay_offset_, s.raw_offset + s.raw_size);
        sections_.push_back(s);
    }
    if (size_of_headers_ > n) {
        error = "truncated PE header";
        return false;
    }
    return true;
}

DataDirectory Image::directory(int index) const {
    if (index < 0 || static_cast<std::uint32_t>(index) >= directory_count_) return {};
    const std::uint8_t* d = bytes_.data() + optional_offset_ + (pe32_plus_ ? 112 : 96) + 8 * index;
    return {Get32(d), Get32(d + 4)};
}

int Image::section_of(std::uint32_t rva) const {
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const Section& s = sections_[i];
        if (rva >= s.virtual_address && rva - s.virtual_address < s.virtual_size) return static_cast<int>(i);
    }
    return -1;
}

const std::uint8_t* Image::at(std::uint32_t rva, std::uint32_t size) const {
    if (size == 0) {
        // Nothing to read: an address at a section's very end will do.
        for (const Section& s : sections_) {
            if (rva >= s.virtual_address && rva - s.virtual_address <= std::max(s.virtual_size, s.raw_size)) {
                return bytes_.data() + s.raw_offset + std::min(rva - s.virtual_address, s.raw_size);
            }
        }
        return nullptr;
    }
    int i = section_of(rva);
    if (i < 0) return nullptr;
    const Section& s = sections_[i];
    const std::uint64_t offset = rva - s.virtual_address;
    if (offset + size > s.raw_size) return nullptr;
    return bytes_.data() + s.raw_offset + offset;
}

namespace {

std::uint32_t ChecksumOf(const std::vector<Chunk>& chunks, std::size_t field) {
    std::uint64_t sum = 0, position = 0;
    for (const Chunk& c : chunks) {
        if (c.data == nullptr) {
            position += c.size;
            continue;
        }
        for (std::size_t i = 0; i < c.size;) {
            const std::uint64_t at = position + i;
            if (at >= field && at < field + 4) {
                ++i;  // the field counts as zero
                continue;
            }
            if ((at & 1) == 0 && i + 1 < c.size && (at + 1 < field || at >= field + 4)) {
                // Whole words up to the field or the chunk's end.
                std::size_t end = c.size;
                if (at < field) end = std::min<std::size_t>(end, i + (field - at));
                std::uint64_t s = 0;
                std::size_t j = i;
                for (; j + 1 < end; j += 2) s += Get16(c.data + j);
                sum += s;
                i = j;
                continue;
            }
            sum += (at & 1) == 0 ? c.data[i] : static_cast<std::uint64_t>(c.data[i]) << 8;
            ++i;
        }
        position += c.size;
    }
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + position);
}

}  // namespace

std::uint32_t Image::Checksum(const std::vector<std::uint8_t>& file) {
    std::size_t field = 0;
    if (file.size() >= 64) {
        const std::uint32_t pe = Get32(file.data() + 0x3C);
        field = std::size_t{pe} + 4 + 20 + 64;
    }
    return ChecksumOf({{file.data(), file.size()}}, field);
}

bool Rewriter::plan(std::uint32_t size, std::string& error) {
    const Image& im = image_;
    const std::vector<Section>& old = im.sections_;
    sections_ = old;
    from_.clear();
    for (std::size_t i = 0; i < old.size(); ++i) from_.push_back(static_cast<int>(i));
    relocation_shift_ = 0;
    resource_size_ = size;
    if (im.section_alignment_ < 4096) {
        error = "unsupported program: its sections are aligned to less than 4096 bytes";
        return false;
    }
    if (im.directory_count_ <= kResourceDirectory) {
        error = "the program's header has no place for resources";
        return false;
    }
    // Does any data directory but these point into section i?
    auto others_in = [&](std::size_t i, int a, int b) {
        for (std::uint32_t d = 0; d < im.directory_count_; ++d) {
            const int k = static_cast<int>(d);
            if (k == a || k == b || k == kCertificateDirectory) continue;
            DataDirectory dir = im.directory(k);
            if (dir.rva != 0 && im.section_of(dir.rva) == static_cast<int>(i)) return true;
        }
        return false;
    };
    const DataDirectory res = im.directory(kResourceDirectory);
    const int r = res.rva != 0 ? im.section_of(res.rva) : -1;
    const bool replaceable = r >= 0 && res.rva == old[r].virtual_address &&
                             !others_in(static_cast<std::size_t>(r), kResourceDirectory, -1);
    bool followers_move = true;
    for (std::size_t i = static_cast<std::size_t>(r) + 1; r >= 0 && i < old.size(); ++i) {
        const DataDirectory rel = im.directory(kRelocationDirectory);
        const bool relocations_only = rel.rva != 0 && im.section_of(rel.rva) == static_cast<int>(i) &&
                                      !others_in(i, kRelocationDirectory, -1);
        followers_move = followers_move && relocations_only;
    }
    const bool last = r >= 0 && static_cast<std::size_t>(r) + 1 == old.size();
    const std::uint64_t room =
        r < 0 || last ? ~0ull : std::uint64_t{old[r + 1].virtual_address} - old[r].virtual_address;
    const std::uint32_t sa = im.section_alignment_, fa = im.file_alignment_;

    if (replaceable && (last || followers_move || AlignUp(size, sa) <= room)) {
        resource_index_ = r;
        Section& s = sections_[r];
        s.raw_size = static_cast<std::uint32_t>(AlignUp(size, fa));
        if (!last && !followers_move) {
            s.virtual_size = static_cast<std::uint32_t>(room);  // the next section stays put
        } else {
            s.virtual_size = size == 0 ? 1 : size;
            std::uint64_t va = AlignUp(std::uint64_t{s.virtual_address} + s.virtual_size, sa);
            for (std::size_t i = static_cast<std::size_t>(r) + 1; i < sections_.size(); ++i) {
                if (va > 0xFFFFFFFFull) break;
                relocation_shift_ = static_cast<std::uint32_t>(va - old[i].virtual_address);
                sections_[i].virtual_address = static_cast<std::uint32_t>(va);
                va = AlignUp(va + sections_[i].virtual_size, sa);
            }
        }
    } else {
        // A section of its own at the end; the old one keeps its addresses, as others may
        // depend on them, but no longer its bytes when it held nothing else.
        const std::uint64_t table_end = im.section_table_offset_ + std::uint64_t{old.size()} * kSectionHeaderSize;
        bool room_for_header = table_end + kSectionHeaderSize <= im.size_of_headers_;
        for (std::uint64_t k = table_end; room_for_header && k < table_end + kSectionHeaderSize; ++k) {
            room_for_header = im.bytes_[k] == 0;
        }
        if (!room_for_header) {
            error = "no room in the program's header for another section";
            return false;
        }
        if (replaceable) {
            Section& s = sections_[r];
            s.name = ".rsrcold";
            s.raw_size = 0;
            s.raw_offset = 0;
            s.characteristics = (s.characteristics & ~kInitializedData) | kUninitializedData;
        }
        const Section& tail = sections_.back();
        Section s;
        s.name = ".rsrc";
        s.virtual_address = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(AlignUp(std::uint64_t{tail.virtual_address} + tail.virtual_size, sa), 0xFFFFFFFFull));
        s.virtual_size = size == 0 ? 1 : size;
        s.raw_size = static_cast<std::uint32_t>(AlignUp(size, fa));
        s.characteristics = kInitializedData | kMemoryRead;
        sections_.push_back(s);
        from_.push_back(-1);
        resource_index_ = static_cast<int>(sections_.size()) - 1;
    }
    const Section& tail = sections_.back();
    if (AlignUp(std::uint64_t{tail.virtual_address} + tail.virtual_size, sa) > kMaxImage) {
        error = "the program would be larger than the 2 GB a 32-bit process can load";
        return false;
    }
    resource_rva_ = sections_[resource_index_].virtual_address;

    std::int64_t before = 0, after = 0;
    for (const Section& s : old) {
        if (s.characteristics & kInitializedData) before += s.raw_size;
    }
    for (const Section& s : sections_) {
        if (s.characteristics & kInitializedData) after += s.raw_size;
    }
    initialized_delta_ = after - before;
    return true;
}

std::vector<Chunk> Rewriter::write(const std::vector<Chunk>& resources) {
    const Image& im = image_;
    const std::uint8_t* b = im.bytes_.data();
    const std::uint32_t fa = im.file_alignment_, sa = im.section_alignment_;

    // File offsets: sections one after another in table order, then the overlay.
    std::uint64_t cursor = AlignUp(im.size_of_headers_, fa);
    for (Section& s : sections_) {
        if (s.raw_size == 0) {
            s.raw_offset = 0;
            continue;
        }
        s.raw_offset = static_cast<std::uint32_t>(cursor);
        cursor = AlignUp(cursor + s.raw_size, fa);
    }
    const std::uint64_t overlay_start = cursor;
    std::uint64_t overlay_end = im.bytes_.size();
    const DataDirectory cert = im.directory(kCertificateDirectory);
    if (cert.rva >= im.overlay_offset_ && cert.rva < overlay_end) overlay_end = cert.rva;  // dropped: it no longer holds
    auto new_offset = [&](std::uint64_t offset) -> std::uint64_t {
        for (std::size_t i = 0; i < sections_.size(); ++i) {
            if (from_[i] < 0 || static_cast<int>(i) == resource_index_) continue;
            const Section& o = im.sections_[from_[i]];
            if (o.raw_size != 0 && offset >= o.raw_offset && offset < std::uint64_t{o.raw_offset} + o.raw_size) {
                return sections_[i].raw_offset + (offset - o.raw_offset);
            }
        }
        if (offset >= im.overlay_offset_) return overlay_start + (offset - im.overlay_offset_);
        return offset;
    };

    // The header.
    header_.assign(b, b + im.size_of_headers_);
    std::uint8_t* h = header_.data();
    std::uint8_t* fh = h + im.file_header_offset_;
    std::uint8_t* oh = h + im.optional_offset_;
    Put16(fh + 2, static_cast<std::uint32_t>(sections_.size()));
    Put32(fh + 4, 0);  // no build time
    if (Get32(fh + 8) != 0) Put32(fh + 8, static_cast<std::uint32_t>(new_offset(Get32(fh + 8))));
    const std::int64_t initialized = static_cast<std::int64_t>(Get32(oh + 8)) + initialized_delta_;
    Put32(oh + 8, static_cast<std::uint32_t>(std::clamp<std::int64_t>(initialized, 0, 0xFFFFFFFF)));
    const Section& tail = sections_.back();
    Put32(oh + 56, static_cast<std::uint32_t>(AlignUp(std::uint64_t{tail.virtual_address} + tail.virtual_size, sa)));
    Put32(oh + 64, 0);
    std::uint8_t* dirs = oh + (im.pe32_plus_ ? 112 : 96);
    Put32(dirs + 8 * kResourceDirectory, resource_rva_);
    Put32(dirs + 8 * kResourceDirectory + 4, resource_size_);
    if (im.directory_count_ > kCertificateDirectory) {
        Put32(dirs + 8 * kCertificateDirectory, 0);
        Put32(dirs + 8 * kCertificateDirectory + 4, 0);
    }
    const DataDirectory rel = im.directory(kRelocationDirectory);
    // Only a moved relocation section has a shift.
    if (rel.rva != 0) Put32(dirs + 8 * kRelocationDirectory, rel.rva + relocation_shift_);
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        std::uint8_t* sh = h + im.section_table_offset_ + i * kSectionHeaderSize;
        const Section& s = sections_[i];
        if (from_[i] < 0) std::memset(sh, 0, kSectionHeaderSize);
        std::memset(sh, 0, 8);
        std::memcpy(sh, s.name.data(), std::min<std::size_t>(s.name.size(), 8));
        Put32(sh + 8, s.virtual_size);
        Put32(sh + 12, s.virtual_address);
        Put32(sh + 16, s.raw_size);
        Put32(sh + 20, s.raw_offset);
        Put32(sh + 36, s.characteristics);
    }

    // The debug directory names its data by file offset.
    debug_.clear();
    int debug_section = -1;
    const DataDirectory debug = im.directory(kDebugDirectory);
    if (debug.rva != 0 && debug.size >= 28 && im.at(debug.rva, debug.size) != nullptr) {
        const int old_index = im.section_of(debug.rva);
        for (std::size_t i = 0; i < sections_.size(); ++i) {
            if (from_[i] == old_index && static_cast<int>(i) != resource_index_) debug_section = static_cast<int>(i);
        }
        if (debug_section >= 0) {
            const Section& o = im.sections_[old_index];
            debug_.assign(b + o.raw_offset, b + o.raw_offset + o.raw_size);
            debug_offset_ = debug.rva - o.virtual_address;
            for (std::uint32_t e = 0; e + 28 <= debug.size; e += 28) {
                std::uint8_t* pointer = debug_.data() + debug_offset_ + e + 24;
                if (Get32(pointer) != 0) Put32(pointer, static_cast<std::uint32_t>(new_offset(Get32(pointer))));
            }
        }
    }

    std::vector<Chunk> out;
    out.push_back({header_.data(), header_.size()});
    std::uint64_t written = header_.size();
    auto pad_to = [&](std::uint64_t offset) {
        if (offset > written) out.push_back({nullptr, static_cast<std::size_t>(offset - written)});
        written = std::max(written, offset);
    };
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const Section& s = sections_[i];
        if (s.raw_size == 0) continue;
        pad_to(s.raw_offset);
        if (static_cast<int>(i) == resource_index_) {
            std::uint64_t given = 0;
            for (const Chunk& c : resources) {
                out.push_back(c);
                given += c.size;
            }
            written += given;
        } else {
            const Section& o = im.sections_[from_[i]];
            const std::uint8_t* data = static_cast<int>(i) == debug_section ? debug_.data() : b + o.raw_offset;
            const std::uint32_t kept = std::min(o.raw_size, s.raw_size);
            out.push_back({data, kept});
            written += kept;
        }
        pad_to(std::uint64_t{s.raw_offset} + s.raw_size);
    }
    pad_to(overlay_start);
    if (overlay_end > im.overlay_offset_) {
        out.push_back({b + im.overlay_offset_, static_cast<std::size_t>(overlay_end - im.overlay_offset_)});
    }
    Put32(oh + 64, ChecksumOf(out, im.checksum_offset()));
    return out;
}

std::vector<std::uint8_t> Join(const std::vector<Chunk>& chunks) {
    std::vector<std::uint8_t> out;
    for (const Chunk& c : chunks) {
        if (c.data == nullptr) {
            out.insert(out.end(), c.size, 0);
        } else {
            out.insert(out.end(), c.data, c.data + c.size);
        }
    }
    return out;
}

bool WriteChunks(std::FILE* out, const std::vector<Chunk>& chunks) {
    static const std::uint8_t zeros[4096] = {};
    for (const Chunk& c : chunks) {
        if (c.data != nullptr) {
            if (std::fwrite(c.data, 1, c.size, out) != c.size) return false;
            continue;
        }
        for (std::size_t left = c.size; left > 0;) {
            std::size_t n = std::min(left, sizeof zeros);
            if (std::fwrite(zeros, 1, n, out) != n) return false;
            left -= n;
        }
    }
    return true;
}

}  // namespace zep::pe

// Installation disks: which files go on each, whether they fit the medium (counted in
// its allocation units and root directory entries, as FAT12 keeps them), and writing
// them out as folders or as floppy images made with mtools.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "pe/resource_tree.h"
#include "tools/zep/stamp.h"

namespace zep::tool {

struct Medium {
    std::string name;             // "1.44M", or the byte count given
    int mformat_size = 0;         // mformat -f; 0 for a plain byte count (no image)
    std::uint64_t cluster_bytes = 1;
    std::uint64_t clusters = 0;   // data clusters
    std::uint32_t root_entries = 0;  // 0: no limit
};

// "1.44M", "1.2M", "720K", "360K" or a number of bytes; false with a reason.
bool ParseDiskSize(const std::string& text, Medium& out, std::string& error);

struct DiskFile {
    std::string name;  // as on the disk; may hold backslashes for folders
    pe::Bytes data;
    std::int64_t seconds;  // modification time
};

struct Disk {
    int number;  // 1..
    std::vector<DiskFile> files;
};

// How much a disk needs: bytes in whole clusters and root directory entries (a name
// that is not 8.3 takes long-name entries too; a folder takes clusters for its own).
struct DiskUse {
    std::uint64_t bytes = 0;
    std::uint32_t root_entries = 0;
};
DiskUse Measure(const Disk& disk, const Medium& medium);

// The name as an 8.3 MS-DOS name in capitals, or "" when it is not one.
std::string DosName(const std::string& name);

// Writes the disk's files into a folder (which must exist).
bool WriteDiskFolder(const std::filesystem::path& folder, const Disk& disk, bool dos_names, std::string& error);

// Makes a FAT12 image of the disk with mformat and mcopy: volume label DISKn, a serial
// number from the stamp, the files with their times; the same inputs give the same bytes.
bool WriteDiskImage(const std::filesystem::path& image, const Disk& disk, const Medium& medium,
                    const Stamp& stamp, std::string& error);

}  // namespace zep::tool

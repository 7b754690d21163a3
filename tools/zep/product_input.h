// What an author hands zep check and zep simulate: an install script, a product folder,
// a disk set (several folders, or one folder of DISKn folders as 'zep pack --disks'
// writes them), or an embedded setup.exe. Anything else (a binary file, a plain stub, a
// folder without a script) is refused with one line.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tools/zep/embedded_setup.h"

namespace zep::tool {

struct ProductInput {
    enum class Kind {
        kScript,    // an install script named by itself; its folder holds the files
        kFolder,    // a product folder, or a flat layout
        kDiskSet,   // one folder per disk, disk 1 first
        kEmbedded,  // setup.exe carrying the product
    };
    Kind kind = Kind::kFolder;
    std::string label;                   // as the author named it, for messages
    std::string script;                  // the script's bytes
    std::filesystem::path script_path;   // disk modes: the script file
    std::vector<std::filesystem::path> folders;  // kScript, kFolder: one; kDiskSet: each disk's
    std::vector<std::uint8_t> exe;       // kEmbedded: the setup.exe's bytes
    std::shared_ptr<EmbeddedSetup> setup;  // kEmbedded

    bool disk_mode() const { return kind != Kind::kEmbedded; }
};

// Opens what the paths name; false with one line naming the file. The script is found
// without regard to case as script_name.
bool OpenProductInput(const std::vector<std::string>& paths, const std::string& script_name, ProductInput& out,
                      std::string& error);

// The folders of a disk set below one folder: DISK1, DISK2, ... without a gap, in any
// case; empty when it has no DISK1.
std::vector<std::filesystem::path> DiskFolders(const std::filesystem::path& folder);

}  // namespace zep::tool

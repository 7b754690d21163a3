// A product: its install script and every file the script installs, with the resource id
// and the disk the installer gives each one. The files come from a product folder (as its
// author keeps it) or from an embedded setup.exe (see embedded_setup.h); zep check, pack,
// list and unpack all see a product this way.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace zep::tool {

inline constexpr std::uint16_t kScriptId = 12000;
inline constexpr std::uint16_t kHelpId = 12001;
inline constexpr std::uint16_t kFirstFileId = 12002;
// Ids past this one would have their byte-count string (id - 2000) past 65535 - 2000.
inline constexpr std::uint32_t kLastFileId = 65535 - 2000;

// One file of the product, in the order of the resource ids.
struct ProductFile {
    enum class Role { kScript, kHelp, kDisk };
    Role role;
    int disk;               // the [Disk n] section; the script and the help file go with disk 1
    std::string name;       // as it lies on its disk: the key, the help file's source name
    std::string installed;  // the destination name, or the help file's installed name
    std::uint16_t resource_id;
    int line;  // where the script names it; 0 for the script itself
    std::uint8_t kind = 1;  // the directory it is installed into: 0 Target ... 4 Fonts
    std::uint8_t flags = 0;  // the line's file flags: display bits, Append, ...
};

// What the installer makes of a script: its files and disks, exactly as the loader
// numbers them. False with the dialog's text when the script does not load.
struct ProductScript {
    std::string bytes;
    std::vector<ProductFile> files;  // the script, the help file (when named), then [Disk n]
    std::vector<std::string> disk_names;
};
bool ReadProductScript(const std::string& script, const std::string& script_name, ProductScript& out,
                       std::string& error);

// Where one file's stored bytes (as on a disk, or in a resource) come from.
struct Origin {
    enum class Kind {
        kMissing,
        kAsIs,      // the folder's file under the name on its disk
        kCompress,  // compressed on the way: a '_' name's original, or such a name's plain file
    };
    Kind kind = Kind::kMissing;
    std::filesystem::path path;
    std::uint8_t missing_char = 0;  // kCompress: stored in the header, for zep expand
    bool szdd = false;              // kAsIs: the file already is in SZDD form
    std::uint64_t expanded_size = 0;
    std::filesystem::file_time_type time{};
};

// A product folder: files found without regard to case; a name ending in '_' that is
// not there is made by compressing its original, found by the installed name (its path
// below the folder, else its file name at the top).
class ProductFolder {
public:
    explicit ProductFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}
    const std::filesystem::path& path() const { return folder_; }

    // The file of that name (a name may hold backslashes); empty when missing.
    std::filesystem::path find(const std::string& name) const;
    Origin origin(const std::string& name, const std::string& installed) const;

private:
    std::filesystem::path folder_;
    // Each folder's names by their capitals, as looked at so far.
    mutable std::map<std::filesystem::path, std::multimap<std::string, std::filesystem::path>> listings_;
};

// The stored bytes of a file of the folder; false with a one-line reason.
bool LoadStored(const Origin& origin, std::vector<std::uint8_t>& out, std::string& error);

}  // namespace zep::tool

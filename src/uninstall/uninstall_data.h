// What uninst.exe carries about its product: one resource of type 256 that holds the
// product's install script and a record of each file the script installs into the target
// directory, as the installer leaves it there. The layout is in docs/uninstaller.md; it
// is read here without a runtime library and written by make_uninstall_data (host).
#pragma once

#include <cstdint>

namespace zep {

inline constexpr std::uint16_t kUninstallDataResource = 13000;  // of type 256
inline constexpr std::uint16_t kUninstallDataVersion = 1;
inline constexpr std::uint32_t kUninstallHeaderSize = 16;
inline constexpr std::uint32_t kFileRecordHeaderSize = 10;  // before the name
inline constexpr std::uint32_t kMaxRecordName = 259;

// One installed file as the installer leaves it. A destination may have several records
// (other display classes install another file there); the file is the installed one
// when it matches any of them.
struct FileRecord {
    const char* name;        // relative to the target directory; not terminated
    std::uint32_t length;    // of name
    std::uint32_t size;      // bytes, expanded, all Append parts together
    std::uint16_t dos_date;  // the last-write time the installer gives it, local time
    std::uint16_t dos_time;
};

struct UninstallData {
    const char* script;  // the install script's bytes, not terminated
    std::uint32_t script_length;
    std::uint32_t file_count;
    const std::uint8_t* records;  // the first file record
    const std::uint8_t* end;
};

// Checks the whole resource; false when anything in it is out of place, so that nothing
// is acted on from damaged data. A record name must be a plain relative path: no drive,
// no leading, trailing or doubled backslash, no part made of dots only, no slash.
bool ReadUninstallData(const void* bytes, std::uint32_t size, UninstallData& out);

// Reads the record at `at` (a checked one) and returns where the next one starts.
const std::uint8_t* NextFileRecord(const std::uint8_t* at, FileRecord& out);

// Whether text of this length is a plain path relative to the target, as above.
bool IsPlainRelativePath(const char* text, std::uint32_t length);

}  // namespace zep

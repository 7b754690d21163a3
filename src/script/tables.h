// The tables a loaded install script fills. Stored strings are atoms of the process's
// local atom table (at most 255 characters, identical without regard to case); short
// settings are fixed buffers. Only the loader writes these, except where noted.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

namespace zep {

inline constexpr int kMaxDisks = 32;
inline constexpr int kMaxFonts = 32;
inline constexpr int kMaxExitEntries = 32;
inline constexpr int kMaxDeleteEntries = 32;
inline constexpr int kMaxSubdirectories = 32;
inline constexpr int kMaxGroupItems = 32;
inline constexpr int kMaxOldGroups = 8;
inline constexpr int kMaxAtomText = 255;

// Directory kinds: each selects a directory root.
enum DirectoryKind : std::uint8_t {
    kTargetDir = 0,
    kWindowsDir = 1,
    kSystemDir = 2,
    kSystem32Dir = 3,
    kFontsDir = 4,
    kInstallerDir = 5,
};

// File flags of a [Disk n] line.
enum FileFlags : std::uint8_t {
    kFlagEga = 1,
    kFlagVga = 2,
    kFlag8514 = 4,
    kDisplayFlags = kFlagEga | kFlagVga | kFlag8514,
    kFlagAppend = 8,
    kFlagHiddenFont = 16,
    kFlagSystemFont = 32,
};

struct BasicInformation {
    char caption[64];           // title of the main window and every dialog
    char view_button_text[32];  // label of button 1003 in 2400-2402 when set
    char product_ini[260];
    char old_product_ini[260];
    char product_name[64];
    char product_version[64];
    char version_to_patch[64];  // set: an upgrade of versions from this one up
    char old_product_name[64];
    char old_product_version[64];
    char uninstall_name[64];
    std::int32_t windows_major;  // WindowsVersion; checked by the loader
    std::int32_t windows_minor;
    std::int32_t fonts_only;
    Hgdiobj fonts_bitmap;  // bitmap 500, loaded only for a fonts-only installation
    std::int32_t bitmap_width;
    std::int32_t bitmap_height;
    char target_dir[260];  // DefaultTargetDir, later the chosen target ending in a backslash
    std::int32_t total_disks;
    std::int32_t disk_space;    // bytes; the gauge's end value
    char help_file_path[260];   // the Windows directory followed by the installed help file
};

// One line of a [Disk n] section, packed as the entry arrays hold it.
#pragma pack(push, 1)
struct FileEntry {
    Atom source;
    Atom destination;
    Atom description;  // 0 for none
    std::uint16_t resource_id;
    std::uint8_t kind;   // DirectoryKind 0..4
    std::uint8_t flags;  // FileFlags
};
#pragma pack(pop)
static_assert(sizeof(FileEntry) == 10);

struct DiskRecord {
    Atom name;  // 0 marks the end of the used records
    std::uint16_t count;
    Hglobal entries;  // zero-filled movable block of FileEntry, sized when the disk is read
};

struct FontPair {
    Atom file;
    Atom name;
};

struct ExitEntry {
    Atom window_class;
    Atom title_prefixes;  // comma-separated; 0 when the value was empty
};

struct DeleteEntry {
    Atom file;
    std::uint8_t kind;
};

struct GroupItem {
    Atom program;
    Atom title;
    std::uint32_t platforms;  // 1 Win31, 2 Win95, 4 WinNT
};

struct OldGroup {
    Atom version;
    Atom group;  // 0 when the value was empty
};

struct RunSettings {
    char program[260];
    std::int32_t choice;  // 0 none, 1 OK/Cancel, 2 Yes/No: the completion dialog is 2201 + choice
    char message[256];
    char name[64];
};

struct ScriptTables {
    BasicInformation basic;
    DiskRecord disks[kMaxDisks];
    FontPair fonts[kMaxFonts];
    ExitEntry exit_list[kMaxExitEntries];
    std::uint32_t exit_count;
    DeleteEntry delete_list[kMaxDeleteEntries];
    std::uint32_t delete_count;
    Atom subdirectories[kMaxSubdirectories];
    std::uint32_t subdirectory_count;
    char group_name[64];
    GroupItem group_items[kMaxGroupItems];
    OldGroup old_groups[kMaxOldGroups];
    std::uint32_t old_group_count;
    RunSettings run;
};

// What the loader keeps for the whole run, and the context of its last error.
struct LoaderState {
    bool embedded;          // resource 12000 of type 256 exists
    char script_path[260];  // the script directory followed by string 8000, or the free name taken
    bool script_written;    // embedded mode: this run extracted the script to script_path
    bool help_written;      // this run placed the help file at the help file path
    char section[64];       // the section being read
    std::uint16_t key_index;  // position in the key-name table of the last required key
    std::uint16_t next_resource_id;
};

}  // namespace zep

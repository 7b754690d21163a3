// The installer's context: every process-wide table and value, grouped by owner. The
// procedures receive it by reference; a test makes a fresh one per installation.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "script/tables.h"

namespace zep {

inline constexpr std::uint32_t kNoHelp = 0x7FFF;
inline constexpr int kDialogRows = 23;

// Windows version, platform and display classes, and the directory roots.
struct Environment {
    std::uint32_t major;
    std::uint32_t minor;           // a multiple of 10 is divided by 10: 4.10 is 4.1
    std::uint32_t platform_class;  // bits: 1 old shell, 2 new shell, 4 Windows NT
    std::uint32_t platform_mask;   // 2 Win95 family, 4 Windows NT
    std::uint32_t display_class;   // 0 EGA, 1 VGA, 2 8514
    std::uint32_t display_mask;    // 1 << display class
    char windows_root[260];        // every root ends in a backslash
    char system_root[260];
    char system32_root[260];
    char fonts_root[260];
    char installer_root[260];      // where the installer started; disk dialogs may change it
};

inline constexpr std::uint32_t kOldShell = 1;
inline constexpr std::uint32_t kNewShell = 2;
inline constexpr std::uint32_t kWindowsNt = 4;

// Texts loaded into the string pool at start-up, in load order.
enum PoolString {
    kBrowseTitle,     // 8003
    kCopyingFile,     // 8004
    kInstallingFonts, // 8005
    kPercent,         // 8007
    kGroupStatus,     // 8009 on the new shell, else 8008
    kBeingInstalled,  // 8010
    kUsedForDisks,    // 8011
    kPoolStrings,
};

struct ShellState {
    Hwnd main_window;
    Hhook filter_hook;
    bool hook_installed;
    Hcursor saved_cursor;
    char string_pool[512];
    const char* strings[kPoolStrings];  // into the pool; null when the string could not be loaded
    std::uint16_t stamp_date;  // MS-DOS date and time of extracted files, strings 8001 and 8002
    std::uint16_t stamp_time;
};

// The last failing system call: its error code and the file it concerned (dialog 1300).
struct CopyError {
    std::uint32_t code;
    char file[260];
};

// The completion dialog's watch for the shell's window of the new group.
struct GroupWatch {
    std::uint32_t ticks;    // timer ticks so far
    std::uint32_t settled;  // ticks in a row with the window seen behind the dialog
};

struct DialogState {
    std::uint32_t help_context;  // of the dialog on screen; kNoHelp for none
    CopyError copy_error;
    char scratch[4096];      // key lists, message formatting, status lines, last-resort copy buffer
    char message_arg[272];   // offending line, missing file or entered directory
    Hglobal templates[kDialogRows];
    char tested_drive;       // dialog 1000
    std::uint32_t free_kb;   // dialog 1500
    char installed_dir[260];
    char installed_version[64];
    char replaced_version[64];
    GroupWatch group_watch;  // of the completion dialog
};

struct CopyState {
    Hwnd progress_dialog;  // 0 while no progress dialog exists
    char disk_name[64];
    std::int32_t copied_bytes;
    std::uint32_t gauge_shift;  // only grows
    std::int32_t append_from;   // the length the destination of the last Append part had before it
    Hwnd gauge;                 // the gauge control of the dialog gauge_of, looked up once
    Hwnd gauge_of;
    // What that gauge shows, as its last paint left it; width 0 until it has painted.
    int shown_width;
    int shown_filled;
    std::uint32_t shown_percent;
    Atom status_shown;  // the description the status line holds, 0 for none
};

// A font as withdrawing found it, so that putting back restores it exactly, and only
// where there was one: its registry value, and its names, read once.
struct FontValue {
    bool removed;
    std::uint32_t type;
    std::uint32_t size;  // 0: the data did not fit; the listed font file is put back
    std::uint8_t data[260];
    char name[128];      // empty: not withdrawn
    char file[260];
};

struct Installer {
    explicit Installer(const platform::Platform& platform);

    platform::Platform os;
    Environment env{};
    ShellState shell{};
    ScriptTables script{};
    LoaderState loader{};
    DialogState dialogs{};
    CopyState copy{};
    std::uint8_t fonts_withdrawn[kMaxFonts] = {};  // 1 where withdrawing unloaded the font
    FontValue font_values[kMaxFonts] = {};         // what withdrawing took from the registry
    std::uint32_t dde_instance = 0;                 // 0 until the group step makes one
};

}  // namespace zep

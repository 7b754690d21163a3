// The host side of uninst.exe's data resource (type 256, id 13000): made from the install
// script and what each [Disk n] line installs, for `zep pack` to put into uninst.exe.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace zep {

struct Installer;

// One [Disk n] line as the installer reads it (on any display class; a line met again on
// another display class is recorded once, by its resource id).
struct PackedLine {
    std::uint16_t resource_id = 0;  // its place in the script: 12002 for the first line
    std::string source;             // its key: the file's name on the disk
    std::uint8_t kind = 0;          // directory kind; only lines of kind 0, Target, count
    std::uint8_t flags = 0;         // file flags: the display bits and Append
    std::string destination;        // relative to the kind's root, as the line names it
    std::uint32_t size = 0;         // bytes the line writes: its file expanded
    std::uint16_t dos_date = 0;     // the last-write time the installer gives the file:
    std::uint16_t dos_time = 0;     // MS-DOS date and time, local time
};

// The [Disk n] lines of a script loaded into an installer's tables (those of one display
// class), with size and time stamp left for the caller to fill in.
std::vector<PackedLine> LoadedLines(Installer& in);

// The resource's bytes. For each display class the lines are played in script order as
// the installer plays them (a line replaces its destination, an Append line adds to it
// and gives it its own time stamp), and each destination's outcome is recorded once.
// Not recorded: lines of other kinds, a destination that leaves the target directory
// (a drive, "..", a leading backslash), and UNINST.EXE in the target itself, which the
// uninstaller removes its own way. False, with a one-line message, when the data cannot
// be made (an empty script, a time stamp that is no MS-DOS date, too many files).
bool MakeUninstallData(std::string_view script, std::vector<PackedLine> lines, std::vector<std::uint8_t>& out,
                       std::string& error);
// The same for a product shipped several ways (embedded, from disks), each giving the
// files other time stamps: every way's outcomes are recorded, and a file is the installed
// one when it matches any of them.
bool MakeUninstallData(std::string_view script, const std::vector<std::vector<PackedLine>>& ways,
                       std::vector<std::uint8_t>& out, std::string& error);

// A moment (seconds since 1970, UTC) as the MS-DOS date and time of this machine's local
// time, in FAT's two-second steps: how a file's time stamp reads on a FAT disk made here.
void DosStampOf(std::time_t moment, std::uint16_t& date, std::uint16_t& time);

}  // namespace zep

// The moment an embedded setup.exe stamps on every file it extracts (strings 8001 and
// 8002: an MS-DOS date and time, local time on the machine that installs), and that no
// file of a disk layout is newer than when it is given.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace zep::tool {

struct Stamp {
    std::uint16_t dos_date = 0;
    std::uint16_t dos_time = 0;
    std::int64_t seconds = 0;  // the same moment, since 1970 UTC
    bool utc = false;          // the wall clock is UTC's (SOURCE_DATE_EPOCH), not this machine's
    bool given = false;        // --stamp or SOURCE_DATE_EPOCH: files newer than it take it
};

// "YYYY-MM-DD HH:MM" as a wall-clock time (UTC's when utc is set).
bool StampFromText(const std::string& text, bool utc, Stamp& out, std::string& error);
// A moment; MS-DOS times count in steps of 2 seconds, so an odd second goes down by one.
bool StampFromSeconds(std::int64_t seconds, bool utc, bool given, Stamp& out, std::string& error);
// "YYYY-MM-DD HH:MM:SS" of an MS-DOS date and time.
std::string DosDateTimeText(std::uint16_t date, std::uint16_t time);
// The moment of an MS-DOS date and time read as this machine's local time (or UTC's).
std::int64_t DosDateTimeSeconds(std::uint16_t date, std::uint16_t time, bool utc);

}  // namespace zep::tool

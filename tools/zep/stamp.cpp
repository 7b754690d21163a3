#include "tools/zep/stamp.h"

#include <cstdio>

namespace zep::tool {

namespace {

bool FromParts(const std::tm& t, std::int64_t seconds, bool utc, bool given, Stamp& out, std::string& error) {
    const int year = t.tm_year + 1900;
    if (year < 1980 || year > 2107) {
        char text[64];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", year, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                      t.tm_min);
        error = std::string("the stamp ") + text + " lies outside what MS-DOS dates hold (1980 to 2107)";
        return false;
    }
    out.dos_date = static_cast<std::uint16_t>((year - 1980) << 9 | (t.tm_mon + 1) << 5 | t.tm_mday);
    out.dos_time = static_cast<std::uint16_t>(t.tm_hour << 11 | t.tm_min << 5 | t.tm_sec / 2);
    out.seconds = seconds - t.tm_sec % 2;
    out.utc = utc;
    out.given = given;
    return true;
}

std::int64_t Seconds(std::tm t, bool utc) {
    t.tm_isdst = -1;
    return utc ? static_cast<std::int64_t>(timegm(&t)) : static_cast<std::int64_t>(std::mktime(&t));
}

}  // namespace

bool StampFromText(const std::string& text, bool utc, Stamp& out, std::string& error) {
    int year, month, day, hour, minute;
    char end;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d%c", &year, &month, &day, &hour, &minute, &end) != 5 ||
        month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || hour < 0 || minute < 0) {
        error = "--stamp takes \"YYYY-MM-DD HH:MM\", not \"" + text + "\"";
        return false;
    }
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    const std::int64_t seconds = Seconds(t, utc);
    std::tm check{};
    const std::time_t back = static_cast<std::time_t>(seconds);
    utc ? gmtime_r(&back, &check) : localtime_r(&back, &check);
    if (check.tm_mday != day || check.tm_mon != month - 1) {
        error = "--stamp: there is no day " + text.substr(0, 10);
        return false;
    }
    return FromParts(t, seconds, utc, true, out, error);
}

bool StampFromSeconds(std::int64_t seconds, bool utc, bool given, Stamp& out, std::string& error) {
    std::tm t{};
    const std::time_t s = static_cast<std::time_t>(seconds);
    if (!(utc ? gmtime_r(&s, &t) : localtime_r(&s, &t))) {
        error = "the stamp " + std::to_string(seconds) + " is not a time";
        return false;
    }
    return FromParts(t, seconds, utc, given, out, error);
}

std::string DosDateTimeText(std::uint16_t date, std::uint16_t time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", 1980 + (date >> 9), date >> 5 & 15, date & 31,
                  time >> 11, time >> 5 & 63, (time & 31) * 2);
    return text;
}

std::int64_t DosDateTimeSeconds(std::uint16_t date, std::uint16_t time, bool utc) {
    std::tm t{};
    t.tm_year = 80 + (date >> 9);
    t.tm_mon = (date >> 5 & 15) - 1;
    t.tm_mday = date & 31;
    t.tm_hour = time >> 11;
    t.tm_min = time >> 5 & 63;
    t.tm_sec = (time & 31) * 2;
    return Seconds(t, utc);
}

}  // namespace zep::tool

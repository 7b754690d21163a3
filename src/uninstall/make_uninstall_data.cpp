#include "uninstall/make_uninstall_data.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "shell/installer.h"
#include "uninstall/uninstall_data.h"

namespace zep {

namespace {

constexpr std::uint8_t kTargetKind = 0;
constexpr std::uint8_t kAppend = 8;
constexpr std::uint32_t kMaxRecords = 0xFFFF;

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

bool ValidDosStamp(std::uint16_t date, std::uint16_t time) {
    const unsigned day = date & 31, month = (date >> 5) & 15;
    const unsigned second = (time & 31) * 2, minute = (time >> 5) & 63, hour = time >> 11;
    return day != 0 && month != 0 && month <= 12 && hour <= 23 && minute <= 59 && second <= 59;
}

struct Outcome {
    std::string name;  // as first spelt
    std::uint64_t size = 0;
    std::uint16_t date = 0, time = 0;
    bool operator==(const Outcome& o) const { return std::tie(size, date, time) == std::tie(o.size, o.date, o.time); }
};

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// Destination (upper case) -> its distinct outcomes.
using Outcomes = std::map<std::string, std::vector<Outcome>>;

// Plays the lines of one way of shipping on each display class, into outcomes.
bool Play(std::vector<PackedLine> lines, Outcomes& outcomes, std::string& error) {
    std::stable_sort(lines.begin(), lines.end(),
                     [](const PackedLine& a, const PackedLine& b) { return a.resource_id < b.resource_id; });
    lines.erase(std::unique(lines.begin(), lines.end(),
                            [](const PackedLine& a, const PackedLine& b) { return a.resource_id == b.resource_id; }),
                lines.end());
    for (unsigned display = 0; display < 3; ++display) {
        std::map<std::string, Outcome> files;
        for (const PackedLine& line : lines) {
            if (line.kind != kTargetKind || (line.flags & (1u << display)) == 0) continue;
            if (!IsPlainRelativePath(line.destination.data(), static_cast<std::uint32_t>(line.destination.size()))) {
                continue;
            }
            const std::string key = Upper(line.destination);
            if (key == "UNINST.EXE") continue;
            if (!ValidDosStamp(line.dos_date, line.dos_time)) {
                error = "the time stamp of " + line.destination + " is not an MS-DOS date and time";
                return false;
            }
            auto it = files.find(key);
            if ((line.flags & kAppend) != 0) {
                // Appending to nothing fails at installation: such a part leaves no file.
                if (it == files.end()) continue;
                it->second.size += line.size;
            } else {
                Outcome fresh;
                fresh.name = it != files.end() ? it->second.name : line.destination;
                fresh.size = line.size;
                it = files.insert_or_assign(key, fresh).first;
            }
            it->second.date = line.dos_date;
            it->second.time = line.dos_time;
        }
        for (const auto& [key, outcome] : files) {
            std::vector<Outcome>& known = outcomes[key];
            if (std::find(known.begin(), known.end(), outcome) == known.end()) known.push_back(outcome);
        }
    }
    return true;
}

}  // namespace

bool MakeUninstallData(std::string_view script, std::vector<PackedLine> lines, std::vector<std::uint8_t>& out,
                       std::string& error) {
    return MakeUninstallData(script, std::vector<std::vector<PackedLine>>{std::move(lines)}, out, error);
}

bool MakeUninstallData(std::string_view script, const std::vector<std::vector<PackedLine>>& ways,
                       std::vector<std::uint8_t>& out, std::string& error) {
    if (script.empty()) {
        error = "the install script is empty";
        return false;
    }
    if (script.size() > 0x7FFFFFFF) {
        error = "the install script is too large";
        return false;
    }
    Outcomes outcomes;
    for (const std::vector<PackedLine>& lines : ways) {
        if (!Play(lines, outcomes, error)) return false;
    }

    std::size_t count = 0;
    for (const auto& [key, known] : outcomes) count += known.size();
    if (count > kMaxRecords) {
        error = "the script installs more than 65535 files into the target directory";
        return false;
    }
    static constexpr char kMagic[] = "ZEPU";
    out.assign(kMagic, kMagic + 4);
    Put16(out, kUninstallDataVersion);
    Put16(out, static_cast<std::uint32_t>(count));
    Put32(out, kUninstallHeaderSize);
    Put32(out, static_cast<std::uint32_t>(script.size()));
    out.insert(out.end(), script.begin(), script.end());
    for (const auto& [key, known] : outcomes) {
        const std::string& name = known.front().name;
        for (const Outcome& o : known) {
            if (o.size > 0xFFFFFFFEu) {
                error = name + " would be larger than 4 GB";
                return false;
            }
            Put32(out, static_cast<std::uint32_t>(o.size));
            Put16(out, o.date);
            Put16(out, o.time);
            Put16(out, static_cast<std::uint32_t>(name.size()));
            out.insert(out.end(), name.begin(), name.end());
        }
    }
    return true;
}

std::vector<PackedLine> LoadedLines(Installer& in) {
    std::vector<PackedLine> lines;
    platform::System& sys = in.os.system;
    for (const DiskRecord& disk : in.script.disks) {
        if (disk.name == 0) break;
        const auto* entries = static_cast<const FileEntry*>(sys.global_lock(disk.entries));
        if (entries == nullptr) continue;
        for (std::uint16_t i = 0; i < disk.count; ++i) {
            char source[260] = {}, destination[260] = {};
            sys.get_atom_name(entries[i].source, source, sizeof source);
            sys.get_atom_name(entries[i].destination, destination, sizeof destination);
            PackedLine line;
            line.resource_id = entries[i].resource_id;
            line.source = source;
            line.kind = entries[i].kind;
            line.flags = entries[i].flags;
            line.destination = destination;
            lines.push_back(line);
        }
        sys.global_unlock(disk.entries);
    }
    return lines;
}

void DosStampOf(std::time_t moment, std::uint16_t& date, std::uint16_t& time) {
    std::tm local{};
    localtime_r(&moment, &local);
    const int year = std::clamp(local.tm_year + 1900, 1980, 2107);
    date = static_cast<std::uint16_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) |
                                      local.tm_mday);
    time = static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
}

}  // namespace zep

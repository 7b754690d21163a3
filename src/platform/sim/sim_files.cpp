// Files and directories of the simulated process: the 16-bit-compatible calls with their
// sharing, attribute and drive rules.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/sim/code_pages.h"
#include "platform/sim/sim_platform.h"

namespace fs = std::filesystem;

namespace zep::sim {

namespace {

constexpr std::uint32_t kRead = 1;
constexpr std::uint32_t kWrite = 2;
constexpr std::size_t kOpenFilePathLimit = 128;  // OFSTRUCT's path buffer

std::uint32_t AccessOf(std::uint32_t mode) {
    switch (mode & 3) {
        case OF_WRITE: return kWrite;
        case OF_READWRITE: return kRead | kWrite;
        default: return kRead;
    }
}

std::uint32_t ShareOf(std::uint32_t mode) {
    switch (mode & 0x70) {
        case OF_SHARE_EXCLUSIVE: return 0;
        case OF_SHARE_DENY_WRITE: return kRead;
        case 0x30: return kWrite;  // OF_SHARE_DENY_READ
        default: return kRead | kWrite;  // compatibility mode and deny-none
    }
}

bool ReadOnlyDrive(const Drive* d) {
    return d != nullptr && d->type == DRIVE_CDROM;
}

std::uint64_t HostSize(const fs::path& p) {
    std::error_code ec;
    auto n = fs::file_size(p, ec);
    return ec ? 0 : n;
}

// Days from 1 January 1601 to the given civil date.
std::int64_t DaysSince1601(int year, unsigned month, unsigned day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(year - era * 400);
    const unsigned doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days_since_1970 = era * 146097 + static_cast<std::int64_t>(doe) - 719468;
    return days_since_1970 + 134774;
}

FileTime ToFileTime(std::int64_t ticks) {
    auto t = static_cast<std::uint64_t>(ticks);
    return {static_cast<std::uint32_t>(t), static_cast<std::uint32_t>(t >> 32)};
}

std::int64_t Ticks(const FileTime& t) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.high) << 32) | t.low);
}

}  // namespace

SimPlatform::OpenFile* SimPlatform::file(Hfile h) {
    auto it = files_.find(h);
    return it == files_.end() ? nullptr : &it->second;
}

Hfile SimPlatform::open_host(const ResolvedPath& where, std::uint32_t mode, bool create) {
    std::error_code ec;
    const fs::file_status status = fs::status(where.host, ec);
    const bool exists = fs::exists(status);
    const std::uint32_t access = create ? (AccessOf(mode) | kWrite) : AccessOf(mode);
    const std::uint32_t share = ShareOf(mode);
    if (exists && fs::is_directory(status)) return fail_with(ERROR_ACCESS_DENIED), HFILE_ERROR;
    if (!exists) {
        if (!fs::is_directory(where.host.parent_path(), ec)) return fail_with(ERROR_PATH_NOT_FOUND), HFILE_ERROR;
        if (!create) return fail_with(ERROR_FILE_NOT_FOUND), HFILE_ERROR;
    }
    if ((access & kWrite) != 0 && ReadOnlyDrive(where.drive)) return fail_with(ERROR_ACCESS_DENIED), HFILE_ERROR;
    if (exists) {
        std::uint32_t attributes = machine_.file_attributes(where.host);
        if ((access & kWrite) != 0 && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            return fail_with(ERROR_ACCESS_DENIED), HFILE_ERROR;
        }
        // Replacing a hidden or system file needs those attributes asked for again.
        if (create && (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0) {
            return fail_with(ERROR_ACCESS_DENIED), HFILE_ERROR;
        }
    }
    const std::string key = where.host.string();
    auto range = machine_.open_files.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) {
        const Machine::OpenRecord& other = *it->second;
        if ((access & ~other.share) != 0 || (other.access & ~share) != 0) {
            return fail_with(ERROR_SHARING_VIOLATION), HFILE_ERROR;
        }
    }
    if (create && exists) {
        where.drive->free_bytes += HostSize(where.host);
        machine_.forget(where.host);
    }
    std::FILE* stream = std::fopen(key.c_str(), create ? "w+b" : (access & kWrite) != 0 ? "r+b" : "rb");
    if (stream == nullptr) return fail_with(ERROR_ACCESS_DENIED), HFILE_ERROR;
    if (!exists || create) machine_.created(where.host);  // forget() above took a replaced file's name
    Hfile h = next_file_++;
    OpenFile& f = files_[h];
    f.stream = stream;
    f.full = where.full;
    f.host = where.host;
    f.record = {access, share};
    f.drive = where.drive;
    machine_.open_files.emplace(key, &f.record);
    return h;
}

Hfile SimPlatform::open_file(const char* path, std::uint32_t mode) {
    if (fail("open_file", path ? path : "")) return HFILE_ERROR;
    std::string name = path ? path : "";
    ResolvedPath where;
    // OpenFile keeps the full path in OFSTRUCT's 128-byte buffer, whatever the mode.
    if (name.size() >= kOpenFilePathLimit) return fail_with(ERROR_INVALID_DATA), HFILE_ERROR;
    if ((mode & OF_CREATE) != 0) {
        where = resolve(name.c_str());
        if (where.error != 0) return fail_with(where.error), HFILE_ERROR;
        return open_host(where, mode, true);
    }
    // Every other mode first searches for the file into OFSTRUCT's 128-byte buffer.
    if (name.find_first_of("\\/:") == std::string::npos && !name.empty()) {
        const std::string dirs[] = {module_.substr(0, module_.rfind('\\')), cwd_.current,
                                    machine_.system_dir, machine_.windows_dir};
        for (const std::string& d : dirs) {
            ResolvedPath candidate = machine_.resolve(d + "\\" + name, cwd_);
            std::error_code ec;
            if (candidate.error == 0 && fs::is_regular_file(candidate.host, ec)) {
                where = candidate;
                break;
            }
        }
        if (where.full.empty()) return fail_with(ERROR_FILE_NOT_FOUND), HFILE_ERROR;
    } else {
        where = resolve(name.c_str());
        if (where.error != 0) return fail_with(where.error), HFILE_ERROR;
    }
    if (where.full.size() >= kOpenFilePathLimit) return fail_with(ERROR_INVALID_DATA), HFILE_ERROR;
    std::error_code ec;
    // The search finds no file, whether or not its folder exists.
    if (!fs::exists(where.host, ec)) return fail_with(ERROR_FILE_NOT_FOUND), HFILE_ERROR;
    if ((mode & OF_DELETE) != 0) return delete_file(where.full.c_str()) ? 1 : HFILE_ERROR;
    Hfile h = open_host(where, mode, false);
    if (h == HFILE_ERROR) return HFILE_ERROR;
    if ((mode & OF_EXIST) != 0) {
        lclose(h);
        return 1;
    }
    return h;
}

Hfile SimPlatform::lopen(const char* path, std::uint32_t mode) {
    if (fail("lopen", path ? path : "")) return HFILE_ERROR;
    ResolvedPath where = resolve(path);
    if (where.error != 0) return fail_with(where.error), HFILE_ERROR;
    return open_host(where, mode & 0x73, false);
}

Hfile SimPlatform::lcreat(const char* path, int) {
    if (fail("lcreat", path ? path : "")) return HFILE_ERROR;
    ResolvedPath where = resolve(path);
    if (where.error != 0) return fail_with(where.error), HFILE_ERROR;
    return open_host(where, OF_READWRITE, true);
}

std::uint32_t SimPlatform::lread(Hfile h, void* buf, std::uint32_t count) {
    if (fail("lread")) return static_cast<std::uint32_t>(HFILE_ERROR);
    OpenFile* f = file(h);
    if (f == nullptr) return fail_with(ERROR_INVALID_HANDLE), static_cast<std::uint32_t>(HFILE_ERROR);
    if ((f->record.access & kRead) == 0) {
        return fail_with(ERROR_ACCESS_DENIED), static_cast<std::uint32_t>(HFILE_ERROR);
    }
    return static_cast<std::uint32_t>(std::fread(buf, 1, count, f->stream));
}

std::uint32_t SimPlatform::lwrite(Hfile h, const void* buf, std::uint32_t count) {
    if (fail("lwrite")) return static_cast<std::uint32_t>(HFILE_ERROR);
    OpenFile* f = file(h);
    if (f == nullptr) return fail_with(ERROR_INVALID_HANDLE), static_cast<std::uint32_t>(HFILE_ERROR);
    if ((f->record.access & kWrite) == 0) {
        return fail_with(ERROR_ACCESS_DENIED), static_cast<std::uint32_t>(HFILE_ERROR);
    }
    std::fflush(f->stream);
    const long at = std::ftell(f->stream);
    const std::uint64_t size = HostSize(f->host);
    if (count == 0) {
        // A zero-byte write ends the file where the pointer is.
        if (ftruncate(fileno(f->stream), at) != 0) return fail_with(ERROR_ACCESS_DENIED), static_cast<std::uint32_t>(HFILE_ERROR);
        if (static_cast<std::uint64_t>(at) < size) f->drive->free_bytes += size - at;
        return 0;
    }
    std::uint64_t end = static_cast<std::uint64_t>(at) + count;
    std::uint64_t growth = end > size ? end - size : 0;
    std::uint32_t n = count;
    if (growth > f->drive->free_bytes) {
        n = static_cast<std::uint32_t>(count - (growth - f->drive->free_bytes));
        growth = f->drive->free_bytes;
    }
    // On a full disk Wine writes what fits and returns the short count, leaving the last
    // error as it was (seen on a small tmpfs drive).
    std::size_t written = std::fwrite(buf, 1, n, f->stream);
    std::fflush(f->stream);
    f->drive->free_bytes -= growth;
    return static_cast<std::uint32_t>(written);
}

std::int32_t SimPlatform::llseek(Hfile h, std::int32_t offset, int origin) {
    if (fail("llseek")) return HFILE_ERROR;
    OpenFile* f = file(h);
    if (f == nullptr) return fail_with(ERROR_INVALID_HANDLE), HFILE_ERROR;
    std::fflush(f->stream);
    long base = origin == FILE_BEGIN ? 0 : origin == FILE_CURRENT ? std::ftell(f->stream)
                                                                  : static_cast<long>(HostSize(f->host));
    long to = base + offset;
    if (to < 0) return fail_with(ERROR_NEGATIVE_SEEK), HFILE_ERROR;
    std::fseek(f->stream, to, SEEK_SET);
    return static_cast<std::int32_t>(to);
}

Hfile SimPlatform::lclose(Hfile h) {
    // A close fails on Windows only for a handle that is not open: made to fail, the
    // handle is closed all the same.
    const bool failed = fail("lclose");
    OpenFile* f = file(h);
    if (f == nullptr) return fail_with(ERROR_INVALID_HANDLE), HFILE_ERROR;
    auto range = machine_.open_files.equal_range(f->host.string());
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second == &f->record) {
            machine_.open_files.erase(it);
            break;
        }
    }
    std::fclose(f->stream);
    files_.erase(h);
    return failed ? HFILE_ERROR : 0;
}

bool SimPlatform::delete_file(const char* path) {
    if (fail("delete_file", path ? path : "")) return false;
    ResolvedPath where = resolve(path);
    if (where.error != 0) return fail_with(where.error);
    std::error_code ec;
    if (!fs::exists(where.host, ec)) {
        return fail_with(fs::is_directory(where.host.parent_path(), ec) ? ERROR_FILE_NOT_FOUND
                                                                         : ERROR_PATH_NOT_FOUND);
    }
    if (fs::is_directory(where.host, ec) || ReadOnlyDrive(where.drive) ||
        (machine_.attributes(where.host) & FILE_ATTRIBUTE_READONLY) != 0) {
        return fail_with(ERROR_ACCESS_DENIED);
    }
    if (machine_.open_files.count(where.host.string()) > 0) return fail_with(ERROR_SHARING_VIOLATION);
    where.drive->free_bytes += HostSize(where.host);
    fs::remove(where.host, ec);
    machine_.forget(where.host);
    return true;
}

bool SimPlatform::set_file_attributes(const char* path, std::uint32_t attributes) {
    if (fail("set_file_attributes", path ? path : "")) return false;
    ResolvedPath where = resolve(path);
    if (where.error != 0) return fail_with(where.error);
    std::error_code ec;
    const fs::file_status status = fs::status(where.host, ec);
    if (!fs::exists(status)) return fail_with(ERROR_FILE_NOT_FOUND);
    if (ReadOnlyDrive(where.drive)) return fail_with(ERROR_ACCESS_DENIED);
    if (!fs::is_directory(status)) machine_.set_attributes(where.host, attributes);
    return true;
}

std::uint32_t SimPlatform::get_file_attributes(const char* path) {
    if (fail("get_file_attributes", path ? path : "")) return INVALID_FILE_SIZE;
    ResolvedPath where = resolve(path);
    if (where.error != 0) return fail_with(where.error), INVALID_FILE_SIZE;
    std::uint32_t a = machine_.attributes(where.host);
    if (a == INVALID_FILE_SIZE) last_error_ = ERROR_FILE_NOT_FOUND;
    return a;
}

std::uint32_t SimPlatform::get_file_size(Hfile h) {
    if (fail("get_file_size")) return INVALID_FILE_SIZE;
    OpenFile* f = file(h);
    if (f == nullptr) return fail_with(ERROR_INVALID_HANDLE), INVALID_FILE_SIZE;
    std::fflush(f->stream);
    return static_cast<std::uint32_t>(HostSize(f->host));
}

bool SimPlatform::get_file_time(Hfile h, FileTime* created, FileTime* accessed,
                                FileTime* written) {
    if (fail("get_file_time")) return false;
    OpenFile* f = file(h);
    if (f == nullptr) return fail_with(ERROR_INVALID_HANDLE);
    std::fflush(f->stream);
    Machine::Times t = machine_.times(f->host);
    if (created) *created = t.created;
    if (accessed) *accessed = t.accessed;
    if (written) *written = t.written;
    return true;
}

bool SimPlatform::set_file_time(Hfile h, const FileTime* created, const FileTime* accessed,
                                const FileTime* written) {
    if (fail("set_file_time")) return false;
    OpenFile* f = file(h);
    if (f == nullptr) return fail_with(ERROR_INVALID_HANDLE);
    if ((f->record.access & kWrite) == 0) return fail_with(ERROR_ACCESS_DENIED);
    Machine::Times t = machine_.times(f->host);
    if (created) t.created = *created;
    if (accessed) t.accessed = *accessed;
    if (written) t.written = *written;
    machine_.set_times(f->host, t);
    return true;
}

bool SimPlatform::dos_date_time_to_file_time(std::uint16_t date, std::uint16_t time,
                                             FileTime& out) {
    if (fail("dos_date_time_to_file_time")) return false;
    const unsigned day = date & 31, month = (date >> 5) & 15;
    const int year = 1980 + (date >> 9);
    const unsigned second = (time & 31) * 2, minute = (time >> 5) & 63, hour = time >> 11;
    if (day == 0 || month == 0 || month > 12 || hour > 23 || minute > 59 || second > 59) {
        return fail_with(ERROR_INVALID_PARAMETER);
    }
    std::int64_t seconds = DaysSince1601(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    out = ToFileTime(seconds * 10000000);
    return true;
}

bool SimPlatform::local_file_time_to_file_time(const FileTime& local, FileTime& out) {
    if (fail("local_file_time_to_file_time")) return false;
    out = ToFileTime(Ticks(local) - std::int64_t{machine_.local_minus_utc_minutes} * 60 * 10000000);
    return true;
}

bool SimPlatform::create_directory(const char* path) {
    if (fail("create_directory", path ? path : "")) return false;
    ResolvedPath where = resolve(path);
    if (where.error != 0) return fail_with(where.error);
    if (where.is_root || ReadOnlyDrive(where.drive)) return fail_with(ERROR_ACCESS_DENIED);
    std::error_code ec;
    if (fs::exists(where.host, ec)) return fail_with(ERROR_ALREADY_EXISTS);
    if (!fs::is_directory(where.host.parent_path(), ec)) return fail_with(ERROR_PATH_NOT_FOUND);
    if (!fs::create_directory(where.host, ec)) return fail_with(ERROR_ACCESS_DENIED);
    machine_.created(where.host);
    return true;
}

bool SimPlatform::remove_directory(const char* path) {
    if (fail("remove_directory", path ? path : "")) return false;
    ResolvedPath where = resolve(path);
    if (where.error != 0) return fail_with(where.error);
    if (where.is_root || ReadOnlyDrive(where.drive)) return fail_with(ERROR_ACCESS_DENIED);
    std::error_code ec;
    if (!fs::exists(where.host, ec)) {
        return fail_with(fs::is_directory(where.host.parent_path(), ec) ? ERROR_FILE_NOT_FOUND
                                                                         : ERROR_PATH_NOT_FOUND);
    }
    if (!fs::is_directory(where.host, ec)) return fail_with(ERROR_DIRECTORY);
    if (!fs::is_empty(where.host, ec)) return fail_with(ERROR_DIR_NOT_EMPTY);
    // Windows NT holds a process's current directory open.
    if (machine_.version.platform_id == VER_PLATFORM_WIN32_NT && AnsiUpper(cwd_.current) == AnsiUpper(where.full)) {
        return fail_with(ERROR_SHARING_VIOLATION);
    }
    if (!fs::remove(where.host, ec)) return fail_with(ERROR_ACCESS_DENIED);
    machine_.forget(where.host);
    return true;
}

bool SimPlatform::move_file_ex(const char* from, const char* to, std::uint32_t flags) {
    if (fail("move_file_ex", from ? from : "")) return false;
    if (machine_.version.platform_id != VER_PLATFORM_WIN32_NT) return fail_with(ERROR_CALL_NOT_IMPLEMENTED);
    ResolvedPath source = resolve(from);
    if (source.error != 0) return fail_with(source.error);
    ResolvedPath target;
    if (to != nullptr && (target = resolve(to)).error != 0) return fail_with(target.error);
    if ((flags & MOVEFILE_DELAY_UNTIL_REBOOT) != 0) {
        machine_.pending_moves.push_back({source.full, to != nullptr ? target.full : ""});
        return true;
    }
    std::error_code ec;
    if (to == nullptr) return fail_with(ERROR_INVALID_PARAMETER);
    if (!fs::exists(source.host, ec)) return fail_with(ERROR_FILE_NOT_FOUND);
    if (source.drive != target.drive) return fail_with(ERROR_NOT_SAME_DEVICE);
    if (fs::exists(target.host, ec) && (flags & MOVEFILE_REPLACE_EXISTING) == 0) {
        return fail_with(ERROR_ALREADY_EXISTS);
    }
    if (machine_.open_files.count(source.host.string()) > 0 || machine_.open_files.count(target.host.string()) > 0) {
        return fail_with(ERROR_SHARING_VIOLATION);
    }
    const std::uint32_t attributes = machine_.attributes(source.host);
    const Machine::Times times = machine_.times(source.host);
    fs::rename(source.host, target.host, ec);
    if (ec) return fail_with(ERROR_ACCESS_DENIED);
    machine_.forget(source.host);
    machine_.forget(target.host);
    machine_.created(target.host);
    machine_.set_attributes(target.host, attributes);
    machine_.set_times(target.host, times);
    return true;
}

std::uint32_t SimPlatform::get_short_path_name(const char* path, char* buf, std::uint32_t size) {
    if (fail("get_short_path_name", path ? path : "")) return 0;
    ResolvedPath where = resolve(path);
    if (where.error != 0) return fail_with(where.error), 0;
    std::error_code ec;
    if (!fs::exists(where.host, ec)) return fail_with(ERROR_FILE_NOT_FOUND), 0;
    // The simulated drives keep no 8.3 aliases: every name is its own short form.
    const std::string text = path;
    if (size <= text.size()) return static_cast<std::uint32_t>(text.size() + 1);
    std::memcpy(buf, text.c_str(), text.size() + 1);
    return static_cast<std::uint32_t>(text.size());
}

bool SimPlatform::get_disk_free_space(const char* root, std::uint32_t& sectors_per_cluster,
                                      std::uint32_t& bytes_per_sector,
                                      std::uint32_t& free_clusters,
                                      std::uint32_t& total_clusters) {
    if (fail("get_disk_free_space", root ? root : "")) return false;
    ResolvedPath where = resolve(root ? root : "\\");
    if (where.error != 0) return fail_with(where.error);
    std::error_code ec;
    if (!fs::is_directory(where.host, ec)) return fail_with(ERROR_PATH_NOT_FOUND);
    const Drive& d = *where.drive;
    const std::uint64_t cluster = std::uint64_t{d.sectors_per_cluster} * d.bytes_per_sector;
    auto clusters = [&](std::uint64_t bytes) {
        std::uint64_t n = bytes / cluster;
        return static_cast<std::uint32_t>(n > 0xFFFFFFFFu ? 0xFFFFFFFFu : n);
    };
    sectors_per_cluster = d.sectors_per_cluster;
    bytes_per_sector = d.bytes_per_sector;
    free_clusters = clusters(d.free_bytes);
    total_clusters = clusters(d.total_bytes);
    return true;
}

std::uint32_t SimPlatform::get_drive_type(const char* root) {
    if (fail("get_drive_type", root ? root : "")) return DRIVE_UNKNOWN;
    std::string path = root ? root : cwd_.current.substr(0, 3);
    bool drive_root = (path.size() == 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
                      (path.size() == 2 && path[1] == ':');
    bool unc_root = false;
    if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') {
        std::size_t slashes = 0;
        for (char c : path.substr(2)) slashes += c == '\\';
        unc_root = slashes == 1 || (slashes == 2 && path.back() == '\\');
    }
    ResolvedPath where = resolve(path.c_str());
    if (where.drive == nullptr) return DRIVE_NO_ROOT_DIR;
    std::error_code ec;
    // A root, or an existing folder, tells its drive; a file or a missing path does not.
    if (!drive_root && !unc_root && !fs::is_directory(where.host, ec)) return DRIVE_NO_ROOT_DIR;
    return where.drive->type;
}

bool SimPlatform::set_current_directory(const char* path) {
    if (fail("set_current_directory", path ? path : "")) return false;
    ResolvedPath where = resolve(path);
    if (where.error != 0) return fail_with(where.error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : where.error);
    std::error_code ec;
    if (!fs::is_directory(where.host, ec)) {
        return fail_with(fs::exists(where.host, ec) ? ERROR_DIRECTORY : ERROR_FILE_NOT_FOUND);
    }
    if (!cwd_.current.empty()) cwd_.per_drive[cwd_.current[0]] = cwd_.current;
    cwd_.current = where.full;
    if (!where.full.empty() && where.full[1] == ':') cwd_.per_drive[where.full[0]] = where.full;
    return true;
}

std::uint32_t SimPlatform::get_current_directory(std::uint32_t size, char* buf) {
    if (fail("get_current_directory")) return 0;
    const std::string& text = cwd_.current;
    if (size <= text.size()) return static_cast<std::uint32_t>(text.size() + 1);
    std::memcpy(buf, text.c_str(), text.size() + 1);
    return static_cast<std::uint32_t>(text.size());
}

}  // namespace zep::sim

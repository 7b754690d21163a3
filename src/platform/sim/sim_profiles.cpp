// The private-profile functions of the simulated process, over the simulated files.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/sim/profile_text.h"
#include "platform/sim/sim_platform.h"

namespace fs = std::filesystem;

namespace zep::sim {

namespace {

// The file's time; nullopt when it cannot be read. (Counts of the file clock are negative
// for any date before 2174, so no count can stand for "unknown".)
std::optional<std::int64_t> Stamp(const fs::path& host) {
    std::error_code ec;
    auto t = fs::last_write_time(host, ec);
    if (ec) return std::nullopt;
    return static_cast<std::int64_t>(t.time_since_epoch().count());
}

std::optional<std::string> ReadAll(const fs::path& host) {
    std::error_code ec;
    if (host.empty() || !fs::is_regular_file(host, ec)) return std::nullopt;
    std::ifstream in(host, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

}  // namespace

// A bare file name means a file in the Windows directory, as for the real functions.
ResolvedPath SimPlatform::profile_path(const char* file) {
    std::string name = file ? file : "";
    if (name.find_first_of("\\/") == std::string::npos) name = machine_.windows_dir + "\\" + name;
    return resolve(name.c_str());
}

const Profile& SimPlatform::profile(const ResolvedPath& where) {
    std::error_code ec;
    ProfileCache& c = profile_cache_;
    if (where.error != 0 || !fs::is_regular_file(where.host, ec)) {
        c = {};
        c.parsed = ProfileParse(nullptr);
        return *c.parsed;
    }
    const std::optional<std::int64_t> stamp = Stamp(where.host);
    const std::uint64_t size = fs::file_size(where.host, ec);
    if (c.host != where.host.string() || c.stamp != stamp || c.size != size || !stamp) {
        std::optional<std::string> bytes = ReadAll(where.host);
        c = {where.host.string(), stamp, size, ProfileParse(bytes ? &*bytes : nullptr)};
    }
    return *c.parsed;
}

std::uint32_t SimPlatform::get_private_profile_string(const char* section, const char* key,
                                                      const char* fallback, char* buf,
                                                      std::uint32_t size, const char* file) {
    // A file that cannot be read answers as a missing one: with the default.
    if (fail("get_private_profile_string", file ? file : "")) {
        const std::uint32_t error = last_error_;
        std::uint32_t n = ProfileGetString(*ProfileParse(nullptr), section, key, fallback, buf, size);
        last_error_ = error;
        return n;
    }
    return ProfileGetString(profile(profile_path(file)), section, key, fallback, buf, size);
}

std::uint32_t SimPlatform::get_private_profile_int(const char* section, const char* key,
                                                   int fallback, const char* file) {
    if (fail("get_private_profile_int", file ? file : "")) return static_cast<std::uint32_t>(fallback);
    return ProfileGetInt(profile(profile_path(file)), section, key, fallback);
}

bool SimPlatform::write_private_profile_string(const char* section, const char* key,
                                               const char* value, const char* file) {
    if (fail("write_private_profile_string", file ? file : "")) return false;
    ResolvedPath where = profile_path(file);
    if (where.error != 0) return fail_with(where.error);
    std::error_code ec;
    if (!fs::is_directory(where.host.parent_path(), ec)) return fail_with(ERROR_PATH_NOT_FOUND);
    if (where.drive->type == DRIVE_CDROM) return fail_with(ERROR_ACCESS_DENIED);
    std::optional<std::string> content = ReadAll(where.host);
    bool rewritten = false;
    if (!ProfileWriteString(content, section, key, value, &rewritten)) return false;
    if (rewritten && content) {
        const bool existed = fs::exists(where.host, ec);
        if (machine_.open_files.count(where.host.string()) > 0) return fail_with(ERROR_SHARING_VIOLATION);
        std::uint64_t before = fs::exists(where.host, ec) ? fs::file_size(where.host, ec) : 0;
        if (content->size() > before && content->size() - before > where.drive->free_bytes) {
            return fail_with(ERROR_DISK_FULL);
        }
        std::ofstream(where.host, std::ios::binary | std::ios::trunc)
            .write(content->data(), static_cast<std::streamsize>(content->size()));
        profile_cache_.host.clear();
        if (!existed) machine_.created(where.host);
        where.drive->free_bytes += before;
        where.drive->free_bytes -= content->size();
    }
    return true;
}

bool SimPlatform::write_profile_string(const char* section, const char* key, const char* value) {
    if (fail("write_profile_string")) return false;
    return write_private_profile_string(section, key, value, "win.ini");
}

}  // namespace zep::sim

// The private-profile functions of the simulated process, over the simulated files.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/sim/profile_text.h"
#include "platform/sim/sim_platform.h"

namespace fs = std::filesystem;

namespace zep::sim {

namespace {

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

std::uint32_t SimPlatform::get_private_profile_string(const char* section, const char* key,
                                                      const char* fallback, char* buf,
                                                      std::uint32_t size, const char* file) {
    if (fail("get_private_profile_string", file ? file : "")) return 0;
    ResolvedPath where = profile_path(file);
    std::optional<std::string> content = where.error == 0 ? ReadAll(where.host) : std::nullopt;
    return ProfileGetString(content ? &*content : nullptr, section, key, fallback, buf, size);
}

std::uint32_t SimPlatform::get_private_profile_int(const char* section, const char* key,
                                                   int fallback, const char* file) {
    if (fail("get_private_profile_int", file ? file : "")) return static_cast<std::uint32_t>(fallback);
    ResolvedPath where = profile_path(file);
    std::optional<std::string> content = where.error == 0 ? ReadAll(where.host) : std::nullopt;
    return ProfileGetInt(content ? &*content : nullptr, section, key, fallback);
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
        if (machine_.open_files.count(where.host.string()) > 0) return fail_with(ERROR_SHARING_VIOLATION);
        std::uint64_t before = fs::exists(where.host, ec) ? fs::file_size(where.host, ec) : 0;
        if (content->size() > before && content->size() - before > where.drive->free_bytes) {
            return fail_with(ERROR_DISK_FULL);
        }
        std::ofstream(where.host, std::ios::binary | std::ios::trunc)
            .write(content->data(), static_cast<std::streamsize>(content->size()));
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

#include "tools/zep/disk_layout.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "tools/zep/output.h"

extern char** environ;

namespace fs = std::filesystem;

namespace zep::tool {

namespace {

constexpr std::uint32_t kEntryBytes = 32;
constexpr std::uint32_t kLongNameChars = 13;  // per long-name entry

std::vector<std::string> Split(const std::string& name) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : name + "\\") {
        if (c != '\\') {
            part += c;
        } else if (!part.empty()) {
            parts.push_back(part);
            part.clear();
        }
    }
    return parts;
}

std::uint32_t EntriesFor(const std::string& name) {
    if (!DosName(name).empty()) return 1;
    return 1 + static_cast<std::uint32_t>((name.size() + kLongNameChars - 1) / kLongNameChars);
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Runs a program; its exit status (or -1), and what it printed.
int Run(const std::vector<std::string>& args, const std::vector<std::string>& env, std::string& output) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // The environment, with the given variables in place of any of the same name.
    std::vector<std::string> vars = env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string var = *e;
        const std::string key = var.substr(0, var.find('=') + 1);
        if (std::none_of(env.begin(), env.end(), [&](const std::string& v) { return v.rfind(key, 0) == 0; })) {
            vars.push_back(var);
        }
    }
    std::vector<char*> envp;
    for (std::string& v : vars) envp.push_back(v.data());
    envp.push_back(nullptr);
    pid_t pid;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_fds[1]);
    if (spawned != 0) {
        close(pipe_fds[0]);
        output = std::strerror(spawned);
        return -1;
    }
    char buf[4096];
    ssize_t got;
    while ((got = read(pipe_fds[0], buf, sizeof buf)) > 0) output.append(buf, static_cast<std::size_t>(got));
    close(pipe_fds[0]);
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string FirstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    return line.empty() ? "no message" : line;
}

}  // namespace

bool ParseDiskSize(const std::string& text, Medium& out, std::string& error) {
    struct Floppy {
        const char* name;
        int size;
        std::uint64_t cluster, clusters;
        std::uint32_t root;
    };
    static const Floppy kFloppies[] = {
        {"1.44M", 1440, 512, 2847, 224},
        {"1.2M", 1200, 512, 2371, 224},
        {"720K", 720, 1024, 713, 112},
        {"360K", 360, 1024, 354, 112},
    };
    for (const Floppy& f : kFloppies) {
        if (Upper(text) == f.name) {
            out = {f.name, f.size, f.cluster, f.clusters, f.root};
            return true;
        }
    }
    if (!text.empty() && text.size() <= 15 && text.find_first_not_of("0123456789") == std::string::npos) {
        out = {text, 0, 1, std::strtoull(text.c_str(), nullptr, 10), 0};
        return true;
    }
    error = "--disk-size takes 1.44M, 1.2M, 720K, 360K or a number of bytes, not \"" + text + "\"";
    return false;
}

std::string DosName(const std::string& name) {
    static const char kAllowed[] = "!#$%&'()-@^_`{}~";
    const std::string upper = Upper(name);
    const std::size_t dot = upper.find('.');
    const std::string base = upper.substr(0, dot);
    const std::string ext = dot == std::string::npos ? "" : upper.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3 || ext.find('.') != std::string::npos) return {};
    if (dot != std::string::npos && ext.empty()) return {};
    for (char c : base + ext) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (!std::isupper(u) && !std::isdigit(u) && u < 0x80 && std::strchr(kAllowed, c) == nullptr) return {};
    }
    return upper;
}

DiskUse Measure(const Disk& disk, const Medium& medium) {
    DiskUse use;
    auto clusters = [&](std::uint64_t bytes) { return (bytes + medium.cluster_bytes - 1) / medium.cluster_bytes * medium.cluster_bytes; };
    // The names each folder holds; "" is the root.
    std::map<std::string, std::set<std::string>> folders;
    folders[""];
    for (const DiskFile& f : disk.files) {
        use.bytes += clusters(f.data->size());
        std::string at;
        for (const std::string& part : Split(f.name)) {
            folders[at].insert(Upper(part));
            at += (at.empty() ? "" : "\\") + Upper(part);
        }
    }
    const bool fat = medium.root_entries != 0;
    use.root_entries = fat ? 1 : 0;  // the volume label
    for (const auto& [folder, names] : folders) {
        std::uint32_t entries = 0;
        for (const std::string& n : names) entries += EntriesFor(n);
        if (folder.empty()) {
            use.root_entries += entries;
        } else if (fat) {
            use.bytes += clusters((entries + 2) * std::uint64_t{kEntryBytes});  // with "." and ".."
        }
    }
    return use;
}

bool WriteDiskFolder(const fs::path& folder, const Disk& disk, bool dos_names, std::string& error) {
    for (const DiskFile& f : disk.files) {
        fs::path path = folder;
        for (const std::string& part : Split(f.name)) {
            const std::string dos = DosName(part);
            path /= dos_names && !dos.empty() ? dos : part;
        }
        std::error_code ec;
        fs::create_directories(path.parent_path(), ec);
        if (ec) {
            error = path.parent_path().string() + ": cannot create: " + ec.message();
            return false;
        }
        if (!WriteFileWithTime(path, f.data->data(), f.data->size(), f.seconds, error)) return false;
    }
    return true;
}

bool WriteDiskImage(const fs::path& image, const Disk& disk, const Medium& medium, const Stamp& stamp,
                    std::string& error) {
    fs::path staging = image;
    staging += ".files";
    std::error_code ec;
    fs::remove_all(staging, ec);
    fs::create_directories(staging, ec);
    struct Cleanup {
        fs::path path;
        ~Cleanup() {
            std::error_code e;
            fs::remove_all(path, e);
        }
    } cleanup{staging};
    if (ec) {
        error = staging.string() + ": cannot create: " + ec.message();
        return false;
    }
    if (!WriteDiskFolder(staging, disk, true, error)) return false;
    std::vector<std::string> top;
    for (const DiskFile& f : disk.files) {
        const std::string first = Split(f.name).front();
        const std::string dos = DosName(first);
        const std::string name = (staging / (dos.empty() ? first : dos)).string();
        if (std::find(top.begin(), top.end(), name) == top.end()) top.push_back(name);
    }
    // Folders made for the files carry the stamp, as the label does.
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(staging, ec)) {
        if (e.is_directory()) {
            fs::last_write_time(e.path(), std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(stamp.seconds)), ec);
        }
    }
    char serial[16];
    std::snprintf(serial, sizeof serial, "%08X",
                  static_cast<unsigned>((std::uint32_t{stamp.dos_date} << 16 | stamp.dos_time) + static_cast<unsigned>(disk.number)));
    std::vector<std::string> env = {"MTOOLS_SKIP_CHECK=1", "MTOOLSRC=/dev/null",
                                    "SOURCE_DATE_EPOCH=" + std::to_string(stamp.seconds)};
    if (stamp.utc) env.push_back("TZ=UTC0");
    fs::remove(image, ec);
    std::string output;
    const std::string label = "DISK" + std::to_string(disk.number);
    int status = Run({"mformat", "-C", "-i", image.string(), "-f", std::to_string(medium.mformat_size), "-v", label,
                      "-N", serial, "::"},
                     env, output);
    if (status == -1 && output == std::strerror(ENOENT)) {
        error = "making floppy images needs mtools (mformat, mcopy): install the Debian package mtools";
        return false;
    }
    if (status != 0) {
        error = image.string() + ": mformat failed: " + FirstLine(output);
        return false;
    }
    if (top.empty()) return true;
    std::vector<std::string> args = {"mcopy", "-s", "-m", "-i", image.string()};
    args.insert(args.end(), top.begin(), top.end());
    args.push_back("::/");
    output.clear();
    status = Run(args, env, output);
    if (status != 0) {
        error = image.string() + ": mcopy failed: " + FirstLine(output);
        return false;
    }
    return true;
}

}  // namespace zep::tool

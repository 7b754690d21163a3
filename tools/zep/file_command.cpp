#include "tools/zep/file_command.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <system_error>

namespace zep::tool {

namespace fs = std::filesystem;

namespace {

// 0 to go on, -1 after --help, else the exit status to return at once.
int ParseOptions(const FileCommand& command, int argc, char** argv, FileOptions& options) {
    bool more_options = true;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (more_options && std::strcmp(arg, "--") == 0) {
            more_options = false;
        } else if (more_options && (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)) {
            std::fputs(command.help, stdout);
            return -1;
        } else if (more_options && command.takes_rename && std::strcmp(arg, "-r") == 0) {
            options.rename = true;
        } else if (more_options && std::strcmp(arg, "-o") == 0) {
            if (i + 1 == argc) {
                std::fprintf(stderr, "zep %s: -o needs a directory\n", command.name);
                return 2;
            }
            options.out_dir = argv[++i];
        } else if (more_options && arg[0] == '-' && arg[1] != '\0') {
            std::fprintf(stderr, "zep %s: unknown option '%s'\n", command.name, arg);
            return 2;
        } else {
            options.files.push_back(arg);
        }
    }
    if (options.files.empty()) {
        std::fprintf(stderr, "zep %s: no files given\n%s", command.name, command.help);
        return 2;
    }
    return 0;
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) || fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

}  // namespace

int RunFileCommand(const FileCommand& command, int argc, char** argv) {
    FileOptions options;
    if (int status = ParseOptions(command, argc, argv, options); status != 0) return status < 0 ? 0 : status;
    std::error_code ec;
    if (options.out_dir != nullptr && !fs::is_directory(options.out_dir, ec)) {
        std::fprintf(stderr, "zep %s: %s: not a directory\n", command.name, options.out_dir);
        return 1;
    }
    std::set<fs::path> written;
    bool ok = true;
    for (const char* file : options.files) {
        try {
            if (fs::is_directory(file, ec)) {
                std::fprintf(stderr, "zep %s: %s: is a directory\n", command.name, file);
                ok = false;
            } else {
                ok = command.one(file, options, written) && ok;
            }
        } catch (const std::exception& e) {  // out of memory, a path the system refuses
            std::fprintf(stderr, "zep %s: %s: %s\n", command.name, file, e.what());
            ok = false;
        }
    }
    return ok ? 0 : 1;
}

bool WriteWhole(const fs::path& target, const std::vector<std::uint8_t>& data) {
    fs::path partial = target;
    partial += ".zep-partial";
    std::FILE* f = std::fopen(partial.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = std::fclose(f) == 0 && ok;
    std::error_code ec;
    if (ok) fs::rename(partial, target, ec);
    if (!ok || ec) {
        int saved = ok ? ec.value() : errno;
        fs::remove(partial, ec);
        errno = saved;
        return false;
    }
    return true;
}

fs::path ClaimOutput(const char* command, const char* input, const std::string& name,
                     const FileOptions& options, const char* remedy, std::set<fs::path>& written) {
    const fs::path in_path(input);
    fs::path out_path = (options.out_dir != nullptr ? fs::path(options.out_dir) : in_path.parent_path()) / name;
    if (SameFile(in_path, out_path)) {
        std::fprintf(stderr, "zep %s: %s: the output would replace the input; use %s\n", command, input, remedy);
        return {};
    }
    std::error_code ec;
    if (!written.insert(fs::weakly_canonical(out_path, ec)).second) {
        std::fprintf(stderr, "zep %s: %s: %s was already written by this command\n", command, input,
                     out_path.c_str());
        return {};
    }
    return out_path;
}

bool ReadInput(const std::string& path, std::uint64_t limit, const char* limit_text, std::vector<std::uint8_t>& data,
               std::string& error) {
    data.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        error = std::string("cannot read: ") + std::strerror(errno);
        return false;
    }
    // A folder opens, and a file of many gigabytes would be read whole before anything
    // could be said about it: both are refused by what the system says of them first.
    struct stat st {};
    bool ok = fstat(fileno(f), &st) == 0;
    if (!ok) {
        error = std::string("cannot read: ") + std::strerror(errno);
    } else if (S_ISDIR(st.st_mode)) {
        error = "is a directory";
        ok = false;
    } else if (S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) > limit) {
        error = "too large: " + std::to_string(st.st_size) + " bytes, more than " + limit_text;
        ok = false;
    }
    std::uint8_t buf[65536];
    for (std::size_t got; ok && (got = std::fread(buf, 1, sizeof buf, f)) > 0;) {
        if (data.size() + got > limit) {  // grew while read, or not a plain file
            error = std::string("too large: more than ") + limit_text;
            ok = false;
        } else {
            data.insert(data.end(), buf, buf + got);
        }
    }
    if (ok && std::ferror(f) != 0) {
        error = std::string("cannot read: ") + std::strerror(errno);
        ok = false;
    }
    std::fclose(f);
    if (!ok) data.clear();
    return ok;
}

}  // namespace zep::tool

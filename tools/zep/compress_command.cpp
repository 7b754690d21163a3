// zep compress: files into SZDD form, as installation disks carry them.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "szdd/szdd.h"
#include "tools/zep/commands.h"

namespace zep::tool {

namespace {

namespace fs = std::filesystem;

const char kCompressHelp[] =
    "usage: zep compress [-r] FILE... [-o DIR]\n"
    "\n"
    "Compresses each FILE into the SZDD format that Windows' LZ32 and EXPAND read.\n"
    "\n"
    "  -r      name the output as installation disks do: the last character of the\n"
    "          name becomes '_' and is kept in the file, so 'zep expand' (and setup\n"
    "          programs) can restore it: SAMPLE.EXE -> SAMPLE.EX_, A.C -> A._;\n"
    "          a name without a dot gets '._' added instead: README -> README._\n"
    "  -o DIR  write the outputs into DIR (which must exist); without it they go\n"
    "          beside their inputs\n"
    "\n"
    "Without -r the output keeps the input's name, so it needs -o: an input is never\n"
    "replaced. An existing output is replaced only once its new content is complete.\n"
    "Exit status: 0 all files done, 1 a file failed, 2 wrong arguments.\n";

struct Options {
    bool rename = false;
    const char* out_dir = nullptr;
    std::vector<const char*> files;
};

// 0 to go on, else the exit status to return at once.
int ParseOptions(int argc, char** argv, Options& options) {
    bool more_options = true;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (more_options && std::strcmp(arg, "--") == 0) {
            more_options = false;
        } else if (more_options &&
                   (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)) {
            std::fputs(kCompressHelp, stdout);
            return -1;
        } else if (more_options && std::strcmp(arg, "-r") == 0) {
            options.rename = true;
        } else if (more_options && std::strcmp(arg, "-o") == 0) {
            if (i + 1 == argc) {
                std::fprintf(stderr, "zep compress: -o needs a directory\n");
                return 2;
            }
            options.out_dir = argv[++i];
        } else if (more_options && arg[0] == '-' && arg[1] != '\0') {
            std::fprintf(stderr, "zep compress: unknown option '%s'\n", arg);
            return 2;
        } else {
            options.files.push_back(arg);
        }
    }
    if (options.files.empty()) {
        std::fprintf(stderr, "zep compress: no files given\n%s", kCompressHelp);
        return 2;
    }
    return 0;
}

bool ReadWhole(const char* path, std::vector<std::uint8_t>& data) {
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    std::uint8_t buf[65536];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + got);
    bool ok = std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

// Writes beside the target first, so a failure never leaves a half file under its name.
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

// The output name and the character it stores in the header.
std::string OutputName(const std::string& name, bool rename, std::uint8_t& missing_char) {
    missing_char = 0;
    if (!rename) return name;
    if (name.find('.') == std::string::npos) return name + "._";
    missing_char = static_cast<std::uint8_t>(name.back());
    return name.substr(0, name.size() - 1) + "_";
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) || fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

bool CompressOne(const char* input, const Options& options, std::set<fs::path>& written) {
    fs::path in_path(input);
    std::error_code ec;
    if (fs::is_directory(in_path, ec)) {
        std::fprintf(stderr, "zep compress: %s: is a directory\n", input);
        return false;
    }
    std::string name = in_path.filename().string();
    std::uint8_t missing_char;
    fs::path out_path =
        (options.out_dir != nullptr ? fs::path(options.out_dir) : in_path.parent_path()) /
        OutputName(name, options.rename, missing_char);
    if (SameFile(in_path, out_path)) {
        std::fprintf(stderr,
                     "zep compress: %s: the output would replace the input; use -r or -o DIR\n",
                     input);
        return false;
    }
    fs::path key = fs::weakly_canonical(out_path, ec);
    if (!written.insert(key).second) {
        std::fprintf(stderr, "zep compress: %s: %s was already written by this command\n", input,
                     out_path.c_str());
        return false;
    }

    std::vector<std::uint8_t> data;
    if (!ReadWhole(input, data)) {
        std::fprintf(stderr, "zep compress: %s: cannot read: %s\n", input, std::strerror(errno));
        return false;
    }
    std::vector<std::uint8_t> packed;
    if (!szdd::Compress(data.data(), data.size(), missing_char, packed)) {
        std::fprintf(stderr, "zep compress: %s: too large for SZDD (4 GiB at most)\n", input);
        return false;
    }
    if (!WriteWhole(out_path, packed)) {
        std::fprintf(stderr, "zep compress: %s: cannot write: %s\n", out_path.c_str(),
                     std::strerror(errno));
        return false;
    }
    std::printf("%s -> %s (%zu -> %zu bytes)\n", input, out_path.c_str(), data.size(),
                packed.size());
    return true;
}

}  // namespace

int CompressCommand(int argc, char** argv) {
    Options options;
    if (int status = ParseOptions(argc, argv, options); status != 0) return status < 0 ? 0 : status;
    std::error_code ec;
    if (options.out_dir != nullptr && !fs::is_directory(options.out_dir, ec)) {
        std::fprintf(stderr, "zep compress: %s: not a directory\n", options.out_dir);
        return 1;
    }
    std::set<fs::path> written;
    bool ok = true;
    for (const char* file : options.files) {
        try {
            ok = CompressOne(file, options, written) && ok;
        } catch (const std::exception& e) {  // out of memory, a path the system refuses
            std::fprintf(stderr, "zep compress: %s: %s\n", file, e.what());
            ok = false;
        }
    }
    return ok ? 0 : 1;
}

}  // namespace zep::tool

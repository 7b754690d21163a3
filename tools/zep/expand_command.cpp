// zep expand: SZDD files back to their original content and name.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "szdd/szdd.h"
#include "tools/zep/commands.h"
#include "tools/zep/file_command.h"

namespace zep::tool {

namespace {

namespace fs = std::filesystem;

const char kExpandHelp[] =
    "usage: zep expand FILE... [-o DIR]\n"
    "\n"
    "Expands each SZDD-compressed FILE (made by 'zep compress', COMPRESS or similar).\n"
    "\n"
    "  -o DIR  write the outputs into DIR (which must exist); without it they go\n"
    "          beside their inputs\n"
    "\n"
    "The output's name is the input's with its final '_' replaced by the character\n"
    "stored in the file (SAMPLE.EX_ -> SAMPLE.EXE). Where none is stored the '_' is\n"
    "dropped (README._ -> README, notes.txt_ -> notes.txt); a name without a final\n"
    "'_' is kept, so it needs -o. An input is never replaced. A file whose data ends\n"
    "before or after the length its header states is reported as damaged and not\n"
    "written. Exit status: 0 all files done, 1 a file failed, 2 wrong arguments.\n";

class FileSource final : public szdd::Source {
public:
    explicit FileSource(std::FILE* file) : file_(file) {}
    std::int32_t read(void* buf, std::uint32_t count) override {
        std::size_t got = std::fread(buf, 1, count, file_);
        if (got == 0 && std::ferror(file_) != 0) return -1;
        return static_cast<std::int32_t>(got);
    }

private:
    std::FILE* file_;
};

class FileSink final : public szdd::Sink {
public:
    explicit FileSink(std::FILE* file) : file_(file) {}
    bool write(const void* buf, std::uint32_t count) override {
        return std::fwrite(buf, 1, count, file_) == count;
    }

private:
    std::FILE* file_;
};

// A stored character that could not be part of a file name counts as none.
bool UsableInName(std::uint8_t c) {
    return c >= 0x20 && c != 0x7F && std::strchr("/\\:*?\"<>|", c) == nullptr;
}

std::string OutputName(const std::string& name, std::uint8_t missing_char) {
    if (name.empty() || name.back() != '_') return name;
    std::string stem = name.substr(0, name.size() - 1);
    if (UsableInName(missing_char)) return stem + static_cast<char>(missing_char);
    if (stem.size() > 1 && stem.back() == '.') stem.pop_back();
    return stem;
}

struct InputFile {
    std::FILE* file = nullptr;
    ~InputFile() {
        if (file != nullptr) std::fclose(file);
    }
};

bool ExpandOne(const char* input, const FileOptions& options, std::set<fs::path>& written) {
    std::error_code ec;
    InputFile in;
    in.file = std::fopen(input, "rb");
    if (in.file == nullptr) {
        std::fprintf(stderr, "zep expand: %s: cannot read: %s\n", input, std::strerror(errno));
        return false;
    }
    FileSource source(in.file);
    auto expander = std::make_unique<szdd::Expander>();
    std::int32_t status = expander->init(source);
    if (status == szdd::kLzErrorUnknownAlg) {
        std::fprintf(stderr, "zep expand: %s: compressed with an unknown method\n", input);
        return false;
    }
    if (status < 0) {
        std::fprintf(stderr, "zep expand: %s: cannot read: %s\n", input, std::strerror(errno));
        return false;
    }
    // A header that cannot be read makes the file look plain, as it does to LZ32.
    if (std::ferror(in.file) != 0) {
        std::fprintf(stderr, "zep expand: %s: cannot read: %s\n", input, std::strerror(errno));
        return false;
    }
    if (!expander->compressed()) {
        std::fprintf(stderr, "zep expand: %s: not an SZDD compressed file\n", input);
        return false;
    }

    const szdd::Header header = expander->header();
    const fs::path out_path = ClaimOutput("expand", input, OutputName(fs::path(input).filename().string(),
                                                                      header.missing_char),
                                          options, "-o DIR", written);
    if (out_path.empty()) return false;

    // Expanded beside the target first, so a failure never leaves a half file under its name.
    fs::path partial = out_path;
    partial += ".zep-partial";
    std::FILE* out = std::fopen(partial.c_str(), "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "zep expand: %s: cannot write: %s\n", partial.c_str(),
                     std::strerror(errno));
        return false;
    }
    FileSink sink(out);
    std::int32_t copied = expander->copy(sink);
    int saved = errno;
    if (std::fclose(out) != 0 && copied >= 0) {
        copied = szdd::kLzErrorWrite;
        saved = errno;
    }
    const char* problem = nullptr;
    char damage[160];
    if (copied == szdd::kLzErrorRead) {
        problem = "cannot read";
    } else if (copied < 0) {
        problem = "cannot write";
    } else if (expander->produced() != header.expanded_length) {
        std::snprintf(damage, sizeof damage,
                      "damaged: it expands to %llu bytes, its header says %lu",
                      static_cast<unsigned long long>(expander->produced()),
                      static_cast<unsigned long>(header.expanded_length));
        problem = damage;
        saved = 0;
    } else {
        fs::rename(partial, out_path, ec);
        if (!ec) {
            std::printf("%s -> %s (%lu bytes)\n", input, out_path.c_str(),
                        static_cast<unsigned long>(header.expanded_length));
            return true;
        }
        problem = "cannot write";
        saved = ec.value();
    }
    fs::remove(partial, ec);
    if (saved != 0) {
        std::fprintf(stderr, "zep expand: %s: %s: %s\n", input, problem, std::strerror(saved));
    } else {
        std::fprintf(stderr, "zep expand: %s: %s\n", input, problem);
    }
    return false;
}

}  // namespace

int ExpandCommand(int argc, char** argv) {
    return RunFileCommand({"expand", kExpandHelp, false, ExpandOne}, argc, argv);
}

}  // namespace zep::tool

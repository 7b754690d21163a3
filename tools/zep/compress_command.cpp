// zep compress: files into SZDD form, as installation disks carry them.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
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

// The output name and the character it stores in the header.
std::string OutputName(const std::string& name, bool rename, std::uint8_t& missing_char) {
    missing_char = 0;
    if (!rename) return name;
    if (name.find('.') == std::string::npos) return name + "._";
    missing_char = static_cast<std::uint8_t>(name.back());
    return name.substr(0, name.size() - 1) + "_";
}

bool CompressOne(const char* input, const FileOptions& options, std::set<fs::path>& written) {
    std::uint8_t missing_char;
    const std::string name = OutputName(fs::path(input).filename().string(), options.rename, missing_char);
    const fs::path out_path = ClaimOutput("compress", input, name, options, "-r or -o DIR", written);
    if (out_path.empty()) return false;

    std::vector<std::uint8_t> data;
    std::string error;
    if (!ReadInput(input, 0xFFFFFFFFu, "the 4294967295 that SZDD holds", data, error)) {
        std::fprintf(stderr, "zep compress: %s: %s\n", input, error.c_str());
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
    return RunFileCommand({"compress", kCompressHelp, true, CompressOne}, argc, argv);
}

}  // namespace zep::tool

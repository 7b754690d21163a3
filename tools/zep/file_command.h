// What zep compress and zep expand share: the command line "[-r] [-o DIR] FILE...", the
// output path of each input, and the run over the inputs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace zep::tool {

struct FileOptions {
    bool rename = false;  // -r, where the command takes it
    const char* out_dir = nullptr;
    std::vector<const char*> files;
};

struct FileCommand {
    const char* name;  // "compress"
    const char* help;
    bool takes_rename;
    // One input; false when it failed, which it has reported.
    bool (*one)(const char* input, const FileOptions& options, std::set<std::filesystem::path>& written);
};

// The exit status: 0 all files done, 1 a file failed, 2 wrong arguments.
int RunFileCommand(const FileCommand& command, int argc, char** argv);

// The output named `name` in the -o folder or beside the input. Empty, and reported, when it
// would replace the input (`remedy` says what to use instead) or was written already.
std::filesystem::path ClaimOutput(const char* command, const char* input, const std::string& name,
                                  const FileOptions& options, const char* remedy,
                                  std::set<std::filesystem::path>& written);

// Reads a whole input of at most `limit` bytes. False, with `error` saying why in a few
// words ("is a directory", "cannot read: Input/output error", "too large: 5368709120
// bytes, more than LIMIT"), when it cannot; `limit_text` says the limit for people.
bool ReadInput(const std::string& path, std::uint64_t limit, const char* limit_text, std::vector<std::uint8_t>& data,
               std::string& error);

// Writes beside the target first, so a failure never leaves a half file under its name.
// False with errno set when it failed.
bool WriteWhole(const std::filesystem::path& target, const std::vector<std::uint8_t>& data);

}  // namespace zep::tool

// Outputs that appear whole or not at all: each is made under a temporary name beside
// its target and renamed into place once complete; until then a good earlier output
// stays as it was, and a failure removes what was begun.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace zep::tool {

class PendingFile {
public:
    explicit PendingFile(std::filesystem::path target);
    ~PendingFile();  // removes the temporary file unless committed
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const std::filesystem::path& temporary() const { return temporary_; }
    // Renames the temporary file into place; false with a reason.
    bool commit(std::string& error);

private:
    std::filesystem::path target_, temporary_;
    bool committed_ = false;
};

class PendingFolder {
public:
    explicit PendingFolder(std::filesystem::path target) : target_(std::move(target)) {}
    ~PendingFolder();  // removes the temporary folder unless committed
    PendingFolder(const PendingFolder&) = delete;
    PendingFolder& operator=(const PendingFolder&) = delete;

    // Whether the target may be made: it must not exist, or be an empty folder, or
    // replace must be set. False with a reason; nothing is touched.
    bool allowed(bool replace, std::string& error) const;
    // Creates the temporary folder; false with a reason.
    bool begin(std::string& error);
    const std::filesystem::path& temporary() const { return temporary_; }
    // Puts the folder in place of the target (an earlier one goes only now).
    bool commit(std::string& error);

private:
    std::filesystem::path target_, temporary_;
    bool committed_ = false;
};

// Writes bytes to a new file and gives it a modification time (seconds since 1970).
bool WriteFileWithTime(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size,
                       std::int64_t seconds, std::string& error);

}  // namespace zep::tool

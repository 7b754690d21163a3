#include "tools/zep/output.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace fs = std::filesystem;

namespace zep::tool {

namespace {

fs::path Beside(const fs::path& target, const char* suffix) {
    fs::path p = target;
    if (p.filename().empty()) p = p.parent_path();  // "out/" names the folder out
    p += suffix;
    return p;
}

}  // namespace

PendingFile::PendingFile(fs::path target)
    : target_(std::move(target)), temporary_(Beside(target_, (".zep-partial-" + std::to_string(getpid())).c_str())) {}

PendingFile::~PendingFile() {
    std::error_code ec;
    if (!committed_) fs::remove(temporary_, ec);
}

bool PendingFile::commit(std::string& error) {
    std::error_code ec;
    fs::rename(temporary_, target_, ec);
    if (ec) {
        error = target_.string() + ": cannot write: " + ec.message();
        return false;
    }
    committed_ = true;
    return true;
}

PendingFolder::~PendingFolder() {
    std::error_code ec;
    if (!committed_ && !temporary_.empty()) fs::remove_all(temporary_, ec);
}

bool PendingFolder::allowed(bool replace, std::string& error) const {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(target_, ec);
    if (!fs::exists(status)) return true;
    if (!fs::is_directory(status)) {
        error = target_.string() + ": exists and is not a folder";
        return false;
    }
    if (replace || fs::is_empty(target_, ec)) return true;
    error = target_.string() + ": exists and is not empty; name a new folder, or give --force to replace it";
    return false;
}

bool PendingFolder::begin(std::string& error) {
    temporary_ = Beside(target_, (".zep-partial-" + std::to_string(getpid())).c_str());
    std::error_code ec;
    fs::remove_all(temporary_, ec);
    fs::create_directories(temporary_, ec);
    if (ec) {
        error = temporary_.string() + ": cannot create: " + ec.message();
        temporary_.clear();
        return false;
    }
    return true;
}

bool PendingFolder::commit(std::string& error) {
    std::error_code ec;
    const fs::path old = Beside(target_, (".zep-old-" + std::to_string(getpid())).c_str());
    const bool existed = fs::exists(fs::symlink_status(target_, ec));
    if (existed) {
        fs::rename(target_, old, ec);
        if (ec) {
            error = target_.string() + ": cannot replace: " + ec.message();
            return false;
        }
    }
    fs::rename(temporary_, target_, ec);
    if (ec) {
        error = target_.string() + ": cannot write: " + ec.message();
        std::error_code back;
        if (existed) fs::rename(old, target_, back);
        return false;
    }
    committed_ = true;
    if (existed) fs::remove_all(old, ec);
    return true;
}

bool WriteFileWithTime(const fs::path& path, const std::uint8_t* data, std::size_t size, std::int64_t seconds,
                       std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        error = path.string() + ": cannot write: " + std::strerror(errno);
        return false;
    }
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    const int saved = errno;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        error = path.string() + ": cannot write: " + std::strerror(saved != 0 ? saved : errno);
        return false;
    }
    std::error_code ec;
    const auto when = std::chrono::system_clock::from_time_t(static_cast<std::time_t>(seconds));
    fs::last_write_time(path, std::chrono::file_clock::from_sys(when), ec);
    if (ec) {
        error = path.string() + ": cannot set its time: " + ec.message();
        return false;
    }
    return true;
}

}  // namespace zep::tool

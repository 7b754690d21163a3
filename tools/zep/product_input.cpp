#include "tools/zep/product_input.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "tools/zep/file_command.h"
#include "tools/zep/product.h"

namespace fs = std::filesystem;

namespace zep::tool {

namespace {

constexpr std::uint64_t kScriptLimit = 16u << 20;

bool ReadAll(const fs::path& path, std::uint64_t limit, const char* limit_text, std::vector<std::uint8_t>& out,
             std::string& error) {
    if (ReadInput(path.string(), limit, limit_text, out, error)) return true;
    error = path.string() + ": " + error;
    return false;
}

// A script is text: a NUL byte says it is something else.
bool ReadScriptText(const fs::path& path, std::string& out, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!ReadAll(path, kScriptLimit, "the 16 MiB of an install script", bytes, error)) return false;
    if (std::find(bytes.begin(), bytes.end(), 0) != bytes.end()) {
        error = path.string() + ": not an install script: a binary file (it holds NUL bytes)";
        return false;
    }
    out.assign(bytes.begin(), bytes.end());
    return true;
}

bool OpenFolder(const fs::path& folder, const std::string& script_name, ProductInput& out, std::string& error) {
    const fs::path script = ProductFolder(folder).find(script_name);
    if (!script.empty()) {
        out.kind = ProductInput::Kind::kFolder;
        out.script_path = script;
        out.folders = {folder};
        return ReadScriptText(script, out.script, error);
    }
    std::vector<fs::path> disks = DiskFolders(folder);
    if (disks.empty()) {
        error = folder.string() + ": holds no " + script_name + " and no DISK1 folder";
        return false;
    }
    out.kind = ProductInput::Kind::kDiskSet;
    out.folders = std::move(disks);
    out.script_path = ProductFolder(out.folders[0]).find(script_name);
    if (out.script_path.empty()) {
        error = out.folders[0].string() + ": holds no " + script_name;
        return false;
    }
    return ReadScriptText(out.script_path, out.script, error);
}

bool OpenFile(const fs::path& path, ProductInput& out, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!ReadAll(path, 0xFFFFFFFFu, "the 4294967295 a Windows program holds", bytes, error)) return false;
    if (bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z') {
        auto setup = std::make_shared<EmbeddedSetup>();
        if (!ReadEmbedded(bytes, *setup, error)) {
            if (setup->script.bytes.empty()) {
                error = path.string() + ": " + error;
                return false;
            }
            // The script is there but does not load: the checks say why.
        }
        out.kind = ProductInput::Kind::kEmbedded;
        out.script = setup->script.bytes;
        out.setup = std::move(setup);
        out.exe = std::move(bytes);
        return true;
    }
    if (bytes.size() > kScriptLimit) {
        error = path.string() + ": too large: " + std::to_string(bytes.size()) + " bytes, more than the 16 MiB of an install script";
        return false;
    }
    if (std::find(bytes.begin(), bytes.end(), 0) != bytes.end()) {
        error = path.string() + ": not an install script nor a setup.exe: a binary file (it holds NUL bytes)";
        return false;
    }
    out.kind = ProductInput::Kind::kScript;
    out.script.assign(bytes.begin(), bytes.end());
    out.script_path = path;
    out.folders = {path.has_parent_path() ? path.parent_path() : fs::path(".")};
    return true;
}

}  // namespace

std::vector<fs::path> DiskFolders(const fs::path& folder) {
    std::map<int, fs::path> numbered;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
        std::string name = e.path().filename().string();
        if (name.size() < 5 || !e.is_directory(ec)) continue;
        std::string head = name.substr(0, 4);
        for (char& c : head) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const std::string digits = name.substr(4);
        if (head != "DISK" || digits.size() > 2 || digits.find_first_not_of("0123456789") != std::string::npos ||
            digits[0] == '0') {
            continue;
        }
        numbered.emplace(std::stoi(digits), e.path());
    }
    std::vector<fs::path> out;
    for (int n = 1; numbered.count(n) > 0; ++n) out.push_back(numbered[n]);
    return out;
}

bool OpenProductInput(const std::vector<std::string>& paths, const std::string& script_name, ProductInput& out,
                      std::string& error) {
    out = {};
    if (paths.empty()) {
        error = "no product given";
        return false;
    }
    out.label = paths[0];
    std::error_code ec;
    for (const std::string& p : paths) {
        if (!fs::exists(p, ec)) {
            error = p + ": no such file or folder";
            return false;
        }
    }
    if (paths.size() == 1) {
        return fs::is_directory(paths[0], ec) ? OpenFolder(paths[0], script_name, out, error)
                                              : OpenFile(paths[0], out, error);
    }
    // Several folders: the disks of a set, in the order given.
    for (const std::string& p : paths) {
        if (!fs::is_directory(p, ec)) {
            error = p + ": not a folder; several inputs are the folders of a disk set, disk 1 first";
            return false;
        }
        out.folders.emplace_back(p);
    }
    out.kind = ProductInput::Kind::kDiskSet;
    out.script_path = ProductFolder(out.folders[0]).find(script_name);
    if (out.script_path.empty()) {
        error = paths[0] + ": holds no " + script_name + " (disk 1 holds the script)";
        return false;
    }
    return ReadScriptText(out.script_path, out.script, error);
}

}  // namespace zep::tool

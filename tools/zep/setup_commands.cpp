// zep list SETUP.EXE and zep unpack SETUP.EXE -o DIR: the product an embedded setup.exe
// carries, shown or written back out as a product folder.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>

#include "platform/sim/profile_text.h"
#include "szdd/szdd.h"
#include "tools/zep/commands.h"
#include "tools/zep/embedded_setup.h"
#include "tools/zep/file_command.h"
#include "tools/zep/output.h"
#include "tools/zep/stamp.h"

namespace fs = std::filesystem;

namespace zep::tool {

namespace {

const char kListHelp[] =
    "usage: zep list SETUP.EXE\n"
    "\n"
    "Prints the product an embedded setup.exe carries: each resource of type 256 with its\n"
    "id, the disk and name the script gives it, its stored and expanded size and where it\n"
    "is installed, and the stamp every extracted file gets.\n"
    "Exit status: 0 listed, 1 not an embedded setup.exe (a plain one, a damaged one, not a\n"
    "program), 2 wrong arguments or a SETUP.EXE that cannot be read.\n";

const char kUnpackHelp[] =
    "usage: zep unpack SETUP.EXE -o DIR [--stub STUB.EXE] [--force]\n"
    "\n"
    "Writes the product an embedded setup.exe carries as a product folder: the script\n"
    "(expanded), and every file as it is stored, under the name its script gives it, all\n"
    "dated with the setup.exe's stamp. 'zep pack DIR --embedded OUT.EXE' with the same\n"
    "stub (--stub writes it out: the setup.exe without its product) makes the same bytes.\n"
    "\n"
    "  -o DIR          the folder to make; it must not exist or be empty\n"
    "  --stub STUB.EXE also write the setup.exe without its product\n"
    "  --force         replace DIR when it is not empty\n"
    "Exit status: 0 written, 1 not an embedded setup.exe or a file cannot be written,\n"
    "2 wrong arguments or a SETUP.EXE that cannot be read.\n";

const char* const kKindNames[] = {"Target", "Windows", "System", "System32", "Fonts"};

// 0 when read, else the exit status: 2 when the file cannot be read, 1 when it is no
// embedded setup.exe.
int ReadSetupFile(const char* command, const std::string& path, EmbeddedSetup& out) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!ReadInput(path, 0xFFFFFFFFu, "the 4294967295 a Windows program holds", bytes, error)) {
        std::fprintf(stderr, "zep %s: %s: %s\n", command, path.c_str(), error.c_str());
        return 2;
    }
    if (!ReadEmbedded(std::move(bytes), out, error)) {
        std::fprintf(stderr, "zep %s: %s: %s\n", command, path.c_str(), error.c_str());
        return 1;
    }
    return 0;
}

std::uint64_t ExpandedSize(const pe::Bytes& stored) {
    szdd::Header h{};
    if (szdd::ParseHeader(stored->data(), stored->size(), h)) return h.expanded_length;
    return stored->size();
}

// The name of a file inside DIR; empty when it would lead out of it.
fs::path Inside(const fs::path& dir, const std::string& name) {
    fs::path out = dir;
    std::string part;
    bool any = false;
    for (char c : name + "\\") {
        if (c != '\\') {
            part += c;
            continue;
        }
        if (part == "." || part == ".." || part.find('/') != std::string::npos || part.find(':') != std::string::npos) {
            return {};
        }
        if (!part.empty()) out /= part;
        any = any || !part.empty();
        part.clear();
    }
    return any ? out : fs::path();
}

}  // namespace

int ListCommand(int argc, char** argv) {
    std::string path;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kListHelp, stdout);
            return 0;
        }
        if (arg.empty() || arg[0] == '-' || !path.empty()) {
            std::fprintf(stderr, "zep list: unexpected argument '%s'\n\n%s", arg.c_str(), kListHelp);
            return 2;
        }
        path = arg;
    }
    if (path.empty()) {
        std::fputs(kListHelp, stderr);
        return 2;
    }
    EmbeddedSetup setup;
    if (const int status = ReadSetupFile("list", path, setup); status != 0) return status;
    char product[64] = {};
    sim::ProfileGetString(&setup.script.bytes, "Basic Information", "ProductName", "", product, sizeof product);
    std::printf("%s: %s, %s, stamp %s\n", path.c_str(), product,
                setup.stub.image.pe32_plus() ? "PE32+" : "PE32",
                DosDateTimeText(setup.stamp_date, setup.stamp_time).c_str());
    std::printf("%5s %4s %10s %10s  %-14s %s\n", "id", "disk", "stored", "expanded", "name", "installed as");
    std::set<std::uint16_t> named;
    std::uint64_t stored_total = 0, expanded_total = 0;
    for (const ProductFile& f : setup.script.files) {
        named.insert(f.resource_id);
        const pe::Bytes stored = setup.stored(f.resource_id);
        std::string installed = f.role == ProductFile::Role::kScript ? "(the script)"
                                : f.kind < 5 ? std::string(kKindNames[f.kind]) + "\\" + f.installed
                                             : f.installed;
        if (f.role == ProductFile::Role::kHelp) installed += " (the help file)";
        if (!stored) {
            std::printf("%5u %4d %10s %10s  %-14s %s (missing)\n", f.resource_id, f.disk, "-", "-", f.name.c_str(),
                        installed.c_str());
            continue;
        }
        const std::uint64_t expanded = ExpandedSize(stored);
        stored_total += stored->size();
        expanded_total += expanded;
        std::printf("%5u %4d %10zu %10llu  %-14s %s\n", f.resource_id, f.disk, stored->size(),
                    static_cast<unsigned long long>(expanded), f.name.c_str(), installed.c_str());
    }
    for (const pe::Resource& r : setup.stub.resources.resources()) {
        if (r.type.named() || r.type.id != kPayloadType || r.name.named() || named.count(r.name.id) != 0) continue;
        std::printf("%5u %4s %10zu %10s  %-14s (not named by the script)\n", r.name.id, "-", r.data->size(), "-", "-");
    }
    std::printf("%zu files, %llu bytes stored, %llu expanded\n", setup.script.files.size(),
                static_cast<unsigned long long>(stored_total), static_cast<unsigned long long>(expanded_total));
    return 0;
}

int UnpackCommand(int argc, char** argv) {
    std::string path, dir, stub;
    bool force = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUnpackHelp, stdout);
            return 0;
        }
        if ((arg == "-o" || arg == "--stub") && i + 1 < argc) {
            (arg == "-o" ? dir : stub) = argv[++i];
        } else if (arg == "--force") {
            force = true;
        } else if (!arg.empty() && arg[0] != '-' && path.empty()) {
            path = arg;
        } else {
            std::fprintf(stderr, "zep unpack: unexpected argument '%s'\n\n%s", arg.c_str(), kUnpackHelp);
            return 2;
        }
    }
    if (path.empty() || dir.empty()) {
        std::fprintf(stderr, "zep unpack: %s\n\n%s", path.empty() ? "no setup.exe given" : "no -o DIR given",
                     kUnpackHelp);
        return 2;
    }
    EmbeddedSetup setup;
    if (const int status = ReadSetupFile("unpack", path, setup); status != 0) return status;
    std::string error;
    PendingFolder out(dir);
    auto fail = [&](const std::string& message) {
        std::fprintf(stderr, "zep unpack: %s\n", message.c_str());
        return 1;
    };
    if (!out.allowed(force, error) || !out.begin(error)) return fail(error);
    const std::int64_t seconds = DosDateTimeSeconds(setup.stamp_date, setup.stamp_time, false);
    std::map<std::string, pe::Bytes> written;  // by name in capitals
    for (const ProductFile& f : setup.script.files) {
        pe::Bytes data = f.role == ProductFile::Role::kScript
                             ? std::make_shared<const std::vector<std::uint8_t>>(setup.script.bytes.begin(),
                                                                                 setup.script.bytes.end())
                             : setup.stored(f.resource_id);
        if (!data) return fail(path + ": resource " + std::to_string(f.resource_id) + " (" + f.name + ") is missing");
        const fs::path target = Inside(out.temporary(), f.name);
        if (target.empty()) return fail(path + ": the name " + f.name + " would lie outside " + dir);
        std::string key = f.name;
        for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        auto [it, fresh] = written.emplace(key, data);
        if (!fresh) {
            if (*it->second == *data) continue;
            return fail(path + ": two files named " + f.name + " with different contents; a folder holds one");
        }
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        if (!WriteFileWithTime(target, data->data(), data->size(), seconds, error)) return fail(error);
    }
    std::optional<PendingFile> stub_out;
    if (!stub.empty()) {
        std::vector<std::uint8_t> bytes;
        if (!StripPayload(setup, bytes, error)) return fail(path + ": " + error);
        stub_out.emplace(stub);
        if (!WriteFileWithTime(stub_out->temporary(), bytes.data(), bytes.size(), seconds, error)) return fail(error);
    }
    if (!out.commit(error)) return fail(error);
    if (stub_out && !stub_out->commit(error)) return fail(error);
    std::printf("%s: %zu files, stamp %s\n", dir.c_str(), written.size(),
                DosDateTimeText(setup.stamp_date, setup.stamp_time).c_str());
    return 0;
}

}  // namespace zep::tool

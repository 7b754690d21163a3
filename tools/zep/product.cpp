#include "tools/zep/product.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/sim/profile_text.h"
#include "szdd/szdd.h"
#include "tools/zep/scratch_installer.h"
#include "tools/zep/script_text.h"

namespace fs = std::filesystem;

namespace zep::tool {

namespace {

std::vector<std::string> Components(const std::string& name) {
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

std::string Capitals(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// A platform no WindowsVersion refuses: the files do not depend on the platform.
const CheckPlatform kAnyPlatform = {"any", 99, 0, VER_PLATFORM_WIN32_NT};

}  // namespace

bool ReadProductScript(const std::string& script, const std::string& script_name, ProductScript& out,
                       std::string& error) {
    out = {};
    out.bytes = script;
    // Every key of a [Disk n] section takes an id, but the loader keeps a line only on
    // the displays it is for: the three displays together see them all.
    std::map<std::uint16_t, ScratchInstaller::Entry> entries;
    ScratchFolder scratch("files");
    for (int display = 0; display < 3; ++display) {
        ScratchInstaller run(scratch.next(), kAnyPlatform, display, script);
        if (run.code() != 0) {
            error = "the script does not load: dialog " + std::to_string(run.code()) + ": " + run.dialog_text();
            return false;
        }
        if (display == 0) out.disk_names = run.disk_names();
        for (ScratchInstaller::Entry& e : run.entries()) entries.emplace(e.resource_id, std::move(e));
    }
    const ScriptText text(script);
    out.files.push_back({ProductFile::Role::kScript, 1, script_name, script_name, kScriptId, 0});
    char value[260] = {};
    sim::ProfileGetString(&script, "Basic Information", "HelpFileName", "", value, sizeof value);
    const std::string help = value;
    if (!help.empty()) {
        const std::size_t comma = help.find(',');
        const std::string source = help.substr(0, comma);
        const std::string installed = comma == std::string::npos ? help : help.substr(comma + 1);
        out.files.push_back({ProductFile::Role::kHelp, 1, source, installed, kHelpId,
                             text.number_of(text.key("Basic Information", "HelpFileName"))});
    }
    std::uint16_t expected = kFirstFileId;
    for (const auto& [id, e] : entries) {
        // Ids count up from 12002 without a gap; past 65535 the loader's count wraps.
        if (id != expected || id > kLastFileId) {
            error = "the script has more [Disk n] lines than resource ids go: at most " +
                    std::to_string(kLastFileId - kFirstFileId + 1);
            return false;
        }
        ++expected;
        const int line = text.number_of(text.key("Disk " + std::to_string(e.disk), e.source));
        out.files.push_back({ProductFile::Role::kDisk, e.disk, e.source, e.destination, id, line, e.kind, e.flags});
    }
    return true;
}

fs::path ProductFolder::find(const std::string& name) const {
    fs::path at = folder_;
    const std::vector<std::string> parts = Components(name);
    if (parts.empty()) return {};
    for (const std::string& part : parts) {
        if (part == "." || part == "..") return {};  // nothing outside the folder
        auto listed = listings_.find(at);
        if (listed == listings_.end()) {
            std::vector<fs::path> names;
            std::error_code ec;
            for (const fs::directory_entry& e : fs::directory_iterator(at, ec)) names.push_back(e.path().filename());
            std::sort(names.begin(), names.end());
            std::multimap<std::string, fs::path> by_capitals;
            for (fs::path& n : names) by_capitals.emplace(Capitals(n.string()), std::move(n));
            listed = listings_.emplace(at, std::move(by_capitals)).first;
        }
        // The name as written when it is there, else the first that differs only in case.
        fs::path match;
        const auto [first, last] = listed->second.equal_range(Capitals(part));
        for (auto it = first; it != last; ++it) {
            if (match.empty() || it->second.string() == part) match = it->second;
        }
        if (match.empty()) return {};
        at /= match;
    }
    std::error_code ec;
    return fs::is_regular_file(at, ec) ? at : fs::path();
}

Origin ProductFolder::origin(const std::string& name, const std::string& installed) const {
    Origin o;
    const bool underscore = !name.empty() && name.back() == '_';
    const std::vector<std::string> installed_parts = Components(installed);
    if (!installed_parts.empty()) {
        const std::string& file = installed_parts.back();
        o.missing_char = static_cast<std::uint8_t>(file.back());
    }
    fs::path found = find(name);
    if (!found.empty()) {
        o.path = found;
        std::ifstream in(found, std::ios::binary);
        std::uint8_t head[szdd::kHeaderSize] = {};
        in.read(reinterpret_cast<char*>(head), sizeof head);
        szdd::Header h{};
        o.szdd = szdd::ParseHeader(head, static_cast<std::size_t>(in.gcount()), h);
        std::error_code ec;
        o.expanded_size = o.szdd ? h.expanded_length : fs::file_size(found, ec);
        o.kind = o.szdd || !underscore ? Origin::Kind::kAsIs : Origin::Kind::kCompress;
    } else if (underscore && !installed_parts.empty()) {
        found = find(installed);
        if (found.empty()) found = find(installed_parts.back());
        if (found.empty() || SameName(found.filename().string(), name)) return o;
        o.path = found;
        o.kind = Origin::Kind::kCompress;
        std::error_code ec;
        o.expanded_size = fs::file_size(found, ec);
    } else {
        return o;
    }
    if (o.kind != Origin::Kind::kCompress) o.missing_char = 0;
    std::error_code ec;
    o.time = fs::last_write_time(o.path, ec);
    return o;
}

bool LoadStored(const Origin& origin, std::vector<std::uint8_t>& out, std::string& error) {
    std::vector<std::uint8_t> data;
    std::FILE* f = std::fopen(origin.path.c_str(), "rb");
    if (f == nullptr) {
        error = origin.path.string() + ": cannot read: " + std::strerror(errno);
        return false;
    }
    std::uint8_t buf[1 << 16];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + got);
    const bool failed = std::ferror(f) != 0;
    const int saved = errno;
    std::fclose(f);
    if (failed) {
        error = origin.path.string() + ": cannot read: " + std::strerror(saved);
        return false;
    }
    if (origin.kind != Origin::Kind::kCompress) {
        out = std::move(data);
        return true;
    }
    if (!szdd::Compress(data.data(), data.size(), origin.missing_char, out)) {
        error = origin.path.string() + ": too large for SZDD (4 GB at most)";
        return false;
    }
    return true;
}

}  // namespace zep::tool

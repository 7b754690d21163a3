#include "platform/sim/machine.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "platform/sim/code_pages.h"

namespace fs = std::filesystem;

namespace zep::sim {

namespace {

bool ValidComponent(const std::string& c) {
    for (unsigned char ch : c) {
        if (ch < 32 || ch == '<' || ch == '>' || ch == ':' || ch == '"' || ch == '|' ||
            ch == '?' || ch == '*') {
            return false;
        }
    }
    return true;
}

std::vector<std::string> Split(const std::string& s) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : s) {
        if (c == '\\') {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    parts.push_back(cur);
    return parts;
}

FileTime FromUnix(std::int64_t seconds, std::int64_t nanoseconds) {
    std::uint64_t t = static_cast<std::uint64_t>(seconds + 11644473600LL) * 10000000ULL +
                      static_cast<std::uint64_t>(nanoseconds / 100);
    return {static_cast<std::uint32_t>(t), static_cast<std::uint32_t>(t >> 32)};
}

}  // namespace

Machine::Machine(fs::path sandbox) : sandbox_(std::move(sandbox)) {
    fs::create_directories(sandbox_);
    add_drive('C');
    fs::create_directories(host_path(windows_dir));
    fs::create_directories(host_path(system_dir));
    fs::create_directories(host_path(windows_dir + "\\FONTS"));
}

Machine::~Machine() = default;

Drive& Machine::add_drive(char letter, std::uint32_t type) {
    letter = static_cast<char>(AnsiUpper(static_cast<std::uint8_t>(letter)));
    Drive& d = drives_[letter];
    d.host = sandbox_ / std::string(1, letter);
    d.type = type;
    fs::create_directories(d.host);
    return d;
}

Drive& Machine::map_drive(char letter, const fs::path& folder, std::uint32_t type) {
    Drive& d = drives_[static_cast<char>(AnsiUpper(static_cast<std::uint8_t>(letter)))];
    d.host = folder;
    d.type = type;
    return d;
}

Drive* Machine::drive(char letter) {
    auto it = drives_.find(static_cast<char>(AnsiUpper(static_cast<std::uint8_t>(letter))));
    return it == drives_.end() ? nullptr : &it->second;
}

void Machine::add_share(const std::string& unc, std::uint32_t type) {
    Drive& d = shares_[AnsiUpper(unc)];
    std::string folder = "share_" + std::to_string(shares_.size());
    d.host = sandbox_ / folder;
    d.type = type;
    fs::create_directories(d.host);
}

ResolvedPath Machine::resolve(const std::string& typed, const CurrentDirectories& cwd) {
    ResolvedPath r;
    std::string path = typed;
    std::replace(path.begin(), path.end(), '/', '\\');
    if (path.empty()) {
        r.error = ERROR_PATH_NOT_FOUND;
        return r;
    }
    // With a share as the current directory, "\NAME" and "NAME" lie on that share.
    const std::string& here = cwd.current;
    const bool unc = path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
    if (!unc && here.size() > 2 && here[0] == '\\' && here[1] == '\\' && !(path.size() >= 2 && path[1] == ':')) {
        std::size_t share_end = here.find('\\', here.find('\\', 2) + 1);
        std::string share = here.substr(0, share_end);
        path = path[0] == '\\' ? share + path : here + (here.back() == '\\' ? "" : "\\") + path;
    }
    std::string rest;
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        std::vector<std::string> parts = Split(path.substr(2));
        if (parts.size() < 2 || parts[0].empty() || parts[1].empty()) {
            r.error = ERROR_INVALID_NAME;
            return r;
        }
        r.root = "\\\\" + parts[0] + "\\" + parts[1] + "\\";
        auto it = shares_.find(AnsiUpper("\\\\" + parts[0] + "\\" + parts[1]));
        if (it == shares_.end()) {
            r.error = 53;  // ERROR_BAD_NETPATH
            return r;
        }
        r.drive = &it->second;
        for (std::size_t i = 2; i < parts.size(); ++i) rest += (i > 2 ? "\\" : "") + parts[i];
    } else {
        char letter;
        std::string relative_to;
        if (path.size() >= 2 && path[1] == ':') {
            letter = static_cast<char>(AnsiUpper(static_cast<std::uint8_t>(path[0])));
            rest = path.substr(2);
            if (rest.empty() || rest[0] != '\\') {
                if (!cwd.current.empty() && AnsiUpper(cwd.current[0]) == static_cast<std::uint8_t>(letter)) {
                    relative_to = cwd.current;
                } else {
                    auto it = cwd.per_drive.find(letter);
                    relative_to = it != cwd.per_drive.end() ? it->second : std::string(1, letter) + ":\\";
                }
            }
        } else if (path[0] == '\\') {
            letter = cwd.current.empty() ? 'C' : cwd.current[0];
            rest = path;
        } else {
            relative_to = cwd.current;
            letter = cwd.current.empty() ? 'C' : cwd.current[0];
            rest = path;
        }
        if (!relative_to.empty()) {
            std::string base = relative_to.substr(2);  // drop "X:"
            if (!base.empty() && base.back() != '\\') base += '\\';
            rest = base + rest;
        }
        r.root = std::string(1, letter) + ":\\";
        r.drive = drive(letter);
        if (r.drive == nullptr) {
            r.error = ERROR_PATH_NOT_FOUND;
            return r;
        }
    }
    if (!r.drive->ready) {
        r.error = ERROR_NOT_READY;
        return r;
    }

    std::vector<std::string> parts;
    for (std::string& c : Split(rest)) {
        if (c.empty() || c == ".") continue;
        if (c == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        // Windows drops trailing dots and blanks of every name.
        while (!c.empty() && (c.back() == '.' || c.back() == ' ')) c.pop_back();
        if (c.empty()) continue;
        if (!ValidComponent(c)) {
            r.error = ERROR_INVALID_NAME;
            return r;
        }
        parts.push_back(c);
    }
    r.full = r.root;
    for (std::size_t i = 0; i < parts.size(); ++i) r.full += (i > 0 ? "\\" : "") + parts[i];
    r.is_root = parts.empty();
    if (r.full.size() >= MAX_PATH) {
        r.error = ERROR_FILENAME_EXCED_RANGE;
        return r;
    }
    r.host = r.drive->host;
    // The names as written are the usual case: the whole path, or its folder for a file
    // about to be made, is asked about at once, and only a miss walks the folders.
    std::error_code ec;
    std::size_t known = 0;
    if (!parts.empty()) {
        fs::path exact = r.host;
        for (const std::string& c : parts) exact /= c;
        if (fs::exists(exact, ec)) {
            r.host = std::move(exact);
            return r;
        }
        if (parts.size() > 1) {
            fs::path folder = r.host;
            for (std::size_t i = 0; i + 1 < parts.size(); ++i) folder /= parts[i];
            if (fs::is_directory(folder, ec)) {
                r.host = std::move(folder);
                known = parts.size() - 1;
            }
        }
        if (known == parts.size() - 1 && (known > 0 || fs::is_directory(r.host, ec))) {
            // Only the last name is missing as written: the folder may hold it in another case.
            const auto& names = folder(r.host);
            auto it = names.find(AnsiUpper(parts.back()));
            r.host /= it != names.end() ? it->second : parts.back();
            return r;
        }
    }
    for (std::size_t i = known; i < parts.size(); ++i) {
        const std::string& c = parts[i];
        std::string name = c;
        // Only a miss needs the folder searched.
        if (!fs::exists(r.host / name, ec) && fs::is_directory(r.host, ec)) {
            const auto& names = folder(r.host);
            if (auto it = names.find(AnsiUpper(c)); it != names.end()) name = it->second;
        }
        r.host /= name;
    }
    return r;
}

fs::path Machine::host_path(const std::string& windows_path) {
    CurrentDirectories root;
    ResolvedPath r = resolve(windows_path, root);
    return r.error == 0 ? r.host : fs::path{};
}

void Machine::put_file(const std::string& windows_path, const std::string& bytes) {
    fs::path p = host_path(windows_path);
    fs::create_directories(p.parent_path());
    folders_.clear();  // new folders on the way: look again
    std::ofstream(p, std::ios::binary | std::ios::trunc).write(bytes.data(),
                                                               static_cast<std::streamsize>(bytes.size()));
    forget(p);
}

std::optional<std::string> Machine::read_file(const std::string& windows_path) {
    fs::path p = host_path(windows_path);
    std::ifstream in(p, std::ios::binary);
    if (p.empty() || !in || fs::is_directory(p)) return std::nullopt;
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

int Machine::font_loads(const std::string& windows_path) const {
    auto it = loaded_fonts.find(AnsiUpper(windows_path));
    return it != loaded_fonts.end() ? it->second : 0;
}

bool Machine::exists(const std::string& windows_path) {
    fs::path p = host_path(windows_path);
    std::error_code ec;
    return !p.empty() && fs::exists(p, ec);
}

std::uint32_t Machine::attributes(const fs::path& host) {
    std::error_code ec;
    if (!fs::exists(host, ec)) return INVALID_FILE_SIZE;
    if (fs::is_directory(host, ec)) return FILE_ATTRIBUTE_DIRECTORY;
    return file_attributes(host);
}

std::uint32_t Machine::file_attributes(const fs::path& host) const {
    auto it = attributes_.find(host.string());
    return it != attributes_.end() ? it->second : 0x20;  // FILE_ATTRIBUTE_ARCHIVE
}

void Machine::set_attributes(const fs::path& host, std::uint32_t attributes) {
    attributes_[host.string()] = attributes == FILE_ATTRIBUTE_NORMAL ? 0 : attributes;
}

Machine::Times Machine::times(const fs::path& host) {
    auto it = times_.find(host.string());
    if (it != times_.end()) return it->second;
    struct stat st {};
    if (stat(host.c_str(), &st) != 0) return {};
    FileTime written = FromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    return {written, FromUnix(st.st_atim.tv_sec, st.st_atim.tv_nsec), written};
}

void Machine::set_times(const fs::path& host, const Times& t) {
    times_[host.string()] = t;
}

void Machine::forget(const fs::path& host) {
    attributes_.erase(host.string());
    times_.erase(host.string());
    auto it = folders_.find(host.parent_path().string());
    if (it != folders_.end()) it->second.erase(AnsiUpper(host.filename().string()));
}

void Machine::created(const fs::path& host) {
    auto it = folders_.find(host.parent_path().string());
    if (it != folders_.end()) it->second.emplace(AnsiUpper(host.filename().string()), host.filename().string());
}

const std::map<std::string, std::string>& Machine::folder(const fs::path& dir) {
    auto [it, fresh] = folders_.try_emplace(dir.string());
    if (fresh) {
        std::error_code ec;
        for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
            std::string name = e.path().filename().string();
            it->second.emplace(AnsiUpper(name), name);
        }
    }
    return it->second;
}

RegistryKey* Machine::registry_key(const std::string& path, bool create) {
    RegistryKey* key = &registry;
    std::string part;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '\\') {
            part += path[i];
            continue;
        }
        if (part.empty()) continue;
        auto it = key->subkeys.find(AnsiUpper(part));
        if (it == key->subkeys.end()) {
            if (!create) return nullptr;
            auto made = std::make_unique<RegistryKey>();
            made->name = part;
            it = key->subkeys.emplace(AnsiUpper(part), std::move(made)).first;
        }
        key = it->second.get();
        part.clear();
    }
    return key;
}

std::optional<std::string> Machine::registry_text(const std::string& path, const std::string& name) {
    RegistryKey* key = registry_key(path);
    if (key == nullptr) return std::nullopt;
    auto it = key->values.find(AnsiUpper(name));
    if (it == key->values.end()) return std::nullopt;
    std::string text(it->second.data.begin(), it->second.data.end());
    if (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

SimWindow& Machine::new_window(SimPlatform* process, std::uint32_t thread) {
    auto w = std::make_unique<SimWindow>();
    w->handle = next_handle_;
    next_handle_ += 2;
    w->process = process;
    w->thread = thread;
    SimWindow& ref = *w;
    windows_[ref.handle] = std::move(w);
    return ref;
}

SimWindow* Machine::window(Hwnd h) {
    auto it = windows_.find(h);
    return it == windows_.end() ? nullptr : it->second.get();
}

void Machine::destroy(Hwnd h) {
    SimWindow* w = window(h);
    if (w == nullptr) return;
    std::vector<Hwnd> children = w->children;
    for (Hwnd c : children) destroy(c);
    if (SimWindow* parent = window(w->parent)) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), h), siblings.end());
    }
    z_order.erase(std::remove(z_order.begin(), z_order.end(), h), z_order.end());
    windows_.erase(h);
}

void Machine::bring_to_top(Hwnd h) {
    auto it = std::find(z_order.begin(), z_order.end(), h);
    if (it == z_order.end()) return;
    z_order.erase(it);
    z_order.insert(z_order.begin(), h);
    raised.push_back(h);
}

SimWindow& Machine::add_foreign_window(const std::string& cls, const std::string& title,
                                       std::uint32_t style, Hwnd owner, std::uint32_t thread) {
    SimWindow& w = new_window(nullptr, thread);
    w.cls = cls;
    w.text = title;
    w.style = style;
    w.parent = owner;
    w.visible = true;
    z_order.insert(z_order.begin(), w.handle);
    return w;
}

namespace {

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

void Machine::restart() {
    folders_.clear();
    std::error_code ec;
    auto remove = [&](const std::string& windows_path) {
        fs::path p = host_path(windows_path);
        if (p.empty() || !fs::exists(p, ec)) return;
        if (fs::is_directory(p, ec) && !fs::is_empty(p, ec)) return;
        fs::remove(p, ec);
        forget(p);
    };
    auto move = [&](const std::string& from, const std::string& to) {
        fs::path source = host_path(from);
        fs::path target = host_path(to);
        if (source.empty() || target.empty() || !fs::exists(source, ec)) return;
        fs::rename(source, target, ec);
        forget(source);
        forget(target);
    };
    for (const PendingMove& m : pending_moves) {
        if (m.to.empty()) remove(m.from);
        else move(m.from, m.to);
        folders_.clear();
    }
    pending_moves.clear();
    if (version.platform_id == VER_PLATFORM_WIN32_NT) return;

    const std::string wininit = windows_dir + "\\WININIT.INI";
    std::optional<std::string> text = read_file(wininit);
    if (!text) return;
    bool in_rename = false;
    std::size_t start = 0;
    while (start < text->size()) {
        std::size_t end = text->find('\n', start);
        if (end == std::string::npos) end = text->size();
        const std::string line = Trimmed(text->substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line[0] == '[') {
            in_rename = AnsiUpper(line) == "[RENAME]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!in_rename || equals == std::string::npos) continue;
        const std::string destination = Trimmed(line.substr(0, equals));
        const std::string source = Trimmed(line.substr(equals + 1));
        if (AnsiUpper(destination) == "NUL") {
            remove(source);
        } else {
            remove(destination);
            move(source, destination);
        }
        folders_.clear();
    }
    move(wininit, windows_dir + "\\WININIT.BAK");
    folders_.clear();
}

}  // namespace zep::sim

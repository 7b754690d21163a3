#include "tools/zep/machine_changes.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "platform/sim/profile_text.h"

namespace fs = std::filesystem;

namespace zep::tool {

namespace {

constexpr std::uint32_t kRegDword = 4;
constexpr char kDrives[] = "CD";  // the machine's hard disks

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::uint64_t Fnv(const std::string& bytes) {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
    return h;
}

std::string ReadHost(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

bool IsIni(const std::string& path) {
    return path.size() > 4 && Upper(path.substr(path.size() - 4)) == ".INI";
}

void CaptureKey(const sim::RegistryKey& key, const std::string& path, MachineState& s) {
    auto& values = s.registry[Upper(path)];
    s.key_spelling[Upper(path)] = path;
    for (const auto& [upper, v] : key.values) values[upper] = {v.name, v.type, v.data};
    for (const auto& [upper, sub] : key.subkeys) CaptureKey(*sub, path.empty() ? sub->name : path + "\\" + sub->name, s);
}

std::string TimeText(const FileTime& t, int local_minus_utc_minutes) {
    const std::uint64_t ticks = (static_cast<std::uint64_t>(t.high) << 32) | t.low;
    const std::int64_t unix_seconds =
        static_cast<std::int64_t>(ticks / 10000000ull) - 11644473600ll + local_minus_utc_minutes * 60ll;
    const std::time_t tt = static_cast<std::time_t>(unix_seconds);
    std::tm tm{};
    if (gmtime_r(&tt, &tm) == nullptr) return "?";
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

std::string RegType(std::uint32_t type) {
    switch (type) {
        case REG_SZ: return "REG_SZ";
        case kRegDword: return "REG_DWORD";
        default: return "type " + std::to_string(type);
    }
}

std::string RegText(const RegValue& v) {
    if (v.type == REG_SZ) {
        std::string s(v.data.begin(), v.data.end());
        if (!s.empty() && s.back() == '\0') s.pop_back();
        return s;
    }
    if (v.type == kRegDword && v.data.size() == 4) {
        return std::to_string(v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) | (std::uint32_t{v.data[3]} << 24));
    }
    static const char* hex = "0123456789abcdef";
    std::string s;
    for (std::uint8_t b : v.data) s += std::string{hex[b >> 4], hex[b & 15]};
    return s;
}

// Sections and keys of a profile text, as the profile functions list them.
std::vector<std::string> NulList(const char* buf, std::uint32_t n) {
    std::vector<std::string> out;
    for (std::uint32_t i = 0; i < n;) {
        std::string item(buf + i);
        if (item.empty()) break;
        i += static_cast<std::uint32_t>(item.size()) + 1;
        out.push_back(item);
    }
    return out;
}

std::map<std::pair<std::string, std::string>, std::pair<std::string, std::string>> IniEntries(
    const std::optional<std::string>& text) {
    std::map<std::pair<std::string, std::string>, std::pair<std::string, std::string>> out;  // upper -> (spelling, value)
    if (!text) return out;
    std::vector<char> buf(1 << 16);
    const std::uint32_t size = static_cast<std::uint32_t>(buf.size());
    std::uint32_t n = sim::ProfileGetString(&*text, nullptr, nullptr, "", buf.data(), size);
    for (const std::string& section : NulList(buf.data(), n)) {
        std::vector<char> keys(1 << 16);
        std::uint32_t k = sim::ProfileGetString(&*text, section.c_str(), nullptr, "", keys.data(), size);
        for (const std::string& key : NulList(keys.data(), k)) {
            char value[4096] = {};
            sim::ProfileGetString(&*text, section.c_str(), key.c_str(), "", value, sizeof value);
            out[{Upper(section), Upper(key)}] = {"[" + section + "] " + key, value};
        }
    }
    return out;
}

}  // namespace

MachineState CaptureMachine(sim::Machine& m) {
    MachineState s;
    for (const char* d = kDrives; *d != '\0'; ++d) {
        sim::Drive* drive = m.drive(*d);
        if (drive == nullptr) continue;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(drive->host, ec); it != fs::recursive_directory_iterator();
             it.increment(ec)) {
            std::string rel = fs::relative(it->path(), drive->host, ec).string();
            std::replace(rel.begin(), rel.end(), '/', '\\');
            const std::string path = std::string(1, *d) + ":\\" + rel;
            FileState f;
            f.folder = it->is_directory(ec);
            if (!f.folder) {
                const std::string bytes = ReadHost(it->path());
                f.size = bytes.size();
                f.hash = Fnv(bytes);
                f.written = m.times(it->path()).written;
                f.attributes = m.attributes(it->path());
                if (IsIni(path)) f.ini = bytes;
            }
            s.files[Upper(path)] = f;
            s.spelling[Upper(path)] = path;
        }
    }
    CaptureKey(m.registry, "", s);
    s.registry.erase("");
    s.fonts = m.loaded_fonts;
    s.group_commands = m.progman.commands.size();
    s.started = m.started.size();
    s.pending_moves = m.pending_moves.size();
    return s;
}

MachineChanges CompareMachine(const MachineState& a, const MachineState& b, sim::Machine& m) {
    MachineChanges c;
    auto file_change = [&](char kind, const std::string& upper, const FileState& f, const MachineState& from) {
        FileChange fc{kind, from.spelling.at(upper), f.folder, f.size, {}, f.attributes};
        if (!f.folder && kind != '-') fc.time = TimeText(f.written, m.local_minus_utc_minutes);
        c.files.push_back(fc);
    };
    for (const auto& [upper, f] : b.files) {
        auto it = a.files.find(upper);
        if (it == a.files.end()) {
            file_change('+', upper, f, b);
        } else if (!f.folder && (it->second.hash != f.hash || it->second.size != f.size ||
                                 it->second.written.low != f.written.low || it->second.written.high != f.written.high ||
                                 it->second.attributes != f.attributes)) {
            file_change('~', upper, f, b);
        }
    }
    for (const auto& [upper, f] : a.files) {
        if (b.files.count(upper) == 0) file_change('-', upper, f, a);
    }
    std::sort(c.files.begin(), c.files.end(), [](const FileChange& x, const FileChange& y) {
        return Upper(x.path) < Upper(y.path);
    });
    // INI entries of every .INI file that came, changed or went.
    std::set<std::string> inis;
    for (const auto& [upper, f] : a.files) if (f.ini) inis.insert(upper);
    for (const auto& [upper, f] : b.files) if (f.ini) inis.insert(upper);
    for (const std::string& upper : inis) {
        auto ia = a.files.find(upper), ib = b.files.find(upper);
        const std::optional<std::string> ta = ia != a.files.end() ? ia->second.ini : std::nullopt;
        const std::optional<std::string> tb = ib != b.files.end() ? ib->second.ini : std::nullopt;
        if (ta == tb) continue;
        const std::string file = (ib != b.files.end() ? b.spelling : a.spelling).at(upper);
        const auto ea = IniEntries(ta), eb = IniEntries(tb);
        auto split = [](const std::string& spelled, std::string& section, std::string& key) {
            const std::size_t close = spelled.find("] ");
            section = spelled.substr(1, close - 1);
            key = spelled.substr(close + 2);
        };
        for (const auto& [k, v] : eb) {
            auto it = ea.find(k);
            if (it != ea.end() && it->second.second == v.second) continue;
            IniChange ic{it == ea.end() ? '+' : '~', file, {}, {}, v.second, it == ea.end() ? "" : it->second.second};
            split(v.first, ic.section, ic.key);
            c.ini.push_back(ic);
        }
        for (const auto& [k, v] : ea) {
            if (eb.count(k) > 0) continue;
            IniChange ic{'-', file, {}, {}, {}, v.second};
            split(v.first, ic.section, ic.key);
            c.ini.push_back(ic);
        }
    }
    // The registry below HKEY_LOCAL_MACHINE.
    for (const auto& [key, values] : b.registry) {
        auto it = a.registry.find(key);
        const std::string spelled = b.key_spelling.at(key);
        if (it == a.registry.end()) c.registry.push_back({'+', spelled, {}, {}, {}, {}});
        for (const auto& [name, v] : values) {
            const RegValue* old = nullptr;
            if (it != a.registry.end()) {
                auto ov = it->second.find(name);
                if (ov != it->second.end()) old = &ov->second;
            }
            if (old != nullptr && old->type == v.type && old->data == v.data) continue;
            c.registry.push_back({old == nullptr ? '+' : '~', spelled, v.name.empty() ? "(default)" : v.name,
                                  RegType(v.type), RegText(v), old ? RegText(*old) : ""});
        }
    }
    for (const auto& [key, values] : a.registry) {
        auto it = b.registry.find(key);
        const std::string spelled = a.key_spelling.at(key);
        for (const auto& [name, v] : values) {
            if (it != b.registry.end() && it->second.count(name) > 0) continue;
            c.registry.push_back({'-', spelled, v.name.empty() ? "(default)" : v.name, RegType(v.type), {}, RegText(v)});
        }
        if (it == b.registry.end()) c.registry.push_back({'-', spelled, {}, {}, {}, {}});
    }
    for (const auto& [font, count] : b.fonts) {
        auto it = a.fonts.find(font);
        const int before = it == a.fonts.end() ? 0 : it->second;
        if (count > before) c.fonts_loaded.push_back(font);
        if (count < before) c.fonts_unloaded.push_back(font);
    }
    for (const auto& [font, count] : a.fonts) {
        if (b.fonts.count(font) == 0 && count > 0) c.fonts_unloaded.push_back(font);
    }
    for (std::size_t i = a.group_commands; i < m.progman.commands.size(); ++i) c.group_commands.push_back(m.progman.commands[i]);
    for (std::size_t i = a.started; i < m.started.size(); ++i) {
        c.started.push_back({m.started[i].command_line, m.started[i].current_directory});
    }
    for (std::size_t i = a.pending_moves; i < m.pending_moves.size(); ++i) {
        const auto& move = m.pending_moves[i];
        c.at_restart.push_back(move.to.empty() ? "delete " + move.from : "move " + move.from + " to " + move.to);
    }
    const std::string windows = Upper(m.windows_dir) + "\\";
    for (const FileChange& f : c.files) {
        const std::string upper = Upper(f.path);
        if (f.change == '+' && !f.folder && upper.rfind(windows, 0) == 0 &&
            upper.find('\\', windows.size()) == std::string::npos) {
            c.windows_left.push_back(f.path);
        }
    }
    return c;
}


}  // namespace zep::tool

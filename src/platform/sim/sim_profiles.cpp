// The private-profile functions of the simulated process, over the simulated files.
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/sim/code_pages.h"
#include "platform/sim/sim_platform.h"

namespace zep::sim {

namespace {

std::string Trim(const std::string& s) {
    std::size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

bool Same(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AnsiUpper(static_cast<std::uint8_t>(a[i])) != AnsiUpper(static_cast<std::uint8_t>(b[i]))) return false;
    }
    return true;
}

struct Line {
    std::string key, value;
};

// The keys of a section in file order; nullopt when the section is missing.
std::optional<std::vector<Line>> Section(const std::string& text, const char* section) {
    std::istringstream in(text);
    std::string raw;
    bool inside = false, found = false;
    std::vector<Line> lines;
    while (std::getline(in, raw)) {
        std::string line = Trim(raw);
        if (!line.empty() && line[0] == '[') {
            std::size_t close = line.find(']');
            inside = Same(Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)), section);
            found = found || inside;
            continue;
        }
        if (!inside || line.empty() || line[0] == ';') continue;
        std::size_t eq = line.find('=');
        Line l{Trim(line.substr(0, eq)), eq == std::string::npos ? "" : Trim(line.substr(eq + 1))};
        if (l.value.size() >= 2 && (l.value[0] == '"' || l.value[0] == '\'') && l.value.back() == l.value[0]) {
            l.value = l.value.substr(1, l.value.size() - 2);
        }
        lines.push_back(l);
    }
    if (!found) return std::nullopt;
    return lines;
}

std::uint32_t CopyCut(const std::string& s, char* buf, std::uint32_t size) {
    if (size == 0) return 0;
    std::size_t n = s.size() < size ? s.size() : size - 1;
    std::memcpy(buf, s.data(), n);
    buf[n] = '\0';
    return static_cast<std::uint32_t>(n);
}

}  // namespace

std::uint32_t SimPlatform::get_private_profile_string(const char* section, const char* key,
                                                      const char* fallback, char* buf,
                                                      std::uint32_t size, const char* file) {
    if (fail("get_private_profile_string", file ? file : "")) return 0;
    // A bare file name means a file in the Windows directory.
    std::string name = file ? file : "";
    if (name.find_first_of("\\/") == std::string::npos) name = machine_.windows_dir + "\\" + name;
    ResolvedPath where = resolve(name.c_str());
    std::string text;
    if (where.error == 0) {
        std::ifstream in(where.host, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    auto lines = section ? Section(text, section) : std::nullopt;
    if (key == nullptr) {
        std::string list;
        if (lines) {
            for (const Line& l : *lines) list += l.key + '\0';
        }
        if (size < 2) return 0;
        if (list.size() + 1 > size) list.resize(size - 2);
        std::memcpy(buf, list.data(), list.size());
        buf[list.size()] = '\0';
        buf[list.size() + 1] = '\0';
        return static_cast<std::uint32_t>(list.empty() ? 0 : list.size());
    }
    if (lines) {
        for (const Line& l : *lines) {
            if (Same(l.key, key)) return CopyCut(l.value, buf, size);
        }
    }
    return CopyCut(Trim(fallback ? fallback : ""), buf, size);
}

std::uint32_t SimPlatform::get_private_profile_int(const char* section, const char* key,
                                                   int fallback, const char* file) {
    char value[64];
    if (get_private_profile_string(section, key, "", value, sizeof value, file) == 0) {
        return static_cast<std::uint32_t>(fallback);
    }
    return static_cast<std::uint32_t>(std::strtol(value, nullptr, 10));
}

bool SimPlatform::write_private_profile_string(const char*, const char*, const char*,
                                               const char* file) {
    if (fail("write_private_profile_string", file ? file : "")) return false;
    return fail_with(ERROR_INVALID_FUNCTION);
}

bool SimPlatform::write_profile_string(const char*, const char*, const char*) {
    if (fail("write_profile_string")) return false;
    return fail_with(ERROR_INVALID_FUNCTION);
}

}  // namespace zep::sim

// The notation of the Wine probes' queries and answers, shared by the probes that write
// them and the host tests that replay them: fields separated by TABs, "~" a null pointer,
// \t \n \r \\ and \xHH standing for those bytes. Standard C++ only: it builds for Windows too.
#pragma once

#include <cctype>
#include <cstdio>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace zep::probe {

struct Field {
    bool null = false;
    std::string text;
    const char* ptr() const { return null ? nullptr : text.c_str(); }
};

inline int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

inline Field Unescape(const std::string& raw) {
    if (raw == "~") return {true, ""};
    Field f;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        if (c == '\\' && i + 1 < raw.size()) {
            c = raw[++i];
            if (c == 't') c = '\t';
            else if (c == 'n') c = '\n';
            else if (c == 'r') c = '\r';
            else if (c == 'x' && i + 2 < raw.size() && HexValue(raw[i + 1]) >= 0 && HexValue(raw[i + 2]) >= 0) {
                c = static_cast<char>(HexValue(raw[i + 1]) * 16 + HexValue(raw[i + 2]));
                i += 2;
            }
        }
        f.text += c;
    }
    return f;
}

inline const char kHexDigits[] = "0123456789abcdef";

// Bytes as a field: below 0x20 and above 0x7E escaped; a text "~" is not a null pointer.
inline std::string Escape(const std::string& bytes) {
    if (bytes == "~") return "\\x7e";
    std::string s;
    for (unsigned char c : bytes) {
        if (c == '\\') s += "\\\\";
        else if (c >= 0x20 && c <= 0x7E) s += static_cast<char>(c);
        else s += {'\\', 'x', kHexDigits[c >> 4], kHexDigits[c & 15]};
    }
    return s;
}

inline std::string Escape(const Field& f) { return f.null ? "~" : Escape(f.text); }

inline std::string Hex(const unsigned char* p, std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += {kHexDigits[p[i] >> 4], kHexDigits[p[i] & 15]};
    return s;
}

inline std::string Hex(const std::string& bytes) {
    return Hex(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

inline std::string FromHex(const std::string& hex) {
    std::string s;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        s += static_cast<char>(HexValue(hex[i]) * 16 + HexValue(hex[i + 1]));
    }
    return s;
}

inline std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> out(1);
    for (char c : line) {
        if (c == '\t') out.emplace_back();
        else out.back() += c;
    }
    return out;
}

// Feeds each query line of IN (LF or CR LF) to RUN; "#" lines go to OUT unchanged, as
// headings of the answers. A query RUN refuses is reported as "COMPLAINT: line" and the
// result is 2; closes both files.
template <typename Run>
int RunQueries(std::FILE* in, std::FILE* out, const char* complaint, Run run) {
    int status = 0;
    std::string line;
    for (int c = 0; c != EOF;) {
        c = std::fgetc(in);
        if (c != '\n' && c != EOF) {
            line += static_cast<char>(c);
            continue;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '#') std::fprintf(out, "%s\n", line.c_str());
        else if (!line.empty() && !run(line)) {
            std::fprintf(stderr, "%s: %s\n", complaint, line.c_str());
            status = 2;
        }
        line.clear();
    }
    std::fclose(in);
    return std::fclose(out) == 0 ? status : 2;
}

// The answers under one "# heading", named for a test (letters and digits, "_" for the rest).
struct AnswerGroup {
    std::string name;
    std::vector<std::string> lines;
};

inline void PrintTo(const AnswerGroup& g, std::ostream* os) { *os << g.name; }

inline std::vector<AnswerGroup> LoadAnswerGroups(const std::string& answers) {
    std::vector<AnswerGroup> groups;
    std::ifstream in(answers, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("# ", 0) == 0) {
            std::string name;
            for (char c : line.substr(2)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
            groups.push_back({name, {}});
        } else if (!line.empty() && line[0] != '#' && !groups.empty()) {
            groups.back().lines.push_back(line);
        }
    }
    return groups;
}

}  // namespace zep::probe

#include "tools/zep/script_text.h"

#include <cctype>

namespace zep::tool {

namespace {

std::string Trim(const std::string& s) {
    const char* blanks = " \t\r\n\v\f\x1a";
    std::size_t a = s.find_first_not_of(blanks);
    if (a == std::string::npos) return {};
    return s.substr(a, s.find_last_not_of(blanks) - a + 1);
}

}  // namespace

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

ScriptText::ScriptText(const std::string& bytes) {
    std::string line;
    int number = 1;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines_.push_back({number++, line});
            line.clear();
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            line.push_back(c);
        }
    }
    if (!line.empty()) lines_.push_back({number, line});
}

std::string ScriptText::bytes() const {
    std::string out;
    for (const ScriptLine& l : lines_) out += l.text + "\r\n";
    return out;
}

bool ScriptText::ParseHeader(const std::string& line, std::string& name) {
    std::string t = Trim(line);
    std::size_t close = t.rfind(']');
    if (t.empty() || t[0] != '[' || close == std::string::npos) return false;
    name = Trim(t.substr(1, close - 1));
    return true;
}

bool ScriptText::ParseKeyLine(const std::string& line, std::string& key, std::string& value) {
    std::string t = Trim(line);
    if (t.empty() || t[0] == ';') return false;
    std::size_t eq = t.find('=');
    if (eq == std::string::npos) return false;
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        value = value.substr(1, value.size() - 2);
    }
    return true;
}

int ScriptText::section(const std::string& name) const {
    std::string found;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (ParseHeader(lines_[i].text, found) && SameName(found, name)) return static_cast<int>(i);
    }
    return -1;
}

std::vector<ScriptText::Entry> ScriptText::entries(const std::string& name) const {
    std::vector<Entry> out;
    int start = section(name);
    if (start < 0) return out;
    std::string header, key, value;
    for (std::size_t i = start + 1; i < lines_.size(); ++i) {
        if (ParseHeader(lines_[i].text, header)) break;
        if (ParseKeyLine(lines_[i].text, key, value)) out.push_back({static_cast<int>(i), key, value});
    }
    return out;
}

int ScriptText::key(const std::string& section_name, const std::string& key_name) const {
    for (const Entry& e : entries(section_name)) {
        if (SameName(e.key, key_name)) return e.index;
    }
    return -1;
}

std::vector<std::string> ScriptText::section_names() const {
    std::vector<std::string> out;
    std::string name;
    for (const ScriptLine& l : lines_) {
        if (ParseHeader(l.text, name)) out.push_back(name);
    }
    return out;
}

void ScriptText::set(const std::string& section_name, const std::string& key_name, const std::string& value) {
    const std::string text = key_name + "=" + value;
    int at = key(section_name, key_name);
    if (at >= 0) {
        lines_[at].text = text;
        return;
    }
    int header = section(section_name);
    if (header < 0) {
        lines_.push_back({0, "[" + section_name + "]"});
        lines_.push_back({0, text});
        return;
    }
    lines_.insert(lines_.begin() + header + 1, {0, text});
}

void ScriptText::replace(int index, const std::string& text) {
    if (index >= 0 && index < static_cast<int>(lines_.size())) lines_[index].text = text;
}

}  // namespace zep::tool

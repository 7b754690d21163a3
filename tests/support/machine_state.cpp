#include "tests/support/machine_state.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace zep::test {

namespace fs = std::filesystem;

namespace {

void CaptureKey(const sim::RegistryKey& key, const std::string& path, MachineState& out) {
    for (const auto& [name, value] : key.values) {
        std::string data(value.data.begin(), value.data.end());
        if (!data.empty() && data.back() == '\0') data.pop_back();  // REG_SZ's terminator
        out.registry.insert(path + "\\[" + value.name + "]=" + data);
        out.keys[path][name] = data;
    }
    for (const auto& [name, sub] : key.subkeys) {
        const std::string child = path.empty() ? sub->name : path + "\\" + sub->name;
        out.registry.insert(child);
        out.keys[child];
        CaptureKey(*sub, child, out);
    }
}

}  // namespace

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

MachineState Capture(sim::Machine& m) {
    MachineState s;
    for (const auto& entry : fs::recursive_directory_iterator(m.sandbox())) {
        std::string name = fs::relative(entry.path(), m.sandbox()).string();
        for (char& c : name) c = c == '/' ? '\\' : c;
        if (entry.is_directory()) {
            s.files[Upper(name)] = kFolder;
        } else {
            std::ifstream in(entry.path(), std::ios::binary);
            s.files[Upper(name)] = std::string((std::istreambuf_iterator<char>(in)), {});
        }
    }
    CaptureKey(m.registry, "", s);
    for (const std::string& command : m.progman.commands) {
        const std::size_t open = command.find('('), close = command.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        const std::string group = command.substr(open + 1, close - open - 1);
        if (command.rfind("[CreateGroup(", 0) == 0) s.groups.insert(group);
        if (command.rfind("[DeleteGroup(", 0) == 0) s.groups.erase(group);
    }
    return s;
}

std::vector<std::string> Diff(const MachineState& before, const MachineState& after) {
    std::vector<std::string> out;
    for (const auto& [name, content] : after.files) {
        auto it = before.files.find(name);
        if (it == before.files.end()) out.push_back("+ " + name);
        else if (it->second != content) out.push_back("~ " + name);
    }
    for (const auto& [name, content] : before.files) {
        if (after.files.count(name) == 0) out.push_back("- " + name);
    }
    for (const std::string& r : after.registry) {
        if (before.registry.count(r) == 0) out.push_back("+ registry " + r);
    }
    for (const std::string& r : before.registry) {
        if (after.registry.count(r) == 0) out.push_back("- registry " + r);
    }
    for (const std::string& g : after.groups) {
        if (before.groups.count(g) == 0) out.push_back("+ group " + g);
    }
    return out;
}

std::string Lines(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

}  // namespace zep::test

// What a simulated machine holds that an installation changes, captured so that two
// moments can be compared: files and folders, the registry, the groups of Program Manager.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/sim/machine.h"

namespace zep::test {

struct MachineState {
    std::map<std::string, std::string> files;  // "C\WINDOWS\X.INI" -> content, "<folder>"
    std::set<std::string> registry;            // key paths, and values as "path\[name]=data"
    // The same values by key: key path -> value name (upper case) -> data.
    std::map<std::string, std::map<std::string, std::string>> keys;
    std::set<std::string> groups;
};

inline constexpr char kFolder[] = "<folder>";

MachineState Capture(sim::Machine& m);

// The differences, one line each: "+ added", "- removed", "~ changed".
std::vector<std::string> Diff(const MachineState& before, const MachineState& after);

// Sorted, one a line.
std::string Lines(std::vector<std::string> lines);

std::string Upper(std::string s);

}  // namespace zep::test

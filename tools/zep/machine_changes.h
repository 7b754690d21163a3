// What a simulated machine holds that an installation changes (files and folders of the
// hard disks, INI files, the registry, fonts, the shell's group commands, started
// programs, what is left for the next restart), captured before and after and compared.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "tools/zep/simulation.h"

namespace zep::tool {

struct FileState {
    bool folder = false;
    std::uint64_t size = 0;
    std::uint64_t hash = 0;
    FileTime written{};
    std::uint32_t attributes = 0;
    std::optional<std::string> ini;  // the text of a .INI file
};

struct RegValue {
    std::string name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
};

struct MachineState {
    std::map<std::string, FileState> files;  // by upper-case Windows path
    std::map<std::string, std::string> spelling;  // upper-case -> as on the machine
    std::map<std::string, std::map<std::string, RegValue>> registry;  // key path -> values by upper-case name
    std::map<std::string, std::string> key_spelling;
    std::map<std::string, int> fonts;
    std::size_t group_commands = 0, started = 0, pending_moves = 0;
};

// The machine's state now: the hard disks C: and D:, the registry, and how many group
// commands, started programs and restart moves it has recorded so far.
MachineState CaptureMachine(sim::Machine& m);

// What changed from a to b (b being the machine's state now).
MachineChanges CompareMachine(const MachineState& a, const MachineState& b, sim::Machine& m);

}  // namespace zep::tool

// An installer on a scratch simulated machine, set up for one platform and display, that
// loads an install script exactly as start-up would. The zep commands that run the
// installer itself (check, pack, list, unpack) share it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "shell/installer.h"

namespace zep::tool {

struct CheckPlatform {
    std::string name;  // win95, nt351, nt40
    std::uint32_t major, minor, platform_id;
};

const std::vector<CheckPlatform>& KnownPlatforms();
extern const char* const kDisplayNames[3];

class ScratchInstaller {
public:
    // The script lies in C:\SETUP beside setup.exe; the machine's drives live in sandbox.
    ScratchInstaller(const std::filesystem::path& sandbox, const CheckPlatform& platform, int display,
                     const std::string& script);
    ~ScratchInstaller();
    ScratchInstaller(const ScratchInstaller&) = delete;
    ScratchInstaller& operator=(const ScratchInstaller&) = delete;

    // The loader's result: 0, or the dialog that reports the error.
    std::uint16_t code() const { return code_; }
    const Installer& installer() const { return in_; }
    // The dialog the user would see, as one line of text.
    std::string dialog_text();
    // A stored string of the script tables; "" for atom 0.
    std::string text(Atom atom);

    // One [Disk n] entry of the loaded tables.
    struct Entry {
        int disk;  // 1 to TotalDisks
        std::string source, destination;
        std::uint16_t resource_id;
        std::uint8_t kind, flags;
    };
    std::vector<Entry> entries();
    std::vector<std::string> disk_names();

private:
    sim::Machine machine_;
    sim::SimPlatform os_;
    Installer in_;
    std::uint16_t code_ = 0;
};

// A scratch folder of this process, removed when it goes.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& what);
    ~ScratchFolder();
    // A fresh sub-folder for one run.
    std::filesystem::path next();

private:
    std::filesystem::path base_;
    int runs_ = 0;
};

}  // namespace zep::tool

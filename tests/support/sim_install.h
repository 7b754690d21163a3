// A whole installer on a fresh simulated machine: the test's sandbox, a process running
// setup.exe from C:\SETUP with the real resources, and the installer's context.
#pragma once

#include <filesystem>
#include <string>

#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "shell/installer.h"

namespace zep::test {

// A folder of its own for the running test, emptied first and removed afterwards
// (kept when ZEP_KEEP_SANDBOX is set).
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

struct SimInstall {
    explicit SimInstall(const std::string& module = "C:\\SETUP\\SETUP.EXE");

    // Writes the install script beside setup.exe.
    void put_script(const std::string& text, const std::string& folder = "C:\\SETUP");
    int run();
    // Probes the environment and loads the script, as start-up does; the install code.
    std::uint16_t load(const std::string& script);
    // A stored string read back; "" for atom 0.
    std::string text(Atom atom);

    Sandbox sandbox;
    sim::Machine machine;
    sim::SimPlatform os;
    Installer in;
};

// A complete small script, correct as it stands; tests change what they need.
std::string SampleScript();

}  // namespace zep::test

// The install script loader over arbitrary bytes: no crash, no overrun, and whatever it
// answers, clean-up gives back every string and block it took.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "script/loader.h"
#include "shell/environment.h"
#include "shell/shell.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path sandbox =
        std::filesystem::temp_directory_path() / ("zep-fuzz-loader-" + std::to_string(getpid()));
    static zep::sim::Machine machine(sandbox);
    // The first byte picks the platform and display; the rest is the script.
    const std::uint8_t pick = size > 0 ? data[0] : 0;
    machine.version = (pick & 1) != 0 ? zep::OsVersion{4, 0, 0, 2} : zep::OsVersion{4, 0, 0, 1};
    machine.pixels_per_inch = 72 + 24 * ((pick >> 1) % 3);
    machine.put_file("C:\\SETUP\\INSTALL.INI",
                     size > 0 ? std::string(reinterpret_cast<const char*>(data) + 1, size - 1) : "");
    zep::sim::SimPlatform os(machine, "C:\\SETUP\\SETUP.EXE");
    static const zep::sim::ResourceSet resources = [] {
        zep::sim::ResourceSet r;
        if (!r.load_res_file(ZEP_SETUP_RES)) std::abort();
        return r;
    }();
    os.resources = resources;
    zep::Installer in(os.services());
    os.set_context(&in);
    zep::ProbeVersion(in);
    zep::ComputeRoots(in);
    zep::ProbeDisplay(in);
    zep::LoadInstallScript(in);
    zep::ReleaseScriptTables(in);
    if (os.global_block_count() != 0) std::abort();
    return 0;
}

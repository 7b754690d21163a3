// The install script loader over arbitrary bytes, with its files: no crash, no overrun,
// and whatever it answers, clean-up gives back every string and block it took.
//
// Input: a first byte that picks the platform (bit 0: NT), the display (bits 1-2) and the
// mode (bit 3: embedded), then the script; after a line "\0FILE\0", the bytes of the help
// file. On disks the help file is C:\SETUP\SAMPLE.HL_ (the seeds name it); embedded, the
// script and the help file are resources 12000 and 12001, expanded as the installer does.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/embedded_payload.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "script/loader.h"
#include "shell/environment.h"
#include "shell/shell.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path sandbox =
        std::filesystem::temp_directory_path() / ("zep-fuzz-loader-" + std::to_string(getpid()));
    static zep::sim::Machine machine(sandbox);
    static const zep::sim::ResourceSet resources = [] {
        zep::sim::ResourceSet r;
        if (!r.load_res_file(ZEP_SETUP_RES)) std::abort();
        return r;
    }();
    const std::uint8_t pick = size > 0 ? data[0] : 0;
    std::string_view rest = size > 0 ? std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1) : "";
    static constexpr std::string_view kFile("\0FILE\0", 6);
    const std::size_t cut = rest.find(kFile);
    const std::string script(rest.substr(0, cut));
    const std::string help(cut == std::string_view::npos ? std::string_view() : rest.substr(cut + kFile.size()));
    const bool embedded = (pick & 8) != 0;

    // What the last input left in the Windows directory is gone: each starts afresh.
    std::error_code ec;
    std::filesystem::remove_all(machine.host_path("C:\\WINDOWS"), ec);
    std::filesystem::remove_all(machine.host_path("C:\\SETUP"), ec);
    std::filesystem::create_directories(machine.host_path(machine.system_dir), ec);
    machine.version = (pick & 1) != 0 ? zep::OsVersion{4, 0, 0, 2} : zep::OsVersion{4, 0, 0, 1};
    machine.pixels_per_inch = 72 + 24 * ((pick >> 1) % 3);

    zep::sim::SimPlatform os(machine, "C:\\SETUP\\SETUP.EXE");
    os.resources = resources;
    if (embedded) {
        os.resources.add(zep::kPayloadType, zep::kScriptResource, {script.begin(), script.end()});
        os.resources.add(zep::kPayloadType, zep::kHelpResource, {help.begin(), help.end()});
        machine.put_file("C:\\SETUP\\SETUP.EXE", "");
    } else {
        machine.put_file("C:\\SETUP\\INSTALL.INI", script);
        machine.put_file("C:\\SETUP\\SAMPLE.HL_", help);
    }
    zep::Installer in(os.services());
    os.set_context(&in);
    zep::ProbeVersion(in);
    zep::ComputeRoots(in);
    zep::ProbeDisplay(in);
    zep::LoadInstallScript(in);
    zep::ReleaseScriptTables(in);
    if (os.global_block_count() != 0 || os.open_file_count() != 0 || os.open_expansions() != 0) std::abort();
    return 0;
}

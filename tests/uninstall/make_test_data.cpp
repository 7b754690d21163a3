// The data resource of uninst.exe for a product laid out as disks, made as `zep pack`
// will make it: for the end-to-end tests, which link it into uninst.exe with
// link-uninst.sh until zep pack writes it.
//
//   uninstall_test_data FOLDER OUT [DATE TIME]
//
// FOLDER holds INSTALL.INI and the disks' files. Each [Disk n] line's size is its file
// expanded; its time stamp is DATE TIME (MS-DOS, as strings 8001 and 8002 give an
// embedded installer's) or else the file's own, in this machine's local time.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "script/loader.h"
#include "shell/environment.h"
#include "szdd/szdd.h"
#include "uninstall/make_uninstall_data.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

int Fail(const std::string& why) {
    std::fprintf(stderr, "uninstall_test_data: %s\n", why.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) return Fail("usage: uninstall_test_data FOLDER OUT [DATE TIME]");
    const fs::path folder = argv[1];
    const std::string script = Read(folder / "INSTALL.INI");
    const fs::path sandbox = fs::temp_directory_path() / ("zep-uninstall-data-" + std::to_string(getpid()));

    std::vector<zep::PackedLine> lines;
    for (int ppi : {72, 96, 120}) {
        fs::remove_all(sandbox);
        zep::sim::Machine machine(sandbox);
        machine.pixels_per_inch = ppi;
        zep::sim::SimPlatform os(machine, "C:\\SETUP\\SETUP.EXE");
        os.resources.load_res_file(ZEP_SETUP_RES);
        zep::Installer in(os.services());
        os.set_context(&in);
        machine.put_file("C:\\SETUP\\INSTALL.INI", script);
        zep::ProbeVersion(in);
        zep::ComputeRoots(in);
        zep::ProbeDisplay(in);
        if (zep::LoadInstallScript(in) != 0) return Fail("the script in " + folder.string() + " does not load");
        for (const zep::PackedLine& line : zep::LoadedLines(in)) lines.push_back(line);
        zep::ReleaseScriptTables(in);
    }
    fs::remove_all(sandbox);

    for (zep::PackedLine& line : lines) {
        const fs::path file = folder / line.source;
        const std::string bytes = Read(file);
        zep::szdd::Header header{};
        line.size = zep::szdd::ParseHeader(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), header)
                        ? header.expanded_length
                        : static_cast<std::uint32_t>(bytes.size());
        struct stat st {};
        if (argc == 5) {
            line.dos_date = static_cast<std::uint16_t>(std::stoul(argv[3]));
            line.dos_time = static_cast<std::uint16_t>(std::stoul(argv[4]));
        } else if (stat(file.c_str(), &st) == 0) {
            zep::DosStampOf(st.st_mtime, line.dos_date, line.dos_time);
        } else {
            return Fail("no file " + file.string());
        }
    }
    std::vector<std::uint8_t> data;
    std::string error;
    if (!zep::MakeUninstallData(script, lines, data, error)) return Fail(error);
    std::ofstream(argv[2], std::ios::binary).write(reinterpret_cast<const char*>(data.data()),
                                                   static_cast<std::streamsize>(data.size()));
    return 0;
}

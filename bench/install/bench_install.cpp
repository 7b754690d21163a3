// Installs a prepared product on the simulated platform and prints its throughput next to
// a plain copy of the same (expanded) files.
//   bench_install SETUP_DIR EXPECTED_DIR SCRATCH_DIR
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "dialogs/dialog_table.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "shell/shell.h"

namespace fs = std::filesystem;

namespace {

std::uint64_t TreeBytes(const fs::path& root, std::size_t* files = nullptr) {
    std::uint64_t total = 0;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        total += e.file_size();
        if (files) ++*files;
    }
    return total;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_install SETUP_DIR EXPECTED_DIR SCRATCH_DIR\n");
        return 2;
    }
    const fs::path setup = argv[1], expected = argv[2], scratch = argv[3];
    std::size_t files = 0;
    const double mb = TreeBytes(expected, &files) / 1e6;
    const double stored = TreeBytes(setup) / 1e6;
    fs::remove_all(scratch);
    fs::create_directories(scratch);

    auto start = std::chrono::steady_clock::now();
    fs::copy(expected, scratch / "copy", fs::copy_options::recursive);
    const double copy_seconds = Seconds(start);

    zep::sim::Machine machine(scratch / "machine");
    machine.map_drive('D', setup);
    machine.drive('C')->free_bytes = 1ull << 40;
    zep::sim::SimPlatform os(machine, "D:\\SETUP.EXE");
    if (!os.resources.load_res_file(ZEP_SETUP_RES)) return 1;
    zep::Installer installer(os.services());
    os.set_context(&installer);
    os.user.answer(zep::kDlgNewInstall, {zep::sim::Click(zep::IDOK)}).answer(0, {zep::sim::Click(zep::IDOK)});
    start = std::chrono::steady_clock::now();
    zep::RunInstaller(installer);
    const double install_seconds = Seconds(start);
    const bool complete = os.user.dialog_ids().size() == 3 && os.user.errors.empty();
    if (!complete) std::fputs(os.user.transcript_text().c_str(), stderr);
    fs::remove_all(scratch);

    std::printf("%zu files, %.1f MB expanded, %.1f MB as stored\n", files, mb, stored);
    std::printf("plain copy of the expanded files     %8.1f MB/s\n", mb / copy_seconds);
    std::printf("install on the simulated platform    %8.1f MB/s  (%.2f of the copy)%s\n", mb / install_seconds,
                copy_seconds / install_seconds, complete ? "" : "  INCOMPLETE");
    return complete ? 0 : 1;
}

// Installs a prepared product on the simulated platform and prints its throughput next to
// a plain copy of the same (expanded) files, the best of three of each; then installs it
// once more with every platform call counted and prints the calls made per installed file.
//   bench_install SETUP_DIR EXPECTED_DIR SCRATCH_DIR
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

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

struct Install {
    double seconds = 0;
    bool complete = false;
    std::vector<std::string> calls;  // only when counted
};

// One whole install of the product in SETUP_DIR into a fresh machine under scratch.
Install RunInstall(const fs::path& setup, const fs::path& scratch, bool count) {
    zep::sim::Machine machine(scratch / "machine");
    machine.map_drive('D', setup);
    machine.drive('C')->free_bytes = 1ull << 40;
    zep::sim::SimPlatform os(machine, "D:\\SETUP.EXE");
    Install result;
    if (!os.resources.load_res_file(ZEP_SETUP_RES)) return result;
    zep::Installer installer(os.services());
    os.set_context(&installer);
    os.user.answer(zep::kDlgNewInstall, {zep::sim::Click(zep::IDOK)}).answer(0, {zep::sim::Click(zep::IDOK)});
    os.faults.record_calls(count);
    const auto start = std::chrono::steady_clock::now();
    zep::RunInstaller(installer);
    result.seconds = Seconds(start);
    result.complete = os.user.dialog_ids().size() == 3 && os.user.errors.empty();
    if (!result.complete) std::fputs(os.user.transcript_text().c_str(), stderr);
    result.calls = os.faults.calls();
    return result;
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

    // Best of three of each, taken in turns, each after a sync: the kernel's writing back
    // of what the run before wrote does not land on the one timed.
    double copy_seconds = 1e9, install_seconds = 1e9;
    bool complete = true;
    for (int round = 0; round < 3; ++round) {
        sync();
        const auto start = std::chrono::steady_clock::now();
        fs::copy(expected, scratch / "copy", fs::copy_options::recursive);
        copy_seconds = std::min(copy_seconds, Seconds(start));
        fs::remove_all(scratch / "copy");
        sync();
        const Install run = RunInstall(setup, scratch, false);
        install_seconds = std::min(install_seconds, run.seconds);
        complete = complete && run.complete;
        fs::remove_all(scratch / "machine");
    }
    const Install counted = RunInstall(setup, scratch, true);
    fs::remove_all(scratch);
    complete = complete && counted.complete;

    std::printf("%zu files, %.1f MB expanded, %.1f MB as stored\n", files, mb, stored);
    std::printf("plain copy of the expanded files     %8.1f MB/s\n", mb / copy_seconds);
    std::printf("install on the simulated platform    %8.1f MB/s  (%.2f of the copy; target 0.50 or more: %s)%s\n",
                mb / install_seconds, copy_seconds / install_seconds, copy_seconds / install_seconds >= 0.5 ? "met" : "missed",
                complete ? "" : "  INCOMPLETE");

    // The whole run's calls, so the dialogs before and after the copy are in it too; with
    // thousands of files they round away.
    std::map<std::string, std::size_t> per_op;
    for (const std::string& op : counted.calls) ++per_op[op];
    std::vector<std::pair<std::size_t, std::string>> ranked;
    for (const auto& [op, n] : per_op) ranked.emplace_back(n, op);
    std::sort(ranked.rbegin(), ranked.rend());
    std::printf("\nplatform calls per installed file (%zu calls in all):\n", counted.calls.size());
    for (const auto& [n, op] : ranked) {
        const double each = static_cast<double>(n) / static_cast<double>(files);
        if (each >= 0.05) std::printf("  %-24s %6.2f\n", op.c_str(), each);
    }
    std::printf("  %-24s %6.2f\n", "all", static_cast<double>(counted.calls.size()) / static_cast<double>(files));
    return complete ? 0 : 1;
}

// zep check PRODUCT... [--platform P] [--display D]
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/zep/commands.h"
#include "tools/zep/product.h"
#include "tools/zep/product_input.h"
#include "tools/zep/script_check.h"

namespace fs = std::filesystem;

namespace zep::tool {

namespace {

const char kHelp[] =
    "usage: zep check PRODUCT... [--platform win95|nt351|nt40|all] [--display ega|vga|8514|all]\n"
    "\n"
    "Reads an install script exactly as setup.exe reads it, on each chosen platform and\n"
    "display class (all of them unless told otherwise), and reports:\n"
    "  errors    the dialog a user would see (its id and its text) and the line that\n"
    "            caused it. setup.exe stops at its first error; zep check gets past each\n"
    "            one and goes on, so one run reports them all;\n"
    "  warnings  what setup.exe passes over in silence: unknown keys, file flags and\n"
    "            platform words, values cut at 259 characters, numbered keys after a gap,\n"
    "            [Disk n] sections beyond TotalDisks, installation files missing from the\n"
    "            script's folder, a DiskSpace smaller than the files expand to, and a help\n"
    "            file that is not in the WinHelp format (make it with 'zep help') or whose\n"
    "            installed name a [Disk n] line also installs (clean-up would delete that\n"
    "            copy), group items without a title or with a program file of more than\n"
    "            63 characters.\n"
    "  Names and titles of [Program Manager Group] and [Old Program Manager Groups]\n"
    "  that hold a double quote are errors too: setup.exe skips them.\n"
    "\n"
    "  notes     what is worth knowing but not wrong: a product folder whose script has\n"
    "            UninstallName and installs no Target\\UNINST.EXE gets zep pack's uninstaller;\n"
    "            a packed product (disk set or setup.exe) without one is warned of.\n"
    "\n"
    "PRODUCT is INSTALL.INI, the product folder holding it with the installation files, a\n"
    "disk set (a folder of DISK1, DISK2, ... folders as 'zep pack --disks' writes them, or\n"
    "the disks' folders one after the other, disk 1 first: each [Disk n] file is looked\n"
    "for on disk n, and one found on another disk is warned of), or an embedded setup.exe\n"
    "(its script, resource 12000, is checked, with the files taken from its resources).\n"
    "A file that is none of these (a binary file, a plain setup.exe) is refused.\n"
    "Exit status: 0 no errors (warnings allowed), 1 errors, 2 usage or input that cannot\n"
    "be read (missing, a folder without a script, a script larger than 16 MiB).\n";

}  // namespace

int CheckCommand(int argc, char** argv) {
    std::vector<std::string> targets;
    std::string platform = "all", display = "all";
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if ((arg == "--platform" || arg == "--display") && i + 1 < argc) {
            (arg == "--platform" ? platform : display) = argv[++i];
        } else if (!arg.empty() && arg[0] != '-') {
            targets.push_back(arg);
        } else {
            std::fprintf(stderr, "zep check: unexpected argument '%s'\n\n%s", arg.c_str(), kHelp);
            return 2;
        }
    }
    if (targets.empty()) {
        std::fputs(kHelp, stderr);
        return 2;
    }
    CheckOptions options;
    for (const CheckPlatform& p : KnownPlatforms()) {
        if (platform == "all" || platform == p.name) options.platforms.push_back(p);
    }
    for (int d = 0; d < 3; ++d) {
        if (display == "all" || display == kDisplayNames[d]) options.displays.push_back(d);
    }
    if (options.platforms.empty() || options.displays.empty()) {
        std::fprintf(stderr, "zep check: unknown platform or display\n\n%s", kHelp);
        return 2;
    }
    ProductInput input;
    std::string error;
    if (!OpenProductInput(targets, "INSTALL.INI", input, error)) {
        std::fprintf(stderr, "zep check: %s\n", error.c_str());
        return 2;
    }
    std::string script = input.script_path.string();
    switch (input.kind) {
        case ProductInput::Kind::kScript:
        case ProductInput::Kind::kFolder:
            options.folder = input.folders[0].string();
            options.uninstaller = CheckOptions::Uninstaller::kPackAdds;
            break;
        case ProductInput::Kind::kDiskSet:
            options.folder = input.folders[0].string();
            for (const fs::path& f : input.folders) options.disk_folders.push_back(f.string());
            options.uninstaller = CheckOptions::Uninstaller::kRequired;
            break;
        case ProductInput::Kind::kEmbedded:
            options.embedded = input.setup.get();
            options.uninstaller = CheckOptions::Uninstaller::kRequired;
            script = input.label + " (resource 12000)";
            break;
    }
    if (options.folder.empty() && input.kind != ProductInput::Kind::kEmbedded) options.folder = ".";

    const std::size_t combinations = options.platforms.size() * options.displays.size();
    int errors = 0, warnings = 0;
    for (const Finding& f : CheckScript(input.script, options)) {
        if (!f.note) ++(f.error ? errors : warnings);
        std::printf("%s\n", FormatFinding(f, script, combinations).c_str());
    }
    std::printf("%d error%s, %d warning%s\n", errors, errors == 1 ? "" : "s", warnings, warnings == 1 ? "" : "s");
    return errors > 0 ? 1 : 0;
}

}  // namespace zep::tool

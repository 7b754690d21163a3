// zep check SCRIPT_OR_FOLDER [--platform P] [--display D]
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/zep/commands.h"
#include "tools/zep/file_command.h"
#include "tools/zep/product.h"
#include "tools/zep/script_check.h"

namespace fs = std::filesystem;

namespace zep::tool {

namespace {

const char kHelp[] =
    "usage: zep check SCRIPT_OR_FOLDER [--platform win95|nt351|nt40|all] [--display ega|vga|8514|all]\n"
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
    "SCRIPT_OR_FOLDER is INSTALL.INI or the folder holding it with the installation files.\n"
    "Exit status: 0 no errors (warnings allowed), 1 errors, 2 usage or a script that\n"
    "cannot be read (missing, a folder without INSTALL.INI, larger than 16 MiB).\n";

}  // namespace

int CheckCommand(int argc, char** argv) {
    std::string target, platform = "all", display = "all";
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if ((arg == "--platform" || arg == "--display") && i + 1 < argc) {
            (arg == "--platform" ? platform : display) = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && target.empty()) {
            target = arg;
        } else {
            std::fprintf(stderr, "zep check: unexpected argument '%s'\n\n%s", arg.c_str(), kHelp);
            return 2;
        }
    }
    if (target.empty()) {
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
    std::error_code ec;
    std::string script = fs::is_directory(target, ec) ? ProductFolder(target).find("INSTALL.INI").string() : target;
    if (script.empty()) {
        std::fprintf(stderr, "zep check: %s: cannot read: no INSTALL.INI in the folder\n", target.c_str());
        return 2;
    }
    std::vector<std::uint8_t> data;
    std::string error;
    if (!ReadInput(script, 16u << 20, "the 16 MiB zep check reads", data, error)) {
        std::fprintf(stderr, "zep check: %s: %s\n", script.c_str(), error.c_str());
        return 2;
    }
    const std::string bytes(data.begin(), data.end());
    options.folder = fs::path(script).parent_path().string();
    if (options.folder.empty()) options.folder = ".";

    const std::size_t combinations = options.platforms.size() * options.displays.size();
    int errors = 0, warnings = 0;
    for (const Finding& f : CheckScript(bytes, options)) {
        ++(f.error ? errors : warnings);
        std::printf("%s\n", FormatFinding(f, script, combinations).c_str());
    }
    std::printf("%d error%s, %d warning%s\n", errors, errors == 1 ? "" : "s", warnings, warnings == 1 ? "" : "s");
    return errors > 0 ? 1 : 0;
}

}  // namespace zep::tool

// zep simulate PRODUCT [--platform P] [--display D] [--from A:|C:\SETUP] ...
#include <cstdio>
#include <exception>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tools/zep/commands.h"
#include "tools/zep/file_command.h"
#include "tools/zep/output.h"
#include "tools/zep/simulation.h"

namespace zep::tool {

namespace {

const char kHelp[] =
    "usage: zep simulate PRODUCT... [--platform win95|nt351|nt40] [--display ega|vga|8514]\n"
    "                   [--from A:|C:\\SETUP] [--installed DIR[,VERSION]] [--free-kb N]\n"
    "                   [--windows C:\\WINDOWS] [--answers FILE] [--json] [--report FILE.html]\n"
    "                   [--then-uninstall]\n"
    "\n"
    "Runs setup.exe's own code on a simulated Windows and reports what a person would see\n"
    "and what the machine holds afterwards, before any Windows runs it.\n"
    "\n"
    "PRODUCT is a product folder (INSTALL.INI and its files, as for 'zep pack'), an\n"
    "install script, a disk set (a folder of DISK1, DISK2, ... folders as 'zep pack\n"
    "--disks' writes them, or the disks' folders one after the other), or an embedded\n"
    "setup.exe ('zep pack --embedded'). A product folder is laid out as its disks would\n"
    "hold it (names ending in '_' compressed on the way).\n"
    "\n"
    "The machine:\n"
    "  --platform P        win95, nt351 or nt40 (default nt40)\n"
    "  --display D         ega, vga or 8514 (default vga)\n"
    "  --from WHERE        where setup.exe starts: A: (a floppy drive, one disk at a time)\n"
    "                      or a folder of a hard disk such as C:\\SETUP (every disk's files\n"
    "                      in it). Default: A: for a disk set, else C:\\SETUP\n"
    "  --installed DIR[,VERSION]  an earlier copy: the product INI names DIR (and VERSION,\n"
    "                      by default the script's ProductVersion), DIR holds its files\n"
    "  --free-kb N         free space on the drive of DefaultTargetDir, in KB\n"
    "  --windows DIR       the Windows directory (default C:\\WINDOWS; the system directory\n"
    "                      is SYSTEM in it on Windows 95, SYSTEM32 on NT). C: and D: are\n"
    "                      hard disks.\n"
    "\n"
    "The person, by default, accepts every default: presses Enter on each dialog (Begin,\n"
    "OK, Yes, Install fonts, Retry), inserts each disk when asked and never cancels.\n"
    "  --answers FILE      answers for chosen dialogs, one line each, by dialog id:\n"
    "                        2400: type 1701 D:\\TOOLS; click 1\n"
    "                        1700: insert 2; click 1\n"
    "                        2203: click 2\n"
    "                      actions: click ID, type ID TEXT, key Enter|Escape|F1, close (the\n"
    "                      close box), insert N (disk N into the floppy drive). Lines for\n"
    "                      the same dialog answer its showings in turn, the last one every\n"
    "                      later showing; '#' starts a comment. A dialog without a line\n"
    "                      gets the default answer.\n"
    "A dialog that comes back unchanged three times in a row (Retry with nothing changed)\n"
    "is answered with Cancel; one that still comes back stops the run.\n"
    "\n"
    "Output: every dialog in order (id, caption, texts, buttons, greyed ones marked, what\n"
    "was clicked or typed and by whom), how the installation ended, then what changed:\n"
    "files created (+), replaced (~) or deleted (-) with sizes and time stamps, INI\n"
    "entries, registry values under HKEY_LOCAL_MACHINE, fonts loaded, Program Manager\n"
    "commands, programs started, files left in the Windows directory.\n"
    "  --json              the same as one JSON object, for an author's CI\n"
    "  --report FILE.html  the same as one page, each dialog drawn from its template\n"
    "  --then-uninstall    after the installation, run the uninstaller 'zep pack' adds\n"
    "                      from the uninstall entry (answers for its dialogs 3100 to 3400\n"
    "                      go in the same file), and report what it removed and kept\n"
    "\n"
    "Exit status: 0 the installation completed, 1 it ended at an error dialog or with\n"
    "Cancel (or was stopped in a loop) or the report cannot be written, 2 usage or\n"
    "unreadable input (a missing or binary file, a setup.exe without a product, an answer\n"
    "for a dialog or control there is not).\n";

struct Arguments {
    std::vector<std::string> product;
    std::string platform = "nt40", display = "vga", report, answers, installed;
    std::string free_kb;
    bool json = false;
};

int Usage(const std::string& problem) {
    std::fprintf(stderr, "zep simulate: %s\n", problem.c_str());
    return 2;
}

}  // namespace

int SimulateCommand(int argc, char** argv) {
    Arguments a;
    SimulateOptions o;
    std::map<std::string, std::string*> valued = {
        {"--platform", &a.platform}, {"--display", &a.display}, {"--from", &o.from},
        {"--installed", &a.installed}, {"--free-kb", &a.free_kb}, {"--windows", &o.windows},
        {"--answers", &a.answers}, {"--report", &a.report}};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        auto it = valued.find(arg);
        if (it != valued.end()) {
            if (i + 1 == argc || argv[i + 1][0] == '\0') return Usage(arg + " needs a value");
            *it->second = argv[++i];
        } else if (arg == "--json") {
            a.json = true;
        } else if (arg == "--then-uninstall") {
            o.then_uninstall = true;
        } else if (!arg.empty() && arg[0] != '-') {
            a.product.push_back(arg);
        } else {
            return Usage("unexpected argument '" + arg + "' ('zep simulate --help' lists them)");
        }
    }
    if (a.product.empty()) return Usage("no product given ('zep simulate --help' explains)");
    bool found = false;
    for (const CheckPlatform& p : KnownPlatforms()) {
        if (p.name == a.platform) {
            o.platform = p;
            found = true;
        }
    }
    if (!found) return Usage("--platform is win95, nt351 or nt40, not " + a.platform);
    o.display = -1;
    for (int d = 0; d < 3; ++d) {
        if (a.display == kDisplayNames[d]) o.display = d;
    }
    if (o.display < 0) return Usage("--display is ega, vga or 8514, not " + a.display);
    if (!o.from.empty()) {
        const bool drive = o.from.size() >= 2 && std::isalpha(static_cast<unsigned char>(o.from[0])) && o.from[1] == ':';
        if (!drive || (o.from.size() > 2 && o.from[2] != '\\')) return Usage("--from is a drive and folder such as A: or C:\\SETUP, not " + o.from);
    }
    if (o.windows.size() < 4 || o.windows[1] != ':' || o.windows[2] != '\\' ||
        (std::toupper(static_cast<unsigned char>(o.windows[0])) != 'C' && std::toupper(static_cast<unsigned char>(o.windows[0])) != 'D')) {
        return Usage("--windows is a folder of C: or D:, such as C:\\WINDOWS, not " + o.windows);
    }
    while (o.windows.size() > 3 && o.windows.back() == '\\') o.windows.pop_back();
    if (!a.free_kb.empty()) {
        if (a.free_kb.size() > 12 || a.free_kb.find_first_not_of("0123456789") != std::string::npos) {
            return Usage("--free-kb takes a number of KB, not " + a.free_kb);
        }
        o.free_kb = std::stoull(a.free_kb);
    }
    if (!a.installed.empty()) {
        const std::size_t comma = a.installed.find(',');
        o.installed_dir = a.installed.substr(0, comma);
        if (comma != std::string::npos) o.installed_version = a.installed.substr(comma + 1);
        if (o.installed_dir.size() < 3 || o.installed_dir[1] != ':' || o.installed_dir[2] != '\\') {
            return Usage("--installed names a folder such as C:\\OLD, not " + o.installed_dir);
        }
    }
    try {
        ProductInput input;
        std::string error;
        if (!OpenProductInput(a.product, "INSTALL.INI", input, error)) return Usage(error);
        if (!a.answers.empty()) {
            std::vector<std::uint8_t> bytes;
            if (!ReadInput(a.answers, 1u << 20, "the 1 MiB of an answers file", bytes, error)) {
                return Usage(a.answers + ": " + error);
            }
            const std::string text(bytes.begin(), bytes.end());
            o.answers_file = a.answers;
            if (!ParseAnswers(text, a.answers, o.answers, error) ||
                !CheckAnswers(o.answers, SetupDialogControls(input, o.then_uninstall), a.answers, error)) {
                return Usage(error);
            }
        }
        SimulationResult result;
        if (!Simulate(input, o, result, error)) {
            std::fprintf(stderr, "zep simulate: %s\n", error.c_str());
            return 1;
        }
        std::string label = a.product[0];
        for (std::size_t i = 1; i < a.product.size(); ++i) label += " " + a.product[i];
        const std::string out = a.json ? SimulationJson(result, label, o) : SimulationText(result, label, o);
        std::fwrite(out.data(), 1, out.size(), stdout);
        if (!a.report.empty()) {
            PendingFile page(a.report);
            std::ofstream f(page.temporary(), std::ios::binary);
            f << SimulationHtml(result, label, o, input);
            f.close();
            if (!f) error = a.report + ": cannot write";
            if (!f || !page.commit(error)) {
                std::fprintf(stderr, "zep simulate: %s\n", error.c_str());
                return 1;
            }
        }
        return result.exit_status;
    } catch (const std::exception& e) {  // out of memory, a path the system refuses
        std::fprintf(stderr, "zep simulate: %s\n", e.what());
        return 1;
    }
}

}  // namespace zep::tool

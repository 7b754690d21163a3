// zep help SOURCE -o FILE.HLP | zep help --template [-o SOURCE]
#include "tools/zep/help_command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <system_error>

#include "dialogs/dialog_table.h"
#include "tools/zep/commands.h"
#include "tools/zep/file_command.h"
#include "winhelp/help_file.h"
#include "winhelp/help_source.h"

namespace fs = std::filesystem;

namespace zep::tool {

namespace {

const char kHelp[] =
    "usage: zep help SOURCE -o FILE.HLP\n"
    "       zep help --template [-o SOURCE]\n"
    "\n"
    "Makes the installer's help file, in the WinHelp 3.1 format that WinHelp on Windows\n"
    "95 and NT and Wine's winhlp32 read, from a plain-text SOURCE:\n"
    "\n"
    "  Sample Tool Help          the first line: the help file's title\n"
    "\n"
    "  # 3904 Read me            a topic: '#', its help context number, its title\n"
    "  Lines next to each other  form one paragraph; a blank line ends it;\n"
    "  make **bold** words.      '**' turns bold on and off\n"
    "  - a list item             a line starting with '- '\n"
    "\n"
    "A backslash before \\ * # or - makes it plain text. The source is 8-bit ANSI text\n"
    "(Windows-1252). setup.exe opens the topic of the dialog on screen for F1 and Help,\n"
    "and topic 3904 for the readme button; --template writes a source with a topic for\n"
    "each of them, for you to fill in.\n"
    "\n"
    "  -o FILE     where to write; an existing FILE is replaced once the new one is\n"
    "              complete, except by --template, which never replaces a file and\n"
    "              without -o writes to standard output\n"
    "  --template  write the starting source\n"
    "\n"
    "Errors name the source's line, and while there are any nothing is written. A\n"
    "warning names the help contexts of setup.exe that have no topic.\n"
    "Exit status: 0 written, 1 the source has errors or writing failed, 2 usage or an\n"
    "unreadable source.\n";

struct DialogText {
    std::uint16_t dialog;
    const char* title;
    const char* text;
};

// What each dialog's topic says in the template, by the dialog id (or pseudo id) that
// shows it; 0 is the readme topic.
const DialogText kDialogTexts[] = {
    {0, "Read me",
     "Describe the product here: what it is, what is new in this version and what to know before "
     "installing it. The installer shows this topic when you choose the readme button."},
    {kErrBadDrive, "Drive does not exist",
     "The drive you typed does not exist on this computer. Choose OK and type a directory on one of its drives."},
    {kErrScriptLine, "Error in the installation script",
     "A line of the installation script is wrong, so the installation cannot go on. The message names the "
     "section and the line: tell the product's supplier about it."},
    {kErrNoDirectory, "Directory does not exist",
     "The directory you typed does not exist. Choose OK and type another directory."},
    {kErrCopy, "Copy error",
     "A file could not be copied. The message says why and names the file. Remove the cause, for example "
     "close the program that uses the file, and choose Retry; or choose Cancel to stop the installation."},
    {kErrCreateDirectory, "Directory cannot be created",
     "The installation could not create the directory you typed. Check its name and that you may write "
     "there, or type another directory."},
    {kErrDiskSpace, "Not enough disk space",
     "The drive you chose has less free space than the product needs. Delete files to make room, or choose "
     "OK and type a directory on another drive."},
    {kDlgFontsOnly, "Installing fonts",
     "This installation adds fonts to Windows. Choose Install fonts to install them, or Cancel to leave "
     "Windows as it is."},
    {kErrMissingKey, "Line missing from the installation script",
     "A line that the installation needs is missing from its script, so it cannot go on. The message names "
     "the line and its section: tell the product's supplier about it."},
    {kErrInsertDisk, "Insert the next disk",
     "The installation needs the disk that the message names. Insert it and choose OK, or type the "
     "directory that holds that disk's files."},
    {kErrFileNotFound, "File not found",
     "A file of the installation is not where it should be. Type the directory that holds it and choose OK, "
     "or choose Cancel to stop the installation."},
    {kErrOutOfMemory, "Out of memory",
     "Windows has run out of memory. Close other programs and start the installation again."},
    {kErrStartProgram, "Program cannot be started",
     "The installed program could not be started. Choose Retry to try again, or Cancel to finish without it."},
    {kDlgCompleted, "Installation complete",
     "The product has been installed. When you are asked whether to start it now, choose OK or Yes to start "
     "it, or Cancel or No to finish without it."},
    {kErrTargetIsInstalled, "Directory of the installed product",
     "The directory you typed is the one the product is being installed in. Type the directory that holds "
     "the installation disk's files."},
    {kErrTargetIsSource, "Directory of the installation disks",
     "The directory you typed holds the installation's own files. Type another directory for the product."},
    {kDlgNewInstall, "Choosing a directory",
     "Type the directory where the product is to be installed, or choose Browse to pick one, then choose "
     "Begin. The readme button shows what to know about the product first."},
    {kDlgReinstall, "Installed before",
     "The product is already installed in the directory shown. Choose Begin to install it there again, or "
     "type another directory to keep that copy."},
    {kDlgUpgrade, "Upgrade",
     "An earlier copy of the product is installed in the directory shown. Choose Begin to upgrade it, or "
     "Cancel to leave it as it is."},
    {kErrTooManyDisks, "Too many installation disks",
     "The installation script names more disks than the installation can use, so it cannot go on. Tell the "
     "product's supplier about it."},
    {kErrNothingToUpgrade, "Nothing to upgrade",
     "This is an upgrade, and no installed copy of the product that it upgrades was found. Install the full "
     "product first."},
    {kErrWindowsVersion, "Newer Windows needed",
     "The product needs a newer version of Windows than this computer has."},
};

const DialogText& TextFor(std::uint16_t dialog) {
    static const DialogText kUnknown{0, "Help", "What this dialog asks, and what each of its buttons does."};
    for (const DialogText& t : kDialogTexts) {
        if (t.dialog == dialog) return t;
    }
    return kUnknown;
}


bool Write(const std::string& path, const std::string& text) {
    return WriteWhole(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// The installer's help contexts that the source has no topic for, in one or two lines.
void WarnMissing(const std::string& source_path, const winhelp::HelpSource& source) {
    std::string dialogs;
    for (const InstallerHelpTopic& t : InstallerHelpTopics()) {
        bool found = false;
        for (const winhelp::Topic& topic : source.topics) found = found || topic.context == t.context;
        if (found) continue;
        if (t.dialogs.empty()) {
            std::fprintf(stderr, "%s: warning: no topic %u: the readme button shows it\n", source_path.c_str(),
                         t.context);
            continue;
        }
        dialogs += (dialogs.empty() ? "" : ", ") + std::to_string(t.context) + " (dialog " +
                   std::to_string(t.dialogs[0]) + ")";
    }
    if (!dialogs.empty()) {
        std::fprintf(stderr, "%s: warning: no topic for the help contexts %s: F1 and Help in those dialogs find nothing\n",
                     source_path.c_str(), dialogs.c_str());
    }
}

int Template(const char* out) {
    const std::string text = HelpTemplate();
    if (out == nullptr) {
        std::fputs(text.c_str(), stdout);
        return 0;
    }
    std::error_code ec;
    if (fs::exists(out, ec)) {
        std::fprintf(stderr, "zep help: %s exists; the template replaces no file\n", out);
        return 1;
    }
    if (!Write(out, text)) {
        std::fprintf(stderr, "zep help: %s: cannot write: %s\n", out, std::strerror(errno));
        return 1;
    }
    std::printf("template -> %s (%zu topics)\n", out, InstallerHelpTopics().size());
    return 0;
}

int Compile(const std::string& source_path, const std::string& out) {
    std::vector<std::uint8_t> data;
    std::string error;
    if (!ReadInput(source_path, 16u << 20, "the 16 MiB zep help reads", data, error)) {
        std::fprintf(stderr, "zep help: %s: %s\n", source_path.c_str(), error.c_str());
        return 2;
    }
    const std::string bytes(data.begin(), data.end());
    std::error_code ec;
    if (fs::equivalent(source_path, out, ec)) {
        std::fprintf(stderr, "zep help: %s: the help file would replace its source\n", out.c_str());
        return 2;
    }
    winhelp::HelpSource source;
    std::vector<winhelp::SourceError> errors;
    if (!winhelp::ReadHelpSource(bytes, source, errors)) {
        for (const winhelp::SourceError& e : errors) {
            std::string where = source_path + (e.line > 0 ? ":" + std::to_string(e.line) : std::string());
            std::fprintf(stderr, "%s: error: %s\n", where.c_str(), e.message.c_str());
        }
        return 1;
    }
    std::vector<std::uint8_t> file;
    std::string why;
    if (!winhelp::WriteHelpFile(source, file, why)) {
        std::fprintf(stderr, "%s: error: %s\n", source_path.c_str(), why.c_str());
        return 1;
    }
    WarnMissing(source_path, source);
    if (!WriteWhole(out, file)) {
        std::fprintf(stderr, "zep help: %s: cannot write: %s\n", out.c_str(), std::strerror(errno));
        return 1;
    }
    std::printf("%s -> %s (%zu topics, %zu bytes)\n", source_path.c_str(), out.c_str(), source.topics.size(),
                file.size());
    return 0;
}

}  // namespace

std::vector<InstallerHelpTopic> InstallerHelpTopics() {
    std::map<std::uint32_t, std::vector<std::uint16_t>> dialogs;
    for (const DialogRow& row : kDialogTable) {
        if (row.help_context != kNoHelp) dialogs[row.help_context].push_back(row.id);
    }
    dialogs[kHelpTargetIsInstalled].push_back(kErrTargetIsInstalled);
    dialogs[kHelpTargetIsSource].push_back(kErrTargetIsSource);

    const DialogText& readme = TextFor(0);
    std::vector<InstallerHelpTopic> topics{{kHelpReadme, {}, readme.title, readme.text}};
    for (const auto& [context, ids] : dialogs) {
        const DialogText& t = TextFor(ids[0]);
        topics.push_back({context, ids, t.title, t.text});
    }
    return topics;
}

std::string HelpTemplate() {
    std::string out = "Installation help\n";
    for (const InstallerHelpTopic& t : InstallerHelpTopics()) {
        out += "\n# " + std::to_string(t.context) + " " + t.title + "\n";
        std::string line;  // the text wrapped at 80 columns, as an author would type it
        for (std::size_t at = 0; at < t.text.size();) {
            std::size_t end = t.text.find(' ', at);
            if (end == std::string::npos) end = t.text.size();
            std::string word = t.text.substr(at, end - at);
            if (!line.empty() && line.size() + 1 + word.size() > 80) {
                out += line + "\n";
                line.clear();
            }
            line += (line.empty() ? "" : " ") + word;
            at = end + 1;
        }
        out += line + "\n";
    }
    return out;
}

int HelpCommand(int argc, char** argv) {
    const char* source = nullptr;
    const char* out = nullptr;
    bool template_wanted = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(arg, "--template") == 0) {
            template_wanted = true;
        } else if (std::strcmp(arg, "-o") == 0 && i + 1 < argc) {
            out = argv[++i];
        } else if (arg[0] != '-' && source == nullptr) {
            source = arg;
        } else {
            std::fprintf(stderr, "zep help: unexpected argument '%s'\n\n%s", arg, kHelp);
            return 2;
        }
    }
    if (template_wanted && source == nullptr) return Template(out);
    if (template_wanted || source == nullptr || out == nullptr) {
        std::fputs(kHelp, stderr);
        return 2;
    }
    try {
        return Compile(source, out);
    } catch (const std::exception& e) {  // out of memory, a path the system refuses
        std::fprintf(stderr, "zep help: %s: %s\n", source, e.what());
        return 1;
    }
}

}  // namespace zep::tool

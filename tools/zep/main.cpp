// zep: the tool for people who make installers.
#include <cstdio>
#include <cstring>

#include "tools/zep/commands.h"

namespace {

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);  // argv[0] is the command's name
    const char* summary;
};

const Command kCommands[] = {
    {"compress", zep::tool::CompressCommand, "compress files into SZDD form (COMPRESS, LZ32)"},
    {"expand", zep::tool::ExpandCommand, "expand SZDD-compressed files"},
    {"check", zep::tool::CheckCommand, "report every error and warning of an install script"},
    {"pack", zep::tool::PackCommand, "make setup.exe, disks, a flat folder or floppy images of a product"},
    {"list", zep::tool::ListCommand, "show the product an embedded setup.exe carries"},
    {"unpack", zep::tool::UnpackCommand, "write an embedded setup.exe's product back out as a folder"},
    {"help", zep::tool::HelpCommand, "make the installer's help file (WinHelp) from plain text"},
    {nullptr, nullptr, nullptr},  // the list ends here; commands are added above this line
};

void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: zep COMMAND [ARGS...]\n\ncommands:\n");
    for (const Command& c : kCommands) {
        if (c.name != nullptr) std::fprintf(out, "  %-10s %s\n", c.name, c.summary);
    }
    std::fprintf(out, "\n'zep COMMAND --help' explains one command.\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const Command& c : kCommands) {
        if (c.name != nullptr && std::strcmp(c.name, argv[1]) == 0) return c.run(argc - 1, argv + 1);
    }
    std::fprintf(stderr, "zep: unknown command '%s'\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}

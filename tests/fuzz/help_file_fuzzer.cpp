// Any bytes as a help file: the reader checks what it reads and never trusts it.
#include <cstdint>
#include <string>
#include <vector>

#include "winhelp/help_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zep::winhelp::HelpFileContents contents;
    std::string why;
    if (!zep::winhelp::ReadHelpFile(std::vector<std::uint8_t>(data, data + size), contents, why) && why.empty()) {
        __builtin_trap();  // a refusal always says why
    }
    return 0;
}

// zep help: the installer's help file from plain text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zep::tool {

// A help context that setup.exe opens, with what its topic is about.
struct InstallerHelpTopic {
    std::uint32_t context;
    std::vector<std::uint16_t> dialogs;  // the dialogs that show it; empty for the readme topic
    std::string title;
    std::string text;  // one sentence or two for the template
};

// Every help context of the dialog table (and of its pseudo ids), and the readme topic
// first.
std::vector<InstallerHelpTopic> InstallerHelpTopics();

// A help source with a topic for each of InstallerHelpTopics(), for an author to fill in.
std::string HelpTemplate();

}  // namespace zep::tool

// zep check: reads an install script as setup.exe would, on each platform and display
// class, and reports every error (as the dialog a user would see) and every thing the
// installer passes over in silence.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zep::tool {

struct Finding {
    bool error;
    int line;                        // in the script; 0 when no line caused it
    std::uint16_t dialog;            // errors: the dialog the user sees
    std::string message;             // the dialog's text, or what a warning is about
    std::vector<std::string> where;  // errors: the platforms and displays it happens on
};

struct CheckPlatform {
    std::string name;  // win95, nt351, nt40
    std::uint32_t major, minor, platform_id;
};

struct CheckOptions {
    std::vector<CheckPlatform> platforms;
    std::vector<int> displays;  // 0 EGA, 1 VGA, 2 8514
    std::string folder;         // where the installation files are; empty: not looked at
};

const std::vector<CheckPlatform>& KnownPlatforms();
extern const char* const kDisplayNames[3];

// Findings in the order of their lines; each error once, with every place it happens.
std::vector<Finding> CheckScript(const std::string& script, const CheckOptions& options);

}  // namespace zep::tool

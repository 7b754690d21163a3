// zep check: reads an install script as setup.exe would, on each platform and display
// class, and reports every error (as the dialog a user would see) and every thing the
// installer passes over in silence.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/zep/scratch_installer.h"

namespace zep::tool {

struct Finding {
    bool error;
    int line;                        // in the script; 0 when no line caused it
    std::uint16_t dialog;            // errors: the dialog the user sees
    std::string message;             // the dialog's text, or what a warning is about
    std::vector<std::string> where;  // errors: the platforms and displays it happens on
};

struct CheckOptions {
    std::vector<CheckPlatform> platforms;
    std::vector<int> displays;  // 0 EGA, 1 VGA, 2 8514
    std::string folder;         // the product folder (see product.h); empty: not looked at
    bool report_missing_files = true;  // zep pack reports them itself, as errors
};

// Findings in the order of their lines; each error once, with every place it happens.
std::vector<Finding> CheckScript(const std::string& script, const CheckOptions& options);

// One finding as a line: "SCRIPT:LINE: error: dialog N (where): text" or "...: warning: text".
// `combinations` is how many platform and display pairs were checked ("everywhere").
std::string FormatFinding(const Finding& finding, const std::string& script, std::size_t combinations);

}  // namespace zep::tool

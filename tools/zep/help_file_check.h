// zep check's look at the help file a script names.
#pragma once

#include <filesystem>

namespace zep::tool {

// True when the file, expanded first if it is SZDD-compressed, starts with the help file
// signature, so that WinHelp opens it rather than showing an error.
bool IsWinHelpFile(const std::filesystem::path& path);

}  // namespace zep::tool

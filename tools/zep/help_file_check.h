// zep check's look at the help file a script names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace zep::tool {

// True when the file, expanded first if it is SZDD-compressed, starts with the help file
// signature, so that WinHelp opens it rather than showing an error.
bool IsWinHelpFile(const std::filesystem::path& path);
// The same for stored bytes, as a resource holds them.
bool IsWinHelpData(const std::uint8_t* data, std::size_t size);

}  // namespace zep::tool

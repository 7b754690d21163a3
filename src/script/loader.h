// Reads the install script into the tables, section by section, and validates it.
#pragma once

#include <cstdint>

#include "shell/installer.h"

namespace zep {

// 0 when the script is loaded, else the install code of the dialog that reports why.
std::uint16_t LoadInstallScript(Installer& in);

// Releases the atoms and entry arrays of the disk records, fonts and group items.
void ReleaseScriptTables(Installer& in);

}  // namespace zep

// Reads the install script into the tables, section by section, and validates it.
#pragma once

#include <cstdint>

#include "shell/installer.h"

namespace zep {

// 0 when the script is loaded, else the install code of the dialog that reports why.
std::uint16_t LoadInstallScript(Installer& in);

// Section readers, each against the script at in.loader.script_path. The loader runs all
// of them in turn; the uninstaller reads again only the sections it needs (so it never
// installs the help file, which the loader does for HelpFileName before these).
std::uint16_t ReadBasicInformation(Installer& in);  // from Caption on
std::uint16_t ReadExitList(Installer& in);
std::uint16_t ReadTargetSubdirectories(Installer& in);
std::uint16_t ReadProgramGroup(Installer& in);

// Releases the atoms and entry arrays of the disk records, fonts and group items.
void ReleaseScriptTables(Installer& in);

}  // namespace zep

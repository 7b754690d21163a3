// Where an installed product is remembered: [Settings] of the product INI, and its entry
// under the registry's Uninstall key.
#pragma once

#include "shell/installer.h"

namespace zep {

// [Settings] Directory and Version of an INI file into the installed directory and
// version; a missing file or key gives the empty string.
void ReadInstalledCopy(Installer& in, const char* ini);

void WriteProductSettings(Installer& in);
void WriteUninstallEntry(Installer& in);

}  // namespace zep

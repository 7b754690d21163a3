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

// The uninstaller the entry names: the target directory followed by uninst.exe, in lower
// case; false when the path would not fit.
bool UninstallerPath(Installer& in, char (&out)[260]);

// Deletes every subkey of the Uninstall key whose UninstallString names this uninstaller
// (without regard to case), whatever the subkey's name.
void RemoveUninstallEntries(Installer& in, const char* uninstaller);

}  // namespace zep

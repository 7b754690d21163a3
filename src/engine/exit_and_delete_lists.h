// Running copies of the product asked to close before files are replaced, and obsolete
// files deleted at the end. Neither reports anything.
#pragma once

#include "shell/installer.h"

namespace zep {

void CloseRunningCopies(Installer& in);
void DeleteObsoleteFiles(Installer& in);

// Whether a window title begins with one of the comma-separated prefixes (letters A to Z
// without regard to case). An empty prefix before a comma matches every title.
bool TitleMatches(const char* title, const char* prefixes);

}  // namespace zep

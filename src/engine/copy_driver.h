#pragma once

#include "shell/installer.h"

namespace zep {

// Installs every file entry and runs the post-copy steps; 1 when all was done, else 0.
int RunCopyDriver(Installer& in);

}  // namespace zep

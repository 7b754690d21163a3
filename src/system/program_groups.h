#pragma once

#include "shell/installer.h"

namespace zep {

// Ends the DDE conversation instance that the group step created, if any.
void ReleaseDdeInstance(Installer& in);

}  // namespace zep

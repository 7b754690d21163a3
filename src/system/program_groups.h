#pragma once

#include "shell/installer.h"

namespace zep {

// Creates the Program Manager group and its items over DDE.
void GroupStep(Installer& in);

// Ends the DDE conversation instance that the group step created, if any.
void ReleaseDdeInstance(Installer& in);

}  // namespace zep

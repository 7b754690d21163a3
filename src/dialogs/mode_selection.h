#pragma once

#include <cstdint>

#include "shell/installer.h"

namespace zep {

// Shows the first dialog the user answers; nonzero to go on with the copy, 0 to stop.
std::intptr_t SelectInstallMode(Installer& in);

}  // namespace zep

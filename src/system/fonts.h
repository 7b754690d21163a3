// Font registration: fonts withdrawn before the copy, recorded and loaded after it, put
// back after a failure.
#pragma once

#include "shell/installer.h"

namespace zep {

enum class FontMode { kInstall = 1, kWithdraw = 2, kPutBack = 3 };

void FontStep(Installer& in, FontMode mode);

}  // namespace zep

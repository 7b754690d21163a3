#include "system/fonts.h"

namespace zep {

// Font registration is not built yet: no font is withdrawn, recorded or loaded.
void FontStep(Installer&, FontMode) {}

}  // namespace zep

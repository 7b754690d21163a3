#include "system/program_groups.h"

namespace zep {

// The group step is not built yet: it makes no DDE call and creates no instance.
void GroupStep(Installer&) {}

void ReleaseDdeInstance(Installer& in) {
    in.dde_instance = 0;
}

}  // namespace zep

#include "system/program_groups.h"

namespace zep {

// The group step does not create a DDE instance yet, so there is nothing to release.
void ReleaseDdeInstance(Installer& in) {
    in.dde_instance = 0;
}

}  // namespace zep

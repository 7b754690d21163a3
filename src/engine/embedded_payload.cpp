#include "engine/embedded_payload.h"

#include "dialogs/dialog_table.h"

namespace zep {

// The file engine is not built yet: every file reports a copy error, so nothing claims to
// be installed that is not.
std::uint16_t InstallOneFile(Installer&, const char*, const char*, int, std::uint16_t,
                             std::uint8_t) {
    return kErrCopy;
}

std::uint16_t InstallEmbeddedFile(Installer&, const char*, int, std::uint16_t, std::uint8_t) {
    return kErrCopy;
}

}  // namespace zep

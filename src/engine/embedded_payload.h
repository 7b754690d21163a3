// Installing one file from the installer's own resources (embedded mode) or from the
// installer's directory (disk mode).
#pragma once

#include <cstdint>

#include "shell/installer.h"

namespace zep {

inline constexpr std::uint16_t kPayloadType = 256;
inline constexpr std::uint16_t kScriptResource = 12000;
inline constexpr std::uint16_t kHelpResource = 12001;
inline constexpr std::uint16_t kFirstFileResource = 12002;

// The mode switch: a resource in embedded mode, the installer directory in disk mode.
std::uint16_t InstallOneFile(Installer& in, const char* destination, const char* source, int kind,
                             std::uint16_t resource_id, std::uint8_t flags);

// The temporary file an embedded target is written to first: the target name with its
// last character replaced by "_" (SAMPLE.EXE gives SAMPLE.EX_).
void TemporaryName(const char* target, char (&out)[260]);

// The name with "~n" at the end of its stem, the stem cut so that the two stay within 8
// characters, its folder and extension kept (SAMPLE.HLP and 1 give SAMPLE~1.HLP); n = 0
// gives the name itself; n is below 100. False when that does not fit.
bool NumberedName(const char* name, std::uint32_t n, char (&out)[260]);

// True when the system says that nothing has this path. A path it cannot look at may
// name someone's file, and is not free.
bool NamesNothing(Installer& in, const char* path);

// Writes resource id to a temporary file beside the target and expands it into place.
std::uint16_t InstallEmbeddedFile(Installer& in, const char* target, int kind,
                                  std::uint16_t resource_id, std::uint8_t flags);

}  // namespace zep

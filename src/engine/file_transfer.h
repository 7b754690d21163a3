// The one routine that writes an installed file: it copies from a source root to a
// destination root, expanding SZDD files on the way.
#pragma once

#include <cstdint>

#include "shell/installer.h"

namespace zep {

// 0, or 1300 (copy error, recorded), 1700 (insert the disk) or 1800 (file not found).
std::uint16_t TransferFile(Installer& in, const char* destination, const char* source,
                           int destination_kind, int source_kind, std::uint8_t flags);

// Deletes a file with critical-error boxes suppressed; the outcome is ignored.
void QuietDelete(Installer& in, const char* path);

// OpenFile in its modes for any path: OpenFile keeps paths in a 128-byte buffer and refuses
// longer ones, which a target directory of up to 247 characters easily makes. Longer paths
// take the equivalent _lopen, _lcreat or DeleteFile route.
Hfile OpenPath(Installer& in, const char* path, std::uint32_t mode);

// _lwrite of the whole count; false when less was written. A short write that the system
// reports as success (Wine's, when the disk fills) leaves no error code of its own, so the
// error to record is then a full disk.
bool WriteWhole(Installer& in, Hfile file, const void* data, std::uint32_t count);

// The gauge's count after bytes were written, while the progress dialog exists.
void CountBytes(Installer& in, std::int32_t bytes);
void RestoreCount(Installer& in, std::int32_t count);

}  // namespace zep

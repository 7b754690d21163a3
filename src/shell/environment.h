// The classification of the running system and the directory roots every path is
// formed against.
#pragma once

#include <cstddef>
#include <cstdint>

#include "shell/installer.h"

namespace zep {

// False when the system could not say (recorded for dialog 1300): these never fail on a
// working system, and setup then stops rather than guess.
bool ProbeVersion(Installer& in);
bool ComputeRoots(Installer& in);
void ProbeDisplay(Installer& in);

// The classification rules, as plain functions of what the system reports.
std::uint32_t NormaliseMinorVersion(std::uint32_t minor);
std::uint32_t DisplayClassFromPixelsPerInch(int logpixelsy);
std::uint32_t DisplayClassFromScreenHeight(int height);

// The root of a directory kind; kinds outside 0..5 give the Windows directory.
const char* RootOf(const Installer& in, int kind);

// out := root of kind followed directly by name. A path that would not fit in 260
// characters is refused: out is left empty and the result is false, so no operation
// ever acts on a shortened path.
bool RootPath(const Installer& in, char (&out)[260], const char* name, int kind);

// Appends a backslash unless the path already ends in one (and there is room).
void AddTrailingBackslash(char* path, std::size_t capacity);

// Makes the drive of the Windows directory current; nonzero on failure.
int RestoreWindowsDrive(Installer& in);

// Working-directory operations of the directory dialogs and the program start.
int ChangeDrive(Installer& in, int drive);  // 1 = A; 0 on success
// The current directory; false, and out empty, when it cannot be had.
bool CurrentDirectory(Installer& in, char (&out)[260]);
int ChangeDirectory(Installer& in, const char* path);  // 0 on success

enum class CreateResult { kCreated, kExists, kDenied, kFailed };
CreateResult CreateOneDirectory(Installer& in, const char* path);

}  // namespace zep

// The directory dialogs' checks and the directory creation they share.
#pragma once

#include <cstdint>

#include "shell/installer.h"

namespace zep {

// Creates every missing level of a path (not a drive root, not a UNC server or share);
// existing and access-denied levels pass. 0 on success, -1 on failure.
int CreateDirectoryPath(Installer& in, const char* path);

// The [Target Subdirectories] below target (a full path); 0 or -1.
int CreateTargetSubdirectories(Installer& in, const char* target);

// The upgrade path's target, which no directory dialog checked: created with its
// subdirectories as the target dialogs do. 0, or 1400 for dialog 1400.
std::uint16_t CreateUpgradeTarget(Installer& in);

// Puts the focus back in the directory field once the refusing message has closed.
void FocusDirectoryEdit(Installer& in, Hwnd dialog);

// The folder browser's callback: pre-selects the folder typed in the field.
int BrowseCallback(Installer& in, Hwnd browser, std::uint32_t msg, std::intptr_t lparam,
                   std::intptr_t data);

}  // namespace zep

// The script's key names, in the fixed order whose positions the loader records so that
// dialog 1600 can name the key that is missing.
#pragma once

#include <cstdint>

namespace zep {

enum KeyName : std::uint16_t {
    kKeyCaption,
    kKeyViewButtonText,
    kKeyDefaultTargetDir,
    kKeyDiskName,
    kKeyFontsOnly,
    kKeyHelpFileName,
    kKeyOldProductIni,
    kKeyProductIni,
    kKeyProductName,
    kKeyProductVersion,
    kKeyOldProductName,
    kKeyOldProductVersion,
    kKeyVersionToPatch,
    kKeyWindowsVersion,
    kKeyTotalDisks,
    kKeyDiskSpace,
    kKeyEgaDiskSpace,
    kKeyVgaDiskSpace,
    kKey8514DiskSpace,
    kKeyDeleteFile,    // File%u of [Delete List]
    kKeySubdirectory,  // Subdirectory%u
    kKeyGroupName,
    kKeyUninstallName,
    kKeyButtons,
    kKeyRunFile,
    kKeyWin31File,
    kKeyWin95File,
    kKeyWinNTFile,
    kKeyMessage,
    kKeyName,
    kKeyDirectory,  // [Settings] of the product INI
    kKeyFirstTime,
    kKeyVersion,
    kKeyCount,
};

extern const char* const kKeyNames[kKeyCount];

}  // namespace zep

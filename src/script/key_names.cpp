#include "script/key_names.h"

namespace zep {

const char* const kKeyNames[kKeyCount] = {
    "Caption",        "ViewButtonText",    "DefaultTargetDir", "DiskName",
    "FontsOnly",      "HelpFileName",      "OldProduct.INI",   "Product.INI",
    "ProductName",    "ProductVersion",    "OldProductName",   "OldProductVersion",
    "VersionToPatch", "WindowsVersion",    "TotalDisks",       "DiskSpace",
    "EGADiskSpace",   "VGADiskSpace",      "8514DiskSpace",    "File%u",
    "Subdirectory%u", "GroupName",         "UninstallName",    "Buttons",
    "File",           "Win31File",         "Win95File",        "WinNTFile",
    "Message",        "Name",              "Directory",        "FirstTime",
    "Version",
};

}  // namespace zep

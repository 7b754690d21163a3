// uninst.exe: removes what its product's install script installed into the target
// directory (the folder it runs from), the product's group, INI and uninstall entry, and
// then itself, and lists what it kept. It runs on the installer's context and seam.
#pragma once

#include <cstdint>

#include "shell/installer.h"
#include "uninstall/uninstall_data.h"

namespace zep {

// Dialog templates of uninst.rc.
enum UninstallDialog : std::uint16_t {
    kDlgConfirmRemoval = 3100,  // "Remove %s and all of its components?"  Yes / No
    kDlgRemoved = 3200,         // done, nothing kept
    kDlgRemovedExcept = 3300,   // done, with the list of what was kept
    kDlgUnreadable = 3400,      // its own data cannot be read: nothing was touched
};
inline constexpr int kKeptList = 3301;

// Strings of uninst.rc.
enum UninstallString : std::uint32_t {
    kTitle = 8100,           // "Uninstall"
    kTitleOf = 8101,         // "Uninstall %s"
    kReasonChanged = 8102,   // a file that differs from what was installed
    kReasonNotDeleted = 8103,
    kReasonNotEmpty = 8104,  // a folder that holds other files
};

struct Uninstaller {
    explicit Uninstaller(Installer& installer) : in(installer) {}

    Installer& in;
    UninstallData data{};
    char own_path[260] = {};  // the running uninst.exe
    char product[64] = {};    // as the dialogs name it: UninstallName, else ProductName
    char kept[4096] = {};     // "path: reason" lines, CR LF between them
    std::uint32_t kept_count = 0;
    bool kept_cut = false;    // more lines than the buffer holds; it ends in "..."
};

// The whole run, from the resource to the last dialog. Always 0.
int RunUninstaller(Installer& in);

// The steps, in their order. Loading finds the data resource and reads the script (from
// a temporary file, removed again) into the installer's tables; the target directory is
// the uninstaller's own. False when the data or script cannot be read: nothing is done.
bool LoadUninstallData(Uninstaller& u);
void RemoveInstalledFiles(Uninstaller& u);
void RemoveTargetFolders(Uninstaller& u);
void RemoveProductRecord(Uninstaller& u);  // group, product INI, uninstall entry
void DeleteUninstaller(Uninstaller& u);    // at the next restart, the platform's way

// Adds a line to the list of what was kept.
void Keep(Uninstaller& u, const char* path, std::uint32_t reason);

// Whether a file of this size and last-write time (UTC) is the one a record describes.
// Time stamps agree within the 2 seconds of FAT, or one hour off within that, as a
// change to or from daylight-saving time since the installation shows them.
bool MatchesRecord(Installer& in, std::uint32_t size, const FileTime& written, const FileRecord& record);

// Adds "NUL=path" to the [rename] list of WININIT.INI in the Windows directory, which
// Windows 95 carries out at its next start. False when the file cannot be written.
bool AddWininitDeletion(Installer& in, const char* path);

std::intptr_t UninstallDialogProc(Installer& in, Hwnd dialog, std::uint32_t msg, std::uintptr_t wparam,
                                  std::intptr_t lparam);
// Shows a dialog of uninst.rc with its text formatted from arg, and the kept list where
// the template has one; nonzero for Yes / OK.
std::intptr_t ShowUninstallDialog(Uninstaller& u, std::uint16_t id, const char* arg);

}  // namespace zep

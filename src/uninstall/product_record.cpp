// What remembers the product outside its folder: the Program Manager group, the product
// INI and the uninstall entry. The group and the INI are shared by every copy of the
// product; they go only when the INI names this copy's folder (or names none).
#include "base/text.h"
#include "shell/environment.h"
#include "system/product_settings.h"
#include "system/program_groups.h"
#include "uninstall/uninstaller.h"

namespace zep {

namespace {

bool RecordsThisCopy(Installer& in) {
    char recorded[260];
    CopyText(recorded, in.dialogs.installed_dir);
    if (recorded[0] == '\0') return true;
    AddTrailingBackslash(recorded, sizeof recorded);  // C:\SAMPLE is recorded without it, a root with it
    return in.os.system.lstrcmpi_a(recorded, in.script.basic.target_dir) == 0;
}

// A bare name is a file in the Windows directory, as for the profile functions.
void DeleteProductIni(Uninstaller& u) {
    Installer& in = u.in;
    const char* name = in.script.basic.product_ini;
    bool bare = true;
    for (const char* p = name; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':') bare = false;
    }
    char path[260];
    if (bare ? !RootPath(in, path, name, kWindowsDir) : !CopyText(path, name)) return;
    if (in.os.files.delete_file(path)) return;
    const std::uint32_t error = in.os.system.get_last_error();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) Keep(u, path, kReasonNotDeleted);
}

}  // namespace

void RemoveProductRecord(Uninstaller& u) {
    Installer& in = u.in;
    bool ours = true;
    if (in.script.basic.product_ini[0] != '\0') {
        ReadInstalledCopy(in, in.script.basic.product_ini);
        ours = RecordsThisCopy(in);
    }
    if (ours) {
        DeleteProgramGroup(in);
        if (in.script.basic.product_ini[0] != '\0') DeleteProductIni(u);
    }
    char uninstaller[260];
    if (UninstallerPath(in, uninstaller)) RemoveUninstallEntries(in, uninstaller);
}

}  // namespace zep

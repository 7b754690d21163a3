#include "dialogs/mode_selection.h"

#include "base/text.h"
#include "dialogs/dialog_table.h"
#include "dialogs/directory_dialog.h"
#include "shell/environment.h"
#include "system/product_settings.h"

namespace zep {

std::intptr_t SelectInstallMode(Installer& in) {
    const BasicInformation& b = in.script.basic;
    DialogState& d = in.dialogs;
    platform::System& sys = in.os.system;
    if (b.fonts_only != 0) return ShowInstallDialog(in, kDlgFontsOnly, 0);
    if (b.product_ini[0] != '\0') ReadInstalledCopy(in, b.product_ini);
    if (d.installed_dir[0] == '\0' && b.old_product_ini[0] != '\0') ReadInstalledCopy(in, b.old_product_ini);
    if (b.version_to_patch[0] == '\0') {
        return ShowInstallDialog(in, d.installed_dir[0] != '\0' ? kDlgReinstall : kDlgNewInstall, 0);
    }
    // An upgrade: the copy found is the target, unchecked, when its version lies between
    // VersionToPatch and ProductVersion (in lstrcmpi's order, not by number). A record
    // with a version but no directory names no copy to upgrade: its target would be "\",
    // the root of whatever drive is current.
    CopyText(in.script.basic.target_dir, d.installed_dir);
    AddTrailingBackslash(in.script.basic.target_dir, sizeof in.script.basic.target_dir);
    if (d.installed_dir[0] == '\0' || sys.lstrcmpi_a(d.installed_version, b.version_to_patch) < 0 ||
        sys.lstrcmpi_a(d.installed_version, b.product_version) > 0) {
        return ShowInstallDialog(in, kErrNothingToUpgrade, 0);
    }
    // Begin goes into the installed directory: it and its subdirectories are made as the
    // target dialogs make them (a new version may add one, or a folder may have gone),
    // and the groups of the version it replaces can be found.
    for (;;) {
        const std::intptr_t begin = ShowInstallDialog(in, kDlgUpgrade, 0);
        if (begin == 0) return 0;
        const std::uint16_t code = CreateUpgradeTarget(in);
        if (code == kOk) {
            CopyText(d.replaced_version, d.installed_version);
            return begin;
        }
        ShowInstallDialog(in, code, 0);
    }
}

}  // namespace zep

#include "dialogs/mode_selection.h"

#include "base/text.h"
#include "dialogs/dialog_table.h"
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
    // VersionToPatch and ProductVersion (in lstrcmpi's order, not by number).
    CopyText(in.script.basic.target_dir, d.installed_dir);
    AddTrailingBackslash(in.script.basic.target_dir, sizeof in.script.basic.target_dir);
    if (sys.lstrcmpi_a(d.installed_version, b.version_to_patch) < 0 ||
        sys.lstrcmpi_a(d.installed_version, b.product_version) > 0) {
        return ShowInstallDialog(in, kErrNothingToUpgrade, 0);
    }
    return ShowInstallDialog(in, kDlgUpgrade, 0);
}

}  // namespace zep

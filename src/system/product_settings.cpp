#include "system/product_settings.h"

#include "base/text.h"
#include "shell/environment.h"

namespace zep {

namespace {

constexpr char kSettings[] = "Settings";
constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// path := the Uninstall key, a backslash and name; false when that does not fit.
bool FitsPath(char (&path)[260], const char* name) {
    return CopyText(path, kUninstallKey) && AppendText(path, "\\") && AppendText(path, name);
}

bool SameUninstaller(Installer& in, Hkey key, const char* uninstaller) {
    char data[261] = {};
    std::uint32_t size = 260;
    std::uint32_t type = 0;
    if (in.os.registry.reg_query_value_ex(key, "UninstallString", &type, data, &size) != ERROR_SUCCESS) {
        return false;
    }
    return in.os.system.lstrcmpi_a(data, uninstaller) == 0;
}

}  // namespace

void RemoveUninstallEntries(Installer& in, const char* uninstaller) {
    platform::Registry& reg = in.os.registry;
    Hkey uninstall = 0;
    if (reg.reg_open_key(HKEY_LOCAL_MACHINE, kUninstallKey, uninstall) != ERROR_SUCCESS) return;
    char name[260];
    for (std::uint32_t index = 0; reg.reg_enum_key(uninstall, index, name, sizeof name) == ERROR_SUCCESS;) {
        char path[260];
        Hkey sub = 0;
        // A path too long for its buffer is passed over rather than cut; 259 characters fit.
        if (!FitsPath(path, name) ||
            reg.reg_open_key(HKEY_LOCAL_MACHINE, path, sub) != ERROR_SUCCESS) {
            ++index;
            continue;
        }
        const bool stale = SameUninstaller(in, sub, uninstaller);
        reg.reg_close_key(sub);
        // After a delete the following subkeys move down, so the same index comes again;
        // a key that cannot be deleted is passed over, so the scan always ends.
        if (!stale || reg.reg_delete_key(HKEY_LOCAL_MACHINE, path) != ERROR_SUCCESS) ++index;
    }
    reg.reg_close_key(uninstall);
}

bool UninstallerPath(Installer& in, char (&out)[260]) {
    if (!RootPath(in, out, "uninst.exe", kTargetDir)) return false;
    in.os.system.char_lower_buff(out, static_cast<std::uint32_t>(TextLength(out)));
    return true;
}

void ReadInstalledCopy(Installer& in, const char* ini) {
    platform::Profiles& p = in.os.profiles;
    p.get_private_profile_string(kSettings, "Directory", "", in.dialogs.installed_dir,
                                 sizeof in.dialogs.installed_dir, ini);
    p.get_private_profile_string(kSettings, "Version", "", in.dialogs.installed_version,
                                 sizeof in.dialogs.installed_version, ini);
    // Earlier versions wrote a drive root as a bare "C:", which would name the drive's
    // current directory: it is read back as the root it was.
    char* dir = in.dialogs.installed_dir;
    if (dir[0] != '\0' && dir[1] == ':' && dir[2] == '\0') AddTrailingBackslash(dir, sizeof in.dialogs.installed_dir);
}

void WriteProductSettings(Installer& in) {
    const BasicInformation& b = in.script.basic;
    platform::Profiles& p = in.os.profiles;
    if (b.product_ini[0] == '\0') return;
    if (b.product_version[0] != '\0') p.write_private_profile_string(kSettings, "Version", b.product_version, b.product_ini);
    // A fonts-only installation has no directory: the one recorded before stays.
    if (b.target_dir[0] != '\0') {
        char directory[260];
        CopyText(directory, b.target_dir);
        std::size_t n = TextLength(directory);
        // The trailing backslash goes, except a drive root's: "C:" would be a current directory.
        if (n > 0 && !(n == 3 && directory[1] == ':')) directory[n - 1] = '\0';
        p.write_private_profile_string(kSettings, "Directory", directory, b.product_ini);
    }
    if (in.os.system.lstrcmpi_a(b.product_version, in.dialogs.installed_version) != 0) {
        p.write_private_profile_string(kSettings, "FirstTime", "1", b.product_ini);
    }
}

void WriteUninstallEntry(Installer& in) {
    const BasicInformation& b = in.script.basic;
    // Without a target directory (fonts only) there is no uninstaller to name: the entry
    // of the installed product stays as it is.
    if (b.uninstall_name[0] == '\0' || (in.env.platform_class & kOldShell) != 0 || b.target_dir[0] == '\0') return;
    char uninstaller[260];
    if (!UninstallerPath(in, uninstaller)) return;
    RemoveUninstallEntries(in, uninstaller);

    char path[260];
    if (!FitsPath(path, b.uninstall_name)) return;
    platform::Registry& reg = in.os.registry;
    // An entry is whole or not there: one with a name and no uninstaller (or none with
    // neither) that this run made is taken away again. Only a key the registry says
    // does not exist counts as new.
    Hkey key = 0;
    const std::int32_t found = reg.reg_open_key(HKEY_LOCAL_MACHINE, path, key);
    if (found == ERROR_SUCCESS) reg.reg_close_key(key);
    if (reg.reg_create_key(HKEY_LOCAL_MACHINE, path, key) != ERROR_SUCCESS) return;
    const bool whole =
        reg.reg_set_value_ex(key, "UninstallString", REG_SZ, uninstaller,
                             static_cast<std::uint32_t>(TextLength(uninstaller) + 1)) == ERROR_SUCCESS &&
        reg.reg_set_value_ex(key, "DisplayName", REG_SZ, b.uninstall_name,
                             static_cast<std::uint32_t>(TextLength(b.uninstall_name) + 1)) == ERROR_SUCCESS;
    reg.reg_close_key(key);
    if (!whole && found == ERROR_FILE_NOT_FOUND) reg.reg_delete_key(HKEY_LOCAL_MACHINE, path);
}

}  // namespace zep

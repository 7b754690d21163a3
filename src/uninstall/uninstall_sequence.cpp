// The uninstaller's run: its data, the question, the removal in a fixed order, the last
// dialog. It asks once and never loops: whatever cannot be removed is listed.
#include "base/text.h"
#include "engine/embedded_payload.h"
#include "engine/exit_and_delete_lists.h"
#include "engine/file_transfer.h"
#include "script/loader.h"
#include "shell/environment.h"
#include "system/program_groups.h"
#include "uninstall/uninstaller.h"

namespace zep {

namespace {

constexpr std::uint32_t kScriptNames = 100;  // ~UNINS0.INI to ~UNINS99.INI

// The script goes to a file of a name nobody uses, for the profile functions to read:
// beside the uninstaller, or in the Windows directory when that folder is read-only.
bool WriteScriptFile(Uninstaller& u) {
    Installer& in = u.in;
    const int kinds[2] = {kInstallerDir, kWindowsDir};
    for (int kind : kinds) {
        for (std::uint32_t n = 0; n < kScriptNames; ++n) {
            char name[16], path[260];
            FormatText(name, sizeof name, "~UNINS%u.INI", n);
            if (!RootPath(in, path, name, kind)) break;
            if (OpenPath(in, path, OF_EXIST) != HFILE_ERROR) continue;
            Hfile file = OpenPath(in, path, OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE);
            if (file == HFILE_ERROR) break;
            const bool written = in.os.files.lwrite(file, u.data.script, u.data.script_length) == u.data.script_length;
            in.os.files.lclose(file);
            if (!written) {
                in.os.files.delete_file(path);
                break;
            }
            CopyText(in.loader.script_path, path);
            return true;
        }
    }
    return false;
}

bool ReadScript(Uninstaller& u) {
    Installer& in = u.in;
    if (!WriteScriptFile(u)) return false;
    // Only the names at the head of [Basic Information] matter here; what the installer
    // checks after them (Windows version, disk space) does not concern an uninstallation.
    ReadBasicInformation(in);
    const bool read = in.script.basic.product_name[0] != '\0' && ReadExitList(in) == 0 &&
                      ReadTargetSubdirectories(in) == 0 && ReadProgramGroup(in) == 0;
    in.os.files.delete_file(in.loader.script_path);
    in.loader.script_path[0] = '\0';
    return read;
}

void SetTitle(Uninstaller& u, const char* product) {
    Installer& in = u.in;
    char format[64] = {};
    in.os.resources.load_string(product != nullptr ? kTitleOf : kTitle, format, sizeof format);
    FormatText(in.script.basic.caption, sizeof in.script.basic.caption, format, product);
}

// A drive and a folder, or a share: the paths everything is removed by are formed from
// these, so a system call that failed to give one must stop the run.
bool IsFullPath(const char* path) {
    return (path[0] != '\0' && path[1] == ':' && path[2] == '\\') || (path[0] == '\\' && path[1] == '\\');
}

}  // namespace

bool LoadUninstallData(Uninstaller& u) {
    Installer& in = u.in;
    if (!IsFullPath(u.own_path) || !IsFullPath(in.env.installer_root) || !IsFullPath(in.env.windows_root)) {
        return false;
    }
    platform::Resources& res = in.os.resources;
    Hrsrc found = res.find_resource(kUninstallDataResource, kPayloadType);
    if (found == 0) return false;
    const std::uint32_t size = res.sizeof_resource(found);
    Hglobal loaded = res.load_resource(found);
    const void* bytes = loaded != 0 ? res.lock_resource(loaded) : nullptr;
    if (bytes == nullptr || !ReadUninstallData(bytes, size, u.data) || !ReadScript(u)) return false;
    const BasicInformation& b = in.script.basic;
    CopyText(u.product, b.uninstall_name[0] != '\0' ? b.uninstall_name : b.product_name);
    // The target is where the uninstaller lies: the uninstall entry names it there.
    CopyText(in.script.basic.target_dir, in.env.installer_root);
    return true;
}

void Keep(Uninstaller& u, const char* path, std::uint32_t reason) {
    ++u.kept_count;
    if (u.kept_cut) return;
    char why[64] = {};
    u.in.os.resources.load_string(reason, why, sizeof why);
    char line[340];
    FormatText(line, sizeof line, why[0] != '\0' ? "%s: %s" : "%s", path, why);
    const std::size_t used = TextLength(u.kept);
    const char* gap = used > 0 ? "\r\n" : "";
    // Room is kept for the "..." that says the list goes on.
    if (used + 2 + TextLength(line) + 6 > sizeof u.kept) {
        AppendText(u.kept, gap);
        AppendText(u.kept, "...");
        u.kept_cut = true;
        return;
    }
    AppendText(u.kept, gap);
    AppendText(u.kept, line);
}

int RunUninstaller(Installer& in) {
    Uninstaller u(in);
    // Without the version or the system's directories nothing can be found for sure: it
    // stops as for data it cannot read, having touched nothing.
    const bool environment = ProbeVersion(in) && ComputeRoots(in);
    ProbeDisplay(in);
    in.os.system.get_module_file_name(u.own_path, sizeof u.own_path);
    u.own_path[sizeof u.own_path - 1] = '\0';
    SetTitle(u, nullptr);
    if (!environment || !LoadUninstallData(u)) {
        ShowUninstallDialog(u, kDlgUnreadable, u.own_path);
    } else {
        SetTitle(u, u.product);
        if (ShowUninstallDialog(u, kDlgConfirmRemoval, u.product) != 0) {
            CloseRunningCopies(in);
            RemoveInstalledFiles(u);
            RemoveTargetFolders(u);
            RemoveProductRecord(u);
            DeleteUninstaller(u);
            ShowUninstallDialog(u, u.kept_count == 0 ? kDlgRemoved : kDlgRemovedExcept, u.product);
        }
    }
    ReleaseScriptTables(in);
    ReleaseDdeInstance(in);
    return 0;
}

}  // namespace zep

#include "shell/environment.h"

#include "base/text.h"
#include "dialogs/dialog_table.h"

namespace zep {

std::uint32_t NormaliseMinorVersion(std::uint32_t minor) {
    return minor % 10 == 0 ? minor / 10 : minor;
}

std::uint32_t DisplayClassFromPixelsPerInch(int logpixelsy) {
    return logpixelsy > 96 ? 2 : logpixelsy == 96 ? 1 : 0;
}

std::uint32_t DisplayClassFromScreenHeight(int height) {
    return height > 480 ? 2 : height == 480 ? 1 : 0;
}

bool ProbeVersion(Installer& in) {
    OsVersion v{};
    const bool known = in.os.system.get_version_ex(v);
    if (!known) RecordFailure(in, "");
    in.env.major = v.major;
    in.env.minor = NormaliseMinorVersion(v.minor);
    if (v.platform_id == VER_PLATFORM_WIN32_NT) {
        in.env.platform_mask = 4;
        in.env.platform_class = v.major == 3 ? kOldShell | kWindowsNt : kNewShell | kWindowsNt;
    } else {
        in.env.platform_mask = 2;
        in.env.platform_class = kNewShell;
    }
    return known;
}

void AddTrailingBackslash(char* path, std::size_t capacity) {
    std::size_t n = TextLength(path);
    if ((n == 0 || path[n - 1] != '\\') && n + 1 < capacity) {
        path[n] = '\\';
        path[n + 1] = '\0';
    }
}

namespace {

bool EndsWith32(const char* path) {
    std::size_t n = TextLength(path);
    return n >= 2 && path[n - 2] == '3' && path[n - 1] == '2';
}

// A directory the system gave whole into 260 characters: neither a failure (0) nor a
// buffer too small for it.
bool Whole(std::uint32_t n) {
    return n - 1 < 259;
}

}  // namespace

bool ComputeRoots(Installer& in) {
    Environment& e = in.env;
    platform::System& sys = in.os.system;

    char module[260] = {};
    bool whole = Whole(sys.get_module_file_name(module, sizeof module));
    module[sizeof module - 1] = '\0';
    std::size_t cut = 0;
    for (std::size_t i = 0; module[i] != '\0'; ++i) {
        if (module[i] == '\\') cut = i + 1;
    }
    CopyText(e.installer_root, sizeof e.installer_root, module, cut);

    whole &= Whole(sys.get_windows_directory(e.windows_root, sizeof e.windows_root));
    e.windows_root[sizeof e.windows_root - 1] = '\0';
    AddTrailingBackslash(e.windows_root, sizeof e.windows_root);

    whole &= Whole(sys.get_system_directory(e.system_root, sizeof e.system_root));
    e.system_root[sizeof e.system_root - 1] = '\0';
    // Kind 3 only installs on NT 4 and later, whose System directory is already
    // system32; elsewhere it names the sibling directory with "32" appended.
    CopyText(e.system32_root, e.system_root);
    if (!EndsWith32(e.system32_root)) AppendText(e.system32_root, "32");
    AddTrailingBackslash(e.system_root, sizeof e.system_root);
    AddTrailingBackslash(e.system32_root, sizeof e.system32_root);

    if ((e.platform_class & kNewShell) != 0) {
        CopyText(e.fonts_root, e.windows_root);
        AppendText(e.fonts_root, "FONTS\\");
    } else {
        CopyText(e.fonts_root, e.system_root);
    }

    if (!whole) {
        RecordFailure(in, "");  // the call that failed left its reason
        return false;
    }
    RestoreWindowsDrive(in);
    return true;
}

void ProbeDisplay(Installer& in) {
    platform::Ui& ui = in.os.ui;
    Hwnd desktop = ui.get_desktop_window();
    Hdc dc = ui.get_dc(desktop);
    if (dc != 0) {
        in.env.display_class = DisplayClassFromPixelsPerInch(ui.get_device_caps(dc, LOGPIXELSY));
        ui.release_dc(desktop, dc);
    } else {
        in.env.display_class = DisplayClassFromScreenHeight(ui.get_system_metrics(SM_CYSCREEN));
    }
    in.env.display_mask = 1u << in.env.display_class;
}

const char* RootOf(const Installer& in, int kind) {
    switch (kind) {
        case kTargetDir: return in.script.basic.target_dir;
        case kSystemDir: return in.env.system_root;
        case kSystem32Dir: return in.env.system32_root;
        case kFontsDir: return in.env.fonts_root;
        case kInstallerDir: return in.env.installer_root;
        default: return in.env.windows_root;
    }
}

bool RootPath(const Installer& in, char (&out)[260], const char* name, int kind) {
    if (CopyText(out, RootOf(in, kind)) && AppendText(out, name)) return true;
    out[0] = '\0';
    return false;
}

int RestoreWindowsDrive(Installer& in) {
    const char* windows = in.env.windows_root;
    // A Windows directory on a server has no drive: it becomes the current directory itself.
    if (windows[0] == '\\' && windows[1] == '\\') return ChangeDirectory(in, windows);
    return ChangeDrive(in, AsciiUpper(windows[0]) - 64);
}

int ChangeDrive(Installer& in, int drive) {
    if (drive < 1 || drive > 31) return 1;
    char root[3] = {static_cast<char>('A' + drive - 1), ':', '\0'};
    return in.os.files.set_current_directory(root) ? 0 : 1;
}

bool CurrentDirectory(Installer& in, char (&out)[260]) {
    const std::uint32_t n = in.os.files.get_current_directory(sizeof out, out);
    if (n == 0 || n >= sizeof out) {
        out[0] = '\0';
        return false;
    }
    out[sizeof out - 1] = '\0';
    return true;
}

int ChangeDirectory(Installer& in, const char* path) {
    return in.os.files.set_current_directory(path) ? 0 : 1;
}

CreateResult CreateOneDirectory(Installer& in, const char* path) {
    if (in.os.files.create_directory(path)) return CreateResult::kCreated;
    switch (in.os.system.get_last_error()) {
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS:
            return CreateResult::kExists;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
            return CreateResult::kDenied;
        default:
            return CreateResult::kFailed;
    }
}

}  // namespace zep

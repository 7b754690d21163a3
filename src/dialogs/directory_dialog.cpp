// The four dialogs that ask for a directory: where to install (2400, 2401) and where the
// installation files are (1700, 1800). OK / Begin checks the entry before the dialog may
// close; every refusal is a message dialog over it, and the dialog stays open.
#include "dialogs/directory_dialog.h"

#include "base/text.h"
#include "dialogs/dialog_table.h"
#include "shell/environment.h"

namespace zep {

namespace {

constexpr int kMessageText = 1001;
constexpr int kDirectoryField = 1701;
constexpr int kBrowse = 2403;
constexpr std::uint32_t kEditLimit = 247;

enum class Which { kNewInstall, kReinstall, kInsertDisk, kFileNotFound };

Which DialogOnScreen(const Installer& in) {
    switch (in.dialogs.help_context) {
        case 3584: return Which::kNewInstall;
        case 3712: return Which::kReinstall;
        case 2048: return Which::kInsertDisk;
        default: return Which::kFileNotFound;
    }
}

bool IsTargetDialog(Which which) {
    return which == Which::kNewInstall || which == Which::kReinstall;
}

// The entry is typed straight into the directory it names.
char* EntryOf(Installer& in, Which which) {
    return IsTargetDialog(which) ? in.script.basic.target_dir : in.env.installer_root;
}

std::intptr_t Initialise(Installer& in, Hwnd dialog) {
    platform::Ui& ui = in.os.ui;
    const BasicInformation& b = in.script.basic;
    DialogState& d = in.dialogs;
    const Which which = DialogOnScreen(in);

    char format[260] = {};
    ui.get_dlg_item_text(dialog, kMessageText, format, sizeof format);
    switch (which) {
        case Which::kReinstall: {
            const bool newer = in.os.system.lstrcmpi_a(d.installed_version, b.old_product_version) > 0;
            const char* name = newer ? b.product_name : b.old_product_name;
            // Without a version found and without OldProductName it would name nobody.
            if (name[0] == '\0') name = b.product_name;
            FormatText(d.scratch, sizeof d.scratch, format, name, d.installed_version, d.installed_dir);
            break;
        }
        case Which::kInsertDisk: FormatText(d.scratch, sizeof d.scratch, format, in.copy.disk_name); break;
        case Which::kFileNotFound: FormatText(d.scratch, sizeof d.scratch, format, d.message_arg); break;
        case Which::kNewInstall: FormatText(d.scratch, sizeof d.scratch, format, b.product_name); break;
    }
    ui.set_dlg_item_text(dialog, kMessageText, d.scratch);

    char initial[260];
    CopyText(initial, which == Which::kNewInstall  ? b.target_dir
                      : which == Which::kReinstall ? d.installed_dir
                                                   : in.env.installer_root);
    std::size_t n = TextLength(initial);
    if (n > 3 && initial[n - 1] == '\\') initial[n - 1] = '\0';  // "C:\" keeps its backslash
    ui.send_message(ui.get_dlg_item(dialog, kDirectoryField), EM_LIMITTEXT, kEditLimit, 0);
    ui.set_dlg_item_text(dialog, kDirectoryField, initial);
    if (IsTargetDialog(which) && b.view_button_text[0] != '\0') {
        ui.set_dlg_item_text(dialog, 1003, b.view_button_text);
    }
    PlaceDialog(in, dialog);
    return 1;
}

// A refusal: the message over the directory dialog, then the focus back in the field.
std::intptr_t Refuse(Installer& in, Hwnd dialog, std::uint16_t code, bool restore_drive) {
    if (restore_drive) RestoreWindowsDrive(in);
    ShowInstallDialog(in, code, dialog);
    FocusDirectoryEdit(in, dialog);
    return 1;
}

void CleanTrailingBackslashes(char* entry) {
    std::size_t n = TextLength(entry);
    while (n > 1 && entry[n - 1] == '\\' && entry[n - 2] != ':') entry[--n] = '\0';
}

// Free space in KB as the dialogs show it: the free sectors rounded to the nearest 1024
// before they are multiplied by the sector size. In 64 bits, held at 4 TB - 1 KB: a
// larger drive would wrap in 32 bits and look too small.
std::uint32_t FreeKilobytes(std::uint32_t sectors_per_cluster, std::uint32_t bytes_per_sector,
                            std::uint32_t free_clusters) {
    const std::uint64_t sectors = std::uint64_t{free_clusters} * sectors_per_cluster;
    const std::uint64_t kb = ((sectors + 512) >> 10) * bytes_per_sector;
    return kb > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kb);
}

std::intptr_t Accept(Installer& in, Hwnd dialog) {
    platform::Ui& ui = in.os.ui;
    platform::System& sys = in.os.system;
    DialogState& d = in.dialogs;
    const Which which = DialogOnScreen(in);
    const bool target = IsTargetDialog(which);
    char* entry = EntryOf(in, which);  // 260 characters
    const std::uint16_t unusable = target ? kErrCreateDirectory : kErrNoDirectory;

    // The field is read aside first: a read that fails must not empty the directory, nor,
    // put back below, the field the user typed into.
    char typed[260] = {};
    if (ui.get_dlg_item_text(dialog, kDirectoryField, typed, sizeof typed) == 0) {
        return Refuse(in, dialog, unusable, false);
    }
    CopyText(entry, 260, typed);
    char drive = entry[0];
    sys.char_upper_buff(&drive, 1);
    d.tested_drive = drive;
    if (drive >= 'A' && drive <= 'Z' && entry[1] == ':' && ChangeDrive(in, drive - 64) != 0) {
        return Refuse(in, dialog, kErrBadDrive, false);
    }
    // The current directory of a drive, or of where the entry led, is what the system
    // says it is; when it cannot say, nothing is guessed: the entry is refused as one
    // that cannot be entered, and may be tried again.
    if (entry[1] == ':' && entry[2] == '\0') {
        char current[260];
        if (!CurrentDirectory(in, current)) return Refuse(in, dialog, unusable, true);
        sys.oem_to_char(current, current);
        CopyText(entry, 260, current);
    }
    CleanTrailingBackslashes(entry);
    ui.set_dlg_item_text(dialog, kDirectoryField, entry);

    if (ChangeDirectory(in, entry) != 0) {
        if (!target) return Refuse(in, dialog, kErrNoDirectory, true);
        // A name that exists as a file passes the creation and still cannot be entered.
        if (CreateDirectoryPath(in, entry) != 0 || ChangeDirectory(in, entry) != 0) {
            return Refuse(in, dialog, kErrCreateDirectory, true);
        }
    }
    // The subdirectories go below the full path: a relative entry names the current
    // directory now, and would name one a level deeper below it.
    char full[260];
    if (!CurrentDirectory(in, full)) return Refuse(in, dialog, unusable, true);
    sys.oem_to_char(full, full);
    if (CreateTargetSubdirectories(in, target ? full : in.script.basic.target_dir) != 0) {
        return Refuse(in, dialog, kErrCreateDirectory, true);
    }
    CopyText(entry, 260, full);
    // A disk dialog changes where the files come from, not where they go.
    if (target) {
        CopyText(d.replaced_version, sys.lstrcmpi_a(entry, d.installed_dir) == 0 ? d.installed_version : "");
    }
    CopyText(d.message_arg, entry);
    AddTrailingBackslash(entry, 260);

    // Installing into the folder the installation files come from would overwrite them as
    // they are read; names are compared as the file system does, without regard to case.
    if (!in.loader.embedded && sys.lstrcmpi_a(in.env.installer_root, in.script.basic.target_dir) == 0) {
        return Refuse(in, dialog, target ? kErrTargetIsSource : kErrTargetIsInstalled, true);
    }
    if (target) {
        std::uint32_t spc = 0, bps = 0, free_clusters = 0, total = 0;
        if (in.os.files.get_disk_free_space(nullptr, spc, bps, free_clusters, total)) {
            d.free_kb = FreeKilobytes(spc, bps, free_clusters);
            const std::int64_t needed = (std::int64_t{in.script.basic.disk_space} + 512) >> 10;
            if (needed > d.free_kb) return Refuse(in, dialog, kErrDiskSpace, true);
        }
    }
    RestoreWindowsDrive(in);
    ui.end_dialog(dialog, 1);
    return 1;
}

void Browse(Installer& in, Hwnd dialog) {
    platform::Ui& ui = in.os.ui;
    if (!ui.sh_get_malloc()) return;
    char path[260] = {};
    ui.get_dlg_item_text(dialog, kDirectoryField, path, sizeof path);
    char title[260] = {};
    if (in.shell.strings[kBrowseTitle] != nullptr) {
        FormatText(title, sizeof title, in.shell.strings[kBrowseTitle], in.script.basic.product_name);
    }
    BrowseInfo info{dialog, path, title, BIF_RETURNONLYFSDIRS, BrowseCallback,
                    reinterpret_cast<std::intptr_t>(path)};
    Pidl chosen = ui.sh_browse_for_folder(info);
    if (chosen != 0 && ui.sh_get_path_from_id_list(chosen, path) && path[0] != '\0') {
        ui.set_dlg_item_text(dialog, kDirectoryField, path);
    }
    ui.sh_malloc_free(chosen);
    ui.sh_malloc_release();
}

}  // namespace

std::intptr_t DirectoryDialogProc(Installer& in, Hwnd dialog, std::uint32_t msg,
                                  std::uintptr_t wparam, std::intptr_t) {
    platform::Ui& ui = in.os.ui;
    if (msg == WM_INITDIALOG) return Initialise(in, dialog);
    if (msg != WM_COMMAND) return 0;
    switch (wparam) {
        case IDCANCEL:
            ui.end_dialog(dialog, 0);
            return 1;
        case 1002:
            ShowHelp(in);
            return 1;
        case 1003:
            ShowReadme(in);
            return 1;
        case (std::uintptr_t{EN_UPDATE} << 16) | kDirectoryField: {
            // OK / Begin is greyed while the field is empty.
            Hwnd field = ui.get_dlg_item(dialog, kDirectoryField);
            ui.enable_window(ui.get_dlg_item(dialog, IDOK), ui.get_window_text_length(field) != 0);
            return 1;
        }
        case kBrowse:
            Browse(in, dialog);
            return 1;
        case IDOK:
            return Accept(in, dialog);
        default:
            return 0;
    }
}

int BrowseCallback(Installer& in, Hwnd browser, std::uint32_t msg, std::intptr_t, std::intptr_t data) {
    if (msg == BFFM_INITIALIZED) in.os.ui.send_message(browser, BFFM_SETSELECTIONA, 1, data);
    return 0;
}

void FocusDirectoryEdit(Installer& in, Hwnd dialog) {
    // Posted, so the message dialog that refused the entry closes first.
    in.os.ui.post_message(dialog, WM_NEXTDLGCTL, in.os.ui.get_dlg_item(dialog, kDirectoryField), 1);
}

int CreateDirectoryPath(Installer& in, const char* path) {
    const std::size_t length = TextLength(path);
    // The "\\server\share" of a UNC path exists or not; it cannot be created.
    std::size_t first = 1;
    if (path[0] == '\\' && path[1] == '\\') {
        int separators = 0;
        for (first = 2; first < length && separators < 2; ++first) {
            if (path[first] == '\\' || path[first] == '/') ++separators;
        }
    }
    for (std::size_t i = first; i <= length; ++i) {
        if (path[i - 1] == ':') continue;
        if (path[i] != '\0' && path[i] != '\\' && path[i] != '/') continue;
        char part[260];
        CopyText(part, sizeof part, path, i);
        if (CreateOneDirectory(in, part) == CreateResult::kFailed) return -1;
    }
    return 0;
}

int CreateTargetSubdirectories(Installer& in, const char* target) {
    if (target[0] == '\0') return 0;  // fonts only: there is no target to create them in
    for (std::uint32_t i = 0; i < in.script.subdirectory_count; ++i) {
        char path[260];
        if (!CopyText(path, target)) return -1;
        AddTrailingBackslash(path, sizeof path);
        char name[260] = {};
        if (in.os.system.get_atom_name(in.script.subdirectories[i], name, sizeof name) == 0) return -1;
        if (!AppendText(path, name) || CreateDirectoryPath(in, path) != 0) return -1;
    }
    return 0;
}

std::uint16_t CreateUpgradeTarget(Installer& in) {
    char directory[260];
    CopyText(directory, in.script.basic.target_dir);
    CleanTrailingBackslashes(directory);
    // A name that exists as a file passes the creation and still cannot be entered.
    std::uint16_t code = kOk;
    if (ChangeDirectory(in, directory) != 0 &&
        (CreateDirectoryPath(in, directory) != 0 || ChangeDirectory(in, directory) != 0)) {
        code = kErrCreateDirectory;
    } else if (CreateTargetSubdirectories(in, in.script.basic.target_dir) != 0) {
        code = kErrCreateDirectory;
    }
    RestoreWindowsDrive(in);
    return code;
}

}  // namespace zep

// The installation proper: every file entry of every disk under the progress dialog,
// with retries, disk prompts and Cancel, then the post-copy steps in their fixed order.
#include "engine/copy_driver.h"

#include "base/text.h"
#include "dialogs/dialog_table.h"
#include "engine/embedded_payload.h"
#include "engine/exit_and_delete_lists.h"
#include "engine/file_transfer.h"
#include "engine/progress_gauge.h"
#include "shell/environment.h"
#include "shell/shell.h"
#include "system/fonts.h"
#include "system/product_settings.h"
#include "system/program_groups.h"

namespace zep {

namespace {

constexpr int kStatusLine = 1001;

// Where the copy is: the entry whose install has started and is not done yet, and the
// last entry whose file is in place.
struct CopyPosition {
    bool active = false;
    FileEntry entry{};
    bool any_done = false;
    int done_disk = 0;
    std::uint16_t done_index = 0;
};

// Calls visit(disk, index, entry) for every stored entry in script order until it
// returns false.
template <typename Visit>
void ForEachEntry(Installer& in, Visit visit) {
    for (int d = 0; d < kMaxDisks && in.script.disks[d].name != 0; ++d) {
        const DiskRecord& disk = in.script.disks[d];
        if (disk.count == 0) continue;
        auto* entries = static_cast<const FileEntry*>(in.os.system.global_lock(disk.entries));
        if (entries == nullptr) return;
        bool go_on = true;
        for (std::uint16_t i = 0; i < disk.count && go_on; ++i) go_on = visit(d, i, entries[i]);
        in.os.system.global_unlock(disk.entries);
        if (!go_on) return;
    }
}

void DeleteDestination(Installer& in, const FileEntry& e) {
    char destination[260] = {};
    char path[260];
    in.os.system.get_atom_name(e.destination, destination, sizeof destination);
    if (RootPath(in, path, destination, e.kind)) QuietDelete(in, path);
}

// A file assembled from parts is not left incomplete: when the copy stops, the
// destination of an Append part being installed is deleted, and so is a destination
// written in this run that a part not yet installed would have appended to.
void DeleteUnfinishedFiles(Installer& in, const CopyPosition& p) {
    if (p.active && (p.entry.flags & kFlagAppend) != 0) DeleteDestination(in, p.entry);
    if (!p.any_done) return;
    constexpr std::size_t kMaxPending = 64;  // Append parts still to come; far more than scripts have
    FileEntry pending[kMaxPending];
    std::size_t count = 0;
    bool after = false;
    ForEachEntry(in, [&](int d, std::uint16_t i, const FileEntry& e) {
        if (after && (e.flags & kFlagAppend) != 0 && count < kMaxPending) pending[count++] = e;
        after = after || (d == p.done_disk && i == p.done_index);
        return true;
    });
    // Atoms are shared by names equal without regard to case.
    auto same_file = [](const FileEntry& a, const FileEntry& b) {
        return a.destination == b.destination && a.kind == b.kind;
    };
    bool deleted[kMaxPending] = {};
    ForEachEntry(in, [&](int d, std::uint16_t i, const FileEntry& e) {
        for (std::size_t k = 0; k < count; ++k) {
            if (deleted[k] || !same_file(pending[k], e)) continue;
            DeleteDestination(in, pending[k]);
            for (std::size_t j = k; j < count; ++j) deleted[j] = deleted[j] || same_file(pending[j], pending[k]);
        }
        return !(d == p.done_disk && i == p.done_index);
    });
}

void ShowStatus(Installer& in, Atom description) {
    char text[64] = {};
    in.os.system.get_atom_name(description, text, sizeof text);
    const char* format = in.shell.strings[kCopyingFile] != nullptr ? in.shell.strings[kCopyingFile] : "%s";
    FormatText(in.dialogs.scratch, sizeof in.dialogs.scratch, format, text);
    in.os.ui.set_dlg_item_text(in.copy.progress_dialog, kStatusLine, in.dialogs.scratch);
}

// Installs one entry until it is in place, the user gives up or Cancel comes in.
std::uint16_t InstallEntry(Installer& in, const FileEntry& e, CopyPosition& position, int disk,
                           std::uint16_t index) {
    char source[260] = {}, destination[260] = {};
    in.os.system.get_atom_name(e.source, source, sizeof source);
    in.os.system.get_atom_name(e.destination, destination, sizeof destination);
    for (;;) {
        std::uint16_t code = InstallOneFile(in, destination, source, e.kind, e.resource_id, e.flags);
        if (code == kOk) {
            position.any_done = true;
            position.done_disk = disk;
            position.done_index = index;
            return DrainMessages(in);
        }
        if (ShowInstallDialog(in, code, in.copy.progress_dialog) == 0) return code;
        if (std::uint16_t cancelled = DrainMessages(in); cancelled != 0) return cancelled;
    }
}

std::uint16_t InstallDisks(Installer& in, CopyPosition& position) {
    std::uint16_t abort = kOk;
    for (int d = 0; d < kMaxDisks && abort == kOk; ++d) {
        const DiskRecord& disk = in.script.disks[d];
        if (disk.name == 0) break;
        if (disk.count == 0) continue;  // every line filtered out for this display
        in.os.system.get_atom_name(disk.name, in.copy.disk_name, sizeof in.copy.disk_name);
        auto* entries = static_cast<const FileEntry*>(in.os.system.global_lock(disk.entries));
        if (entries == nullptr) {
            ShowInstallDialog(in, kErrOutOfMemory, in.copy.progress_dialog);
            return kErrOutOfMemory;
        }
        for (std::uint16_t i = 0; i < disk.count && abort == kOk; ++i) {
            const FileEntry e = entries[i];
            if (e.description != 0) ShowStatus(in, e.description);
            // System32 files go only where there is one: NT with the new shell.
            if (e.kind == kSystem32Dir && in.env.platform_class != (kNewShell | kWindowsNt)) continue;
            position.active = true;
            position.entry = e;
            abort = InstallEntry(in, e, position, d, i);
            if (abort == kOk) position.active = false;
        }
        in.os.system.global_unlock(disk.entries);
    }
    return abort;
}

void PostCopySteps(Installer& in) {
    platform::Ui& ui = in.os.ui;
    ui.enable_window(ui.get_dlg_item(in.copy.progress_dialog, IDCANCEL), false);
    BusyCursorOn(in, in.copy.progress_dialog);
    FontStep(in, FontMode::kInstall);
    GroupStep(in);
    WriteProductSettings(in);
    WriteUninstallEntry(in);
    DeleteObsoleteFiles(in);
    BusyCursorOff(in);
}

}  // namespace

int RunCopyDriver(Installer& in) {
    platform::Ui& ui = in.os.ui;
    const std::uint32_t saved_help = in.dialogs.help_context;
    in.copy.copied_bytes = 0;
    Hwnd progress = ui.create_dialog_param(kDlgProgress, 0, ProgressDialogProc, 0);
    if (progress == 0) return 0;
    in.copy.progress_dialog = progress;
    in.dialogs.help_context = kNoHelp;

    CopyPosition position;
    std::uint16_t abort = DrainMessages(in);
    if (abort == kOk) {
        ui.show_window(progress, SW_SHOWNORMAL);
        abort = DrainMessages(in);
    }
    if (abort == kOk) {
        CloseRunningCopies(in);
        FontStep(in, FontMode::kWithdraw);
        const std::uint32_t error_mode = in.os.system.set_error_mode(SEM_FAILCRITICALERRORS);
        abort = DrainMessages(in);
        if (abort == kOk) abort = InstallDisks(in, position);
        in.os.system.set_error_mode(error_mode);
    }
    if (abort == kOk) {
        in.copy.copied_bytes = in.script.basic.disk_space;  // 100 %, whatever the estimate
        RefreshGauge(in);
        abort = DrainMessages(in);
    }
    if (abort == kOk) {
        PostCopySteps(in);
    } else {
        FontStep(in, FontMode::kPutBack);
        DeleteUnfinishedFiles(in, position);
    }
    ui.destroy_window(progress);
    in.dialogs.help_context = saved_help;
    in.copy.progress_dialog = 0;
    return abort == kOk ? 1 : 0;
}

}  // namespace zep

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

constexpr std::size_t kMaxAssembled = 64;  // files assembled from parts; far more than scripts have

// The length a file had before this run appended its first part to it.
struct AppendStart {
    Atom destination;
    std::uint8_t kind;
    std::int32_t length;
};

// Where the copy is: the entry whose install has started and is not done yet, the last
// entry whose file is in place, and where this run began appending to each file.
struct CopyPosition {
    bool active = false;
    FileEntry entry{};
    bool any_done = false;
    int done_disk = 0;
    std::uint16_t done_index = 0;
    AppendStart starts[kMaxAssembled] = {};
    std::size_t start_count = 0;
};

// Atoms are shared by names equal without regard to case.
bool SameFile(const FileEntry& a, const FileEntry& b) {
    return a.destination == b.destination && a.kind == b.kind;
}

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

void NoteAppendStart(Installer& in, CopyPosition& p, const FileEntry& e) {
    for (std::size_t k = 0; k < p.start_count; ++k) {
        if (p.starts[k].destination == e.destination && p.starts[k].kind == e.kind) return;
    }
    if (p.start_count < kMaxAssembled) p.starts[p.start_count++] = {e.destination, e.kind, in.copy.append_from};
}

// A file assembled from parts is not left incomplete: when the copy stops, the file of an
// Append part being installed, or of one not installed yet, is undone. What this run
// wrote goes; what was there before it stays. A file this run wrote from its first part
// is deleted; a file that was there before and only had parts appended is cut back to
// the length it had before this run's first part.
void UndoUnfinishedFile(Installer& in, const CopyPosition& p, const FileEntry& e) {
    bool written_whole = false;
    if (p.any_done) {
        ForEachEntry(in, [&](int d, std::uint16_t i, const FileEntry& done) {
            written_whole = written_whole || ((done.flags & kFlagAppend) == 0 && SameFile(done, e));
            return !(d == p.done_disk && i == p.done_index);
        });
    }
    char destination[260] = {};
    char path[260];
    in.os.system.get_atom_name(e.destination, destination, sizeof destination);
    if (!RootPath(in, path, destination, e.kind)) return;
    if (written_whole) {
        QuietDelete(in, path);
        return;
    }
    for (std::size_t k = 0; k < p.start_count; ++k) {
        if (p.starts[k].destination != e.destination || p.starts[k].kind != e.kind) continue;
        const std::uint32_t mode = in.os.system.set_error_mode(SEM_FAILCRITICALERRORS);
        Hfile file = OpenPath(in, path, OF_WRITE | OF_SHARE_EXCLUSIVE);
        if (file != HFILE_ERROR) {
            if (in.os.files.llseek(file, p.starts[k].length, FILE_BEGIN) != HFILE_ERROR) {
                in.os.files.lwrite(file, path, 0);  // a write of no bytes ends the file there
            }
            in.os.files.lclose(file);
        }
        in.os.system.set_error_mode(mode);
        return;
    }
    // Nothing of this run's is in it: a failed part has already been taken out again.
}

void UndoUnfinishedFiles(Installer& in, const CopyPosition& p) {
    FileEntry pending[kMaxAssembled];
    std::size_t count = 0;
    if (p.active && (p.entry.flags & kFlagAppend) != 0) pending[count++] = p.entry;
    if (p.any_done) {
        // The Append parts still to come, whose file a part of this run has written.
        bool after = false;
        ForEachEntry(in, [&](int d, std::uint16_t i, const FileEntry& e) {
            if (after && (e.flags & kFlagAppend) != 0 && count < kMaxAssembled) pending[count++] = e;
            after = after || (d == p.done_disk && i == p.done_index);
            return true;
        });
        std::size_t kept = 0;
        for (std::size_t k = 0; k < count; ++k) {
            bool written = k == 0 && p.active && (p.entry.flags & kFlagAppend) != 0;
            ForEachEntry(in, [&](int d, std::uint16_t i, const FileEntry& done) {
                written = written || SameFile(done, pending[k]);
                return !(d == p.done_disk && i == p.done_index);
            });
            if (written) pending[kept++] = pending[k];
        }
        count = kept;
    }
    for (std::size_t k = 0; k < count; ++k) {
        bool seen = false;
        for (std::size_t j = 0; j < k; ++j) seen = seen || SameFile(pending[j], pending[k]);
        if (!seen) UndoUnfinishedFile(in, p, pending[k]);
    }
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
            if ((e.flags & kFlagAppend) != 0) NoteAppendStart(in, position, e);
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
        UndoUnfinishedFiles(in, position);
    }
    ui.destroy_window(progress);
    in.dialogs.help_context = saved_help;
    in.copy.progress_dialog = 0;
    in.copy.gauge_of = 0;  // a later dialog may get the same handle
    return abort == kOk ? 1 : 0;
}

}  // namespace zep

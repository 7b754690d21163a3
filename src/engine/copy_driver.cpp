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

// A file assembled from parts: where its last part is, and what this run did to it, with
// its path kept from when it was written, so that undoing it needs no table read then.
struct Assembled {
    Atom destination;
    std::uint8_t kind;
    int last_disk;              // its last Append part
    std::uint16_t last_index;
    bool written;               // a part of it is in place from this run
    bool whole;                 // this run wrote it from a part without Append
    std::int32_t length;        // else: its length before this run's first part
    char path[260];
};

// Where the copy is: the last entry whose file is in place, and the files made of parts.
struct CopyPosition {
    bool any_done = false;
    int done_disk = 0;
    std::uint16_t done_index = 0;
    Assembled files[kMaxAssembled] = {};
    std::size_t file_count = 0;
};

// Calls visit(disk, index, entry) for every stored entry in script order until it
// returns false; false when an entry array could not be read.
template <typename Visit>
bool ForEachEntry(Installer& in, Visit visit) {
    for (int d = 0; d < kMaxDisks && in.script.disks[d].name != 0; ++d) {
        const DiskRecord& disk = in.script.disks[d];
        if (disk.count == 0) continue;
        auto* entries = static_cast<const FileEntry*>(in.os.system.global_lock(disk.entries));
        if (entries == nullptr) return false;
        bool go_on = true;
        for (std::uint16_t i = 0; i < disk.count && go_on; ++i) go_on = visit(d, i, entries[i]);
        in.os.system.global_unlock(disk.entries);
        if (!go_on) return true;
    }
    return true;
}

Assembled* FindAssembled(CopyPosition& p, const FileEntry& e) {
    for (std::size_t k = 0; k < p.file_count; ++k) {
        // Atoms are shared by names equal without regard to case.
        if (p.files[k].destination == e.destination && p.files[k].kind == e.kind) return &p.files[k];
    }
    return nullptr;
}

// The files that Append parts go into, and where the last part of each is. False when
// the tables cannot be read: the copy cannot go on without them.
bool FindAssembledFiles(Installer& in, CopyPosition& p) {
    return ForEachEntry(in, [&](int d, std::uint16_t i, const FileEntry& e) {
        if ((e.flags & kFlagAppend) == 0) return true;
        Assembled* a = FindAssembled(p, e);
        if (a == nullptr && p.file_count < kMaxAssembled) {
            a = &p.files[p.file_count++];
            *a = {};
            a->destination = e.destination;
            a->kind = e.kind;
        }
        if (a != nullptr) {
            a->last_disk = d;
            a->last_index = i;
        }
        return true;
    });
}

// An entry's file is in place: what this run has done to a file made of parts.
void NoteWritten(Installer& in, CopyPosition& p, const FileEntry& e, const char* path) {
    Assembled* a = FindAssembled(p, e);
    if (a == nullptr) return;
    const bool append = (e.flags & kFlagAppend) != 0;
    if (!a->written) {
        a->written = true;
        a->whole = !append;
        a->length = in.copy.append_from;
        CopyText(a->path, path);
    } else if (!append) {
        a->whole = true;  // written anew from here: the earlier parts are gone
    }
}

// A file assembled from parts is not left incomplete: when the copy stops before its last
// part is in place, what this run did to it is undone and what was there before stays. A
// file this run wrote from a part without Append is deleted; a file that was there before
// and only had parts appended is cut back to the length it had before this run's first
// part. (A part that failed has already been taken out again by the transfer.)
void UndoUnfinishedFiles(Installer& in, const CopyPosition& p) {
    for (std::size_t k = 0; k < p.file_count; ++k) {
        const Assembled& a = p.files[k];
        if (!a.written) continue;
        const bool complete = p.any_done && (a.last_disk < p.done_disk ||
                                             (a.last_disk == p.done_disk && a.last_index <= p.done_index));
        if (complete) continue;
        if (a.whole) {
            QuietDelete(in, a.path);
            continue;
        }
        const std::uint32_t mode = in.os.system.set_error_mode(SEM_FAILCRITICALERRORS);
        // Undoing is asked twice before it is given up: it keeps what was there before.
        for (int attempt = 0; attempt < 2; ++attempt) {
            Hfile file = OpenPath(in, a.path, OF_WRITE | OF_SHARE_EXCLUSIVE);
            if (file == HFILE_ERROR) continue;
            bool cut = in.os.files.llseek(file, a.length, FILE_BEGIN) == a.length &&
                       in.os.files.lwrite(file, a.path, 0) == 0;  // a write of no bytes ends the file there
            in.os.files.lclose(file);
            if (cut) break;
        }
        in.os.system.set_error_mode(mode);
    }
}

void ShowStatus(Installer& in, Atom description) {
    // Several files under one description: the line already says it.
    if (description == in.copy.status_shown) return;
    char text[64] = {};
    const bool read = in.os.system.get_atom_name(description, text, sizeof text) != 0;
    const char* format = in.shell.strings[kCopyingFile] != nullptr ? in.shell.strings[kCopyingFile] : "%s";
    FormatText(in.dialogs.scratch, sizeof in.dialogs.scratch, format, text);
    const bool set = in.os.ui.set_dlg_item_text(in.copy.progress_dialog, kStatusLine, in.dialogs.scratch);
    in.copy.status_shown = read && set ? description : 0;
}

// Installs one entry until it is in place, the user gives up or Cancel comes in.
std::uint16_t InstallEntry(Installer& in, const FileEntry& e, CopyPosition& position, int disk,
                           std::uint16_t index) {
    for (;;) {
        // The names are read for every try: a read that failed once may work on Retry.
        char source[260] = {}, destination[260] = {}, path[260] = {};
        std::uint16_t code = kErrCopy;
        if (in.os.system.get_atom_name(e.source, source, sizeof source) == 0 ||
            in.os.system.get_atom_name(e.destination, destination, sizeof destination) == 0) {
            RecordFailure(in, "");
        } else {
            code = InstallOneFile(in, destination, source, e.kind, e.resource_id, e.flags);
        }
        if (code == kOk) {
            if (RootPath(in, path, destination, e.kind)) NoteWritten(in, position, e, path);
            // Cancel taken in the drain right after the file still stops the copy within
            // this entry: a last part is then undone with its file.
            const std::uint16_t cancelled = DrainMessages(in);
            if (cancelled == kOk) {
                position.any_done = true;
                position.done_disk = disk;
                position.done_index = index;
            }
            return cancelled;
        }
        if (ShowInstallDialog(in, code, in.copy.progress_dialog) == 0) return code;
        if (std::uint16_t cancelled = DrainMessages(in); cancelled != 0) return cancelled;
    }
}

std::uint16_t InstallDisks(Installer& in, CopyPosition& position) {
    std::uint16_t abort = kOk;
    if (!FindAssembledFiles(in, position)) {
        ShowInstallDialog(in, kErrOutOfMemory, in.copy.progress_dialog);
        return kErrOutOfMemory;
    }
    for (int d = 0; d < kMaxDisks && abort == kOk; ++d) {
        const DiskRecord& disk = in.script.disks[d];
        if (disk.name == 0) break;
        if (disk.count == 0) continue;  // every line filtered out for this display
        in.copy.disk_name[0] = '\0';  // never an earlier disk's name
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
            abort = InstallEntry(in, e, position, d, i);
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
    in.copy.status_shown = 0;
    return abort == kOk ? 1 : 0;
}

}  // namespace zep

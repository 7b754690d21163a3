#include "dialogs/dialog_table.h"

namespace zep {

const DialogRow kDialogTable[kDialogRows] = {
    {kErrBadDrive, 256, MessageDialogProc},
    {kErrScriptLine, 512, MessageDialogProc},
    {kErrNoDirectory, 768, MessageDialogProc},
    {kErrCopy, 1024, MessageDialogProc},
    {kErrCreateDirectory, 1280, MessageDialogProc},
    {kErrDiskSpace, 1536, MessageDialogProc},
    {kDlgFontsOnly, 1664, MessageDialogProc},
    {kErrMissingKey, 1792, MessageDialogProc},
    {kErrInsertDisk, 2048, DirectoryDialogProc},
    {kErrFileNotFound, 2176, DirectoryDialogProc},
    {kErrOpenScript, kNoHelp, MessageDialogProc},
    {kErrOutOfMemory, 2304, MessageDialogProc},
    {kErrStartProgram, 2816, MessageDialogProc},
    {kDlgCompleted, 2560, MessageDialogProc},
    {kDlgCompleted + 1, 2560, CompletionDialogProc},
    {kDlgCompleted + 2, 2560, CompletionDialogProc},
    {kDlgDirectoryInUse, kNoHelp, MessageDialogProc},  // context comes from the pseudo id
    {kDlgNewInstall, 3584, DirectoryDialogProc},
    {kDlgReinstall, 3712, DirectoryDialogProc},
    {kDlgUpgrade, 3720, MessageDialogProc},
    {kErrTooManyDisks, 3840, MessageDialogProc},
    {kErrNothingToUpgrade, 3968, MessageDialogProc},
    {kErrWindowsVersion, 4096, MessageDialogProc},
};

std::intptr_t ShowInstallDialog(Installer& in, std::uint16_t id, Hwnd parent) {
    std::uint32_t saved = in.dialogs.help_context;
    if (id == kErrTargetIsInstalled) {
        in.dialogs.help_context = kHelpTargetIsInstalled;
        id = kDlgDirectoryInUse;
    } else if (id == kErrTargetIsSource) {
        in.dialogs.help_context = kHelpTargetIsSource;
        id = kDlgDirectoryInUse;
    }
    int row = 0;
    while (row < kDialogRows && kDialogTable[row].id != id) ++row;
    if (row == kDialogRows) {
        in.dialogs.help_context = saved;
        return 0;
    }
    if (id != kDlgDirectoryInUse) in.dialogs.help_context = kDialogTable[row].help_context;
    // A dialog that cannot be shown (-1) answers nothing: it ends what asked it as Cancel
    // does, never as OK or Retry, which would go on unchecked or ask again for good.
    const void* tmpl = in.os.resources.lock_resource(in.dialogs.templates[row]);
    std::intptr_t result =
        tmpl != nullptr ? in.os.ui.dialog_box_indirect_param(tmpl, parent, kDialogTable[row].proc, 0) : -1;
    in.dialogs.help_context = saved;
    return result == -1 ? 0 : result;
}

int PreloadDialogTemplates(Installer& in) {
    platform::Resources& res = in.os.resources;
    for (int row = 0; row < kDialogRows; ++row) {
        Hrsrc found = res.find_resource(kDialogTable[row].id, RT_DIALOG);
        if (found == 0) return 1;
        in.dialogs.templates[row] = res.load_resource(found);
        if (in.dialogs.templates[row] == 0) return 1;
        if (res.lock_resource(in.dialogs.templates[row]) == nullptr) {
            res.free_resource(in.dialogs.templates[row]);
            in.dialogs.templates[row] = 0;
            return 1;
        }
    }
    return 0;
}

void FreeDialogTemplates(Installer& in) {
    for (Hglobal& t : in.dialogs.templates) {
        if (t != 0) {
            in.os.resources.free_resource(t);
            t = 0;
        }
    }
}

void ShowHelp(Installer& in) {
    if (in.dialogs.help_context != kNoHelp) {
        in.os.ui.win_help(in.shell.main_window, in.script.basic.help_file_path, HELP_CONTEXT,
                          in.dialogs.help_context);
    }
}

void ShowReadme(Installer& in) {
    if (in.dialogs.help_context != kNoHelp) {
        in.os.ui.win_help(in.shell.main_window, in.script.basic.help_file_path, HELP_CONTEXT,
                          kHelpReadme);
    }
}

}  // namespace zep

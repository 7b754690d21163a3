// The completion dialogs that offer to start the installed program, and the start itself.
#include "base/text.h"
#include "dialogs/dialog_table.h"
#include "shell/environment.h"

namespace zep {

namespace {

// Starts the [Run] program from the target directory; dialog 2200 offers Retry until it
// starts or the user cancels.
void LaunchProgram(Installer& in, Hwnd dialog) {
    char command[260];
    char directory[260];
    const bool fits = CopyText(command, in.script.basic.target_dir) && AppendText(command, in.script.run.program);
    CopyText(directory, in.script.basic.target_dir);
    std::size_t n = TextLength(directory);
    // The trailing backslash goes, except a drive root's: "C:" would name the drive's
    // current directory, wherever that is, and the program would start there.
    if (n > 0 && !(n == 3 && directory[1] == ':')) directory[n - 1] = '\0';
    // A UNC target has no drive to make current: its directory is entered directly.
    const bool unc = command[0] == '\\' && command[1] == '\\';
    for (;;) {
        // The drive letter without regard to case: "c:\sample" starts as "C:\SAMPLE" does.
        const int drive = AsciiUpper(command[0]) - 64;
        if (fits && (unc || ChangeDrive(in, drive) == 0) && ChangeDirectory(in, directory) == 0 &&
            in.os.ui.win_exec(command, SW_SHOWNORMAL) > 32) {
            return;
        }
        if (ShowInstallDialog(in, kErrStartProgram, dialog) == 0) return;
    }
}

}  // namespace

std::intptr_t CompletionDialogProc(Installer& in, Hwnd dialog, std::uint32_t msg,
                                   std::uintptr_t wparam, std::intptr_t) {
    platform::Ui& ui = in.os.ui;
    if (msg == WM_INITDIALOG) {
        ui.set_dlg_item_text(dialog, 1001, in.script.run.message);
        PlaceDialog(in, dialog);
        if ((in.env.platform_class & kNewShell) != 0) RaiseDialog(in, dialog);
        WatchForGroupWindow(in, dialog);
        return 1;
    }
    if (msg == WM_TIMER && wparam == kGroupWatchTimer) {
        GroupWatchTick(in, dialog);
        return 1;
    }
    if (msg != WM_COMMAND) return 0;
    switch (wparam) {
        case IDOK:
            LaunchProgram(in, dialog);
            ui.end_dialog(dialog, 1);
            return 1;
        case IDCANCEL:
            ui.end_dialog(dialog, 0);
            return 1;
        case 1002:
            ShowHelp(in);
            return 1;
        default:
            return 0;
    }
}

}  // namespace zep

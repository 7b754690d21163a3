// The hidden main window owns help, and its message filter turns F1 in any dialog into a
// help request for the dialog on screen.
#include "dialogs/dialog_table.h"
#include "shell/shell.h"

namespace zep {

std::intptr_t MainWindowProc(Installer& in, Hwnd window, std::uint32_t msg,
                             std::uintptr_t wparam, std::intptr_t lparam) {
    platform::Ui& ui = in.os.ui;
    switch (msg) {
        case WM_CREATE:
            in.shell.filter_hook = ui.set_windows_hook(WH_MSGFILTER, HelpKeyFilter);
            in.shell.hook_installed = in.shell.filter_hook != 0;
            return 0;
        case WM_DESTROY:
            if (in.shell.hook_installed) {
                ui.unhook_windows_hook(WH_MSGFILTER, HelpKeyFilter);
                in.shell.hook_installed = false;
            }
            ui.win_help(window, in.script.basic.help_file_path, HELP_QUIT, 0);
            return 0;
        case kHelpRequest:
            ShowHelp(in);
            return 0;
        default:
            return ui.def_window_proc(window, msg, wparam, lparam);
    }
}

bool IsHelpKey(int code, const Msg& msg) {
    // Bits 30 and 31 clear: the key was up before, so a held F1 asks only once.
    return code == MSGF_DIALOGBOX && msg.message == WM_KEYDOWN && msg.wparam == VK_F1 &&
           (static_cast<std::uint32_t>(msg.lparam) & 0xC0000000u) == 0;
}

std::intptr_t HelpKeyFilter(Installer& in, int code, std::uintptr_t wparam, Msg* msg) {
    if (msg != nullptr && IsHelpKey(code, *msg)) {
        in.os.ui.post_message(in.shell.main_window, kHelpRequest, 0, 0);
        return 1;
    }
    return in.os.ui.call_next_hook_ex(in.shell.filter_hook, code, wparam, msg);
}

}  // namespace zep

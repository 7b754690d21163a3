#include "shell/shell.h"

namespace zep {

std::uint16_t DrainMessages(Installer& in) {
    platform::Ui& ui = in.os.ui;
    Msg msg{};
    while (ui.peek_message(msg, 0, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return 1;  // what is behind it stays queued
        Hwnd progress = in.copy.progress_dialog;
        if (progress == 0 || !ui.is_dialog_message(progress, msg)) {
            ui.translate_message(msg);
            ui.dispatch_message(msg);
        }
    }
    return 0;
}

void BusyCursorOn(Installer& in, Hwnd window) {
    platform::Ui& ui = in.os.ui;
    ui.set_capture(window);
    in.shell.saved_cursor = ui.set_cursor(ui.load_cursor(IDC_WAIT));
}

void BusyCursorOff(Installer& in) {
    in.os.ui.set_cursor(in.shell.saved_cursor);
    in.os.ui.release_capture();
}

}  // namespace zep

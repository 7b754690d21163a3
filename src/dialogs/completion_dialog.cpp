#include "dialogs/dialog_table.h"

namespace zep {

// Starting the installed program is not built yet: both answers just close the dialog.
std::intptr_t CompletionDialogProc(Installer& in, Hwnd dialog, std::uint32_t msg,
                                   std::uintptr_t wparam, std::intptr_t) {
    if (msg == WM_INITDIALOG) {
        in.os.ui.set_dlg_item_text(dialog, 1001, in.script.run.message);
        PlaceDialog(in, dialog);
        return 1;
    }
    if (msg == WM_COMMAND && (wparam == IDOK || wparam == IDCANCEL)) {
        in.os.ui.end_dialog(dialog, wparam == IDOK ? 1 : 0);
        return 1;
    }
    return 0;
}

}  // namespace zep

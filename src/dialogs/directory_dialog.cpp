#include "dialogs/dialog_table.h"

namespace zep {

// The directory checks are not built yet: the dialog shows its template and only lets the
// user cancel, so no unchecked directory can be accepted.
std::intptr_t DirectoryDialogProc(Installer& in, Hwnd dialog, std::uint32_t msg,
                                  std::uintptr_t wparam, std::intptr_t) {
    if (msg == WM_INITDIALOG) {
        PlaceDialog(in, dialog);
        return 1;
    }
    if (msg == WM_COMMAND && wparam == IDCANCEL) {
        in.os.ui.end_dialog(dialog, 0);
        return 1;
    }
    return 0;
}

}  // namespace zep

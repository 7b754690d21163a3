// The uninstaller's three kinds of dialog share one procedure: control 1001's template
// text is the format, filled with one argument, and a list control shows what was kept.
#include "base/text.h"
#include "dialogs/dialog_table.h"
#include "uninstall/uninstaller.h"

namespace zep {

namespace {

constexpr int kMessageText = 1001;

struct DialogArgs {
    const char* arg;
    const char* kept;
};

}  // namespace

std::intptr_t UninstallDialogProc(Installer& in, Hwnd dialog, std::uint32_t msg, std::uintptr_t wparam,
                                  std::intptr_t lparam) {
    platform::Ui& ui = in.os.ui;
    switch (msg) {
        case WM_INITDIALOG: {
            const auto* args = reinterpret_cast<const DialogArgs*>(lparam);
            char format[260] = {};
            ui.get_dlg_item_text(dialog, kMessageText, format, sizeof format);
            FormatText(in.dialogs.scratch, sizeof in.dialogs.scratch, format, args->arg);
            ui.set_dlg_item_text(dialog, kMessageText, in.dialogs.scratch);
            if (ui.get_dlg_item(dialog, kKeptList) != 0) ui.set_dlg_item_text(dialog, kKeptList, args->kept);
            PlaceDialog(in, dialog);
            return 1;
        }
        case WM_COMMAND:
            if (wparam == IDOK || wparam == IDCANCEL) {
                ui.end_dialog(dialog, wparam == IDOK ? 1 : 0);
                return 1;
            }
            return 0;
        default:
            return 0;
    }
}

std::intptr_t ShowUninstallDialog(Uninstaller& u, std::uint16_t id, const char* arg) {
    platform::Resources& res = u.in.os.resources;
    Hrsrc found = res.find_resource(id, RT_DIALOG);
    Hglobal loaded = found != 0 ? res.load_resource(found) : 0;
    const void* tmpl = loaded != 0 ? res.lock_resource(loaded) : nullptr;
    if (tmpl == nullptr) return 0;
    DialogArgs args{arg, u.kept};
    const std::intptr_t result = u.in.os.ui.dialog_box_indirect_param(tmpl, 0, UninstallDialogProc,
                                                                       reinterpret_cast<std::intptr_t>(&args));
    res.free_resource(loaded);
    return result;
}

}  // namespace zep

#include "base/text.h"
#include "dialogs/dialog_table.h"
#include "engine/progress_gauge.h"
#include "script/loader.h"
#include "shell/environment.h"
#include "shell/shell.h"

namespace zep {

namespace {

void EndStartUp(Installer& in) {
    in.os.ui.destroy_window(in.shell.main_window);
    in.shell.main_window = 0;
}

std::uint16_t LoadStampNumber(Installer& in, std::uint32_t id) {
    char text[16] = {};
    if (in.os.resources.load_string(id, text, sizeof text) <= 0) return 0;
    return static_cast<std::uint16_t>(ParseDecimal(text));
}

}  // namespace

void LoadStringPool(Installer& in) {
    const std::uint32_t group = (in.env.platform_class & kNewShell) != 0 ? 8009 : 8008;
    const std::uint32_t ids[kPoolStrings] = {8003, 8004, 8005, 8007, group, 8010, 8011};
    ShellState& s = in.shell;
    std::size_t used = 0;
    for (int i = 0; i < kPoolStrings; ++i) {
        s.strings[i] = nullptr;
        int left = static_cast<int>(sizeof s.string_pool - used);
        if (left < 2) continue;  // a zero-sized LoadString means something else entirely
        int n = in.os.resources.load_string(ids[i], s.string_pool + used, left);
        if (n <= 0) continue;
        s.strings[i] = s.string_pool + used;
        used += static_cast<std::size_t>(n) + 1;
    }
}

bool StartUp(Installer& in) {
    if (RaiseOtherInstance(in)) return false;
    bool environment = ProbeVersion(in);

    platform::Ui& ui = in.os.ui;
    const WindowClass main_class{kMainClass, 0, 0, 0, MainWindowProc};
    const WindowClass gauge_class{kGaugeClass, CS_HREDRAW | CS_VREDRAW, IDC_ARROW,
                                  COLOR_WINDOW + 1, GaugeWindowProc};
    if (!ui.register_class(main_class) || !ui.register_class(gauge_class)) return false;
    in.shell.main_window = ui.create_window(kMainClass, nullptr, 0, 0, 0, 0, 0, 0);
    if (in.shell.main_window == 0) return false;

    environment = environment && ComputeRoots(in);
    ProbeDisplay(in);

    if (PreloadDialogTemplates(in) != 0) {
        FreeDialogTemplates(in);
        EndStartUp(in);
        return false;
    }
    LoadStringPool(in);
    in.shell.stamp_date = LoadStampNumber(in, 8001);
    in.shell.stamp_time = LoadStampNumber(in, 8002);

    for (;;) {
        // Without the version or the Windows directory nothing can be decided (which
        // shell, where the help file goes): the system's reason is shown as a copy error.
        const std::uint16_t code = environment ? LoadInstallScript(in) : std::uint16_t{kErrCopy};
        if (code == kOk) return true;
        // Retry loads again after a missing script, or after a script that could not be
        // extracted (the only copy error the loader reports), or asks the system again.
        if (ShowInstallDialog(in, code, 0) == 0 || (code != kErrOpenScript && code != kErrCopy)) break;
        if (!environment) {
            environment = ProbeVersion(in) && ComputeRoots(in);
            LoadStringPool(in);  // the group status text follows the shell
        }
    }
    EndStartUp(in);
    return false;
}

}  // namespace zep

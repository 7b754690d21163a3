#include "dialogs/dialog_table.h"
#include "dialogs/mode_selection.h"
#include "engine/copy_driver.h"
#include "shell/shell.h"

namespace zep {

int RunInstaller(Installer& in) {
    if (StartUp(in)) {
        if (SelectInstallMode(in) != 0 && RunCopyDriver(in) != 0) {
            ShowInstallDialog(in, static_cast<std::uint16_t>(kDlgCompleted + in.script.run.choice),
                              0);
        }
        in.os.ui.destroy_window(in.shell.main_window);
        in.shell.main_window = 0;
    }
    CleanUp(in);
    return 0;
}

}  // namespace zep

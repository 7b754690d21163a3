#include "dialogs/dialog_table.h"
#include "engine/file_transfer.h"
#include "script/loader.h"
#include "shell/shell.h"
#include "system/program_groups.h"

namespace zep {

namespace {

constexpr int kHelpFileTries = 100;

// The help viewer may still hold the file for a moment after HELP_QUIT. A help file this
// run did not place is not the installer's to delete: the tries then find nothing. A try
// goes on until the file is gone: once it could be opened alone (the viewer has let go),
// or once the open fails for a reason other than the file being in use, DeleteFile is
// asked, and a delete that fails is tried again.
void DeleteHelpFile(Installer& in) {
    const char* path = in.loader.help_written ? in.script.basic.help_file_path : "";
    for (int i = 0; i < kHelpFileTries; ++i) {
        Msg msg{};
        in.os.ui.peek_message(msg, 0, 0, 0, PM_NOREMOVE);
        Hfile file = OpenPath(in, path, OF_READ | OF_SHARE_EXCLUSIVE);
        if (file == HFILE_ERROR) {
            const std::uint32_t error = in.os.system.get_last_error();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_SHARING_VIOLATION ||
                error == ERROR_LOCK_VIOLATION) {
                continue;
            }
        } else {
            in.os.files.lclose(file);
        }
        if (in.os.files.delete_file(path)) return;
    }
}

}  // namespace

void CleanUp(Installer& in) {
    FreeDialogTemplates(in);
    if (in.script.basic.fonts_only != 0 && in.script.basic.fonts_bitmap != 0) {
        in.os.resources.delete_object(in.script.basic.fonts_bitmap);
        in.script.basic.fonts_bitmap = 0;
    }
    ReleaseScriptTables(in);
    DeleteHelpFile(in);
    // The script setup extracted: a quiet delete asks twice, as a delete can fail for a
    // moment.
    if (in.loader.embedded && in.loader.script_written) QuietDelete(in, in.loader.script_path);
    ReleaseDdeInstance(in);
}

}  // namespace zep

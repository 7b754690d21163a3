#include "dialogs/dialog_table.h"
#include "engine/file_transfer.h"
#include "script/loader.h"
#include "shell/shell.h"
#include "system/program_groups.h"

namespace zep {

namespace {

constexpr int kHelpFileTries = 100;

// The help viewer may still hold the file for a moment after HELP_QUIT. A help file this
// run did not place is not the installer's to delete: the tries then find nothing.
void DeleteHelpFile(Installer& in) {
    const char* path = in.loader.help_written ? in.script.basic.help_file_path : "";
    for (int i = 0; i < kHelpFileTries; ++i) {
        Msg msg{};
        in.os.ui.peek_message(msg, 0, 0, 0, PM_NOREMOVE);
        Hfile file = OpenPath(in, path, OF_READ | OF_SHARE_EXCLUSIVE);
        if (file != HFILE_ERROR) {
            in.os.files.lclose(file);
            in.os.files.delete_file(path);
            return;
        }
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
    if (in.loader.embedded && in.loader.script_written) in.os.files.delete_file(in.loader.script_path);
    ReleaseDdeInstance(in);
}

}  // namespace zep

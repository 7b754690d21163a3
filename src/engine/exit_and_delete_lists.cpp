#include "engine/exit_and_delete_lists.h"

#include "base/text.h"
#include "engine/file_transfer.h"
#include "shell/environment.h"

namespace zep {

namespace {

constexpr std::uint32_t kCloseWait = 5000;  // milliseconds

}  // namespace

bool TitleMatches(const char* title, const char* prefixes) {
    for (const char* p = prefixes; *p != '\0';) {
        const char* comma = p;
        while (*comma != '\0' && *comma != ',') ++comma;
        if (StartsWithIgnoringAsciiCase(title, p, static_cast<std::size_t>(comma - p))) return true;
        if (*comma == '\0') break;
        p = comma + 1;  // a trailing comma ends the list: it adds no empty prefix
    }
    return false;
}

void CloseRunningCopies(Installer& in) {
    platform::Ui& ui = in.os.ui;
    for (; in.script.exit_count > 0; --in.script.exit_count) {
        const ExitEntry& e = in.script.exit_list[in.script.exit_count - 1];
        char window_class[64] = {}, prefixes[64] = {};
        // An entry that cannot be read back is passed over: without its prefixes it would
        // close any window of its class.
        if (in.os.system.get_atom_name(e.window_class, window_class, sizeof window_class) == 0) continue;
        if (e.title_prefixes != 0 && in.os.system.get_atom_name(e.title_prefixes, prefixes, sizeof prefixes) == 0) {
            continue;
        }
        Hwnd window = ui.find_window(window_class, nullptr);
        if (window == 0) continue;
        if (e.title_prefixes != 0) {
            char title[64] = {};
            // A title that cannot be read is none; an empty prefix still matches it.
            if (ui.get_window_text(window, title, sizeof title) == 0) title[0] = '\0';
            if (!TitleMatches(title, prefixes)) continue;
        }
        // A program that no longer answers would hold SendMessage, and setup with it, for
        // good: it is given up on at once, and a slow one after a few seconds, like a
        // program that refuses to close.
        std::uintptr_t answer = 0;
        ui.send_message_timeout(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kCloseWait, &answer);
    }
}

void DeleteObsoleteFiles(Installer& in) {
    for (; in.script.delete_count > 0; --in.script.delete_count) {
        const DeleteEntry& e = in.script.delete_list[in.script.delete_count - 1];
        char name[260] = {};
        if (in.os.system.get_atom_name(e.file, name, sizeof name) == 0) continue;  // no name: the root itself
        char path[260];
        if (RootPath(in, path, name, e.kind)) QuietDelete(in, path);
    }
}

}  // namespace zep

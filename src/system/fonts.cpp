#include "system/fonts.h"

#include "base/text.h"
#include "shell/environment.h"

namespace zep {

namespace {

constexpr int kStatusLine = 1001;
constexpr const char* kFontsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";
constexpr const char* kNtFontsKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char kFontsSection[] = "fonts";

bool IsTrueTypeName(const char* file) {
    std::size_t n = TextLength(file);
    return n > 3 && EqualsIgnoringAsciiCase(file + n - 3, "TTF");
}

// The old shell: a TrueType font is loaded through a .FOT resource file made beside it,
// and win.ini [fonts] names what is loaded.
void OldShellFont(Installer& in, FontMode mode, const char* name, char (&file)[260], char (&path)[260]) {
    if (IsTrueTypeName(file)) {
        char listed[260];
        CopyText(listed, file);
        std::size_t n = TextLength(file);
        CopyText(file + n - 3, 4, "FOT");
        RootPath(in, path, file, kFontsDir);
        if (mode == FontMode::kInstall) {
            char directory[260];
            CopyText(directory, in.env.fonts_root);
            std::size_t d = TextLength(directory);
            if (d > 0 && directory[d - 1] == '\\') directory[d - 1] = '\0';
            in.os.fonts.create_scalable_font_resource(0, path, listed, directory);
        }
    }
    if (mode == FontMode::kInstall) in.os.profiles.write_profile_string(kFontsSection, name, file);
}

// The new shell: withdrawing removes the value and remembers whether there was one and
// what it said; putting back restores exactly that, so that a font never recorded before
// is not recorded for a file that may never have been copied.
void RegistryFont(Installer& in, Hkey key, FontMode mode, const char* name, const char* file, FontValue& saved) {
    platform::Registry& reg = in.os.registry;
    if (mode == FontMode::kWithdraw) {
        saved.size = sizeof saved.data;
        if (reg.reg_query_value_ex(key, name, &saved.type, saved.data, &saved.size) != ERROR_SUCCESS) saved.size = 0;
        saved.removed = reg.reg_delete_value(key, name) == ERROR_SUCCESS;
        return;
    }
    if (mode == FontMode::kPutBack && !saved.removed) return;
    // Recording, or putting back the value taken (the listed file when it did not fit);
    // either gives back what withdrawing took, so it is asked twice before it is given up.
    const bool taken = mode == FontMode::kPutBack && saved.size != 0;
    const void* data = taken ? static_cast<const void*>(saved.data) : file;
    const std::uint32_t size = taken ? saved.size : static_cast<std::uint32_t>(TextLength(file) + 1);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (reg.reg_set_value_ex(key, name, taken ? saved.type : REG_SZ, data, size) == ERROR_SUCCESS) return;
    }
}

}  // namespace

void FontStep(Installer& in, FontMode mode) {
    platform::Platform& os = in.os;
    const std::uint32_t platform = in.env.platform_class;
    Hkey key = 0;
    bool key_open = false;
    if ((platform & kNewShell) != 0) {
        const char* subkey = (platform & kWindowsNt) != 0 ? kNtFontsKey : kFontsKey;
        // Recording and putting back give back what withdrawing took: asked twice before
        // they are given up.
        for (int tries = mode == FontMode::kWithdraw ? 1 : 2; tries > 0 && !key_open; --tries) {
            key_open = os.registry.reg_open_key(HKEY_LOCAL_MACHINE, subkey, key) == ERROR_SUCCESS;
        }
    }
    int handled = 0;
    for (int i = 0; i < kMaxFonts; ++i) {
        const FontPair& pair = in.script.fonts[i];
        if (pair.file == 0 || pair.name == 0) break;
        if (mode == FontMode::kInstall && i == 0) {
            const char* status = in.shell.strings[kInstallingFonts];
            os.ui.set_dlg_item_text(in.copy.progress_dialog, kStatusLine, status != nullptr ? status : "");
        }
        // The names are read once, when the font is withdrawn: what is put back or
        // recorded is what was taken.
        FontValue& saved = in.font_values[i];
        const char* name = saved.name;
        if (saved.name[0] == '\0') {
            if (mode == FontMode::kPutBack) {
                ++handled;  // nothing was withdrawn
                continue;
            }
            if (os.system.get_atom_name(pair.name, saved.name, sizeof saved.name) == 0 ||
                os.system.get_atom_name(pair.file, saved.file, sizeof saved.file) == 0) {
                // A name that cannot be read back would record a nameless font or unload
                // the folder's: that font is passed over.
                saved.name[0] = '\0';
                if (mode == FontMode::kWithdraw) in.fonts_withdrawn[i] = 0;
                continue;
            }
        }
        char file[260], path[260];
        CopyText(file, saved.file);
        if (!RootPath(in, path, file, kFontsDir)) continue;
        if ((platform & kOldShell) != 0) {
            OldShellFont(in, mode, name, file, path);
        } else if (key_open) {
            RegistryFont(in, key, mode, name, file, saved);
        }
        switch (mode) {
            case FontMode::kInstall: os.fonts.add_font_resource(path); break;
            case FontMode::kWithdraw: in.fonts_withdrawn[i] = os.fonts.remove_font_resource(path) ? 1 : 0; break;
            case FontMode::kPutBack:
                if (in.fonts_withdrawn[i] == 1) os.fonts.add_font_resource(path);
                break;
        }
        ++handled;
    }
    if (key_open) os.registry.reg_close_key(key);
    if (handled > 0) {
        os.ui.send_message(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
        os.ui.send_message(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<std::intptr_t>(kFontsSection));
    }
}

}  // namespace zep

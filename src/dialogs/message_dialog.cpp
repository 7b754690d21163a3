// The one procedure of every message dialog: its text is the template's format filled
// with the state that the current help context names.
#include "base/text.h"
#include "dialogs/dialog_table.h"
#include "script/key_names.h"

namespace zep {

namespace {

constexpr int kMessageText = 1001;

// "\\SERVER\SHARE" of a UNC path; false for a path with a drive letter.
bool ShareOf(const char* path, char (&out)[260]) {
    if (path[0] != '\\' || path[1] != '\\') return false;
    std::size_t n = 2;
    for (int separators = 0; path[n] != '\0'; ++n) {
        if (path[n] == '\\' && ++separators == 2) break;
    }
    return CopyText(out, sizeof out, path, n);
}

// Turns the format's first "%c" into "%s", so that a drive named by a share reads
// "Drive \\SERVER\SHARE has ..." rather than "Drive \ has ...". False without one.
bool UseTextForCharacter(char* format) {
    for (char* p = format; p[0] != '\0' && p[1] != '\0'; ++p) {
        if (p[0] == '%' && p[1] == '%') {
            ++p;
        } else if (p[0] == '%' && p[1] == 'c') {
            p[1] = 's';
            return true;
        }
    }
    return false;
}

// Fills the scratch buffer for the dialog being opened; returns the format's length
// (0 leaves the template text as it is).
std::size_t FormatMessageText(Installer& in, Hwnd dialog) {
    platform::Ui& ui = in.os.ui;
    const BasicInformation& basic = in.script.basic;
    DialogState& d = in.dialogs;
    char format[260] = {};
    ui.get_dlg_item_text(dialog, kMessageText, format, sizeof format);
    std::size_t length = TextLength(format);
    char* out = d.scratch;
    const std::size_t size = sizeof d.scratch;

    switch (d.help_context) {
        case 256:  // 1000
            FormatText(out, size, format, d.tested_drive);
            break;
        case 512: {  // 1100
            char section[80];
            FormatText(section, sizeof section, "[%s]", in.loader.section);
            ui.set_dlg_item_text(dialog, 1101, section);
            ui.set_dlg_item_text(dialog, 1102, d.message_arg);
            FormatText(out, size, format, in.loader.script_path);
            break;
        }
        case 1024:  // 1300: the system's text for the recorded error, then the file
            out[0] = '\0';
            in.os.system.format_message_from_system(d.copy_error.code, 1024, out, size);
            out[size - 1] = '\0';
            // A failure that concerns no file (the system's directories) names none.
            if (d.copy_error.file[0] != '\0') {
                AppendText(out, size, "\nFilename: ");
                AppendText(out, size, d.copy_error.file);
            }
            break;
        case 1280: {  // 1400: the directory as typed, or the upgrade's without its backslash
            char directory[260];
            CopyText(directory, basic.target_dir);
            std::size_t n = TextLength(directory);
            while (n > 1 && directory[n - 1] == '\\' && directory[n - 2] != ':') directory[--n] = '\0';
            FormatText(out, size, format, directory);
            break;
        }
        case 1536: {  // 1500
            const std::uint32_t needed = static_cast<std::uint32_t>((std::int64_t{basic.disk_space} + 512) >> 10);
            char share[260];
            if (ShareOf(d.message_arg, share) && UseTextForCharacter(format)) {
                FormatText(out, size, format, share, d.free_kb, needed, basic.product_name);
            } else {
                FormatText(out, size, format, d.message_arg[0], d.free_kb, needed, basic.product_name);
            }
            break;
        }
        case 1664:  // 1550
            LayoutFontsOnlyDialog(in, dialog);
            break;
        case 1792:  // 1600
            FormatText(out, size, format,
                       in.loader.key_index < kKeyCount ? kKeyNames[in.loader.key_index] : "",
                       in.loader.section);
            break;
        case 2560:  // 2201
            if ((in.env.platform_class & kNewShell) != 0) RaiseDialog(in, dialog);
            WatchForGroupWindow(in, dialog);
            break;
        case 2816:  // 2200
            FormatText(out, size, format, in.script.run.name);
            break;
        case 3072:  // 2301
        case 3328: {  // 2302
            bool installed = d.help_context == 3072;
            const char* pooled = in.shell.strings[installed ? kBeingInstalled : kUsedForDisks];
            length = pooled != nullptr ? TextLength(pooled) : 0;
            if (length == 0) break;
            if (installed) {
                FormatText(out, size, pooled, basic.product_name, d.message_arg);
            } else {
                FormatText(out, size, pooled, d.message_arg);
            }
            break;
        }
        case 3720:  // 2402
            FormatText(out, size, format, basic.product_name, d.installed_version,
                       d.installed_dir);
            if (basic.view_button_text[0] != '\0') {
                ui.set_dlg_item_text(dialog, 1003, basic.view_button_text);
            }
            break;
        case 3840:  // 2500
            FormatText(out, size, format, 32u);
            break;
        case 3968:  // 2700
            FormatText(out, size, format, basic.product_name, basic.version_to_patch);
            break;
        case 4096:  // 2800
            FormatText(out, size, format, basic.product_name, basic.windows_major,
                       basic.windows_minor, in.env.major, in.env.minor);
            break;
        case kNoHelp:  // 1900
            FormatText(out, size, format, in.loader.script_path);
            break;
        default:  // 1200, 2000: the template says it all
            break;
    }
    return length;
}

void PaintFontsBitmap(Installer& in, const DrawItem& item) {
    platform::Ui& ui = in.os.ui;
    const BasicInformation& basic = in.script.basic;
    Hdc memory = ui.create_compatible_dc(item.dc);
    Hgdiobj previous = ui.select_object(memory, basic.fonts_bitmap);
    if (previous != 0) {
        ui.bit_blt(item.dc, 0, 0, basic.bitmap_width, basic.bitmap_height, memory, 0, 0,
                   SRCCOPY);
        ui.select_object(memory, previous);
    }
    ui.delete_dc(memory);
}

}  // namespace

std::intptr_t MessageDialogProc(Installer& in, Hwnd dialog, std::uint32_t msg,
                                std::uintptr_t wparam, std::intptr_t lparam) {
    switch (msg) {
        case WM_INITDIALOG:
            if (FormatMessageText(in, dialog) != 0) {
                in.os.ui.set_dlg_item_text(dialog, kMessageText, in.dialogs.scratch);
            }
            PlaceDialog(in, dialog);
            return 1;
        case WM_DRAWITEM:
            PaintFontsBitmap(in, *reinterpret_cast<const DrawItem*>(lparam));
            return 1;
        case WM_TIMER:
            if (wparam != kGroupWatchTimer) return 0;
            GroupWatchTick(in, dialog);
            return 1;
        case WM_COMMAND:
            switch (wparam) {
                case IDOK:
                case IDCANCEL:
                    in.os.ui.end_dialog(dialog, wparam == IDOK ? 1 : 0);
                    return 1;
                case 1002:
                    ShowHelp(in);
                    return 1;
                case 1003:
                    ShowReadme(in);
                    return 1;
                default:
                    return 0;
            }
        default:
            return 0;
    }
}

void RecordFailure(Installer& in, const char* file) {
    in.dialogs.copy_error.code = in.os.system.get_last_error();
    CopyText(in.dialogs.copy_error.file, file);
}

}  // namespace zep

// Where dialogs appear: centred across the screen, a quarter of the free height from the
// top; the fonts-only dialog fitted around its bitmap.
#include "dialogs/dialog_table.h"

namespace zep {

void PlaceDialog(Installer& in, Hwnd dialog) {
    platform::Ui& ui = in.os.ui;
    ui.set_window_text(dialog, in.script.basic.caption);
    Rect r{};
    ui.get_window_rect(dialog, r);
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    int x = (ui.get_system_metrics(SM_CXSCREEN) - width) / 2;
    int y = ui.get_parent(dialog) != 0 ? r.top : (ui.get_system_metrics(SM_CYSCREEN) - height) / 4;
    ui.set_window_pos(dialog, 0, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RaiseDialog(Installer& in, Hwnd dialog) {
    in.os.ui.set_window_pos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    in.os.ui.set_window_pos(dialog, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

namespace {

constexpr std::uint32_t kGroupWatchMs = 250;
constexpr std::uint32_t kGroupWatchTicks = 40;   // gives up after 10 s
constexpr std::uint32_t kGroupSettledTicks = 4;  // done once the window stayed behind for 1 s

// Whether window lies in front of dialog.
bool InFrontOf(Installer& in, Hwnd window, Hwnd dialog) {
    for (Hwnd h = in.os.ui.get_window(dialog, GW_HWNDPREV); h != 0; h = in.os.ui.get_window(h, GW_HWNDPREV)) {
        if (h == window) return true;
    }
    return false;
}

}  // namespace

void WatchForGroupWindow(Installer& in, Hwnd dialog) {
    in.dialogs.group_watch = {};
    if ((in.env.platform_class & kNewShell) == 0 || in.script.group_name[0] == '\0') return;
    in.os.ui.set_timer(dialog, kGroupWatchTimer, kGroupWatchMs);
}

void GroupWatchTick(Installer& in, Hwnd dialog) {
    GroupWatch& w = in.dialogs.group_watch;
    Hwnd group = in.os.ui.find_window(nullptr, in.script.group_name);
    if (group != 0 && in.os.ui.is_window_visible(group)) {
        if (InFrontOf(in, group, dialog)) {
            RaiseDialog(in, dialog);
            w.settled = 0;
        } else {
            ++w.settled;
        }
    }
    if (++w.ticks >= kGroupWatchTicks || w.settled >= kGroupSettledTicks) {
        in.os.ui.kill_timer(dialog, kGroupWatchTimer);
    }
}

FontsOnlyLayout ComputeFontsOnlyLayout(const FontsOnlyInput& m) {
    FontsOnlyLayout out{};
    const int column = 4 * m.button_height;
    int gap = 0;
    int height = m.bitmap_height;
    if (m.bitmap_height >= column) {
        gap = (m.bitmap_height - column) / 3;
        out.button_top[0] = m.bitmap_top;
        out.button_top[1] = m.bitmap_top + m.button_height + gap;
        out.button_top[2] = m.bitmap_top + m.bitmap_height - 2 * m.button_height - gap;
        out.button_top[3] = m.bitmap_top + m.bitmap_height - m.button_height;
    } else {
        // A bitmap shorter than the four buttons: stack them evenly and let the dialog
        // grow to the column's height.
        gap = m.base_y / 4;
        height = column + 3 * gap;
        for (int i = 0; i < 4; ++i) out.button_top[i] = m.bitmap_top + i * (m.button_height + gap);
    }
    out.width = 2 * (m.bitmap_left + m.frame_x) + (6 * m.base_x) / 4 + m.bitmap_width +
                m.button_width;
    out.height = 2 * m.frame_y + m.caption + m.bitmap_top + height + m.base_y / 2;
    out.buttons_left = m.bitmap_left + m.bitmap_width + m.base_x;
    return out;
}

void LayoutFontsOnlyDialog(Installer& in, Hwnd dialog) {
    platform::Ui& ui = in.os.ui;
    FontsOnlyInput m{};
    Rect button{};
    ui.get_window_rect(ui.get_dlg_item(dialog, IDOK), button);
    m.button_width = button.right - button.left;
    m.button_height = button.bottom - button.top;
    Hwnd picture = ui.get_dlg_item(dialog, 1551);
    Rect bitmap{};
    ui.get_window_rect(picture, bitmap);
    Point corner{bitmap.left, bitmap.top};
    ui.screen_to_client(dialog, corner);
    m.bitmap_left = corner.x;
    m.bitmap_top = corner.y;
    m.bitmap_width = in.script.basic.bitmap_width;
    m.bitmap_height = in.script.basic.bitmap_height;
    std::uint32_t units = static_cast<std::uint32_t>(ui.get_dialog_base_units());
    m.base_x = static_cast<int>(units & 0xFFFF);
    m.base_y = static_cast<int>(units >> 16);
    m.frame_x = ui.get_system_metrics(SM_CXDLGFRAME);
    m.frame_y = ui.get_system_metrics(SM_CYDLGFRAME);
    m.caption = ui.get_system_metrics(SM_CYCAPTION);

    FontsOnlyLayout l = ComputeFontsOnlyLayout(m);
    const std::uint32_t quiet = SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE;
    ui.set_window_pos(dialog, 0, 0, 0, l.width, l.height, quiet);
    ui.set_window_pos(picture, 0, 0, 0, m.bitmap_width, m.bitmap_height, SWP_NOMOVE | quiet);
    const int order[4] = {IDOK, 1003, IDCANCEL, 1002};
    for (int i = 0; i < 4; ++i) {
        ui.set_window_pos(ui.get_dlg_item(dialog, order[i]), 0, l.buttons_left, l.button_top[i],
                          0, 0, SWP_NOSIZE | quiet);
    }
}

}  // namespace zep

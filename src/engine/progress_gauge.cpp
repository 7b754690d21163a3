#include "engine/progress_gauge.h"

#include <climits>

#include "base/text.h"
#include "dialogs/dialog_table.h"

namespace zep {

namespace {

constexpr int kGauge = 2101;
constexpr Colorref kBlue = 0x00FF0000;
constexpr Colorref kBlack = 0x00000000;
constexpr Colorref kWhite = 0x00FFFFFF;

void PaintGauge(Installer& in, Hwnd window) {
    platform::Ui& ui = in.os.ui;
    PaintInfo paint{};
    Hdc dc = ui.begin_paint(window, paint);
    if (dc == 0) {
        ui.end_paint(window, paint);
        return;
    }
    Rect r{};
    ui.get_client_rect(window, r);
    ui.frame_rect(dc, r, ui.get_stock_object(BLACK_BRUSH));
    r = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};

    GaugeFill g = ComputeGauge(r.right - r.left, in.copy.copied_bytes, in.script.basic.disk_space,
                               in.copy.gauge_shift);
    in.copy.gauge_shift = g.shift;
    if (window == in.copy.gauge && in.copy.gauge_of != 0) {
        in.copy.shown_width = r.right - r.left;
        in.copy.shown_filled = g.filled;
        in.copy.shown_percent = g.percent;
    }
    const Rect filled{r.left, r.top, r.left + g.filled, r.bottom};
    const Rect empty{r.left + g.filled, r.top, r.right, r.bottom};

    char text[16];
    const char* format = in.shell.strings[kPercent] != nullptr ? in.shell.strings[kPercent] : "%u%%";
    int length = FormatText(text, sizeof text, format, g.percent & 0xFFFF);
    Size extent{};
    ui.get_text_extent_point(dc, text, length, extent);
    const int x = (r.right - extent.cx) / 2;
    const int y = (r.bottom - extent.cy) / 2;
    const Colorref bar = ui.get_device_caps(dc, NUMCOLORS) == 2 ? kBlack : kBlue;

    // Two opaque outputs cover the inner rectangle exactly: the text reads across the
    // bar's edge, inverted where it lies on the bar.
    ui.set_bk_color(dc, bar);
    ui.set_text_color(dc, kWhite);
    ui.ext_text_out(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, &filled, text, static_cast<std::uint32_t>(length));
    ui.set_bk_color(dc, kWhite);
    ui.set_text_color(dc, bar);
    ui.ext_text_out(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, &empty, text, static_cast<std::uint32_t>(length));
    ui.end_paint(window, paint);
}

}  // namespace

GaugeFill ComputeGauge(int width, std::int32_t count, std::int32_t total, std::uint32_t shift) {
    if (total < 1) total = 1;
    if (count < 0) count = 0;
    if (count > total) count = total;
    const std::int64_t w = width > 0 ? width : 0;
    while (shift < 31 && w * (count >> shift) > INT_MAX) ++shift;
    const std::int64_t scaled_count = count >> shift;
    std::int64_t scaled_total = total >> shift;
    if (scaled_total == 0) scaled_total = 1;
    GaugeFill g;
    g.filled = static_cast<int>(w * scaled_count / scaled_total);
    g.percent = static_cast<std::uint32_t>(100 * scaled_count / scaled_total);
    g.shift = shift;
    return g;
}

std::intptr_t GaugeWindowProc(Installer& in, Hwnd window, std::uint32_t msg,
                              std::uintptr_t wparam, std::intptr_t lparam) {
    if (msg != WM_PAINT) return in.os.ui.def_window_proc(window, msg, wparam, lparam);
    PaintGauge(in, window);
    return 0;
}

std::intptr_t ProgressDialogProc(Installer& in, Hwnd dialog, std::uint32_t msg,
                                 std::uintptr_t wparam, std::intptr_t) {
    platform::Ui& ui = in.os.ui;
    if (msg == WM_INITDIALOG) {
        PlaceDialog(in, dialog);
        return 1;
    }
    // Cancel, Esc or Enter: once the button is greyed after the last file, they do nothing.
    if (msg == WM_COMMAND && wparam == IDCANCEL) {
        Hwnd cancel = ui.get_dlg_item(dialog, IDCANCEL);
        if (ui.is_window_enabled(cancel)) ui.post_quit_message(0);
        return 1;
    }
    return 0;
}

void RefreshGauge(Installer& in) {
    CopyState& c = in.copy;
    // Refreshed after every block: the control is looked up once per progress dialog.
    if (c.gauge_of != c.progress_dialog) {
        c.gauge = in.os.ui.get_dlg_item(c.progress_dialog, kGauge);
        c.gauge_of = c.progress_dialog;
        c.shown_width = 0;
    }
    // Most blocks move the bar by less than a pixel: a paint that would draw the same bar
    // and percentage is left out, and only the scale shift it would keep is kept.
    if (c.shown_width > 0) {
        GaugeFill g = ComputeGauge(c.shown_width, c.copied_bytes, in.script.basic.disk_space, c.gauge_shift);
        c.gauge_shift = g.shift;
        if (g.filled == c.shown_filled && g.percent == c.shown_percent) return;
    }
    in.os.ui.invalidate_rect(c.gauge, nullptr, false);
    in.os.ui.update_window(c.gauge);
}

}  // namespace zep

#include "shell/shell.h"

namespace zep {

namespace {

// Bounds on walks over other processes' windows, which may change while we look.
constexpr int kMaxWindows = 65536;
constexpr int kMaxOwners = 256;

bool IsOwnedBy(platform::Ui& ui, Hwnd window, Hwnd owner) {
    int steps = 0;
    for (Hwnd p = ui.get_parent(window); p != 0 && steps < kMaxOwners; p = ui.get_parent(p)) {
        if (p == owner) return true;
        ++steps;
    }
    return false;
}

}  // namespace

bool RaiseOtherInstance(Installer& in) {
    platform::Ui& ui = in.os.ui;
    Hwnd found = ui.find_window(kMainClass, nullptr);
    if (found == 0) return false;
    const std::uint32_t thread = ui.get_window_thread_process_id(found);
    Hwnd candidate = 0;
    const std::uint32_t directions[] = {GW_HWNDNEXT, GW_HWNDPREV};
    for (std::uint32_t direction : directions) {
        int seen = 0;
        for (Hwnd w = ui.get_window(found, direction); w != 0 && seen < kMaxWindows;
             w = ui.get_window(w, direction), ++seen) {
            if (ui.get_window_thread_process_id(w) != thread) continue;
            // Only a visible popup can be the dialog that waits: the thread may own hidden
            // ones too (an input-method window, for one) that nobody could see raised.
            const std::uint32_t style = ui.get_window_style(w);
            if ((style & WS_POPUP) == 0 || (style & WS_VISIBLE) == 0) continue;
            if (candidate == 0 || IsOwnedBy(ui, w, candidate)) candidate = w;
        }
    }
    if (candidate != 0) ui.bring_window_to_top(candidate);
    return true;
}

}  // namespace zep

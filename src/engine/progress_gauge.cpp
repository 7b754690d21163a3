#include "engine/progress_gauge.h"

namespace zep {

// The gauge paints nothing of its own yet; the default procedure validates its area.
std::intptr_t GaugeWindowProc(Installer& in, Hwnd window, std::uint32_t msg,
                              std::uintptr_t wparam, std::intptr_t lparam) {
    return in.os.ui.def_window_proc(window, msg, wparam, lparam);
}

}  // namespace zep

#pragma once

#include <cstdint>

#include "shell/installer.h"

namespace zep {

// Window procedure of the ZepInstallGauge control.
std::intptr_t GaugeWindowProc(Installer& in, Hwnd window, std::uint32_t msg,
                              std::uintptr_t wparam, std::intptr_t lparam);

}  // namespace zep

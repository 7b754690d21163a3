// The progress dialog 2100 and its gauge, a bar proportional to the bytes written so far
// with the percentage across it in two colours.
#pragma once

#include <cstdint>

#include "shell/installer.h"

namespace zep {

std::intptr_t ProgressDialogProc(Installer& in, Hwnd dialog, std::uint32_t msg,
                                 std::uintptr_t wparam, std::intptr_t lparam);

// Window procedure of the ZepInstallGauge control.
std::intptr_t GaugeWindowProc(Installer& in, Hwnd window, std::uint32_t msg,
                              std::uintptr_t wparam, std::intptr_t lparam);

// Repaints the gauge now, without erasing it first (no flicker), unless the paint would
// show the bar and percentage it already shows. Only while the progress dialog exists.
void RefreshGauge(Installer& in);

// The gauge's arithmetic, in 32 bits: the scale shift grows until width times the scaled
// count fits, and never shrinks.
struct GaugeFill {
    int filled;             // pixels of the inner width that the bar covers
    std::uint32_t percent;  // 0..100
    std::uint32_t shift;    // the scale shift to keep
};
GaugeFill ComputeGauge(int width, std::int32_t count, std::int32_t total, std::uint32_t shift);

}  // namespace zep

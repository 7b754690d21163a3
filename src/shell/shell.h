// The installer shell: entry and main sequence, start-up, the hidden main window with its
// F1 filter, the message drain, the busy cursor and clean-up.
#pragma once

#include <cstdint>

#include "shell/installer.h"

namespace zep {

inline constexpr char kMainClass[] = "ZepInstallMain";
inline constexpr char kGaugeClass[] = "ZepInstallGauge";
inline constexpr std::uint32_t kHelpRequest = 0x0C00;  // WM_USER + 0x800, posted to the main window

// The whole run: start-up, mode selection, copy, completion, clean-up. Always 0.
int RunInstaller(Installer& in);

bool StartUp(Installer& in);  // false: the program must end
void CleanUp(Installer& in);

// Raises the most deeply owned popup of another running instance; false when none runs.
bool RaiseOtherInstance(Installer& in);

std::intptr_t MainWindowProc(Installer& in, Hwnd window, std::uint32_t msg,
                             std::uintptr_t wparam, std::intptr_t lparam);
std::intptr_t HelpKeyFilter(Installer& in, int code, std::uintptr_t wparam, Msg* msg);
bool IsHelpKey(int code, const Msg& msg);

// Handles queued messages; 1 when WM_QUIT was taken (the user cancelled), else 0.
std::uint16_t DrainMessages(Installer& in);

void BusyCursorOn(Installer& in, Hwnd window);
void BusyCursorOff(Installer& in);

void LoadStringPool(Installer& in);

}  // namespace zep

// uninst.exe's entry point, as setup.exe's: no C runtime, no arguments, exit code 0.
#include "platform/win32/win32_platform.h"
#include "uninstall/uninstaller.h"

namespace {

constinit zep::win32::Win32Platform g_platform;

}  // namespace

extern "C" __attribute__((force_align_arg_pointer)) void ZepEntry() {
    zep::Installer installer(g_platform.services());
    zep::win32::SetCallbackContext(&installer);
    int code = zep::RunUninstaller(installer);
    zep::win32::SetCallbackContext(nullptr);
    ExitProcess(static_cast<UINT>(code));
}

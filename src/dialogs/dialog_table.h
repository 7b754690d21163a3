// Every question and error is one modal dialog found through the dialog table. An install
// error code is the id of the dialog that reports it; 0 is success.
#pragma once

#include <cstdint>

#include "shell/installer.h"

namespace zep {

enum InstallCode : std::uint16_t {
    kOk = 0,
    kCancelled = 1,  // from the message drain; no dialog has this id
    kErrBadDrive = 1000,
    kErrScriptLine = 1100,
    kErrNoDirectory = 1200,
    kErrCopy = 1300,
    kErrCreateDirectory = 1400,
    kErrDiskSpace = 1500,
    kDlgFontsOnly = 1550,
    kErrMissingKey = 1600,
    kErrInsertDisk = 1700,
    kErrFileNotFound = 1800,
    kErrOpenScript = 1900,
    kErrOutOfMemory = 2000,
    kDlgProgress = 2100,
    kErrStartProgram = 2200,
    kDlgCompleted = 2201,  // + run choice: 2202 OK/Cancel, 2203 Yes/No
    kDlgDirectoryInUse = 2300,
    kErrTargetIsInstalled = 2301,  // pseudo id: 2300 with string 8010
    kErrTargetIsSource = 2302,     // pseudo id: 2300 with string 8011
    kDlgNewInstall = 2400,
    kDlgReinstall = 2401,
    kDlgUpgrade = 2402,
    kErrTooManyDisks = 2500,
    kErrNothingToUpgrade = 2700,
    kErrWindowsVersion = 2800,
};

struct DialogRow {
    std::uint16_t id;            // template resource id and install code
    std::uint32_t help_context;  // kNoHelp: the dialog has no help
    DialogProc proc;
};

extern const DialogRow kDialogTable[kDialogRows];

// The help contexts that are no row's own: those of the pseudo ids, which show dialog 2300,
// and the readme topic that button 1003 opens.
inline constexpr std::uint32_t kHelpTargetIsInstalled = 3072;
inline constexpr std::uint32_t kHelpTargetIsSource = 3328;
inline constexpr std::uint32_t kHelpReadme = 3904;

// Shows a dialog modally: nonzero for OK / Retry / Begin / Yes, 0 for Cancel / No. An id
// that is neither a row nor a pseudo id, or a dialog that cannot be shown, returns 0.
std::intptr_t ShowInstallDialog(Installer& in, std::uint16_t id, Hwnd parent);

int PreloadDialogTemplates(Installer& in);  // 0 on success, 1 on failure
void FreeDialogTemplates(Installer& in);

std::intptr_t MessageDialogProc(Installer& in, Hwnd dialog, std::uint32_t msg,
                                std::uintptr_t wparam, std::intptr_t lparam);
std::intptr_t DirectoryDialogProc(Installer& in, Hwnd dialog, std::uint32_t msg,
                                  std::uintptr_t wparam, std::intptr_t lparam);
std::intptr_t CompletionDialogProc(Installer& in, Hwnd dialog, std::uint32_t msg,
                                   std::uintptr_t wparam, std::intptr_t lparam);

void PlaceDialog(Installer& in, Hwnd dialog);
void RaiseDialog(Installer& in, Hwnd dialog);
// The shell carries out the group commands some time after they were queued and opens the
// new group's window then, often over the completion dialog. On the new shell, after a
// group was made, the completion dialog watches for a few seconds (a timer on the dialog)
// and comes to the front again whenever that window lies in front of it; the watch ends
// once the window has stayed behind for a second.
inline constexpr std::uintptr_t kGroupWatchTimer = 1;
void WatchForGroupWindow(Installer& in, Hwnd dialog);  // at WM_INITDIALOG
void GroupWatchTick(Installer& in, Hwnd dialog);       // at WM_TIMER kGroupWatchTimer
void ShowHelp(Installer& in);
void ShowReadme(Installer& in);

// Keeps the system's last error and the file it concerns for dialog 1300. Call it right
// after the failing call, before anything else can change the last error.
void RecordFailure(Installer& in, const char* file);

// The fonts-only dialog 1550 laid out around its bitmap; all values in pixels.
struct FontsOnlyInput {
    int button_width, button_height;  // button 1
    int bitmap_left, bitmap_top;      // control 1551 in client coordinates
    int bitmap_width, bitmap_height;
    int base_x, base_y;               // dialog base units
    int frame_x, frame_y, caption;    // SM_CXDLGFRAME, SM_CYDLGFRAME, SM_CYCAPTION
};
struct FontsOnlyLayout {
    int width, height;   // of the dialog window
    int buttons_left;
    int button_top[4];   // buttons 1, 1003, 2, 1002 from top to bottom
};
FontsOnlyLayout ComputeFontsOnlyLayout(const FontsOnlyInput& m);
void LayoutFontsOnlyDialog(Installer& in, Hwnd dialog);

}  // namespace zep

// Handle types, records and constant values of the Win32 calls the installer makes.
// The logic never includes <windows.h>; these carry the same values. The Win32 layer
// includes <windows.h> first, which turns the constant block below off (its macros
// carry the same names and values).
#pragma once

#include <cstdint>

namespace zep {

using Hwnd = std::uintptr_t;      // HWND; 0 = none
using Hfile = std::int32_t;       // HFILE of OpenFile and _lopen; -1 (HFILE_ERROR) = failure
using Hglobal = std::uintptr_t;   // HGLOBAL of GlobalAlloc and LoadResource
using Hrsrc = std::uintptr_t;     // HRSRC of FindResource
using Hhook = std::uintptr_t;     // HHOOK
using Hcursor = std::uintptr_t;   // HCURSOR
using Hdc = std::uintptr_t;       // HDC
using Hgdiobj = std::uintptr_t;   // HBITMAP, HBRUSH, ...
using Atom = std::uint16_t;       // ATOM; 0 = none
using Hkey = std::uintptr_t;      // HKEY
using Pidl = std::uintptr_t;      // LPITEMIDLIST; 0 = none
using Hsz = std::uintptr_t;       // HSZ, a DDE string handle; 0 = none
using Hconv = std::uintptr_t;     // HCONV, a DDE conversation; 0 = none
using Hddedata = std::uintptr_t;  // HDDEDATA; for an asynchronous transaction, its id

struct Installer;  // the logic's context, handed back to window, dialog and hook procedures

// The logic's procedures that Windows calls back. They get the context they run for.
using WindowProc = std::intptr_t (*)(Installer&, Hwnd, std::uint32_t msg, std::uintptr_t wparam,
                                     std::intptr_t lparam);
using DialogProc = std::intptr_t (*)(Installer&, Hwnd, std::uint32_t msg, std::uintptr_t wparam,
                                     std::intptr_t lparam);

struct Point {
    std::int32_t x, y;
};

struct Rect {
    std::int32_t left, top, right, bottom;
};

// MSG, field for field.
struct Msg {
    Hwnd hwnd;
    std::uint32_t message;
    std::uintptr_t wparam;
    std::intptr_t lparam;
    std::uint32_t time;
    Point pt;
};

// DRAWITEMSTRUCT, field for field.
struct DrawItem {
    std::uint32_t control_type;
    std::uint32_t control_id;
    std::uint32_t item_id;
    std::uint32_t action;
    std::uint32_t state;
    Hwnd item;
    Hdc dc;
    Rect rect;
    std::uintptr_t data;
};

struct Size {
    std::int32_t cx, cy;
};

// PAINTSTRUCT, kept whole for EndPaint; only the device context is read.
struct PaintInfo {
    alignas(8) unsigned char data[80];
};

using Colorref = std::uint32_t;

using MsgFilterProc = std::intptr_t (*)(Installer&, int code, std::uintptr_t wparam, Msg* msg);

// BFFCALLBACK, with the installer it runs for.
// DDEML's callback: answers a transaction the system sends the instance, by its type.
using DdeCallback = std::uintptr_t (*)(std::uint32_t type);

using BrowseCallbackProc = int (*)(Installer&, Hwnd browser, std::uint32_t msg, std::intptr_t lparam,
                                   std::intptr_t data);

// BROWSEINFOA, the fields the installer sets (no root, no image).
struct BrowseInfo {
    Hwnd owner;
    char* display_name;  // MAX_PATH characters
    const char* title;
    std::uint32_t flags;
    BrowseCallbackProc callback;
    std::intptr_t data;
};

// OSVERSIONINFOA, the fields the installer reads.
struct OsVersion {
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t build;
    std::uint32_t platform_id;
};

struct FileTime {
    std::uint32_t low, high;
};

// WNDCLASSA, the fields the installer sets (no icon, no menu, no extra bytes).
struct WindowClass {
    const char* name;
    std::uint32_t style;
    std::uint32_t cursor;      // a system cursor id (IDC_ARROW) or 0 for none
    std::uint32_t background;  // a system colour index + 1 (COLOR_WINDOW + 1) or 0 for none
    WindowProc proc;
};

}  // namespace zep

#ifndef _WINDOWS_
namespace zep {

inline constexpr std::uint32_t MAX_PATH = 260;

// Window messages.
inline constexpr std::uint32_t WM_CREATE = 0x0001;
inline constexpr std::uint32_t WM_DESTROY = 0x0002;
inline constexpr std::uint32_t WM_PAINT = 0x000F;
inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_QUIT = 0x0012;
inline constexpr std::uint32_t WM_SETTEXT = 0x000C;
inline constexpr std::uint32_t WM_WININICHANGE = 0x001A;
inline constexpr std::uint32_t WM_FONTCHANGE = 0x001D;
inline constexpr std::uint32_t WM_NEXTDLGCTL = 0x0028;
inline constexpr std::uint32_t WM_DRAWITEM = 0x002B;
inline constexpr std::uint32_t WM_SETFONT = 0x0030;
inline constexpr std::uint32_t WM_KEYDOWN = 0x0100;
inline constexpr std::uint32_t WM_KEYUP = 0x0101;
inline constexpr std::uint32_t WM_CHAR = 0x0102;
inline constexpr std::uint32_t WM_INITDIALOG = 0x0110;
inline constexpr std::uint32_t WM_COMMAND = 0x0111;
inline constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr std::uint32_t WM_TIMER = 0x0113;
inline constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr std::uint32_t WM_USER = 0x0400;
inline constexpr std::uint32_t EM_LIMITTEXT = 0x00C5;
inline constexpr std::uint32_t EN_UPDATE = 0x0400;
inline constexpr std::uint32_t EN_CHANGE = 0x0300;
inline constexpr std::uint32_t BN_CLICKED = 0;

// SendMessageTimeout.
inline constexpr std::uint32_t SMTO_NORMAL = 0x0000;
inline constexpr std::uint32_t SMTO_ABORTIFHUNG = 0x0002;

inline constexpr std::uint32_t VK_RETURN = 0x0D;
inline constexpr std::uint32_t VK_ESCAPE = 0x1B;
inline constexpr std::uint32_t VK_F1 = 0x70;

// Dialog results and button ids.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Window styles.
inline constexpr std::uint32_t WS_POPUP = 0x80000000u;
inline constexpr std::uint32_t WS_CHILD = 0x40000000u;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000u;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000u;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000u;
inline constexpr std::uint32_t WS_BORDER = 0x00800000u;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000u;
inline constexpr std::uint32_t WS_GROUP = 0x00020000u;
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000u;
inline constexpr std::uint32_t DS_MODALFRAME = 0x80;
inline constexpr std::uint32_t DS_SETFONT = 0x40;
inline constexpr std::uint32_t CS_VREDRAW = 0x0001;
inline constexpr std::uint32_t CS_HREDRAW = 0x0002;
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x1;
inline constexpr std::uint32_t BS_OWNERDRAW = 0xB;
inline constexpr std::uint32_t SS_ICON = 0x3;
inline constexpr std::uint32_t SS_GRAYRECT = 0x5;
inline constexpr std::uint32_t SS_NOPREFIX = 0x80;
inline constexpr std::uint32_t ES_AUTOHSCROLL = 0x80;
inline constexpr std::uint32_t ES_OEMCONVERT = 0x400;

// GetWindow, ShowWindow, SetWindowPos.
inline constexpr std::uint32_t GW_HWNDNEXT = 2;
inline constexpr std::uint32_t GW_HWNDPREV = 3;
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr std::uint32_t SWP_NOSIZE = 0x0001;
inline constexpr std::uint32_t SWP_NOMOVE = 0x0002;
inline constexpr std::uint32_t SWP_NOZORDER = 0x0004;
inline constexpr std::uint32_t SWP_NOREDRAW = 0x0008;
inline constexpr std::uint32_t SWP_NOACTIVATE = 0x0010;
inline constexpr Hwnd HWND_TOPMOST = static_cast<Hwnd>(-1);
inline constexpr Hwnd HWND_NOTOPMOST = static_cast<Hwnd>(-2);
inline constexpr Hwnd HWND_BROADCAST = 0xFFFF;

// PeekMessage.
inline constexpr std::uint32_t PM_NOREMOVE = 0;
inline constexpr std::uint32_t PM_REMOVE = 1;

// Hooks.
inline constexpr int WH_MSGFILTER = -1;
inline constexpr int MSGF_DIALOGBOX = 0;

// System metrics, device caps, colours, cursors.
inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;
inline constexpr int SM_CYCAPTION = 4;
inline constexpr int SM_CXDLGFRAME = 7;
inline constexpr int SM_CYDLGFRAME = 8;
inline constexpr int LOGPIXELSY = 90;
inline constexpr int NUMCOLORS = 24;
inline constexpr std::uint32_t COLOR_WINDOW = 5;
inline constexpr std::uint32_t IDC_ARROW = 32512;
inline constexpr std::uint32_t IDC_WAIT = 32514;

// WinHelp.
inline constexpr std::uint32_t HELP_CONTEXT = 0x0001;
inline constexpr std::uint32_t HELP_QUIT = 0x0002;

// OpenFile and _llseek.
inline constexpr std::uint32_t OF_READ = 0x0000;
inline constexpr std::uint32_t OF_WRITE = 0x0001;
inline constexpr std::uint32_t OF_READWRITE = 0x0002;
inline constexpr std::uint32_t OF_SHARE_EXCLUSIVE = 0x0010;
inline constexpr std::uint32_t OF_SHARE_DENY_WRITE = 0x0020;
inline constexpr std::uint32_t OF_SHARE_DENY_NONE = 0x0040;
inline constexpr std::uint32_t OF_DELETE = 0x0200;
inline constexpr std::uint32_t OF_CREATE = 0x1000;
inline constexpr std::uint32_t OF_EXIST = 0x4000;
inline constexpr Hfile HFILE_ERROR = -1;
inline constexpr int FILE_BEGIN = 0;
inline constexpr int FILE_CURRENT = 1;
inline constexpr int FILE_END = 2;

// File attributes, drive types, error modes.
inline constexpr std::uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr std::uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;
inline constexpr std::uint32_t FILE_ATTRIBUTE_SYSTEM = 0x04;
inline constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr std::uint32_t INVALID_FILE_SIZE = 0xFFFFFFFFu;
inline constexpr std::uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
inline constexpr std::uint32_t MOVEFILE_REPLACE_EXISTING = 0x01;
inline constexpr std::uint32_t MOVEFILE_DELAY_UNTIL_REBOOT = 0x04;
inline constexpr std::uint32_t DRIVE_UNKNOWN = 0;
inline constexpr std::uint32_t DRIVE_NO_ROOT_DIR = 1;
inline constexpr std::uint32_t DRIVE_REMOVABLE = 2;
inline constexpr std::uint32_t DRIVE_FIXED = 3;
inline constexpr std::uint32_t DRIVE_REMOTE = 4;
inline constexpr std::uint32_t DRIVE_CDROM = 5;
inline constexpr std::uint32_t DRIVE_RAMDISK = 6;
inline constexpr std::uint32_t SEM_FAILCRITICALERRORS = 0x0001;

// Movable memory.
inline constexpr std::uint32_t GMEM_MOVEABLE = 0x0002;
inline constexpr std::uint32_t GMEM_ZEROINIT = 0x0040;
inline constexpr std::uint32_t GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

// GetVersionEx.
inline constexpr std::uint32_t VER_PLATFORM_WIN32s = 0;
inline constexpr std::uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;

// The registry.
inline constexpr Hkey HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr std::uint32_t REG_SZ = 1;

// DDEML.
inline constexpr std::uint32_t APPCMD_CLIENTONLY = 0x00000010;
inline constexpr std::uint32_t DMLERR_NO_ERROR = 0;
inline constexpr int CP_WINANSI = 1004;
inline constexpr std::uint32_t CF_TEXT = 1;
inline constexpr std::uint32_t TIMEOUT_ASYNC = 0xFFFFFFFFu;
inline constexpr std::uint32_t XTYP_ADVDATA = 0x4010;
inline constexpr std::uint32_t XTYP_ADVREQ = 0x2022;
inline constexpr std::uint32_t XTYP_ADVSTART = 0x1030;
inline constexpr std::uint32_t XTYP_CONNECT = 0x1062;
inline constexpr std::uint32_t XTYP_EXECUTE = 0x4050;
inline constexpr std::uint32_t XTYP_POKE = 0x4090;
inline constexpr std::uint32_t XTYP_REQUEST = 0x20B0;
inline constexpr std::uint32_t XTYP_WILDCONNECT = 0x20E2;
inline constexpr std::uint32_t XTYP_DISCONNECT = 0x80C2;

// The folder browser.
inline constexpr std::uint32_t BIF_RETURNONLYFSDIRS = 0x0001;
inline constexpr std::uint32_t BFFM_INITIALIZED = 1;
inline constexpr std::uint32_t BFFM_SETSELECTIONA = WM_USER + 102;

// GDI.
inline constexpr std::uint32_t SRCCOPY = 0x00CC0020u;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr std::uint32_t ETO_OPAQUE = 0x0002;
inline constexpr std::uint32_t ETO_CLIPPED = 0x0004;

// Resource types.
inline constexpr std::uint16_t RT_BITMAP = 2;
inline constexpr std::uint16_t RT_DIALOG = 5;
inline constexpr std::uint16_t RT_STRING = 6;
inline constexpr std::uint16_t RT_GROUP_ICON = 14;

// LZ32's results (lzexpand.h).
inline constexpr std::int32_t LZERROR_BADINHANDLE = -1;
inline constexpr std::int32_t LZERROR_BADOUTHANDLE = -2;
inline constexpr std::int32_t LZERROR_READ = -3;
inline constexpr std::int32_t LZERROR_WRITE = -4;
inline constexpr std::int32_t LZERROR_GLOBALLOC = -5;
inline constexpr std::int32_t LZERROR_GLOBLOCK = -6;

// FormatMessage.
inline constexpr std::uint32_t FORMAT_MESSAGE_FROM_SYSTEM = 0x1000;

// System error codes the installer and the simulated platform produce.
inline constexpr std::uint32_t ERROR_SUCCESS = 0;
inline constexpr std::uint32_t ERROR_INVALID_FUNCTION = 1;
inline constexpr std::uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr std::uint32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr std::uint32_t ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr std::uint32_t ERROR_INVALID_DRIVE = 15;
inline constexpr std::uint32_t ERROR_NOT_SAME_DEVICE = 17;
inline constexpr std::uint32_t ERROR_WRITE_PROTECT = 19;
inline constexpr std::uint32_t ERROR_NOT_READY = 21;
inline constexpr std::uint32_t ERROR_CRC = 23;
inline constexpr std::uint32_t ERROR_SEEK = 25;
inline constexpr std::uint32_t ERROR_WRITE_FAULT = 29;
inline constexpr std::uint32_t ERROR_READ_FAULT = 30;
inline constexpr std::uint32_t ERROR_GEN_FAILURE = 31;
inline constexpr std::uint32_t ERROR_SHARING_VIOLATION = 32;
inline constexpr std::uint32_t ERROR_LOCK_VIOLATION = 33;
inline constexpr std::uint32_t ERROR_INVALID_DATA = 13;
inline constexpr std::uint32_t ERROR_HANDLE_EOF = 38;
inline constexpr std::uint32_t ERROR_FILE_EXISTS = 80;
inline constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr std::uint32_t ERROR_CALL_NOT_IMPLEMENTED = 120;
inline constexpr std::uint32_t ERROR_DISK_FULL = 112;
inline constexpr std::uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr std::uint32_t ERROR_INVALID_NAME = 123;
inline constexpr std::uint32_t ERROR_DIR_NOT_EMPTY = 145;
inline constexpr std::uint32_t ERROR_DISCARDED = 157;
inline constexpr std::uint32_t ERROR_NEGATIVE_SEEK = 131;
inline constexpr std::uint32_t ERROR_ALREADY_EXISTS = 183;
inline constexpr std::uint32_t ERROR_TIMEOUT = 1460;
inline constexpr std::uint32_t ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr std::uint32_t ERROR_NO_MORE_ITEMS = 259;
inline constexpr std::uint32_t ERROR_DIRECTORY = 267;
inline constexpr std::uint32_t ERROR_INVALID_WINDOW_HANDLE = 1400;
inline constexpr std::uint32_t ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
inline constexpr std::uint32_t ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
inline constexpr std::uint32_t ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

}  // namespace zep
#endif
